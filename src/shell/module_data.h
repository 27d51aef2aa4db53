// The computing module's shared data.
//
// The operations exchange data through module-wide variables, and several
// behaviours depend on that sharing: reading one operation's file replaces
// the point arrays that another left, and the intersection overwrites the
// resection's station values. One Module1 instance per program run holds
// them all; the console owns it and every operation works on it. Arrays are
// numbered from 1 like the formulas; they grow as needed.
#pragma once

#include <array>
#include <cstdint>

#include "numeric/one_based.h"
#include "numeric/rotation.h"

namespace tessaro {

struct Module1 {
  // 4·arctan(1), set when the main window starts.
  double Pi = 0;

  // Image transformation: counts of the file being processed and the mode
  // code of the current photo (-1/0 digital, 1 similarity, 2 affine,
  // 3 bilinear).
  std::int16_t TransPhotoCount = 0;
  std::int16_t FiducialCount = 0;
  std::int16_t TransformMode = 0;

  // Image point records of the current photo, shared by the image
  // transformation, the resection, the intersection and the absolute
  // orientation.
  OneBased<std::int32_t> ImgPointNo;
  OneBased<double> ImgX;
  OneBased<double> ImgY;
  std::int32_t ImgPointCount = 0;

  // Station cells of the resection (angles in radians once prepared) and
  // their observed values StationValues(1..9): Xo, Yo, Zo, Omega, Phi,
  // Kappa, SigmaXY, SigmaZ, SigmaAngle.
  double Xo = 0, Yo = 0, Zo = 0;
  double Omega = 0, Phi = 0, Kappa = 0;
  double SigmaXY = 0, SigmaZ = 0, SigmaAngle = 0;
  OneBased<double> StationValues = OneBased<double>(9);

  // Resection file: photo scale (echoed only), principal distance f (its sign
  // flipped by "Reverse Direction"), standard error of an image coordinate,
  // and the photograph number of the station.
  double ScaleFactor = 0, PrincipalDistance = 0, ImagePrecision = 0;
  std::int32_t StationNo = 0;

  // Control points, shared by the resection and the absolute orientation:
  // numbers and ground coordinates, CtrlXYZ(i)[0] = X, [1] = Y, [2] = Z.
  // The terminating record stands at position CtrlPointCount + 1.
  OneBased<std::int32_t> CtrlPointNo;
  OneBased<std::array<double, 3>> CtrlXYZ;
  std::int32_t CtrlPointCount = 0;

  // Resection state kept from command to command until the next
  // preparation: the control position matched to each image record, the
  // image records 1..PointsInUse that take part, the iteration limit, and
  // the sign last given to the principal distance.
  OneBased<std::int32_t> MatchIndex;
  std::int32_t PointsInUse = 0;
  std::int32_t IterationLimit = 0;
  int DirectionSign = 1;

  // The rotation matrix of the current station; its columns are the
  // module's M1, M2, M3: Mj(i) = M(i, j) = m_ij.
  Matrix3 M;
  // Fills M from the station cells Omega, Phi, Kappa (radians).
  void StationRotation() { RotationMatrix(M, Omega, Phi, Kappa); }

  // Makes room for control records 1..n, keeping those already there.
  void ReserveControlPoints(std::int32_t n) {
    if (n > CtrlPointNo.size()) {
      CtrlPointNo.resize(n);
      CtrlXYZ.resize(n);
    }
  }

  // Makes room for image records 1..n, keeping those already there.
  void ReserveImagePoints(std::int32_t n) {
    if (n > ImgPointNo.size()) {
      ImgPointNo.resize(n);
      ImgX.resize(n);
      ImgY.resize(n);
    }
  }

  // Absolute orientation. The measured (model) points are numbered in
  // ImgPointNo(1..ImgPointCount); their model coordinates, [0] = X, [1] = Y,
  // [2] = Z, stand beside them in ModelXYZ and are replaced by the ground
  // coordinates once transformed. Once paired, control point k and measured
  // point k are the same point for k = 1..CtrlPointCount.
  OneBased<std::array<double, 3>> ModelXYZ;
  // Standard errors of control point k: [0] horizontal, [1] vertical; and
  // the common value Sxyz read from the file.
  OneBased<std::array<double, 2>> CtrlSigma;
  double AbsSxyz = 0;
  // The seven unknowns: Dx, Dy, Dz, scale, and the angles printed as Omega,
  // Phi, Kappa (radians). They keep the last solution between runs.
  OneBased<double> AbsUnknowns = OneBased<double>(7);
  // 2·(horizontal control) + (vertical control) - 7, of all control read.
  std::int32_t AbsRedundancy = 0;

  // Makes room for measured records 1..n, keeping those already there.
  void ReserveModelPoints(std::int32_t n) {
    ReserveImagePoints(n);
    if (n > ModelXYZ.size()) ModelXYZ.resize(n);
  }
};

}  // namespace tessaro
