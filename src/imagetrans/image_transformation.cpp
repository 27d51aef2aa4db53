#include "imagetrans/image_transformation.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "numeric/cholesky.h"
#include "numeric/normal_equations.h"
#include "numeric/one_based.h"
#include "shell/console.h"

namespace tessaro {

namespace {

const char* const kZeroDeterminant =
    "Image transformation has a zero determinant. The solution is rejected ";

// The calibrated fiducial marks of the file, in file order.
struct CalibratedFiducials {
  OneBased<std::int32_t> No;
  OneBased<double> X;
  OneBased<double> Y;
};

// The fitted transformation in the common bilinear form.
struct Coefficients {
  double A1 = 0, A2 = 0, A3 = 0, A4 = 0;
  double B1 = 0, B2 = 0, B3 = 0, B4 = 0;
};

// Element (i, m) of a packed symmetric matrix (lower triangle row by row).
double Packed(const OneBased<double>& N, int i, int m) {
  if (m > i) std::swap(i, m);
  return N(static_cast<std::size_t>(i * (i - 1) / 2 + m));
}

std::size_t At(std::int32_t k) { return static_cast<std::size_t>(k); }

// Reads the point records of one photo into ImgPointNo, ImgX, ImgY(1, 2, ...)
// up to and including the terminating record (point number 0), echoing each
// record as soon as it is read. ImgPointCount counts the records before it.
void ReadPointRecords(Console& c) {
  Module1& m = c.module;
  std::int32_t k = 0;
  for (;;) {
    ++k;
    m.ReserveImagePoints(k);
    ReadFields(c.job.Channel1, In(m.ImgPointNo(At(k)), "point number of an image record"),
               In(m.ImgX(At(k)), "x of an image record"),
               In(m.ImgY(At(k)), "y of an image record"));
    PrintItems(c.job.Channel5, {m.ImgPointNo(At(k)), Comma, m.ImgX(At(k)), Comma, m.ImgY(At(k))});
    if (m.ImgPointNo(At(k)) == 0) break;
  }
  m.ImgPointCount = k - 1;
}

void PrintTransformedHeader(ReportChannel& out) {
  PrintItems(out, {" "});
  PrintItems(out, {"Transformed Points "});
  PrintItems(out, {" Point No.     X                Y"});
}

void PrintTransformedPoint(Console& c, std::int32_t k) {
  const Module1& m = c.module;
  PrintItems(c.job.Channel5,
             {m.ImgPointNo(At(k)), Semi, Tab(15), Semi, FormatNumber(m.ImgX(At(k)), "#####0.000"),
              Semi, Tab(30), Semi, FormatNumber(m.ImgY(At(k)), "######0.000")});
}

// A digital image: pixel positions (x along the columns, y along the rows,
// origin in the image corner) moved to the image centre. With the y axis
// down (mode -1) y is also turned to point up.
void TransformDigital(Console& c, double Rows, double Columns) {
  Module1& m = c.module;
  PrintTransformedHeader(c.job.Channel5);
  for (std::int32_t k = 1; k <= m.ImgPointCount; ++k) {
    if (m.TransformMode == -1) {
      m.ImgX(At(k)) = m.ImgX(At(k)) - Columns / 2;
      m.ImgY(At(k)) = Rows / 2 - m.ImgY(At(k));
    } else {
      m.ImgX(At(k)) = m.ImgX(At(k)) - Columns / 2;
      m.ImgY(At(k)) = m.ImgY(At(k)) + Rows / 2;
    }
    PrintTransformedPoint(c, k);
  }
}

// Fits the photo's model to its fiducials. N and U come back as the inverse
// normal matrix and the solution; the solver's code is returned.
int FitModel(std::int16_t mode, int n, const OneBased<double>& x, const OneBased<double>& y,
             const CalibratedFiducials& cal, Coefficients& t) {
  OneBased<double> R(6), N(10), U(4), U2(4);
  int flag = 0;
  if (mode == 1) {
    // Similarity X = p1 + p3*x - p4*y, Y = p2 + p4*x + p3*y: both
    // coordinates of a fiducial observe the same four parameters.
    for (int i = 1; i <= n; ++i) {
      const std::size_t s = static_cast<std::size_t>(i);
      R(1) = 1;
      R(2) = 0;
      R(3) = x(s);
      R(4) = -y(s);
      R(5) = cal.X(s);
      R(6) = 1.0;
      AddObservation(4, R, N, U);
      R(1) = 0;
      R(2) = 1;
      R(3) = y(s);
      R(4) = x(s);
      R(5) = cal.Y(s);
      R(6) = 1.0;
      AddObservation(4, R, N, U);
    }
    CholeskySolve(N, U, 4, 3, flag);
    if (flag != 0) return flag;
    t.A1 = U(1);
    t.A2 = U(3);
    t.A3 = -U(4);
    t.A4 = 0;
    t.B1 = U(2);
    t.B2 = U(4);
    t.B3 = U(3);
    t.B4 = 0;
    return flag;
  }

  // Affine and bilinear: X and Y have the same design rows, so they share
  // one normal matrix. X is solved through U; Y's right-hand side U2 is
  // multiplied by the inverse that the solver leaves in N.
  const int M = mode == 2 ? 3 : 4;
  for (int i = 1; i <= n; ++i) {
    const std::size_t s = static_cast<std::size_t>(i);
    R(1) = 1;
    R(2) = x(s);
    R(3) = y(s);
    if (M == 4) R(4) = x(s) * y(s);
    R(static_cast<std::size_t>(M + 1)) = cal.X(s);
    R(static_cast<std::size_t>(M + 2)) = 1.0;
    AddObservation(M, R, N, U);
    const double s2 = std::pow(R(static_cast<std::size_t>(M + 2)), 2);
    for (std::size_t k = 1; k <= static_cast<std::size_t>(M); ++k)
      U2(k) = U2(k) + R(k) * cal.Y(s) / s2;
  }
  CholeskySolve(N, U, M, 3, flag);
  if (flag != 0) return flag;
  OneBased<double> B(4);
  for (int i = 1; i <= M; ++i) {
    double sum = 0;
    for (int k = 1; k <= M; ++k) sum = sum + Packed(N, i, k) * U2(static_cast<std::size_t>(k));
    B(static_cast<std::size_t>(i)) = sum;
  }
  t.A1 = U(1);
  t.A2 = U(2);
  t.A3 = U(3);
  t.A4 = M == 4 ? U(4) : 0;
  t.B1 = B(1);
  t.B2 = B(2);
  t.B3 = B(3);
  t.B4 = M == 4 ? B(4) : 0;
  return flag;
}

void PrintCoefficients(PrintDestination& out, const Coefficients& t, const char* pattern) {
  const std::pair<const char*, double> lines[] = {
      {" A1 = ", t.A1}, {" A2 = ", t.A2}, {" A3 = ", t.A3}, {" A4 = ", t.A4},
      {" B1 = ", t.B1}, {" B2 = ", t.B2}, {" B3 = ", t.B3}, {" B4 = ", t.B4}};
  for (const auto& [label, value] : lines)
    PrintItems(out, {label, Semi, FormatNumber(value, pattern)});
}

// A film photo: its records are matched to the calibrated fiducials, the
// model is fitted, its residuals and coefficients reported, and, once the
// user accepts the fit, the image points are transformed.
void TransformFilm(Console& c, const CalibratedFiducials& cal, std::int16_t& refusal) {
  Module1& m = c.module;
  ReportChannel& out = c.job.Channel5;
  // A negative count is read as "no fiducials" as everywhere else.
  const int n = std::max<int>(m.FiducialCount, 0);
  // A photo with fewer records than fiducials: the places past its
  // terminating record are read as further "0,0,0" records, not as what an
  // earlier photo left there.
  m.ReserveImagePoints(std::max<std::int32_t>(n, m.ImgPointCount + 1));
  for (std::int32_t k = m.ImgPointCount + 2; k <= n; ++k) {
    m.ImgPointNo(At(k)) = 0;
    m.ImgX(At(k)) = 0;
    m.ImgY(At(k)) = 0;
  }

  // Bring the measured fiducials to the front, in calibrated order, by
  // exchange. A fiducial that was not measured leaves the record standing
  // at its place to be taken for it.
  for (int i = 1; i <= n; ++i) {
    for (std::int32_t j = 1; j <= m.ImgPointCount; ++j) {
      if (m.ImgPointNo(At(j)) == cal.No(static_cast<std::size_t>(i))) {
        std::swap(m.ImgPointNo(At(j)), m.ImgPointNo(static_cast<std::size_t>(i)));
        std::swap(m.ImgX(At(j)), m.ImgX(static_cast<std::size_t>(i)));
        std::swap(m.ImgY(At(j)), m.ImgY(static_cast<std::size_t>(i)));
      }
    }
  }
  // What follows the fiducials are the image points (none when the photo
  // has fewer records than fiducials).
  m.ImgPointCount = std::max(m.ImgPointCount - n, 0);
  refusal = 1;

  OneBased<double> x(static_cast<std::size_t>(n)), y(static_cast<std::size_t>(n));
  for (int i = 1; i <= n; ++i) {
    x(static_cast<std::size_t>(i)) = m.ImgX(static_cast<std::size_t>(i));
    y(static_cast<std::size_t>(i)) = m.ImgY(static_cast<std::size_t>(i));
  }

  // Modes above 3 name no model: the photo is refused like a singular fit.
  if (m.TransformMode > 3) return c.ShowMessage(kZeroDeterminant);
  Coefficients t;
  const int flag = FitModel(m.TransformMode, n, x, y, cal, t);
  refusal = static_cast<std::int16_t>(flag);
  if (flag != 0) return c.ShowMessage(kZeroDeterminant);

  // Residuals at the fiducials: the model's value minus the calibrated
  // coordinate, its terms added in one fixed order so that reports agree
  // to the last digit.
  PrintItems(out, {" "});
  PrintItems(out, {"Transformation Residuals "});
  PrintItems(out, {"  No.         Vx              Vy"});
  c.ShowBlackBoard();
  PrintItems(c.BlackBoard, {"Transformation Residuals "});
  double sumVx = 0, sumVy = 0;
  for (int i = 1; i <= n; ++i) {
    const std::size_t s = static_cast<std::size_t>(i);
    const double xi = x(s), yi = y(s);
    const double Vx = t.A2 * xi + t.A1 + t.A3 * yi + t.A4 * xi * yi - cal.X(s);
    const double Vy = t.B2 * xi + t.B1 + t.B3 * yi + t.B4 * xi * yi - cal.Y(s);
    const std::string place = FormatNumber(i, "####");
    PrintItems(out, {place, Semi, Tab(15), Semi, FormatNumber(Vx, "####0.000"), Semi, "         ",
                     Semi, FormatNumber(Vy, "####0.000")});
    PrintItems(c.BlackBoard, {place, Semi, Tab(6), Semi, FormatNumber(Vx, "####0.000"), Semi, "  ",
                              Semi, FormatNumber(Vy, "####0.000")});
    sumVx = sumVx + Vx * Vx;
    sumVy = sumVy + Vy * Vy;
  }

  // The divisor n - 1 is the same for every model, as the instructor's
  // reports have it; RMS is taken over all 2n coordinate residuals.
  const double Sx = std::sqrt(sumVx / (n - 1));
  const double Sy = std::sqrt(sumVy / (n - 1));
  const double RMS = std::sqrt((sumVx + sumVy) / (2 * n));

  PrintItems(c.BlackBoard, {});
  PrintItems(c.BlackBoard, {"Sx, Sy: ", Semi, Tab(10), Semi, FormatNumber(Sx, "####0.000"), Semi,
                            "  ", Semi, FormatNumber(Sy, "####0.000")});
  PrintItems(c.BlackBoard, {});
  PrintCoefficients(c.BlackBoard, t, "###0.000000");

  PrintItems(out, {" "});
  PrintItems(out, {"Sx, Sy: ", Semi, Tab(10), Semi, FormatNumber(Sx, "####0.000"), Semi, "  ", Semi,
                   FormatNumber(Sy, "#####0.000")});
  PrintItems(out, {"RMS: ", Semi, Tab(10), Semi, FormatNumber(RMS, "####0.000")});
  PrintItems(out, {" "});
  PrintCoefficients(out, t, "###0.0000000000");

  const std::string answer = c.AskLine("Is the solution acceptable? Y/N", Twips{3000, 3000});
  if (answer == "N" || answer == "n") {
    refusal = 1;
    return;
  }
  if (m.ImgPointCount > 0) {
    PrintTransformedHeader(out);
    for (std::int32_t k = 1; k <= m.ImgPointCount; ++k) {
      const std::size_t s = At(k + n);
      m.ImgPointNo(At(k)) = m.ImgPointNo(s);
      const double xs = m.ImgX(s), ys = m.ImgY(s);
      m.ImgX(At(k)) = t.A2 * xs + t.A1 + t.A3 * ys + t.A4 * xs * ys;
      m.ImgY(At(k)) = t.B2 * xs + t.B1 + t.B3 * ys + t.B4 * xs * ys;
      PrintTransformedPoint(c, k);
    }
  }
  refusal = 0;
}

}  // namespace

void ReadImageTransHeader(Console& c) {
  c.module.FiducialCount = 0;
  c.job.ReadyFlag[1] = kFalse;
  const std::string title = c.job.Channel1.ReadTitle();
  PrintItems(c.job.Channel5, {title});
  ReadFields(c.job.Channel1, In(c.module.TransPhotoCount, "number of photos"),
             In(c.module.FiducialCount, "number of fiducial marks"));
  c.job.ReadyFlag[1] = kTrue;
}

void TransformImages(Console& c, std::int16_t& refusal) {
  Module1& m = c.module;
  InputChannel& in = c.job.Channel1;
  ReportChannel& out = c.job.Channel5;

  CalibratedFiducials cal;
  double Rows = 0, Columns = 0;
  if (m.FiducialCount > 0) {
    const std::size_t n = static_cast<std::size_t>(m.FiducialCount);
    cal.No.resize(n);
    cal.X.resize(n);
    cal.Y.resize(n);
    for (std::size_t i = 1; i <= n; ++i)
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
                     static_cast<int>(m.TransformMode)});
    ReadPointRecords(c);

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
