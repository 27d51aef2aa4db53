#include "imagetrans/image_transformation.h"

#include <algorithm>
#include <string>
#include <utility>

#include "imagetrans/plane_transform.h"
#include "shell/console.h"
#include "shell/image_records.h"

namespace tessaro {

namespace {

const char* const kZeroDeterminant =
    "Image transformation has a zero determinant. The solution is rejected ";

void PrintTransformedHeader(ReportChannel& out) {
  PrintItems(out, {" "});
  PrintItems(out, {"Transformed Points "});
  PrintItems(out, {" Point No.     X                Y"});
}

void PrintTransformedPoint(Console& c, std::int32_t k) {
  const Module1& m = c.module;
  PrintItems(c.job.Channel5,
             {m.ImgPointNo(k), Semi, Tab(15), Semi, FormatNumber(m.ImgX(k), "#####0.000"), Semi,
              Tab(30), Semi, FormatNumber(m.ImgY(k), "######0.000")});
}

void TransformDigital(Console& c, double Rows, double Columns) {
  Module1& m = c.module;
  PrintTransformedHeader(c.job.Channel5);
  for (std::int32_t k = 1; k <= m.ImgPointCount; ++k) {
    CentreDigital(m.TransformMode, Rows, Columns, m.ImgX(k), m.ImgY(k));
    PrintTransformedPoint(c, k);
  }
}

void PrintCoefficients(PrintDestination& out, const PlaneTransform& t, const char* pattern) {
  const std::pair<const char*, double> lines[] = {
      {" A1 = ", t.A1}, {" A2 = ", t.A2}, {" A3 = ", t.A3}, {" A4 = ", t.A4},
      {" B1 = ", t.B1}, {" B2 = ", t.B2}, {" B3 = ", t.B3}, {" B4 = ", t.B4}};
  for (const auto& [label, value] : lines)
    PrintItems(out, {label, Semi, FormatNumber(value, pattern)});
}

// The residuals, standard errors and coefficients of a fit: on the report,
// and, line by line beside it, on BlackBoard.
void PrintFit(Console& c, const FiducialFit& fit, int n) {
  ReportChannel& out = c.job.Channel5;
  PrintItems(out, {" "});
  PrintItems(out, {"Transformation Residuals "});
  PrintItems(out, {"  No.         Vx              Vy"});
  c.ShowBlackBoard();
  PrintItems(c.BlackBoard, {"Transformation Residuals "});
  for (int i = 1; i <= n; ++i) {
    const std::string place = FormatNumber(i, "####");
    const std::string Vx = FormatNumber(fit.Vx(i), "####0.000");
    const std::string Vy = FormatNumber(fit.Vy(i), "####0.000");
    PrintItems(out, {place, Semi, Tab(15), Semi, Vx, Semi, "         ", Semi, Vy});
    PrintItems(c.BlackBoard, {place, Semi, Tab(6), Semi, Vx, Semi, "  ", Semi, Vy});
  }

  PrintItems(c.BlackBoard, {});
  PrintItems(c.BlackBoard, {"Sx, Sy: ", Semi, Tab(10), Semi, FormatNumber(fit.Sx, "####0.000"),
                            Semi, "  ", Semi, FormatNumber(fit.Sy, "####0.000")});
  PrintItems(c.BlackBoard, {});
  PrintCoefficients(c.BlackBoard, fit.t, "###0.000000");

  PrintItems(out, {" "});
  PrintItems(out, {"Sx, Sy: ", Semi, Tab(10), Semi, FormatNumber(fit.Sx, "####0.000"), Semi, "  ",
                   Semi, FormatNumber(fit.Sy, "#####0.000")});
  PrintItems(out, {"RMS: ", Semi, Tab(10), Semi, FormatNumber(fit.RMS, "####0.000")});
  PrintItems(out, {" "});
  PrintCoefficients(out, fit.t, "###0.0000000000");
}

// A film photo: its records are matched to the calibrated fiducials, the
// model is fitted, its residuals and coefficients reported, and, once the
// user accepts the fit, the image points are transformed.
void TransformFilm(Console& c, const CalibratedFiducials& cal, std::int16_t& refusal) {
  Module1& m = c.module;
  // A negative count is read as "no fiducials" as everywhere else.
  const int n = std::max<int>(m.FiducialCount, 0);
  // A photo with fewer records than fiducials: the places past its
  // terminating record are read as further "0,0,0" records, not as what an
  // earlier photo left there.
  m.ReserveImagePoints(std::max<std::int32_t>(n, m.ImgPointCount + 1));
  for (std::int32_t k = m.ImgPointCount + 2; k <= n; ++k) {
    m.ImgPointNo(k) = 0;
    m.ImgX(k) = 0;
    m.ImgY(k) = 0;
  }
  MatchFiducials(cal.No, n, m.ImgPointNo, m.ImgX, m.ImgY, m.ImgPointCount);
  // What follows the fiducials are the image points (none when the photo
  // has fewer records than fiducials).
  m.ImgPointCount = std::max(m.ImgPointCount - n, 0);
  refusal = 1;

  // Modes above 3 name no model: the photo is refused like a singular fit.
  if (m.TransformMode > kBilinear) return c.ShowMessage(kZeroDeterminant);
  const FiducialFit fit = FitFiducials(m.TransformMode, n, m.ImgX, m.ImgY, cal.X, cal.Y);
  refusal = static_cast<std::int16_t>(fit.ErrCode);
  if (fit.ErrCode != 0) return c.ShowMessage(kZeroDeterminant);
  PrintFit(c, fit, n);

  const std::string answer = c.AskLine("Is the solution acceptable? Y/N", Twips{3000, 3000});
  if (answer == "N" || answer == "n") {
    refusal = 1;
    return;
  }
  if (m.ImgPointCount > 0) {
    PrintTransformedHeader(c.job.Channel5);
    for (std::int32_t k = 1; k <= m.ImgPointCount; ++k) {
      const std::int32_t s = k + n;
      m.ImgPointNo(k) = m.ImgPointNo(s);
      const double x = m.ImgX(s), y = m.ImgY(s);
      m.ImgX(k) = fit.t.X(x, y);
      m.ImgY(k) = fit.t.Y(x, y);
      PrintTransformedPoint(c, k);
    }
  }
  refusal = 0;
}

}  // namespace

void ReadImageTransHeader(Console& c) {
  c.module.FiducialCount = 0;
  c.job.ReadyFlag(kImageTransEntered) = kFalse;
  const std::string title = c.job.Channel1.ReadTitle();
  PrintItems(c.job.Channel5, {title});
  ReadFields(c.job.Channel1, In(c.module.TransPhotoCount, "number of photos"),
             In(c.module.FiducialCount, "number of fiducial marks"));
  c.job.ReadyFlag(kImageTransEntered) = kTrue;
}

void TransformImages(Console& c, std::int16_t& refusal) {
  Module1& m = c.module;
  InputChannel& in = c.job.Channel1;
  ReportChannel& out = c.job.Channel5;

  CalibratedFiducials cal;
  double Rows = 0, Columns = 0;
  if (m.FiducialCount > 0) {
    const int n = m.FiducialCount;
    cal.No.resize(n);
    cal.X.resize(n);
    cal.Y.resize(n);
    for (int i = 1; i <= n; ++i)
      ReadFields(in, In(cal.No(i), "point number of a calibrated fiducial"),
                 In(cal.X(i), "x of a calibrated fiducial"),
                 In(cal.Y(i), "y of a calibrated fiducial"));
  } else {
    ReadFields(in, In(Rows, "number of pixel rows"), In(Columns, "number of pixel columns"));
    PrintItems(out, {" Digital Images"});
    PrintItems(out, {" Rows, Columns are: ", Semi, Rows, Semi, " x ", Semi, Columns});
  }

  for (int photo = 1; photo <= m.TransPhotoCount; ++photo) {
    std::int32_t photoNo = 0;
    ReadFields(in, In(photoNo, "photo number"), In(m.TransformMode, "transformation mode"));
    PrintItems(out, {" "});
    PrintItems(out, {"   Image Data for Photo: ", Semi, photoNo});
    PrintItems(out, {"   ==================="});
    PrintItems(out, {"<=0 Digital image, 1=Similarity, 2=Affine, 3=Bilinear, Mode = ", Semi,
                     int{m.TransformMode}});
    ReadImageRecords(c, "image record", ListEnd::NumberZero);

    if (m.TransformMode == -1 || m.TransformMode == 0) {
      TransformDigital(c, Rows, Columns);
    } else if (m.TransformMode < -1) {
      // No transformation is defined below -1: the photo is refused and the
      // run goes on with the next one.
      refusal = 1;
      c.ShowMessage("Photo " + PlainWhole(photoNo) + ": transformation mode " +
                    PlainWhole(m.TransformMode) + " is not defined; the photo is skipped");
    } else {
      TransformFilm(c, cal, refusal);
    }
  }
  in.Close();
}

}  // namespace tessaro
