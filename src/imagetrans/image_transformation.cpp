#include "imagetrans/image_transformation.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "imagetrans/plane_transform.h"
#include "shell/console.h"
#include "shell/image_records.h"

namespace tessaro {

namespace {

const char* const kZeroDeterminant =
    "Image transformation has a zero determinant. The solution is rejected ";

// A transformed point: its number, X from column 15, Y from column 30.
const TableLayout kTransformedPoint = {{0}, {15, "#####0.000"}, {30, "######0.000"}};

// The fit as one destination prints it. The report and the window show the
// same lines in tabs, gaps and patterns of their own.
struct FitLayout {
  TableLayout residual;  // place, Vx, gap, Vy
  const char* gap;
  TableLayout sxSy;  // "Sx, Sy: ", Sx, "  ", Sy
  const char* coefficient;
};
const FitLayout kReportFit = {{{0, "####"}, {15, "####0.000"}, {0}, {0, "####0.000"}},
                              "         ",
                              {{0}, {10, "####0.000"}, {0}, {0, "#####0.000"}},
                              "###0.0000000000"};
const FitLayout kWindowFit = {{{0, "####"}, {6, "####0.000"}, {0}, {0, "####0.000"}},
                              "  ",
                              {{0}, {10, "####0.000"}, {0}, {0, "####0.000"}},
                              "###0.000000"};

void PrintTransformedPoints(ReportChannel& out, const std::vector<ImageRecord>& points) {
  PrintItems(out, {" "});
  PrintItems(out, {"Transformed Points "});
  PrintItems(out, {" Point No.     X                Y"});
  for (const ImageRecord& p : points) PrintRow(out, kTransformedPoint, {p.No, p.x, p.y});
}

// The residual lines, one per fiducial in calibrated order.
void PrintResiduals(PrintDestination& out, const FitLayout& layout, const FiducialFit& fit) {
  for (int i = 1; i <= fit.Vx.size(); ++i)
    PrintRow(out, layout.residual, {i, fit.Vx(i), layout.gap, fit.Vy(i)});
}

void PrintSxSy(PrintDestination& out, const FitLayout& layout, const FiducialFit& fit) {
  PrintRow(out, layout.sxSy, {"Sx, Sy: ", fit.Sx, "  ", fit.Sy});
}

void PrintCoefficients(PrintDestination& out, const FitLayout& layout, const PlaneTransform& t) {
  const TableColumn line[] = {{0}, {0, layout.coefficient}};
  const std::pair<const char*, double> coefficients[] = {
      {" A1 = ", t.A1}, {" A2 = ", t.A2}, {" A3 = ", t.A3}, {" A4 = ", t.A4},
      {" B1 = ", t.B1}, {" B2 = ", t.B2}, {" B3 = ", t.B3}, {" B4 = ", t.B4}};
  for (const auto& [label, value] : coefficients) PrintRow(out, line, {label, value});
}

// The residuals, standard errors and coefficients of a fit, on BlackBoard
// and on the report.
void PrintFit(Console& c, const FiducialFit& fit) {
  c.ShowBlackBoard();
  PrintDestination& board = c.BlackBoard;
  PrintItems(board, {"Transformation Residuals "});
  PrintResiduals(board, kWindowFit, fit);
  PrintItems(board, {});
  PrintSxSy(board, kWindowFit, fit);
  PrintItems(board, {});
  PrintCoefficients(board, kWindowFit, fit.t);

  ReportChannel& out = c.job.Channel5;
  PrintItems(out, {" "});
  PrintItems(out, {"Transformation Residuals "});
  PrintItems(out, {"  No.         Vx              Vy"});
  PrintResiduals(out, kReportFit, fit);
  PrintItems(out, {" "});
  PrintSxSy(out, kReportFit, fit);
  PrintRow(out, kReportFit.sxSy, {"RMS: ", fit.RMS});  // the first two columns of Sx, Sy
  PrintItems(out, {" "});
  PrintCoefficients(out, kReportFit, fit.t);
}

// Reads the calibrated fiducials, or the image size of digital images with
// its echo. A negative count of fiducials is read as none.
Calibration ReadCalibration(Console& c) {
  InputChannel& in = c.job.Channel1;
  Calibration cal;
  if (c.module.FiducialCount <= 0) {
    ReadFields(in, In(cal.Rows, "number of pixel rows"),
               In(cal.Columns, "number of pixel columns"));
    PrintItems(c.job.Channel5, {" Digital Images"});
    PrintItems(c.job.Channel5,
               {" Rows, Columns are: ", Semi, cal.Rows, Semi, " x ", Semi, cal.Columns});
    return cal;
  }
  cal.Fiducials.resize(c.module.FiducialCount);
  for (ImageRecord& f : cal.Fiducials)
    ReadFields(in, In(f.No, "point number of a calibrated fiducial"),
               In(f.x, "x of a calibrated fiducial"), In(f.y, "y of a calibrated fiducial"));
  return cal;
}

// Entries from..to of the shared image records.
std::vector<ImageRecord> Records(const Module1& m, std::int32_t from, std::int32_t to) {
  std::vector<ImageRecord> records;
  records.reserve(std::max(to - from + 1, 0));
  for (std::int32_t k = from; k <= to; ++k)
    records.push_back({m.ImgPointNo(k), m.ImgX(k), m.ImgY(k)});
  return records;
}

// Reads a photo's header and records with their echo into the shared
// arrays. A film photo's records are matched to the calibrated fiducials
// there, and ImgPointCount then counts the image points after them.
PhotoInput ReadPhoto(Console& c, const Calibration& cal, int place) {
  Module1& m = c.module;
  ReportChannel& out = c.job.Channel5;
  PhotoInput photo;
  photo.Place = place;
  ReadFields(c.job.Channel1, In(photo.PhotoNo, "photo number"),
             In(m.TransformMode, "transformation mode"));
  photo.Mode = m.TransformMode;
  PrintItems(out, {" "});
  PrintItems(out, {"   Image Data for Photo: ", Semi, photo.PhotoNo});
  PrintItems(out, {"   ==================="});
  PrintItems(out, {"<=0 Digital image, 1=Similarity, 2=Affine, 3=Bilinear, Mode = ", Semi,
                   int{photo.Mode}});
  const std::int32_t count = ReadImageRecords(c, "image record", ListEnd::NumberZero);
  if (photo.Mode <= 0) {
    photo.Points = Records(m, 1, count);
    return photo;
  }
  // A photo with fewer records than fiducials: the places past its
  // terminating record are read as further "0,0,0" records, not as what an
  // earlier photo left there.
  const std::int32_t n = std::ssize(cal.Fiducials);
  m.ReserveImagePoints(std::max(n, count + 1));
  for (std::int32_t k = count + 2; k <= n; ++k) {
    m.ImgPointNo(k) = 0;
    m.ImgX(k) = 0;
    m.ImgY(k) = 0;
  }
  MatchFiducials(cal.Fiducials, m.ImgPointNo, m.ImgX, m.ImgY, count);
  m.ImgPointCount = std::max(count - n, 0);
  photo.Measured = Records(m, 1, n);
  photo.Points = Records(m, n + 1, n + m.ImgPointCount);
  return photo;
}

// After a photo is transformed, entries 1..ImgPointCount of the shared
// arrays hold its image points in photo coordinates.
void StorePoints(Module1& m, const std::vector<ImageRecord>& points) {
  std::int32_t k = 0;
  for (const ImageRecord& p : points) {
    ++k;
    m.ImgPointNo(k) = p.No;
    m.ImgX(k) = p.x;
    m.ImgY(k) = p.y;
  }
}

// Reports a photo and, for a film photo, asks whether its fit is
// acceptable; refusal becomes the flag of the last film photo. show(asking)
// hands the photo to the observer: while its question is asked, and once it
// is reported, before any message about it.
void ReportPhoto(Console& c, PhotoTransformation& photo, std::int16_t& refusal,
                 const std::function<void(bool asking)>& show) {
  if (photo.Accepted) {  // digital: no question, the flag is left alone
    PrintTransformedPoints(c.job.Channel5, photo.Points);
    StorePoints(c.module, photo.Points);
    return show(false);
  }
  if (photo.outcome.ending == Ending::Refused) {
    refusal = 1;
    show(false);
    // Below -1 no mode is defined; above 3 the photo is refused like a
    // singular fit.
    if (photo.Mode > 0) return c.ShowMessage(kZeroDeterminant);
    return c.ShowMessage("Photo " + PlainWhole(photo.PhotoNo) + ": transformation mode " +
                         PlainWhole(photo.Mode) + " is not defined; the photo is skipped");
  }
  if (photo.outcome.ending == Ending::Singular) {
    refusal = static_cast<std::int16_t>(photo.outcome.code);
    show(false);
    return c.ShowMessage(kZeroDeterminant);
  }
  PrintFit(c, photo.Fit);
  show(true);
  const std::string answer = c.AskLine("Is the solution acceptable? Y/N", Twips{3000, 3000});
  if (answer == "N" || answer == "n") {
    refusal = 1;
    photo.Points.clear();
    return show(false);
  }
  photo.Accepted = true;
  if (!photo.Points.empty()) PrintTransformedPoints(c.job.Channel5, photo.Points);
  StorePoints(c.module, photo.Points);
  refusal = 0;
  show(false);
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

void TransformImages(Console& c, std::int16_t& refusal, const ImageTransObserver& observe) {
  const Calibration cal = ReadCalibration(c);
  for (int place = 1; place <= c.module.TransPhotoCount; ++place) {
    PhotoTransformation photo = TransformPhoto(ReadPhoto(c, cal, place), cal);
    ReportPhoto(c, photo, refusal, [&](bool asking) {
      if (observe) observe(c, cal, photo, asking);
    });
  }
  c.job.Channel1.Close();
}

}  // namespace tessaro
