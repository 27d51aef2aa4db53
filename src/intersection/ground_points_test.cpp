#include "intersection/ground_points.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tessaro {
namespace {

// The order of the points and of their rays shows in the side file's
// records (the intersection's tests). A record has slots for eight rays and
// the header counts ground points in 16 bits. The first point seen too often is refused, before a
// count too large, which names the first point past 32767.
TEST(GroupObservations, RefusesWhatCannotBeFiled) {
  auto twice = [](int points) {
    std::vector<std::int32_t> numbers;
    for (int round = 0; round < 2; ++round)
      for (int k = 1; k <= points; ++k) numbers.push_back(k);
    return numbers;
  };
  auto plus = [](std::vector<std::int32_t> numbers, std::int32_t no, int times) {
    numbers.insert(numbers.end(), times, no);
    return numbers;
  };
  const struct {
    std::vector<std::int32_t> numbers;
    Outcome outcome;
  } cases[] = {
      {plus(twice(2), 9, 8), Outcome::Solved()},
      {plus(plus(twice(2), 9, 9), 10, 12), Outcome::Refused(3)},
      {twice(32767), Outcome::Solved()},
      {twice(32768), Outcome::Refused(32768)},
      {plus(twice(32768), 0, 9), Outcome::Refused(32769)},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GroupObservations(c.numbers).outcome, c.outcome) << c.numbers.size();
}

}  // namespace
}  // namespace tessaro
