// What the pictures of several operations share: panel sizes, residual
// vectors drawn as the report prints them, and a photograph's footprint.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "numeric/rotation.h"
#include "plot/figure.h"

namespace tessaro {

// A main panel and a small one of a grid.
inline constexpr double kPanelSize = 440;
inline constexpr double kSmallPanelSize = 320;
// Marks are labelled with their numbers while a panel has at most this
// many of a kind; more would hide the picture under the labels.
inline constexpr std::size_t kLabelledMarks = 60;

// True when the report writes v through pattern with no digit but 0.
bool PrintsAsZero(double v, const char* pattern);

// A residual vector at a point, with the report's pattern of its
// components.
struct ResidualVector {
  MarkIds ids;
  double x = 0, y = 0, vx = 0, vy = 0;
  bool flagged = false;
};

// The residuals a report prints as not zero, the others left out.
std::vector<ResidualVector> Printed(std::vector<ResidualVector> residuals, const char* pattern);

// The longest of them (0 when there is none).
double Longest(const std::vector<ResidualVector>& residuals);

// Draws them magnified by factor on panel, "residual" (or "residual
// flagged") marks; a panel with none notes "all residuals are <zero>".
void DrawResiduals(MapPanel& panel, const std::vector<ResidualVector>& residuals,
                   const NiceStep& factor, const std::string& zero);

// The ground area a photograph covers: the image square of half-side
// `half` about the principal point, its corners' rays
//   (X, Y, Z) = centre + t * M^T (x, y, -f)
// followed to the plane Z = groundZ (M of omega, phi, kappa; radians).
// Empty when a corner's ray does not reach that plane below the centre.
std::vector<std::array<double, 2>> Footprint(const Point3& centre, double omega, double phi,
                                             double kappa, double f, double half, double groundZ);

// "1 iteration", "5 iterations".
std::string Iterations(std::int64_t n);

}  // namespace tessaro
