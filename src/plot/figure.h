// Pictures as SVG text: a figure of panels side by side, each a plane drawn
// to scale or a chart, with marks that say what they are.
//
// Conventions of this file:
// - A figure is one SVG 1.1 document (viewBox, no scripts, fonts every
//   system has) whose panels stand in rows; each panel is a <g
//   class="panel"> moved to its place, so positions inside it are its own
//   pixels from its upper left corner.
// - Every mark has a class naming what it is ("fiducial", "control",
//   "residual", "station", "ground", "flagged", "ray", "ellipse", ...; the
//   first word names the kind, further words qualify it) and data-point /
//   data-photo with the number of its point or photograph, so that tests, a
//   browser and a screen reader can find it.
// - Styles are presentation attributes, not a style sheet, and arrowheads
//   are paths, not markers: every renderer, also one that knows only SVG
//   Tiny, draws them alike.
// - Numbers are written with at most two decimals by {fmt}, which rounds
//   correctly and knows no locale (the standard library of the browser
//   build has no floating std::to_chars): the same result gives the same
//   bytes on every machine.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

// A coordinate or length of an SVG document: two decimals at most, no
// trailing zeros, no "-0"; a value that is not finite is written as 0.
std::string SvgNumber(double v);

// Text with &, <, >, " and ' written as entities.
std::string XmlEscape(std::string_view text);

// 1, 2 or 5 times a power of ten: the steps of scale bars, ticks and
// magnifications, which are read at a glance.
struct NiceStep {
  double value = 1;
  int decimals = 0;  // places after the point that write value exactly
  // k times the step, with the step's decimals ("0.02", "250", "-100").
  std::string Text(std::int64_t k = 1) const;
};
// The largest nice step not above value (value > 0 and finite; else 1).
NiceStep StepAtMost(double value);

// The magnification that draws a vector of length `largest` about a tenth
// of `across` long (both in the same units): the nice step nearest to
// across / 10 / largest on a logarithmic scale, so that the longest vector
// covers between a sixteenth and a sixth of the panel.
NiceStep Magnification(double largest, double across);

// A region of the plane in its own units; points that are not finite are
// left out.
struct Extent {
  double xmin = std::numeric_limits<double>::infinity(), ymin = xmin;
  double xmax = -xmin, ymax = -xmin;
  void Add(double x, double y);
  void Add(const Extent& other);
  bool Empty() const { return !(xmin <= xmax); }
};

// The numbers of the point and photograph a mark belongs to.
struct MarkIds {
  std::optional<std::int64_t> point, photo;
};

enum class Shape { Dot, Ring, Triangle, Square, Cross, Diamond };

// One panel: a title, at most one line of notes under it, and what is
// drawn on it.
class Panel {
 public:
  virtual ~Panel() = default;
  double Width() const { return width_; }
  double Height() const { return height_; }
  // Adds to the note line under the title: what is shown, or why nothing
  // is ("all residuals are 0.000").
  void Note(const std::string& text);
  // The panel's SVG, placed at (x, y) of the figure.
  std::string Svg(double x, double y) const;

 protected:
  Panel(std::string kind, std::string title, double width, double height, MarkIds ids);
  // Marks and axes, in the panel's pixels.
  virtual std::string Body() const = 0;
  // An element "<name class=... data-...  attributes/>" with the look of
  // its class.
  // width replaces the line width of the class.
  static std::string Element(std::string_view name, std::string_view cls, const MarkIds& ids,
                             const std::string& attributes, bool filled,
                             const char* width = nullptr);
  static std::string Text(double x, double y, std::string_view cls, std::string_view text,
                          std::string_view anchor = "start", std::string_view more = "");

  // The plot area: below the title, the notes and the legend, above the
  // scale bar row, right of the tick labels.
  static constexpr double kLeft = 62, kRight = 16, kTop = 64, kBottom = 54;

 private:
  std::string kind_, title_, notes_;
  double width_, height_;
  MarkIds ids_;
};

// A plane drawn to scale: equal scale in x and y, y upwards, labelled ticks
// along the lower and left edges, a scale bar in the panel's units under
// them and, for a plan, a north arrow. Marks are given in those units.
class MapPanel : public Panel {
 public:
  MapPanel(std::string kind, std::string title, double width, double height, Extent extent,
           std::string unit, bool plan, MarkIds ids = {});

  // The plot area's smaller side in the panel's units: what magnified
  // vectors and ellipses are measured against.
  double Across() const;
  // Writes "what × factor" beside the scale bar (several are joined).
  void Magnification(const std::string& what, const NiceStep& factor);

  void Mark(Shape shape, std::string_view cls, const MarkIds& ids, double x, double y);
  // An arrow from (x, y) by (dx, dy), all in the panel's units.
  void Vector(std::string_view cls, const MarkIds& ids, double x, double y, double dx, double dy);
  // A bar beside the mark at (x, y), dz long upwards (downwards when
  // negative): a vertical residual in a plan.
  void Bar(std::string_view cls, const MarkIds& ids, double x, double y, double dz);
  void Line(std::string_view cls, const MarkIds& ids, double x0, double y0, double x1, double y1);
  void Polygon(std::string_view cls, const MarkIds& ids,
               const std::vector<std::array<double, 2>>& corners, bool closed);
  // An axis-aligned ellipse of half-axes rx, ry.
  void Ellipse(std::string_view cls, const MarkIds& ids, double x, double y, double rx, double ry);
  // The number of a point beside its mark.
  void Label(double x, double y, const std::string& text);
  // A legend entry in the row above the plot area, after those before it.
  void Legend(Shape shape, std::string_view cls, const std::string& text);

 protected:
  std::string Body() const override;

 private:
  double X(double x) const { return x0_ + (x - xmin_) * scale_; }
  double Y(double y) const { return y0_ - (y - ymin_) * scale_; }
  std::string MarkSvg(Shape shape, std::string_view cls, const MarkIds& ids, double px,
                      double py) const;

  std::string unit_;
  bool plan_;
  double xmin_ = 0, ymin_ = 0, spanX_ = 0, spanY_ = 0;  // the whole plot area, in units
  double scale_ = 1;                                    // pixels per unit
  double x0_ = 0, y0_ = 0;                              // pixels of (xmin_, ymin_)
  std::string marks_, magnification_, legend_;
  double legendX_ = kLeft;
};

// A chart of a positive quantity per iteration on a logarithmic axis, with
// a point and its iteration for every value.
class ChartPanel : public Panel {
 public:
  ChartPanel(std::string kind, std::string title, double width, double height,
             std::string quantity);
  // (iteration, value) in order; values that are not positive and finite
  // cannot stand on the axis and are noted instead.
  void Series(std::string_view cls, const std::vector<std::pair<std::int64_t, double>>& points);

 protected:
  std::string Body() const override;

 private:
  std::string quantity_;
  std::string cls_;
  std::vector<std::pair<std::int64_t, double>> points_;
};

// Panels in rows under a title: a row ends where NewRow() is called or
// where it would grow wider than kRowWidth.
class Figure {
 public:
  explicit Figure(std::string title) : title_(std::move(title)) {}
  void Add(const Panel& panel);
  void NewRow();
  // The SVG document, UTF-8.
  std::string Svg() const;

  static constexpr double kRowWidth = 1400, kGap = 12, kTitleHeight = 36;

 private:
  std::string title_;
  std::string panels_;
  double x_ = kGap, y_ = kTitleHeight, rowHeight_ = 0, width_ = 0;
};

}  // namespace tessaro
