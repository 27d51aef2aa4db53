#include "instructor/exercise.h"

#include <nettle/hmac.h>

#include <cmath>
#include <utility>

namespace tessaro {

namespace {

// A generated value rounded to the decimals truth.txt states, so that the
// stated geometry is exactly the one the input was made from. Multiplying,
// rounding and dividing are exact IEEE operations: the same on every machine.
double Round(double value, int decimals) {
  if (decimals < 0) {
    const double unit = std::pow(10.0, -decimals);
    return std::round(value / unit) * unit;
  }
  const double scale = std::pow(10.0, decimals);
  return std::round(value * scale) / scale;
}

double Draw(Random& random, double low, double high, int decimals) {
  return Round(random.Uniform(low, high), decimals);
}

template <typename T>
void Shuffle(std::vector<T>& items, Random& random) {
  for (int k = static_cast<int>(items.size()) - 1; k > 0; --k)
    std::swap(items[k], items[random.Below(k + 1)]);
}

std::string StationText(const Station& s) {
  return "station " + Int(s.number) + "  X " + Fixed(s.x, 3) + "  Y " + Fixed(s.y, 3) + "  Z " +
         Fixed(s.z, 3) + "  omega " + Fixed(s.omega, 4) + "  phi " + Fixed(s.phi, 4) + "  kappa " +
         Fixed(s.kappa, 4);
}

std::string PointText(const GroundPoint& p) {
  return "point " + Int(p.number) + "  X " + Fixed(p.x, 3) + "  Y " + Fixed(p.y, 3) + "  Z " +
         Fixed(p.z, 3);
}

// The key session: the operation's buttons in the order of a session, every
// prompt answered with its default (an empty answer), and the picture of the
// result beside the report.
TextLines KeySession(const std::string& open, const std::string& enter, const std::string& process,
                     const std::string& close, int prompts) {
  TextLines key = {
      "# The answer key: run `tessaro-script key.tss` in this folder; it writes key-report.txt",
      "# from input.txt, every question answered with its default (an empty answer), and its",
      "# picture key-report.svg.",
      "Open-OutputFile key-report.txt", open + " input.txt", enter};
  for (int k = 0; k < prompts; ++k) key.push_back("answer");
  key.insert(key.end(), {process, "plot key-report.svg", close, "Exit"});
  return key;
}

// ---- Image transformation ----------------------------------------------------
// A 230 mm frame camera with four corner marks. Each photo lies on the
// comparator turned by up to half a degree, its film shrunk by up to 0.04% in
// each direction and, for the affine and bilinear models, sheared; the
// bilinear model adds a small xy term. Photo coordinates of the image points
// are drawn within 100 mm of the principal point.
void FilmExercise(const ExerciseOptions& o, Random& random, Exercise& e) {
  FilmSet set;
  set.title = "\"Film photos, exercise " + ExerciseId(o.seed) + "\"";
  const double corner[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (int k = 0; k < 4; ++k)
    set.fiducials.push_back({51 + k, Draw(random, 105.985, 106.015, 3) * corner[k][0],
                             Draw(random, 105.985, 106.015, 3) * corner[k][1]});
  e.truth.push_back(
      "# Comparator to photo: X = A1 + A2 x + A3 y + A4 x y, Y = B1 + B2 x + B3 y + B4 x y");
  for (int p = 1; p <= o.photos; ++p) {
    FilmPhoto photo;
    photo.number = p;
    photo.mode = 1 + random.Below(3);
    const double turn = random.Uniform(-0.5, 0.5) * 3.14159265358979323846 / 180.0;
    const double sx = 1 + random.Uniform(-4e-4, 4e-4);
    const double sy = photo.mode == 1 ? sx : 1 + random.Uniform(-4e-4, 4e-4);
    const double shear = photo.mode == 1 ? 0 : random.Uniform(-2e-4, 2e-4);
    const double c = std::cos(turn), s = std::sin(turn);
    // The comparator's origin lies near a corner of the photo, so readings are positive.
    const double a[4] = {Draw(random, -125, -118, 4), Round(sx * c, 8), Round(sy * (s + shear), 8),
                         photo.mode == 3 ? Draw(random, -3e-6, 3e-6, 9) : 0.0};
    const double b[4] = {Draw(random, -125, -118, 4), Round(-sx * s, 8), Round(sy * c, 8),
                         photo.mode == 3 ? Draw(random, -3e-6, 3e-6, 9) : 0.0};
    for (int k = 0; k < 4; ++k) {
      photo.a[k] = a[k];
      photo.b[k] = b[k];
    }
    if (photo.mode == 1) {  // a similarity, exactly
      photo.b[1] = -photo.a[2];
      photo.b[2] = photo.a[1];
    }
    photo.markOrder = {51, 52, 53, 54};
    Shuffle(photo.markOrder, random);
    for (int j = 1; j <= o.points; ++j)
      photo.points.push_back({100 * p + j, Draw(random, -100, 100, 3), Draw(random, -100, 100, 3)});
    std::string line = "photo " + Int(p) + "  mode " + Int(photo.mode);
    for (int k = 0; k < 4; ++k) line += "  A" + Int(k + 1) + " " + Plain(photo.a[k], 9);
    for (int k = 0; k < 4; ++k) line += "  B" + Int(k + 1) + " " + Plain(photo.b[k], 9);
    e.truth.push_back(line);
    for (const Mark& m : photo.points)
      e.truth.push_back("point " + Int(m.number) + "  x " + Fixed(m.x, 3) + "  y " + Fixed(m.y, 3));
    set.photos.push_back(photo);
  }
  e.input = ImageTransformationFile(set, Noise(random, o.noise));
  e.key = KeySession("Open-ImageTrans", "Enter ImageTransData", "Process ImageTrans",
                     "Close-ImageTrans", o.photos);
}

// ---- Space resection -------------------------------------------------------------
// Control points on a grid of 1000 m with up to 100 m of jitter and 50 to
// 450 m of relief, photographed from about 3000 m above it with a 152 mm
// camera tilted by up to 3 degrees and headed anywhere. The file starts the
// adjustment from the station rounded to 100 m, level, headed to the nearest
// 10 degrees, as a student reads it off a map and the flight plan.
void ResectionExercise(const ExerciseOptions& o, Random& random, Exercise& e) {
  ResectionSet set;
  set.title = "\"Resection, exercise " + ExerciseId(o.seed) + "\"";
  set.focalLength = 152;
  set.imageSigma = 0.003;
  set.sigmaXY = 1000, set.sigmaZ = 1000, set.sigmaAngle = 2000;
  int columns = 2;
  while (columns * columns < o.points) ++columns;
  const double centre = (columns - 1) * 500.0;
  set.truth = {100 + random.Below(900),
               Draw(random, centre - 150, centre + 150, 3),
               Draw(random, centre - 150, centre + 150, 3),
               Draw(random, 2900, 3200, 3),
               Draw(random, -3, 3, 4),
               Draw(random, -3, 3, 4),
               Draw(random, -180, 180, 4)};
  set.start = {set.truth.number,
               Round(set.truth.x, -2),
               Round(set.truth.y, -2),
               Round(set.truth.z, -2),
               0,
               0,
               Round(set.truth.kappa, -1)};
  for (int j = 0; j < o.points; ++j)
    set.control.push_back({j + 1, Round((j % columns) * 1000.0 + random.Uniform(-100, 100), 0),
                           Round((j / columns) * 1000.0 + random.Uniform(-100, 100), 0),
                           Draw(random, 50, 450, 3)});
  e.truth = {"# The station the photograph was taken from (angles in decimal degrees)",
             StationText(set.truth)};
  for (const GroundPoint& p : set.control) e.truth.push_back(PointText(p));
  e.input = ResectionFile(set, Noise(random, o.noise));
  e.key =
      KeySession("Open-Resection", "Enter Resection Data", "Make Resection", "Close-Resection", 0);
}

// ---- Space intersection -------------------------------------------------------------
// A flight line of photographs 1800 m apart at about 3000 m with a 152 mm
// camera (60% forward overlap), tilted by up to 2 degrees. New points lie
// between the first and the last station within 1300 m of the line; each is
// measured on every photograph whose frame holds it within 110 mm, and one
// seen fewer than twice is drawn again.
void IntersectionExercise(const ExerciseOptions& o, Random& random, Exercise& e) {
  IntersectionSet set;
  set.title = "\"Intersection, exercise " + ExerciseId(o.seed) + "\"";
  set.focalLength = 152;
  set.measuringLimit = 110;
  for (int k = 0; k < o.photos; ++k)
    set.stations.push_back(
        {201 + k, Draw(random, 1000 + 1800.0 * k - 30, 1000 + 1800.0 * k + 30, 3),
         Draw(random, 1970, 2030, 3), Draw(random, 2980, 3020, 3), Draw(random, -2, 2, 4),
         Draw(random, -2, 2, 4), Draw(random, -2, 2, 4)});
  const double west = set.stations.front().x, east = set.stations.back().x;
  for (int j = 1; j <= o.points; ++j) {
    GroundPoint p;
    int seen = 0;
    do {
      p = {100 + j, Draw(random, west, east, 3), Draw(random, 700, 3300, 3),
           Draw(random, 100, 400, 3)};
      seen = 0;
      for (const Station& s : set.stations) {
        const ImagePoint image = Project(s, set.focalLength, p);
        if (std::fabs(image.x) <= set.measuringLimit && std::fabs(image.y) <= set.measuringLimit)
          ++seen;
      }
    } while (seen < 2);
    set.points.push_back(p);
  }
  e.truth = {"# The stations (angles in decimal degrees) and the new points"};
  for (const Station& s : set.stations) e.truth.push_back(StationText(s));
  for (const GroundPoint& p : set.points) e.truth.push_back(PointText(p));
  e.input = IntersectionFile(set, Noise(random, o.noise));
  e.key = KeySession("Open-Intersection", "Enter Intersection Data", "Process Intersection",
                     "Close-Intersection", 0);
}

// ---- Relative orientation --------------------------------------------------------------
// A strip in the model system of the relative orientation, image units (mm):
// photograph 1 at the origin and level, photograph 2 at X = 0.37 x 230 = 85.1,
// the two base values the adjustment holds fixed; the others about one base
// apart with up to 2 mm and 1 degree of disorder. The terrain lies about one
// focal length below. Points stand in columns every half base, three across
// the strip under each photograph and one between, so that an end photograph
// holds 7 points and an inner one 11.
bool RelativeExercise(const ExerciseOptions& o, Random& random, Exercise& e, std::string& why) {
  StripSet set;
  set.title = "\"Strip, exercise " + ExerciseId(o.seed) + "\"";
  set.frame = 230, set.imageSigma = 0.005, set.measuringLimit = 110;
  const double base = 0.37 * set.frame, f = Draw(random, 150, 155, 2);
  for (int k = 0; k < o.photos; ++k) {
    Station s = {k + 1, 0, 0, 0, 0, 0, 0};
    if (k > 0) {
      s.x = k == 1 ? base : Draw(random, k * base - 2, k * base + 2, 3);
      s.y = Draw(random, -2, 2, 3), s.z = Draw(random, -1.5, 1.5, 3);
      s.omega = Draw(random, -1, 1, 4), s.phi = Draw(random, -1, 1, 4),
      s.kappa = Draw(random, -1, 1, 4);
    }
    set.photos.push_back({s, f});
  }
  for (int c = 0; c <= 2 * (o.photos - 1); ++c) {
    const double x = c * base / 2;
    const std::vector<double> across =
        c % 2 == 0 ? std::vector<double>{86, 0, -86} : std::vector<double>{0};
    for (std::size_t r = 0; r < across.size(); ++r)
      set.points.push_back(
          {1000 + 10 * (c + 1) + static_cast<int>(r) + 1, Draw(random, x - 3, x + 3, 2),
           Draw(random, across[r] - (c % 2 ? 45 : 3), across[r] + (c % 2 ? 45 : 3), 2),
           Draw(random, -f - 7, -f + 7, 2)});
  }
  e.truth = {"# Stations and points in the model system (image units; angles in decimal degrees)"};
  for (const StripPhoto& p : set.photos) e.truth.push_back(StationText(p.station));
  for (const GroundPoint& p : set.points) e.truth.push_back(PointText(p));
  if (!RelativeFile(set, Noise(random, o.noise), e.input, why)) return false;
  e.key = KeySession("Open Relative Orient", "Enter Relative Orient Data",
                     "Process Relative Orient", "Close Relative Orient", 0);
  return true;
}

// ---- Absolute orientation -----------------------------------------------------------------
// A model of some 100 units brought to a ground area of about 1 km at a scale
// of 8 to 14, turned by up to 3 degrees about each axis. The first two points
// are full control, the third horizontal only, the fourth vertical only (3 + 3
// coordinates of each kind, 2 more than the 7 parameters need), the rest new;
// the model points were measured in a random order.
void AbsoluteExercise(const ExerciseOptions& o, Random& random, Exercise& e) {
  AbsoluteSet set;
  set.title = "Absolute-" + ExerciseId(o.seed);
  set.controlSigma = "0.027";
  // The control near the four corners of the area, so that it fixes the
  // angles as well as a student's control would; the new points anywhere.
  const double corner[4][2] = {{4600, 3100}, {5550, 3950}, {5550, 3100}, {4600, 3950}};
  for (int j = 1; j <= o.points; ++j) {
    const double x = j <= 4 ? corner[j - 1][0] : 4600, y = j <= 4 ? corner[j - 1][1] : 3100;
    const double size = j <= 4 ? 150 : 1100;
    set.points.push_back({100 + j, Draw(random, x, x + size, 3), Draw(random, y, y + size - 100, 3),
                          Draw(random, 90, 210, 3)});
  }
  set.truth = {Draw(random, 5000, 5300, 3), Draw(random, 3500, 3700, 3),
               Draw(random, 1600, 2000, 3), Draw(random, 8, 14, 5),
               Draw(random, -3, 3, 4),      Draw(random, -3, 3, 4),
               Draw(random, -3, 3, 4)};
  set.control = {{101, true, true}, {102, true, true}, {103, true, false}, {104, false, true}};
  for (const GroundPoint& p : set.points) set.measuredOrder.push_back(p.number);
  Shuffle(set.measuredOrder, random);
  const SevenParameters& t = set.truth;
  e.truth = {
      "# ground = (Dx, Dy, Dz) + Scale R model; control 101, 102 full, 103 horizontal, 104 "
      "vertical",
      "parameters  Dx " + Fixed(t.dx, 3) + "  Dy " + Fixed(t.dy, 3) + "  Dz " + Fixed(t.dz, 3) +
          "  Scale " + Fixed(t.scale, 5) + "  Omega " + Fixed(t.omega, 4) + "  Phi " +
          Fixed(t.phi, 4) + "  Kappa " + Fixed(t.kappa, 4)};
  for (const GroundPoint& p : set.points) e.truth.push_back(PointText(p));
  e.input = AbsoluteFile(set, Noise(random, o.noise));
  e.key = KeySession("Open Absolute Orient", "Enter Absolute Orient Data",
                     "Process Absolute Orient", "Close Absolute Orient", 0);
}

struct Limits {
  const char* operation;
  int points, minPoints, maxPoints;  // 0: the option does not apply
  int photos, minPhotos, maxPhotos;
};

const Limits kLimits[] = {
    {"imagetrans", 5, 1, 50, 3, 1, 50},   {"resection", 9, 4, 25, 0, 0, 0},
    {"intersection", 9, 1, 200, 2, 2, 8}, {"relative", 0, 0, 0, 4, 2, 12},
    {"absolute", 8, 5, 100, 0, 0, 0},
};

bool Check(const char* what, int& value, int fallback, int low, int high, std::string& why) {
  if (value != 0 && fallback == 0) {
    why = std::string("--") + what + " does not apply to this operation";
    return false;
  }
  if (value == 0) value = fallback;
  if (fallback != 0 && (value < low || value > high)) {
    why = std::string("--") + what + " must be from " + Int(low) + " to " + Int(high);
    return false;
  }
  return true;
}

}  // namespace

std::array<unsigned char, 32> HmacSha256(std::string_view key, std::string_view message) {
  hmac_sha256_ctx context;
  hmac_sha256_set_key(&context, key.size(), reinterpret_cast<const std::uint8_t*>(key.data()));
  hmac_sha256_update(&context, message.size(),
                     reinterpret_cast<const std::uint8_t*>(message.data()));
  std::array<unsigned char, 32> mac;
  hmac_sha256_digest(&context, mac.size(), mac.data());
  return mac;
}

namespace {

// A seed as the key of an HMAC: its 8 bytes, most significant first, so that
// the key is the same on every machine whatever its byte order.
std::string SeedKey(std::uint64_t seed) {
  std::string bytes(8, '\0');
  for (int k = 7; k >= 0; --k, seed >>= 8) bytes[k] = static_cast<char>(seed & 0xFF);
  return bytes;
}

}  // namespace

std::uint64_t StudentSeed(std::uint64_t classSeed, const std::string& name) {
  const std::array<unsigned char, 32> mac = HmacSha256(SeedKey(classSeed), name);
  std::uint64_t seed = 0;
  for (int k = 0; k < 8; ++k) seed = seed << 8 | mac[k];
  return seed;
}

std::string ExerciseId(std::uint64_t seed) {
  static const char kDigits[] = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
  const std::array<unsigned char, 32> mac = HmacSha256(SeedKey(seed), "exercise id");
  const std::uint32_t bits = std::uint32_t{mac[0]} << 24 | std::uint32_t{mac[1]} << 16 |
                             std::uint32_t{mac[2]} << 8 | mac[3];
  std::string id;
  for (int k = 0; k < 6; ++k) id += kDigits[(bits >> (27 - 5 * k)) & 31];
  return id;
}

bool MakeExercise(const ExerciseOptions& options, Exercise& exercise, std::string& why) {
  ExerciseOptions o = options;
  const Limits* limits = nullptr;
  for (const Limits& l : kLimits)
    if (o.operation == l.operation) limits = &l;
  if (limits == nullptr) {
    why = "unknown operation \"" + o.operation +
          "\" (imagetrans, resection, intersection, relative, absolute)";
    return false;
  }
  if (!Check("points", o.points, limits->points, limits->minPoints, limits->maxPoints, why) ||
      !Check("photos", o.photos, limits->photos, limits->minPhotos, limits->maxPhotos, why))
    return false;
  if (!(o.noise >= 0) || o.noise > 1) {
    why = "--noise must be from 0 to 1";
    return false;
  }
  Random random(o.seed);
  exercise = Exercise();
  if (o.operation == "imagetrans") FilmExercise(o, random, exercise);
  if (o.operation == "resection") ResectionExercise(o, random, exercise);
  if (o.operation == "intersection") IntersectionExercise(o, random, exercise);
  if (o.operation == "relative" && !RelativeExercise(o, random, exercise, why)) return false;
  if (o.operation == "absolute") AbsoluteExercise(o, random, exercise);
  exercise.truth.insert(exercise.truth.begin(),
                        "# Exercise " + ExerciseId(o.seed) + ": " + o.operation + ", seed " +
                            std::to_string(o.seed) + ", noise " + Plain(o.noise, 6));
  return true;
}

}  // namespace tessaro
