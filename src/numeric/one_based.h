// OneBased<T>: a growable array whose elements are numbered from 1, so that
// code reads like the photogrammetric formulas: ImgX(i), OpenFlag(6).
// Position 0 exists and is never used by the formulas. Any integer type
// indexes it, so the 16- and 32-bit counts and point numbers of the data
// need no casts. Access is checked when NDEBUG is not defined (debug and
// sanitizer builds): 0 <= i <= size().
#pragma once

#include <cassert>
#include <concepts>
#include <cstddef>
#include <utility>
#include <vector>

namespace tessaro {

template <class T>
class OneBased {
 public:
  OneBased() : data_(1) {}
  // n usable positions 1..n (plus the unused position 0), all set to value.
  explicit OneBased(std::integral auto n, const T& value = T()) : data_(Index(n) + 1, value) {}

  // Number of usable positions (the highest valid index).
  std::ptrdiff_t size() const { return static_cast<std::ptrdiff_t>(data_.size()) - 1; }
  // Grows or shrinks to n usable positions; existing elements are kept.
  void resize(std::integral auto n) { data_.resize(Index(n) + 1); }
  // Sets every position, 0 included, to value.
  void fill(const T& value) { data_.assign(data_.size(), value); }

  T& operator()(std::integral auto i) { return data_[Checked(i)]; }
  const T& operator()(std::integral auto i) const { return data_[Checked(i)]; }

  // Raw storage with position 0 first, for routines that take a pointer to
  // a one-based array.
  T* data() { return data_.data(); }
  const T* data() const { return data_.data(); }

  friend bool operator==(const OneBased&, const OneBased&) = default;

 private:
  static std::size_t Index(std::integral auto i) {
    assert(std::cmp_greater_equal(i, 0));
    return static_cast<std::size_t>(i);
  }
  std::size_t Checked(std::integral auto i) const {
    const std::size_t k = Index(i);
    assert(k < data_.size());
    return k;
  }

  std::vector<T> data_;
};

}  // namespace tessaro
