#include "intersection/ground_points.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tessaro {
namespace {

// Ground points come in the order of each number's first observation, with
// their observations in reading order; a number seen once, 0 as any other,
// is no ground point.
TEST(GroupObservations, FirstObservationsOrderThePointsReadingTheirRays) {
  const struct {
    std::vector<std::int32_t> numbers;
    std::vector<GroundPoint> points;
  } cases[] = {
      {{}, {}},
      {{1, 2, 3}, {}},
      {{7, 7}, {{7, {0, 1}}}},
      {{5, 4, 0, 9, 5, 9, 0, 5, 9}, {{5, {0, 4, 7}}, {0, {2, 6}}, {9, {3, 5, 8}}}},
      {{-3, 8, 8, -3, 8}, {{-3, {0, 3}}, {8, {1, 2, 4}}}},
  };
  for (const auto& c : cases) {
    const GroundPoints ground = GroupObservations(c.numbers);
    EXPECT_EQ(ground.Points, c.points) << ::testing::PrintToString(c.numbers);
    EXPECT_EQ(ground.outcome, Outcome::Solved());
  }
}

// A record has slots for eight rays and the header counts ground points in
// 16 bits. The first point seen too often is refused, before a count too
// large, which names the first point past 32767.
TEST(GroupObservations, RefusesWhatTheSideFileCannotHold) {
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
