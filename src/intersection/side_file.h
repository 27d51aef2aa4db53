// The intersection side file: the observations of an intersection input,
// filed so that the solution can walk them ground point by ground point.
//
// Layout, fixed byte for byte: little-endian, two's complement whole
// numbers, IEEE 754 binary64 reals, no padding; every link is a byte offset
// from the start of the file (counting from 0).
//
//   header, at 0, 88 bytes         title (80) | photographs i16 |
//                                  first ground record i32 | ground records i16
//   photograph record, 70 bytes    number i32 | points i16 | first observation i32 |
//                                  end of its observations i32 | f | X Y Z omega phi kappa
//   observation record, 28 bytes   point number i32 | ground record i32 (0: seen once) |
//                                  photograph record i32 | x | y
//   ground point record, 86 bytes  point number i32 | observations i16 |
//                                  8 observation offsets i32 | X Y Z Sx Sy Sz
//
// The first photograph record stands at 88, each followed at once by its
// observation records; the ground point records follow the last photograph.
// The functions here turn records into bytes and back, and SideBytes holds
// the whole file while it is built or walked; the procedures in
// intersection.cpp place the records and move the file in one piece.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <stdexcept>
#include <string>

namespace tessaro {

inline constexpr int kSideHeaderSize = 88;
inline constexpr int kPhotoRecordSize = 70;
inline constexpr int kObservationRecordSize = 28;
inline constexpr int kGroundRecordSize = 86;
// Observation slots of a ground point record: no point can be intersected
// from more photographs than this.
inline constexpr std::size_t kMaxRaysPerPoint = 8;
// Ground point records and a photograph's observations are counted in 16
// bits.
inline constexpr std::size_t kMaxGroundPoints = 32767;
// Where the ground link stands in an observation record.
inline constexpr int kGroundLinkField = 4;

struct SideHeader {
  std::string Title;  // up to 80 characters, blank-padded in the file
  std::int16_t PhotoCount = 0;
  std::int32_t FirstGround = 0;
  std::int16_t GroundCount = 0;
};

struct PhotoRecord {
  std::int32_t PhotoNo = 0;
  std::int16_t PointCount = 0;
  std::int32_t FirstObservation = 0;
  std::int32_t End = 0;
  double f = 0;
  double X0 = 0, Y0 = 0, Z0 = 0;
  double Omega = 0, Phi = 0, Kappa = 0;  // decimal degrees, as read
};

struct ObservationRecord {
  std::int32_t PointNo = 0;
  std::int32_t Ground = 0;
  std::int32_t Photo = 0;
  double x = 0, y = 0;
};

struct GroundRecord {
  std::int32_t PointNo = 0;
  std::int16_t RayCount = 0;
  std::array<std::int32_t, kMaxRaysPerPoint> Slot{};  // slots 0..RayCount-1 used
  double X = 0, Y = 0, Z = 0;
  double Sx = 0, Sy = 0, Sz = 0;
};

using HeaderBytes = std::array<unsigned char, kSideHeaderSize>;
using PhotoBytes = std::array<unsigned char, kPhotoRecordSize>;
using ObservationBytes = std::array<unsigned char, kObservationRecordSize>;
using GroundBytes = std::array<unsigned char, kGroundRecordSize>;

// The title is written one byte per character: ASCII as it is, any other
// character as "?", cut or blank-padded to 80.
HeaderBytes Encode(const SideHeader& h);
PhotoBytes Encode(const PhotoRecord& p);
ObservationBytes Encode(const ObservationRecord& o);
GroundBytes Encode(const GroundRecord& g);

SideHeader DecodeHeader(const HeaderBytes& b);
PhotoRecord DecodePhoto(const PhotoBytes& b);
ObservationRecord DecodeObservation(const ObservationBytes& b);
GroundRecord DecodeGround(const GroundBytes& b);

// A 32-bit link as it stands in the file, for patching one field.
std::array<unsigned char, 4> EncodeLink(std::int32_t offset);

// The side file cannot be read back as it was written (removed or cut short
// behind the program's back).
struct SideFileBroken : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The side file's bytes in memory. Records are placed at their offsets here
// and the file is written or read in one piece: a seek and a write per
// record cost two system calls each, which at tens of thousands of points
// took longer than all the arithmetic.
class SideBytes {
 public:
  // Places bytes at offset, growing the file as needed.
  template <std::size_t N>
  void Put(std::size_t offset, const std::array<unsigned char, N>& bytes) {
    if (bytes_.size() < offset + N) bytes_.resize(offset + N);
    std::memcpy(bytes_.data() + offset, bytes.data(), N);
  }
  // The N bytes at offset; SideFileBroken when they lie past the end (a
  // link read from a damaged file may point anywhere).
  template <std::size_t N>
  std::array<unsigned char, N> Get(std::size_t offset) const {
    if (offset > bytes_.size() || N > bytes_.size() - offset) throw SideFileBroken("cut short");
    std::array<unsigned char, N> bytes;
    std::memcpy(bytes.data(), bytes_.data() + offset, N);
    return bytes;
  }
  // Writes the whole file from its start; reads it whole.
  void WriteTo(std::ostream& file) const;
  void ReadFrom(std::istream& file);

 private:
  std::string bytes_;
};

// The side file's name, made from the name chosen for the relative
// orientation input: what stands before the first "." of the whole name
// (folders included; the whole name when it has none), followed by ".Raf".
// No relative orientation file chosen gives ".Raf".
std::string SideFileName(const std::string& relativeFileName);

}  // namespace tessaro
