// OneBased<T>: a growable array whose elements are numbered from 1, so that
// code reads like the photogrammetric formulas: ImgX(i), A(i*(i-1)/2 + j).
// Position 0 exists and is never used by the formulas. Access is checked
// when NDEBUG is not defined (debug and sanitizer builds).
#pragma once

#include <cassert>
#include <cstddef>
#include <vector>

namespace tessaro {

template <class T>
class OneBased {
 public:
  OneBased() : data_(1) {}
  // n usable positions 1..n (plus the unused position 0), all value-initialised.
  explicit OneBased(std::size_t n, const T& value = T()) : data_(n + 1, value) {}

  // Number of usable positions (the highest valid index).
  std::size_t size() const { return data_.size() - 1; }
  // Grows or shrinks to n usable positions; existing elements are kept.
  void resize(std::size_t n) { data_.resize(n + 1); }
  // Sets every position, 0 included, to value.
  void fill(const T& value) { data_.assign(data_.size(), value); }

  T& operator()(std::size_t i) {
    assert(i < data_.size());
    return data_[i];
  }
  const T& operator()(std::size_t i) const {
    assert(i < data_.size());
    return data_[i];
  }

  // Raw storage with position 0 first, for routines that take a pointer to
  // a one-based array.
  T* data() { return data_.data(); }
  const T* data() const { return data_.data(); }

 private:
  std::vector<T> data_;
};

}  // namespace tessaro
