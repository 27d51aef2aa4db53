#include "intersection/side_file.h"

#include <bit>
#include <cstddef>
#include <istream>
#include <iterator>
#include <ostream>

namespace tessaro {

namespace {

// libc++ before 14 has no std::bit_cast; the builtin behind it is the same.
#if defined(__cpp_lib_bit_cast)
using std::bit_cast;
#else
template <class To, class From>
constexpr To bit_cast(const From& from) {
  return __builtin_bit_cast(To, from);
}
#endif

// Writes fields one after the other, least significant byte first. Whole
// numbers go through the unsigned 64-bit value of the same residue, whose
// low bytes are their two's complement; conversions between integer types
// are modular.
class Writer {
 public:
  explicit Writer(unsigned char* bytes) : p_(bytes) {}
  void U(std::uint64_t value, int width) {
    for (int k = 0; k < width; ++k) *p_++ = value >> (8 * k) & 0xFF;
  }
  void I16(std::int16_t v) { U(v, 2); }
  void I32(std::int32_t v) { U(v, 4); }
  void Real(double v) { U(bit_cast<std::uint64_t>(v), 8); }

 private:
  unsigned char* p_;
};

class Reader {
 public:
  explicit Reader(const unsigned char* bytes) : p_(bytes) {}
  std::uint64_t U(int width) {
    std::uint64_t v = 0;
    for (int k = 0; k < width; ++k) v |= std::uint64_t{*p_++} << (8 * k);
    return v;
  }
  // The two's complement of the low bytes, by the same modular conversion.
  std::int16_t I16() { return U(2); }
  std::int32_t I32() { return U(4); }
  double Real() { return bit_cast<double>(U(8)); }
  const unsigned char* Skip(int n) {
    const unsigned char* at = p_;
    p_ += n;
    return at;
  }

 private:
  const unsigned char* p_;
};

constexpr int kTitleBytes = 80;

}  // namespace

HeaderBytes Encode(const SideHeader& h) {
  HeaderBytes b;
  b.fill(' ');
  int k = 0;
  for (unsigned char ch : h.Title) {
    if (k == kTitleBytes) break;
    if ((ch & 0xC0) == 0x80) continue;  // the rest of a multi-byte character
    b[k++] = ch < 0x80 ? ch : '?';
  }
  Writer w(b.data() + kTitleBytes);
  w.I16(h.PhotoCount);
  w.I32(h.FirstGround);
  w.I16(h.GroundCount);
  return b;
}

PhotoBytes Encode(const PhotoRecord& p) {
  PhotoBytes b;
  Writer w(b.data());
  w.I32(p.PhotoNo);
  w.I16(p.PointCount);
  w.I32(p.FirstObservation);
  w.I32(p.End);
  for (double v : {p.f, p.X0, p.Y0, p.Z0, p.Omega, p.Phi, p.Kappa}) w.Real(v);
  return b;
}

ObservationBytes Encode(const ObservationRecord& o) {
  ObservationBytes b;
  Writer w(b.data());
  w.I32(o.PointNo);
  w.I32(o.Ground);
  w.I32(o.Photo);
  w.Real(o.x);
  w.Real(o.y);
  return b;
}

GroundBytes Encode(const GroundRecord& g) {
  GroundBytes b;
  Writer w(b.data());
  w.I32(g.PointNo);
  w.I16(g.RayCount);
  for (std::int32_t slot : g.Slot) w.I32(slot);
  for (double v : {g.X, g.Y, g.Z, g.Sx, g.Sy, g.Sz}) w.Real(v);
  return b;
}

SideHeader DecodeHeader(const HeaderBytes& b) {
  SideHeader h;
  Reader r(b.data());
  const unsigned char* title = r.Skip(kTitleBytes);
  h.Title.assign(title, title + kTitleBytes);
  h.PhotoCount = r.I16();
  h.FirstGround = r.I32();
  h.GroundCount = r.I16();
  return h;
}

PhotoRecord DecodePhoto(const PhotoBytes& b) {
  PhotoRecord p;
  Reader r(b.data());
  p.PhotoNo = r.I32();
  p.PointCount = r.I16();
  p.FirstObservation = r.I32();
  p.End = r.I32();
  for (double* v : {&p.f, &p.X0, &p.Y0, &p.Z0, &p.Omega, &p.Phi, &p.Kappa}) *v = r.Real();
  return p;
}

ObservationRecord DecodeObservation(const ObservationBytes& b) {
  ObservationRecord o;
  Reader r(b.data());
  o.PointNo = r.I32();
  o.Ground = r.I32();
  o.Photo = r.I32();
  o.x = r.Real();
  o.y = r.Real();
  return o;
}

GroundRecord DecodeGround(const GroundBytes& b) {
  GroundRecord g;
  Reader r(b.data());
  g.PointNo = r.I32();
  g.RayCount = r.I16();
  for (std::int32_t& slot : g.Slot) slot = r.I32();
  for (double* v : {&g.X, &g.Y, &g.Z, &g.Sx, &g.Sy, &g.Sz}) *v = r.Real();
  return g;
}

std::array<unsigned char, 4> EncodeLink(std::int32_t offset) {
  std::array<unsigned char, 4> b;
  Writer(b.data()).I32(offset);
  return b;
}

void SideBytes::WriteTo(std::ostream& file) const {
  file.seekp(0);
  file.write(bytes_.data(), std::ssize(bytes_));
}

void SideBytes::ReadFrom(std::istream& file) {
  file.seekg(0);
  bytes_.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string SideFileName(const std::string& relativeFileName) {
  return relativeFileName.substr(0, relativeFileName.find('.')) + ".Raf";
}

}  // namespace tessaro
