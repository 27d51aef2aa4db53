#include "intersection/intersection.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <map>
#include <string>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "imagetrans/image_transformation.h"
#include "imagetrans/plane_transform.h"
#include "intersection/ground_points.h"
#include "intersection/side_file.h"
#include "intersection/space_intersection.h"
#include "numeric/rotation.h"
#include "shell/console.h"
#include "shell/image_records.h"
#include "shell/system_reason.h"

namespace tessaro {

namespace {

constexpr std::int64_t kLargestOffset = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kLargestCount = std::numeric_limits<std::int16_t>::max();

// Gives the side file up: channel 2 closed, the file deleted.
void DiscardSideFile(JobState& job) {
  if (job.Channel2.is_open()) job.Channel2.close();
  job.Channel2.clear();
  if (!job.FileName[kSideFile].empty()) {
    std::error_code ignored;
    std::filesystem::remove(job.FileName[kSideFile], ignored);
  }
}

// Stops the entering of the data with a message: nothing is filed. Always
// false, the answer of the readers below when they stop.
bool Refuse(Console& c, const std::string& message) {
  c.job.ReadyFlag(kIntersectionEntered) = kFalse;
  DiscardSideFile(c.job);
  c.ShowMessage(message);
  return false;
}

std::string Photograph(std::int32_t photoNo) { return "Photograph " + std::to_string(photoNo); }

// How often each point number stands among entries 1..n of the image records.
std::unordered_map<std::int32_t, int> Occurrences(const Module1& m, std::int32_t n) {
  std::unordered_map<std::int32_t, int> seen;
  for (std::int32_t k = 1; k <= n; ++k) ++seen[m.ImgPointNo(k)];
  return seen;
}

// A real as text that reads back to the very same double: 17 significant
// digits always suffice.
std::string ExactReal(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.17g", v);
  return buffer;
}

// The text the image transformation reads for a photograph measured on the
// comparator, whose list names its fiducial marks twice, first with their
// calibrated and then with their measured coordinates: the calibrated marks,
// then one affine photo block of the measured marks in calibrated order and
// the image points in reading order. Empty, with the reason in refusal, when
// the list cannot be read so.
std::string ComparatorBody(const Module1& m, std::int32_t photoNo, std::int32_t n,
                           const std::unordered_map<std::int32_t, int>& seen,
                           std::string& refusal) {
  std::string calibrated, measured, points;
  std::map<std::int32_t, std::string> measuredOf;
  std::vector<std::int32_t> fiducials;
  for (std::int32_t k = 1; k <= n; ++k) {
    const std::int32_t no = m.ImgPointNo(k);
    const std::string record =
        std::to_string(no) + ", " + ExactReal(m.ImgX(k)) + ", " + ExactReal(m.ImgY(k)) + "\n";
    const int times = seen.at(no);
    if (times > 2) {
      refusal = Photograph(photoNo) + ": point " + std::to_string(no) + " is listed " +
                std::to_string(times) +
                " times; list a fiducial mark twice and any other point once";
      return {};
    }
    // The image transformation ends a photo's records at number 0.
    if (no == 0) {
      refusal =
          Photograph(photoNo) + ": a point numbered 0 cannot be transformed with fiducial marks";
      return {};
    }
    if (times == 1) {
      points += record;
    } else if (measuredOf.try_emplace(no).second) {
      fiducials.push_back(no);
      calibrated += record;
    } else {
      measuredOf[no] = record;
    }
  }
  for (std::int32_t no : fiducials) measured += measuredOf[no];
  return calibrated + std::to_string(photoNo) + ", " + std::to_string(kAffine) + "\n" + measured +
         points + "0,0,0\n";
}

// A photograph whose list names r fiducial marks twice holds comparator
// measurements: they are brought into the photo system by the image
// transformation, affine model, before they are filed. It reads its usual
// input, the calibrated fiducials and one photo block, from the body above,
// reports its fit and asks whether it is acceptable. Accepted, entries
// 1..n-2r hold the image points in photo coordinates; refused, the data are
// not entered.
bool TransformPhotograph(Console& c, std::int32_t photoNo, std::int32_t n, std::int16_t r,
                         const std::unordered_map<std::int32_t, int>& seen,
                         const ImageTransObserver& observe) {
  Module1& m = c.module;
  std::string refusal;
  const std::string body = ComparatorBody(m, photoNo, n, seen, refusal);
  if (!refusal.empty()) return Refuse(c, refusal);

  m.FiducialCount = r;
  m.TransformMode = kAffine;
  const std::int16_t photoCount = m.TransPhotoCount;
  m.TransPhotoCount = 1;
  InputChannel own;
  own.OpenText(body, c.job.Channel1.DisplayName());
  std::swap(c.job.Channel1, own);
  std::int16_t refused = 0;
  try {
    TransformImages(c, refused, observe);
  } catch (...) {
    std::swap(c.job.Channel1, own);
    throw;
  }
  std::swap(c.job.Channel1, own);
  m.TransPhotoCount = photoCount;
  if (refused != 0)
    return Refuse(c, Photograph(photoNo) +
                         ": the transformation was not accepted; the intersection data are not "
                         "entered");
  c.job.ReadyFlag(kIntersectionEntered) = kTrue;
  return true;
}

// The side file as it is being built: its bytes, the offset of the next
// photograph record, and the work list, the point number and record offset
// of every observation filed, in reading order.
struct Filing {
  SideBytes side;
  std::int32_t cursor = kSideHeaderSize;
  std::vector<std::int32_t> pointNo;
  std::vector<std::int32_t> offset;
};

// Reads a photograph's number, f and orientation, echoing them on one line.
PhotoRecord ReadPhotograph(Console& c) {
  InputChannel& in = c.job.Channel1;
  ReportChannel& out = c.job.Channel5;
  PhotoRecord p;
  ReadFields(in, In(p.PhotoNo, "photograph number"), In(p.f, "focal length f"));
  PrintItems(out, {p.PhotoNo, Comma, p.f, Semi});
  const std::pair<double*, const char*> orientation[] = {{&p.X0, "X of the projection centre"},
                                                         {&p.Y0, "Y of the projection centre"},
                                                         {&p.Z0, "Z of the projection centre"},
                                                         {&p.Omega, "omega [D.d]"},
                                                         {&p.Phi, "phi [D.d]"},
                                                         {&p.Kappa, "kappa [D.d]"}};
  for (const auto& [value, what] : orientation) {
    ReadFields(in, In(*value, what));
    PrintItems(out, {*value, Semi});
  }
  PrintItems(out, {" "});
  return p;
}

// Reads, echoes and files one photograph with its observations; false when
// it was refused.
bool FilePhotograph(Console& c, Filing& filing, const ImageTransObserver& observe) {
  Module1& m = c.module;
  PhotoRecord p = ReadPhotograph(c);
  // A point numbered 0 with a non-zero coordinate is a point: only an
  // all-zero record ends a photograph's list.
  std::int32_t n = ReadImageRecords(c, "image point", ListEnd::AllZeros);
  const auto seen = Occurrences(m, n);
  std::int64_t pairs = 0;
  for (const auto& [no, times] : seen) pairs += std::int64_t{times} * (times - 1) / 2;
  if (pairs > kLargestCount)
    return Refuse(c, Photograph(p.PhotoNo) + " repeats too many point numbers");
  if (pairs != 0 && !TransformPhotograph(c, p.PhotoNo, n, pairs, seen, observe)) return false;
  n -= 2 * pairs;

  const std::int64_t end =
      std::int64_t{filing.cursor} + kPhotoRecordSize + std::int64_t{kObservationRecordSize} * n;
  if (n > kLargestCount || end > kLargestOffset)
    return Refuse(c, Photograph(p.PhotoNo) + " has " + std::to_string(n) +
                         " points; at most 32767 points of one photograph can be filed");
  // Both fit their 16- and 32-bit fields now.
  p.PointCount = n;
  p.FirstObservation = filing.cursor + kPhotoRecordSize;
  p.End = end;
  for (std::int32_t k = 1; k <= n; ++k) {
    const std::int32_t offset = p.FirstObservation + kObservationRecordSize * (k - 1);
    filing.side.Put(
        offset, Encode(ObservationRecord{m.ImgPointNo(k), 0, filing.cursor, m.ImgX(k), m.ImgY(k)}));
    filing.pointNo.push_back(m.ImgPointNo(k));
    filing.offset.push_back(offset);
  }
  filing.side.Put(filing.cursor, Encode(p));
  filing.cursor = p.End;
  return true;
}

// Files a ground point record for every point seen on two or more
// photographs, after the last photograph, and links its observations to it;
// an observation seen once keeps its ground link 0. False when refused.
bool FileGroundPoints(Console& c, Filing& filing, SideHeader& header) {
  const GroundPoints ground = GroupObservations(filing.pointNo);
  const std::int64_t count = std::ssize(ground.Points);
  if (!ground.outcome.Succeeded() && count >= ground.outcome.item) {
    const GroundPoint& p = ground.Points[ground.outcome.item - 1];
    if (p.Observations.size() > kMaxRaysPerPoint)
      return Refuse(c, "Point " + std::to_string(p.PointNo) + " is seen on " +
                           std::to_string(p.Observations.size()) +
                           " photographs; at most 8 photographs can intersect one point");
  }
  if (!ground.outcome.Succeeded() || filing.cursor + kGroundRecordSize * count > kLargestOffset)
    return Refuse(c, "There are " + std::to_string(count) +
                         " points to intersect; at most 32767 can be intersected in one file");

  header.FirstGround = filing.cursor;
  std::int32_t at = header.FirstGround;
  for (const GroundPoint& p : ground.Points) {
    GroundRecord g;
    g.PointNo = p.PointNo;
    g.RayCount = std::ssize(p.Observations);  // at most 8
    for (std::size_t s = 0; s < p.Observations.size(); ++s) {
      g.Slot[s] = filing.offset[p.Observations[s]];
      filing.side.Put(g.Slot[s] + kGroundLinkField, EncodeLink(at));
    }
    filing.side.Put(at, Encode(g));
    at += kGroundRecordSize;
    ++header.GroundCount;
  }
  return true;
}

// Reads, echoes and files the whole input; false when it was refused.
bool FileIntersectionData(Console& c, const ImageTransObserver& observe) {
  InputChannel& in = c.job.Channel1;
  ReportChannel& out = c.job.Channel5;
  SideHeader header;
  header.Title = in.ReadTitle();
  PrintItems(out, {header.Title});
  ReadFields(in, In(header.PhotoCount, "number of photographs"));
  PrintItems(out, {int{header.PhotoCount}});

  Filing filing;
  for (int photo = 1; photo <= header.PhotoCount; ++photo)
    if (!FilePhotograph(c, filing, observe)) return false;
  if (!FileGroundPoints(c, filing, header)) return false;
  filing.side.Put(0, Encode(header));

  std::fstream& side = c.job.Channel2;
  filing.side.WriteTo(side);
  side.flush();
  if (!side)
    return Refuse(c,
                  "The intersection side file " + c.job.FileName[kSideFile] + " cannot be written");
  return true;
}

// The ground points of the side file with their rays, angles in radians, in
// file order, up to the first record that cannot be read back.
struct FiledPoints {
  std::vector<PointRays> Points;
  bool Broken = false;
  // Where it broke: the rays read of that point before the break.
  PointRays Partial;
  int PartialCount = 0;
};

FiledPoints ReadGroundPoints(const SideBytes& side, const SideHeader& header) {
  FiledPoints filed;
  const double d = DegreeFactor();
  for (int i = 0; i < header.GroundCount; ++i) {
    try {
      const GroundRecord g = DecodeGround(
          side.Get<kGroundRecordSize>(std::int64_t{header.FirstGround} + kGroundRecordSize * i));
      if (g.RayCount < 2 || std::cmp_greater(g.RayCount, kMaxRaysPerPoint))
        throw SideFileBroken("ray count");
      filed.Partial = {g.PointNo, OneBased<Ray>(g.RayCount)};
      for (filed.PartialCount = 0; filed.PartialCount < g.RayCount; ++filed.PartialCount) {
        const ObservationRecord o =
            DecodeObservation(side.Get<kObservationRecordSize>(g.Slot[filed.PartialCount]));
        const PhotoRecord p = DecodePhoto(side.Get<kPhotoRecordSize>(o.Photo));
        filed.Partial.Rays(filed.PartialCount + 1) =
            Ray{p.PhotoNo, o.PointNo, o.x,         o.y,       p.X0,       p.Y0,
                p.Z0,      p.f,       p.Omega * d, p.Phi * d, p.Kappa * d};
      }
    } catch (const SideFileBroken&) {
      filed.Broken = true;
      return filed;
    }
    filed.Points.push_back(std::move(filed.Partial));
    filed.PartialCount = 0;
  }
  return filed;
}

// The shared station cells after rays 1..n of a point are taken:
// StationValues(k) holds the x of ray k; returns the last ray taken, or
// `last` when there is none.
const Ray* KeepRayCells(Module1& m, const OneBased<Ray>& rays, int n, const Ray* last) {
  for (int k = 1; k <= n; ++k) m.StationValues(k) = rays(k).x;
  return n > 0 ? &rays(n) : last;
}

// The columns of a table: where its headings stand, where and how its values
// are printed, and the length of the rule under the headings.
struct Table {
  TableLayout heading;
  TableLayout row;
  int rule;
};

// The tables on one destination. The window and the report print the same
// tables in columns and patterns of their own: the window's x has a fourth
// decimal when it is not zero, and so has its Sy.
struct Tables {
  int titleRule;
  Table residuals;  // Photo, Point, x, Vx, y, Vy
  Table results;    // Point, X, Sx, Y, Sy, Z, Sz
};

const char* const kCoordinate = "#########0.000";
const char* const kThree = "####0.000";
const char* const kFour = "####0.000#";

const Tables kWindow = {37,
                        {{{0}, {6}, {15}, {25}, {35}, {45}},
                         {{0}, {6}, {15, kFour}, {25, kThree}, {35, kThree}, {45, kThree}},
                         53},
                        {{{0}, {10}, {34}, {45}, {65}, {75}, {90}},
                         {{0},
                          {10, kCoordinate},
                          {30, kThree},
                          {40, kCoordinate},
                          {55, kFour},
                          {65, kCoordinate},
                          {80, kThree}},
                         98}};
const Tables kReport = {39,
                        {{{0}, {6}, {15}, {25}, {42}, {51}},
                         {{0}, {6}, {15, kThree}, {25, kThree}, {35, kThree}, {45, kThree}},
                         56},
                        {{{0}, {15}, {35}, {53}, {70}, {83}, {100}},
                         {{0},
                          {10, kCoordinate},
                          {30, kThree},
                          {40, kCoordinate},
                          {55, kThree},
                          {65, kCoordinate},
                          {80, kThree}},
                         100}};
// Point, X, Y, Z: the report's last table.
const Table kCoordinates = {
    {{0}, {15}, {37}, {58}}, {{0}, {10, kCoordinate}, {25, kCoordinate}, {45, kCoordinate}}, 57};

// An empty line, the headings and their rule.
void PrintHeading(PrintDestination& out, const Table& table,
                  std::initializer_list<PrintItem> titles) {
  PrintItems(out, {" "});
  PrintRow(out, table.heading, titles);
  PrintItems(out, {std::string(table.rule, '-')});
}

// The opening lines and the residual lines of the points solved.
void PrintResiduals(PrintDestination& out, const Tables& t, const IntersectionResult& result) {
  PrintItems(out, {" "});
  PrintItems(out, {" INTERSECTION RESULTS "});
  PrintItems(out, {std::string(t.titleRule, '-')});
  PrintHeading(out, t.residuals, {"Photo", "Point", "x", "Vx", "y", "Vy"});
  for (const IntersectedPoint& p : result.Points) {
    if (!p.outcome.Succeeded()) continue;
    for (int k = 1; k <= p.Rays.size(); ++k) {
      const Ray& r = p.Rays(k);
      PrintRow(out, t.residuals.row, {r.PhotoNo, r.PointNo, r.x, p.Vx(k), r.y, p.Vy(k)});
    }
  }
}

void PrintResults(PrintDestination& out, const Tables& t, const IntersectionResult& result) {
  PrintHeading(out, t.results, {"Point", "X", "Sx", "Y", "Sy", "Z", "Sz"});
  for (const IntersectedPoint& p : result.Points)
    PrintRow(out, t.results.row, {p.PointNo, p.X, p.Sx, p.Y, p.Sy, p.Z, p.Sz});
}

// The message of a point that stopped the run.
std::string StopMessage(const IntersectedPoint& p) {
  if (p.outcome.ending == Ending::Refused)
    return Photograph(p.Rays(p.outcome.item).PhotoNo) +
           ": m31*X0 + m32*Y0 + m33*Z0 is zero, its rays cannot be used; point " +
           std::to_string(p.PointNo) + " is not intersected";
  // The number as Str$ gives it: a leading blank unless it is negative.
  const std::int32_t no = p.Rays(1).PointNo;
  return std::string("Error in Matrix Inversion Point # ") + (no < 0 ? "" : " ") + PlainWhole(no);
}

// Stores X, Y, Z, Sx, Sy, Sz in each point's ground record.
void StoreResults(SideBytes& side, const SideHeader& header, const IntersectionResult& result) {
  std::int64_t at = header.FirstGround;
  for (const IntersectedPoint& p : result.Points) {
    GroundRecord g = DecodeGround(side.Get<kGroundRecordSize>(at));
    g.X = p.X, g.Y = p.Y, g.Z = p.Z;
    g.Sx = p.Sx, g.Sy = p.Sy, g.Sz = p.Sz;
    side.Put(at, Encode(g));
    at += kGroundRecordSize;
  }
}

// Intersects every ground point and prints the three tables; false when a
// point stopped the run with a message. The station cells are left as the
// rays read up to the stop left them.
bool IntersectAll(Console& c, SideBytes& side, const SideHeader& header,
                  const IntersectionObserver& observe) {
  FiledPoints filed = ReadGroundPoints(side, header);
  const IntersectionResult result = IntersectPoints(std::move(filed.Points));
  // Omega, Phi, Kappa and M end as the last ray taken left them: only its
  // photograph's rotation is formed.
  Module1& m = c.module;
  const Ray* last = nullptr;
  for (const IntersectedPoint& p : result.Points)
    last = KeepRayCells(m, p.Rays, p.Rays.size(), last);
  if (result.Succeeded() && filed.Broken)
    last = KeepRayCells(m, filed.Partial.Rays, filed.PartialCount, last);
  if (last) {
    m.Omega = last->Omega;
    m.Phi = last->Phi;
    m.Kappa = last->Kappa;
    m.StationRotation();
  }

  if (observe) observe(c, result);
  c.ShowBlackBoard();
  PrintResiduals(c.BlackBoard, kWindow, result);
  PrintResiduals(c.job.Channel5, kReport, result);
  if (!result.Succeeded()) {
    c.ShowMessage(StopMessage(result.Points.back()));
    return false;
  }
  if (filed.Broken) throw SideFileBroken("cut short");
  StoreResults(side, header, result);
  side.WriteTo(c.job.Channel2);

  PrintResults(c.BlackBoard, kWindow, result);
  PrintResults(c.job.Channel5, kReport, result);
  PrintHeading(c.job.Channel5, kCoordinates, {"Point", "X", "Y", "Z"});
  for (const IntersectedPoint& p : result.Points)
    PrintRow(c.job.Channel5, kCoordinates.row, {p.PointNo, p.X, p.Y, p.Z});
  return true;
}

}  // namespace

void ReadIntersectionData(Console& c, const ImageTransObserver& observe) {
  JobState& job = c.job;
  job.FileName[kSideFile] = SideFileName(job.FileName[kRelativeFile]);
  if (job.Channel2.is_open()) job.Channel2.close();
  job.Channel2.clear();
  // Entering again rebuilds the side file from the start.
  errno = 0;
  job.Channel2.open(job.FileName[kSideFile],
                    std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
  const int openError = errno;
  if (!job.Channel2.is_open()) {
    job.ReadyFlag(kIntersectionEntered) = kFalse;
    job.Channel2.clear();
    c.ShowMessage("The intersection side file " + job.FileName[kSideFile] +
                  " cannot be created: " + OpenFailureReason(job.FileName[kSideFile], openError));
    return;
  }
  try {
    if (!FileIntersectionData(c, observe)) return;
  } catch (...) {
    // Unreadable input: what was filed so far is of no use.
    DiscardSideFile(job);
    throw;
  }
  job.ReadyFlag(kIntersectionEntered) = kTrue;
  job.Channel2.close();
}

void ComputeIntersection(Console& c, const IntersectionObserver& observe) {
  JobState& job = c.job;
  const std::string& name = job.FileName[kSideFile];
  if (job.ReadyFlag(kIntersectionEntered) != kTrue) {
    DiscardSideFile(job);
    return c.ShowMessage(NotRefinedMessage(kProcessIntersectionCommand));
  }
  // Processed already (the side file is consumed), or removed behind the
  // program's back: the data must be entered again.
  std::error_code ec;
  if (name.empty() || !std::filesystem::is_regular_file(name, ec)) {
    if (job.Channel2.is_open()) job.Channel2.close();
    return c.ShowMessage(NotRefinedMessage(kProcessIntersectionCommand));
  }
  if (job.Channel2.is_open()) job.Channel2.close();
  job.Channel2.clear();
  job.Channel2.open(name, std::ios::in | std::ios::out | std::ios::binary);
  try {
    if (!job.Channel2.is_open()) throw SideFileBroken("not opened");
    SideBytes side;
    side.ReadFrom(job.Channel2);
    job.Channel2.clear();
    const SideHeader header = DecodeHeader(side.Get<kSideHeaderSize>(0));
    IntersectAll(c, side, header, observe);
  } catch (const SideFileBroken&) {
    c.ShowMessage("The intersection side file " + name +
                  " cannot be read; enter the intersection data again");
  }
  DiscardSideFile(job);
}

}  // namespace tessaro
