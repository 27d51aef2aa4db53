#include "intersection/intersection.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "imagetrans/image_transformation.h"
#include "imagetrans/plane_transform.h"
#include "intersection/side_file.h"
#include "intersection/space_intersection.h"
#include "numeric/rotation.h"
#include "shell/console.h"
#include "shell/image_records.h"

namespace tessaro {

namespace {


// The side file cannot be read back as it was written (removed or cut short
// behind the program's back).
struct SideFileBroken : std::runtime_error {
  using std::runtime_error::runtime_error;
};

template <std::size_t N>
void WriteAt(std::fstream& f, std::int64_t offset, const std::array<unsigned char, N>& bytes) {
  f.seekp(offset);
  f.write(reinterpret_cast<const char*>(bytes.data()), N);
}

template <std::size_t N>
std::array<unsigned char, N> ReadAt(std::fstream& f, std::int64_t offset) {
  std::array<unsigned char, N> bytes;
  f.seekg(offset);
  f.read(reinterpret_cast<char*>(bytes.data()), N);
  if (!f) throw SideFileBroken("cut short");
  return bytes;
}

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

// How often each point number stands among entries 1..n.
std::unordered_map<std::int32_t, int> Occurrences(const Module1& m, std::int32_t n) {
  std::unordered_map<std::int32_t, int> seen;
  for (std::int32_t k = 1; k <= n; ++k) ++seen[m.ImgPointNo(k)];
  return seen;
}

std::string Number(double v) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
  return std::string(buffer, end);
}

// A photograph whose list names r fiducial marks twice, first with their
// calibrated and then with their measured coordinates, holds comparator
// measurements: they are brought into the photo system by the image
// transformation, affine model, before they are filed. The transformation
// reads what it always reads, the calibrated fiducials and one photo block,
// from a body made of the photograph's own records (the measured fiducials in
// calibrated order, then the image points in reading order), reports its fit
// and asks whether it is acceptable. Accepted, entries 1..n-2r hold the image
// points in photo coordinates; refused, the data are not entered.
bool TransformPhotograph(Console& c, std::int32_t photoNo, std::int32_t n, std::int16_t r) {
  Module1& m = c.module;
  const auto seen = Occurrences(m, n);
  std::string calibrated, measured, points;
  std::map<std::int32_t, std::string> measuredOf;
  std::vector<std::int32_t> fiducials;
  for (std::int32_t k = 1; k <= n; ++k) {
    const std::int32_t no = m.ImgPointNo(k);
    const std::string record =
        std::to_string(no) + ", " + Number(m.ImgX(k)) + ", " + Number(m.ImgY(k)) + "\n";
    const int times = seen.at(no);
    if (times > 2)
      return Refuse(c, "Photograph " + std::to_string(photoNo) + ": point " + std::to_string(no) +
                           " is listed " + std::to_string(times) +
                           " times; list a fiducial mark twice and any other point once");
    // The image transformation ends a photo's records at number 0.
    if (no == 0)
      return Refuse(c, "Photograph " + std::to_string(photoNo) +
                           ": a point numbered 0 cannot be transformed with fiducial marks");
    if (times == 1) {
      points += record;
    } else if (measuredOf.count(no) == 0) {
      measuredOf[no] = "";
      fiducials.push_back(no);
      calibrated += record;
    } else {
      measuredOf[no] = record;
    }
  }
  for (std::int32_t no : fiducials) measured += measuredOf[no];
  const std::string body = calibrated + std::to_string(photoNo) + ", " + std::to_string(kAffine) +
                           "\n" + measured + points + "0,0,0\n";

  m.FiducialCount = r;
  m.TransformMode = kAffine;
  const std::int16_t photoCount = m.TransPhotoCount;
  m.TransPhotoCount = 1;
  InputChannel own;
  own.OpenText(body, c.job.Channel1.DisplayName());
  std::swap(c.job.Channel1, own);
  std::int16_t refusal = 0;
  try {
    TransformImages(c, refusal);
  } catch (...) {
    std::swap(c.job.Channel1, own);
    throw;
  }
  std::swap(c.job.Channel1, own);
  m.TransPhotoCount = photoCount;
  if (refusal != 0)
    return Refuse(c, "Photograph " + std::to_string(photoNo) +
                         ": the transformation was not accepted; the intersection data are not "
                         "entered");
  c.job.ReadyFlag(kIntersectionEntered) = kTrue;
  return true;
}

// One entry of the work list: an observation's point number and the offset
// of its record.
struct WorkEntry {
  std::int32_t PointNo;
  std::int32_t Offset;
};

constexpr std::int64_t kLargestOffset = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kLargestCount = std::numeric_limits<std::int16_t>::max();

// Reads, echoes and files the whole input; false when it was refused.
bool FileIntersectionData(Console& c) {
  Module1& m = c.module;
  InputChannel& in = c.job.Channel1;
  ReportChannel& out = c.job.Channel5;
  std::fstream& side = c.job.Channel2;

  SideHeader header;
  header.Title = in.ReadTitle();
  PrintItems(out, {header.Title});
  ReadFields(in, In(header.PhotoCount, "number of photographs"));
  PrintItems(out, {int{header.PhotoCount}});

  std::int64_t cursor = kSideHeaderSize;
  std::vector<WorkEntry> work;
  for (int photo = 1; photo <= header.PhotoCount; ++photo) {
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

    // A point numbered 0 with a non-zero coordinate is a point: only an
    // all-zero record ends a photograph's list.
    std::int32_t n = ReadImageRecords(c, "image point", ListEnd::AllZeros);
    std::int64_t pairs = 0;
    for (const auto& [no, times] : Occurrences(m, n))
      pairs += std::int64_t{times} * (times - 1) / 2;
    if (pairs > kLargestCount)
      return Refuse(c,
                    "Photograph " + std::to_string(p.PhotoNo) + " repeats too many point numbers");
    if (pairs != 0 && !TransformPhotograph(c, p.PhotoNo, n, static_cast<std::int16_t>(pairs)))
      return false;
    n -= static_cast<std::int32_t>(2 * pairs);

    p.FirstObservation = static_cast<std::int32_t>(cursor + kPhotoRecordSize);
    const std::int64_t end = cursor + kPhotoRecordSize + std::int64_t{kObservationRecordSize} * n;
    if (n > kLargestCount || end > kLargestOffset)
      return Refuse(c, "Photograph " + std::to_string(p.PhotoNo) + " has " + std::to_string(n) +
                           " points; at most 32767 points of one photograph can be filed");
    for (std::int32_t k = 1; k <= n; ++k) {
      const std::int32_t offset = p.FirstObservation + kObservationRecordSize * (k - 1);
      WriteAt(side, offset,
              Encode(ObservationRecord{m.ImgPointNo(k), 0, static_cast<std::int32_t>(cursor),
                                       m.ImgX(k), m.ImgY(k)}));
      work.push_back({m.ImgPointNo(k), offset});
    }
    p.PointCount = static_cast<std::int16_t>(n);
    p.End = static_cast<std::int32_t>(end);
    WriteAt(side, cursor, Encode(p));
    cursor = end;
  }

  // The observations of each point number, in reading order; the points in
  // the order of their first observation.
  std::unordered_map<std::int32_t, std::size_t> groupOf;
  std::vector<std::pair<std::int32_t, std::vector<std::int32_t>>> groups;
  for (const WorkEntry& e : work) {
    auto [it, added] = groupOf.try_emplace(e.PointNo, groups.size());
    if (added) groups.push_back({e.PointNo, {}});
    groups[it->second].second.push_back(e.Offset);
  }
  std::int64_t seenTwice = 0;
  for (const auto& [no, offsets] : groups) {
    if (offsets.size() > kMaxRaysPerPoint)
      return Refuse(c, "Point " + std::to_string(no) + " is seen on " +
                           std::to_string(offsets.size()) +
                           " photographs; at most 8 photographs can intersect one point");
    if (offsets.size() > 1) ++seenTwice;
  }
  if (seenTwice > kLargestCount || cursor + kGroundRecordSize * seenTwice > kLargestOffset)
    return Refuse(c, "There are " + std::to_string(seenTwice) +
                         " points to intersect; at most 32767 can be intersected in one file");

  header.FirstGround = static_cast<std::int32_t>(cursor);
  std::int32_t ground = header.FirstGround;
  for (const auto& [no, offsets] : groups) {
    if (offsets.size() < 2) continue;  // seen once: its ground link stays 0
    GroundRecord g;
    g.PointNo = no;
    g.RayCount = static_cast<std::int16_t>(offsets.size());
    for (std::size_t s = 0; s < offsets.size(); ++s) {
      g.Slot[s] = offsets[s];
      WriteAt(side, offsets[s] + kGroundLinkField, EncodeLink(ground));
    }
    WriteAt(side, ground, Encode(g));
    ground += kGroundRecordSize;
    ++header.GroundCount;
  }
  WriteAt(side, 0, Encode(header));
  side.flush();
  if (!side)
    return Refuse(c,
                  "The intersection side file " + c.job.FileName[kSideFile] + " cannot be written");
  return true;
}

std::string Dashes(int n) { return std::string(n, '-'); }

void PrintOpening(PrintDestination& out, int titleRule, int headRule, int yTab, int vyTab) {
  PrintItems(out, {" "});
  PrintItems(out, {" INTERSECTION RESULTS "});
  PrintItems(out, {Dashes(titleRule)});
  PrintItems(out, {" "});
  PrintItems(out, {"Photo",   Semi, Tab(6), Semi,    "Point",    Semi, Tab(15),
                   Semi,      "x",  Semi,   Tab(25), Semi,       "Vx", Semi,
                   Tab(yTab), Semi, "y",    Semi,    Tab(vyTab), Semi, "Vy"});
  PrintItems(out, {Dashes(headRule)});
}

void PrintResidual(PrintDestination& out, const Ray& ray, double Vx, double Vy,
                   const char* xPattern) {
  PrintItems(out, {ray.PhotoNo,
                   Semi,
                   Tab(6),
                   Semi,
                   ray.PointNo,
                   Semi,
                   Tab(15),
                   Semi,
                   FormatNumber(ray.x, xPattern),
                   Semi,
                   Tab(25),
                   Semi,
                   FormatNumber(Vx, "####0.000"),
                   Semi,
                   Tab(35),
                   Semi,
                   FormatNumber(ray.y, "####0.000"),
                   Semi,
                   Tab(45),
                   Semi,
                   FormatNumber(Vy, "####0.000")});
}

void PrintResult(PrintDestination& out, const GroundRecord& g, const char* SyPattern) {
  PrintItems(out, {g.PointNo,
                   Semi,
                   Tab(10),
                   Semi,
                   FormatNumber(g.X, "#########0.000"),
                   Semi,
                   Tab(30),
                   Semi,
                   FormatNumber(g.Sx, "####0.000"),
                   Semi,
                   Tab(40),
                   Semi,
                   FormatNumber(g.Y, "#########0.000"),
                   Semi,
                   Tab(55),
                   Semi,
                   FormatNumber(g.Sy, SyPattern),
                   Semi,
                   Tab(65),
                   Semi,
                   FormatNumber(g.Z, "#########0.000"),
                   Semi,
                   Tab(80),
                   Semi,
                   FormatNumber(g.Sz, "####0.000")});
}

// The rays of one ground point record, with the photographs' angles turned
// into radians. The shared station cells keep the last ray's angles and
// rotation, and StationValues(1..n) its x coordinates.
OneBased<Ray> ReadRays(Console& c, const GroundRecord& g) {
  Module1& m = c.module;
  std::fstream& side = c.job.Channel2;
  const double d = DegreeFactor();
  OneBased<Ray> rays(g.RayCount);
  for (int k = 1; k <= g.RayCount; ++k) {
    const ObservationRecord o =
        DecodeObservation(ReadAt<kObservationRecordSize>(side, g.Slot[k - 1]));
    const PhotoRecord p = DecodePhoto(ReadAt<kPhotoRecordSize>(side, o.Photo));
    m.Omega = p.Omega * d;
    m.Phi = p.Phi * d;
    m.Kappa = p.Kappa * d;
    m.StationRotation();
    m.StationValues(k) = o.x;
    rays(k) = Ray{p.PhotoNo, o.PointNo, o.x, o.y, p.X0, p.Y0, p.Z0, p.f, m.Omega, m.Phi, m.Kappa};
  }
  return rays;
}

// Intersects every ground point and prints the three tables; false when a
// point stopped the run with a message.
bool IntersectAll(Console& c, const SideHeader& header) {
  std::fstream& side = c.job.Channel2;
  ReportChannel& out = c.job.Channel5;
  PrintDestination& board = c.BlackBoard;
  c.ShowBlackBoard();
  PrintOpening(board, 37, 53, 35, 45);
  PrintOpening(out, 39, 56, 42, 51);

  auto offsetOf = [&](int g) { return std::int64_t{header.FirstGround} + kGroundRecordSize * g; };
  for (int i = 0; i < header.GroundCount; ++i) {
    GroundRecord g = DecodeGround(ReadAt<kGroundRecordSize>(side, offsetOf(i)));
    if (g.RayCount < 2 || g.RayCount > kMaxRaysPerPoint) throw SideFileBroken("ray count");
    const OneBased<Ray> rays = ReadRays(c, g);
    const IntersectedPoint p = Intersect(rays, g.RayCount);
    if (p.ZeroQRay != 0) {
      c.ShowMessage("Photograph " + std::to_string(rays(p.ZeroQRay).PhotoNo) +
                    ": m31*X0 + m32*Y0 + m33*Z0 is zero, its rays cannot be used; point " +
                    std::to_string(g.PointNo) + " is not intersected");
      return false;
    }
    if (p.ErrCode != 0) {
      // The number as Str$ gives it: a leading blank unless it is negative.
      const std::int32_t no = rays(1).PointNo;
      c.ShowMessage(std::string("Error in Matrix Inversion Point # ") + (no < 0 ? "" : " ") +
                    PlainWhole(no));
      return false;
    }
    for (int k = 1; k <= g.RayCount; ++k) {
      PrintResidual(board, rays(k), p.Vx(k), p.Vy(k), "####0.000#");
      PrintResidual(out, rays(k), p.Vx(k), p.Vy(k), "####0.000");
    }
    g.X = p.X;
    g.Y = p.Y;
    g.Z = p.Z;
    g.Sx = p.Sx;
    g.Sy = p.Sy;
    g.Sz = p.Sz;
    WriteAt(side, offsetOf(i), Encode(g));
  }

  PrintItems(board, {" "});
  PrintItems(board, {"Point", Semi,    Tab(10), Semi, "X",     Semi,    Tab(34), Semi, "Sx",
                     Semi,    Tab(45), Semi,    "Y",  Semi,    Tab(65), Semi,    "Sy", Semi,
                     Tab(75), Semi,    "Z",     Semi, Tab(90), Semi,    "Sz"});
  PrintItems(board, {Dashes(98)});
  PrintItems(out, {" "});
  PrintItems(out, {"Point", Semi,    Tab(15), Semi, "X",      Semi,    Tab(35), Semi, "Sx",
                   Semi,    Tab(53), Semi,    "Y",  Semi,     Tab(70), Semi,    "Sy", Semi,
                   Tab(83), Semi,    "Z",     Semi, Tab(100), Semi,    "Sz"});
  PrintItems(out, {Dashes(100)});
  for (int i = 0; i < header.GroundCount; ++i) {
    const GroundRecord g = DecodeGround(ReadAt<kGroundRecordSize>(side, offsetOf(i)));
    PrintResult(board, g, "####0.000#");
    PrintResult(out, g, "####0.000");
  }

  PrintItems(out, {" "});
  PrintItems(
      out, {"Point", Semi, Tab(15), Semi, "X", Semi, Tab(37), Semi, "Y", Semi, Tab(58), Semi, "Z"});
  PrintItems(out, {Dashes(57)});
  for (int i = 0; i < header.GroundCount; ++i) {
    const GroundRecord g = DecodeGround(ReadAt<kGroundRecordSize>(side, offsetOf(i)));
    PrintItems(out, {g.PointNo, Semi, Tab(10), Semi, FormatNumber(g.X, "#########0.000"), Semi,
                     Tab(25), Semi, FormatNumber(g.Y, "#########0.000"), Semi, Tab(45), Semi,
                     FormatNumber(g.Z, "#########0.000")});
  }
  return true;
}

}  // namespace

