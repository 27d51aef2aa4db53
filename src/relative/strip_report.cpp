// The relative orientation's lines; what they hold is in strip_report.h.
#include "relative/strip_report.h"

#include "numeric/rotation.h"

namespace tessaro {

namespace {

const char* const kPosition = "########.####";
const char* const kAngle = "#######.#####";

// A point's residuals, on the window and in the report alike, under the
// caption repeated over each photograph's points; the window also has one
// caption of its own above the first photograph.
const TableLayout kResidualRow = {
    {2}, {20, "####0.0000"}, {35, "##0.0000"}, {50, "####0.0000"}, {65, "##0.0000"}, {80}};
const TableLayout kResidualCaption = {{0}, {25}, {40}, {55}, {70}};
const TableLayout kWindowResidualCaption = {{0}, {17}, {29}, {42}, {50}};

// A station's X, Y, Z and its angles or their standard deviations.
const TableLayout kPositionRow = {{0, kPosition}, {15, kPosition}, {30, kPosition}};
const TableLayout kAngleRow = {{0, kAngle}, {15, kAngle}, {30, kAngle}};

// Where the captions of X, Y, Z and their standard deviations go, and the
// line between them and the angles. Index 0: photograph 2, whose X is held
// (no deviation); index 1: photographs 3 and on.
struct StationLayout {
  TableLayout captions, deviations;
  const char* gap;
};
const StationLayout kReportStation[2] = {
    {{{5}, {25}, {40}}, {{20, kPosition}, {35, kPosition}}, " "},
    {{{5}, {25}, {40}}, {{2, kPosition}, {17, kPosition}, {29, kPosition}}, " "}};
const StationLayout kWindowStation[2] = {
    {{{5}, {23}, {47}}, {{15, kPosition}, {30, kPosition}}, ""},
    {{{5}, {35}, {70}}, {{3, kPosition}, {15, kPosition}, {30, kPosition}}, ""}};

// The report's tables of all ground points, with and without their standard
// deviations, and of all stations.
const TableLayout kGroundCaption = {{0}, {17}, {29}, {43}, {60}, {74}, {91}};
const TableLayout kGroundRow = {{0},
                                {15, "#####.###"},
                                {25, "###.####"},
                                {35, "#####.###"},
                                {50, "###.####"},
                                {60, "#####.###"},
                                {75, "###.####"}};
const TableLayout kStationCaption = {{15}, {30}, {45}, {60}, {75}, {90}};
const TableLayout kStationRow = {{0},
                                 {7, "#######0.0000"},
                                 {20, "#######0.0000"},
                                 {35, "#######0.0000"},
                                 {50, "######0.00000"},
                                 {65, "######0.00000"},
                                 {80, "######0.00000"}};
const TableLayout kPlainGroundCaption = {{0}, {17}, {37}, {57}};
const TableLayout kPlainGroundRow = {{0}, {15, "####0.000"}, {30, "####0.000"}, {45, "####0.000"}};

double Degrees(double radians) {
  double Pi = 0;
  return RadToDeg(radians, Pi);
}

void PrintResiduals(PrintDestination& out, const Strip& s, const StripResult& r) {
  for (std::int32_t p = 1; p <= s.PhotoCount; ++p) {
    PrintItems(out, {" "});
    PrintRow(out, kResidualCaption, {" Point#", "X", "VX", "Y", "VY"});
    PrintItems(out, {" Station Id = ", Semi, s.PhotoNumber(p)});
    for (std::int32_t k = 1; k <= s.PointCount(p); ++k)
      PrintRow(out, kResidualRow,
               {s.ImagePointNumber(p, k), s.ImageX(p, k), r.Residual(2 * p - 1, k), s.ImageY(p, k),
                r.Residual(2 * p, k), k == r.Flagged(p) ? " *Error*" : ""});
  }
}

// Photograph p >= 2 from its coordinates' captions to its angles' standard
// deviations.
void PrintStation(PrintDestination& out, const StationLayout (&layouts)[2], const StripResult& r,
                  std::int32_t p) {
  const StationLayout& l = layouts[p == 2 ? 0 : 1];
  const StationParameters& v = r.Stations()(p);
  const auto sd = [&](int q) { return r.StationSd(p, q); };
  PrintRow(out, l.captions, {"X", "Y", "Z"});
  PrintRow(out, kPositionRow, {v[0], v[1], v[2]});
  if (p == 2)
    PrintRow(out, l.deviations, {sd(1), sd(2)});
  else
    PrintRow(out, l.deviations, {sd(0), sd(1), sd(2)});
  PrintItems(out, {l.gap});
  PrintAngleBlock(out, Degrees(v[3]), Degrees(v[4]), Degrees(v[5]), kAngle, 15, 30);
  PrintRow(out, kAngleRow, {Degrees(sd(3)), Degrees(sd(4)), Degrees(sd(5))});
}

void PrintWindowSummary(PrintDestination& bb, const Strip& s, const StripResult& r) {
  PrintItems(bb,
             {"  RMS = ", Comma, r.Statistics.Rms, Semi, "  So = ", Comma, r.Statistics.So, Semi,
              "  ITER=", Semi, r.IterationCount(), Semi, " Direction = ", Semi, r.Direction});
  PrintItems(bb, {"  "});
  PrintRow(bb, kWindowResidualCaption, {" Point#", "X", "VX", "Y", "VY"});
  PrintItems(bb, {" Station Id = ", Semi, s.PhotoNumber(1)});
  PrintResiduals(bb, s, r);
}

void PrintReportSummary(PrintDestination& out, const Strip& s, const StripResult& r) {
  const StripStatistics& t = r.Statistics;
  PrintItems(out, {" "});
  PrintItems(out, {"  RMS = ", Semi, t.Rms, Semi, "  ITER = ", Semi, r.IterationCount(), Semi,
                   " Direction = ", Semi, r.Direction});
  PrintItems(out, {" "});
  PrintResiduals(out, s, r);
  PrintItems(out, {" "});
  PrintItems(out, {"  RMS=", Semi, FormatNumber(t.Rms, "###.####"), Semi, "  So=", Semi,
                   FormatNumber(t.So, "###.####"), Semi, "  ITER=", Semi, r.IterationCount(), Semi,
                   "Number of Gp=", Semi, s.GroundPointCount});
  PrintItems(out, {" "});
  PrintItems(out, {"    RELATIVE ORIENTATION PARAMETERS"});
  PrintItems(out, {"    ==============================="});
  for (std::int32_t p = 2; p <= s.PhotoCount; ++p) {
    PrintItems(out, {"  Station: ", Semi, s.PhotoNumber(p)});
    PrintStation(out, kReportStation, r, p);
    PrintItems(out, {" "});
  }
}

void PrintGroundHeading(PrintDestination& out, const TableLayout& caption,
                        std::initializer_list<PrintItem> captions, const char* rule) {
  for (const char* line : {" ", " ", " GROUND POINT RESULTS ", "======================", " "})
    PrintItems(out, {line});
  PrintRow(out, caption, captions);
  PrintItems(out, {rule});
}

void PrintReportTables(PrintDestination& out, const Strip& s, const StripResult& r) {
  PrintGroundHeading(out, kGroundCaption, {"  Point", "X", "Sx", "Y", "Sy", "Z", "Sz"},
                     "=====================================================");
  for (std::int32_t i = 1; i <= s.GroundPointCount; ++i) {
    const Point3& g = r.GroundPoints(i);
    PrintRow(out, kGroundRow,
             {s.GroundPointNumber(i), g[0], r.PointSd(i, 1), g[1], r.PointSd(i, 2), g[2],
              r.PointSd(i, 3)});
  }
  PrintItems(out, {" "});
  PrintItems(out, {"    RELATIVE ORIENTATION STATION PARAMETERS"});
  PrintItems(out, {"    ======================================="});
  PrintRow(out, kStationCaption, {"X", "Y", "Z", "Omega", "Phi", "Kapa [D.d]"});
  for (std::int32_t p = 1; p <= s.PhotoCount; ++p) {
    const StationParameters& v = r.Stations()(p);
    PrintRow(out, kStationRow,
             {s.PhotoNumber(p), v[0], v[1], v[2], Degrees(v[3]), Degrees(v[4]), Degrees(v[5])});
  }
  PrintGroundHeading(out, kPlainGroundCaption, {"  Point", "X", "Y", "Z"},
                     "===================================");
  for (std::int32_t i = 1; i <= s.GroundPointCount; ++i) {
    const Point3& g = r.GroundPoints(i);
    PrintRow(out, kPlainGroundRow, {s.GroundPointNumber(i), g[0], g[1], g[2]});
  }
}

}  // namespace

void PrintCorrections(PrintDestination& bb, const Strip& s, const OneBased<double>& corrections) {
  const std::int32_t G = s.GroundPointCount;
  PrintItems(bb, {"Corrections to Point coordinates"});
  for (std::int32_t i = 1; i <= G; ++i) {
    for (int q = 1; q <= 3; ++q)
      PrintItems(bb, {FormatNumber(corrections(3 * (i - 1) + q), "####.####"), Semi, "  ", Semi});
    if (i % 3 == 0) PrintItems(bb, {});
  }
  PrintItems(bb, {});
  PrintItems(bb, {"Corrections to Station coordinates"});
  PrintItems(bb, {});
  const auto v = [&](std::int32_t u) { return corrections(3 * G + u); };
  PrintItems(bb, {v(1), Semi, v(2), Semi, v(3), Semi, v(4), Semi, v(5)});
  for (std::int32_t p = 3; p <= s.PhotoCount; ++p) {
    const std::int32_t u = 6 * (p - 2);
    PrintItems(
        bb, {v(u), Semi, v(u + 1), Semi, v(u + 2), Semi, v(u + 3), Semi, v(u + 4), Semi, v(u + 5)});
  }
}

void PrintStripResult(PrintDestination& window, PrintDestination& report, const Strip& s,
                      const StripResult& r) {
  PrintWindowSummary(window, s, r);
  PrintReportSummary(report, s, r);
  PrintReportTables(report, s, r);
  for (std::int32_t p = 2; p <= s.PhotoCount; ++p) {
    PrintItems(window, {"    RELATIVE ORIENTATION PARAMETERS"});
    PrintItems(window, {"  Station: ", Semi, s.PhotoNumber(p)});
    PrintStation(window, kWindowStation, r, p);
  }
}

}  // namespace tessaro