void ReadIntersectionData(Console& c) {
  JobState& job = c.job;
  job.FileName[kSideFile] = SideFileName(job.FileName[kRelativeFile]);
  if (job.Channel2.is_open()) job.Channel2.close();
  job.Channel2.clear();
  // Entering again rebuilds the side file from the start.
  job.Channel2.open(job.FileName[kSideFile],
                    std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
  if (!job.Channel2.is_open()) {
    job.ReadyFlag(kIntersectionEntered) = kFalse;
    job.Channel2.clear();
    c.ShowMessage("The intersection side file " + job.FileName[kSideFile] + " cannot be created");
    return;
  }
  try {
    if (!FileIntersectionData(c)) return;
  } catch (...) {
    // Unreadable input: what was filed so far is of no use.
    DiscardSideFile(job);
    throw;
  }
  job.ReadyFlag(kIntersectionEntered) = kTrue;
  job.Channel2.close();
}

void ComputeIntersection(Console& c) {
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
    const SideHeader header = DecodeHeader(ReadAt<kSideHeaderSize>(job.Channel2, 0));
    IntersectAll(c, header);
  } catch (const SideFileBroken&) {
    c.ShowMessage("The intersection side file " + name +
                  " cannot be read; enter the intersection data again");
  }
  DiscardSideFile(job);
}

}  // namespace tessaro
