#include "plot/figure.h"

#include <fmt/compile.h>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace tessaro {

namespace {

// The look of a kind of mark: its colour, its line width, for areas the
// opacity of their fill (nullptr: a line or an outline only), and dashes.
struct Look {
  std::string_view kind;
  const char* colour;
  const char* width;
  const char* fillOpacity;
  const char* dashes = nullptr;
};

constexpr Look kLooks[] = {
    {"fiducial", "#000000", "1.2", nullptr},
    {"point", "#555555", "1", nullptr},
    {"control", "#1f4e9e", "1.5", nullptr},
    {"residual", "#c0262d", "1.5", nullptr},
    {"station", "#1f4e9e", "1.5", nullptr},
    {"nadir", "#1f4e9e", "1.5", nullptr},
    {"ground", "#2a7f3f", "1", nullptr},
    {"transformed", "#2a7f3f", "1.2", nullptr},
    {"ray", "#8c8c8c", "0.8", nullptr},
    {"ellipse", "#6a3d9a", "1.2", nullptr},
    {"footprint", "#1f4e9e", "1", "0.06", "5 3"},
    {"flight", "#1f4e9e", "1.5", nullptr},
    {"frame", "#000000", "1", nullptr},
    {"rms", "#1f4e9e", "1.5", nullptr},
    {"scale-bar", "#000000", "3", nullptr},
    {"tick", "#000000", "1", nullptr},
    {"axes", "#000000", "1", nullptr},
    {"north-arrow", "#000000", "1", "1"},
    {"rms-point", "#1f4e9e", "1", nullptr},
};
// Flagged marks stand out in one colour whatever their kind.
constexpr const char* kFlagColour = "#e07b00";
constexpr Look kDefaultLook = {"", "#000000", "1", nullptr};

// The words of a class attribute.
std::vector<std::string_view> Words(std::string_view cls) {
  std::vector<std::string_view> words;
  for (std::size_t at = 0; at < cls.size();) {
    const std::size_t end = std::min(cls.find(' ', at), cls.size());
    if (end > at) words.push_back(cls.substr(at, end - at));
    at = end + 1;
  }
  return words;
}

// The look of a class: that of its kind, the first word ("legend control"
// looks like "control").
Look LookOf(std::string_view cls) {
  const std::vector<std::string_view> words = Words(cls);
  std::size_t kind = 0;
  if (!words.empty() && words[0] == "legend") kind = 1;
  Look look = kDefaultLook;
  if (kind < words.size())
    for (const Look& l : kLooks)
      if (l.kind == words[kind]) look = l;
  if (std::find(words.begin(), words.end(), "flagged") != words.end()) look.colour = kFlagColour;
  return look;
}

std::string Attribute(std::string_view name, double value) {
  return std::string(" ") + std::string(name) + "=\"" + SvgNumber(value) + "\"";
}

std::string Attribute(std::string_view name, std::string_view value) {
  return std::string(" ") + std::string(name) + "=\"" + XmlEscape(value) + "\"";
}

// 10^k as a tick label, written out exactly for |k| <= 6.
std::string DecadeText(int k) {
  if (k >= 0 && k <= 6) return "1" + std::string(k, '0');
  if (k < 0 && k >= -6) return "0." + std::string(-k - 1, '0') + "1";
  return "1e" + std::to_string(k);
}

// A limit beyond which a coordinate is not worth writing in full; keeps a
// document of absurd values small and well-formed.
constexpr double kLargestCoordinate = 1e9;

}  // namespace

std::string SvgNumber(double v) {
  if (!std::isfinite(v)) v = 0;
  v = std::clamp(v, -kLargestCoordinate, kLargestCoordinate);
  std::string s = fmt::format(FMT_COMPILE("{:.2f}"), v);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

std::string XmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string NiceStep::Text(std::int64_t k) const {
  const double v = static_cast<double>(k) * value;
  std::string s = fmt::format(FMT_COMPILE("{:.{}f}"), v, decimals);
  if (s.find_first_not_of("-0.") == std::string::npos && s.starts_with("-")) s.erase(0, 1);
  return s;
}

NiceStep StepAtMost(double value) {
  if (!(value > 0) || !std::isfinite(value)) return {};
  int e = static_cast<int>(std::floor(std::log10(value)));
  double base = std::pow(10.0, e);
  // log10 may miss a power of ten by one unit in the last place.
  if (base > value) base = std::pow(10.0, --e);
  if (base * 10 <= value) base = std::pow(10.0, ++e);
  const double m = value / base;
  const double factor = m >= 5 ? 5 : m >= 2 ? 2 : 1;
  return {factor * base, std::max(0, -e)};
}

NiceStep Magnification(double largest, double across) {
  const double wanted = across / 10 / largest;
  if (!(wanted > 0) || !std::isfinite(wanted)) return {};
  // The nice steps either side of it: 1 -> 2, 2 -> 5, 5 -> 10 above.
  const NiceStep below = StepAtMost(wanted);
  const NiceStep above = StepAtMost(below.value * 2.6);
  return wanted / below.value <= above.value / wanted ? below : above;
}

void Extent::Add(double x, double y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  xmin = std::min(xmin, x);
  xmax = std::max(xmax, x);
  ymin = std::min(ymin, y);
  ymax = std::max(ymax, y);
}

void Extent::Add(const Extent& other) {
  if (other.Empty()) return;
  Add(other.xmin, other.ymin);
  Add(other.xmax, other.ymax);
}

// ---- Panel ------------------------------------------------------------------

Panel::Panel(std::string kind, std::string title, double width, double height, MarkIds ids)
    : kind_(std::move(kind)), title_(std::move(title)), width_(width), height_(height), ids_(ids) {}

void Panel::Note(const std::string& text) {
  if (!notes_.empty()) notes_ += "; ";
  notes_ += text;
}

std::string Panel::Element(std::string_view name, std::string_view cls, const MarkIds& ids,
                           const std::string& attributes, bool filled, const char* width) {
  Look look = LookOf(cls);
  if (width) look.width = width;
  std::string e = "<" + std::string(name) + Attribute("class", cls);
  if (ids.point) e += " data-point=\"" + std::to_string(*ids.point) + "\"";
  if (ids.photo) e += " data-photo=\"" + std::to_string(*ids.photo) + "\"";
  e += attributes;
  if (look.fillOpacity) {
    e += std::string(" fill=\"") + look.colour + "\" fill-opacity=\"" + look.fillOpacity + "\"";
    e += std::string(" stroke=\"") + look.colour + "\" stroke-width=\"" + look.width + "\"";
  } else if (filled) {
    e += std::string(" fill=\"") + look.colour + "\" stroke=\"none\"";
  } else {
    e += std::string(" fill=\"none\" stroke=\"") + look.colour + "\" stroke-width=\"" + look.width +
         "\"";
  }
  if (look.dashes) e += std::string(" stroke-dasharray=\"") + look.dashes + "\"";
  return e + "/>\n";
}

std::string Panel::Text(double x, double y, std::string_view cls, std::string_view text,
                        std::string_view anchor, std::string_view more) {
  std::string e = "<text" + Attribute("class", cls) + Attribute("x", x) + Attribute("y", y);
  if (anchor != "start") e += Attribute("text-anchor", anchor);
  if (!more.empty()) e += " " + std::string(more);
  return e + ">" + XmlEscape(text) + "</text>\n";
}

std::string Panel::Svg(double x, double y) const {
  std::string g = "<g class=\"panel\"" + Attribute("data-panel", kind_);
  if (ids_.photo) g += " data-photo=\"" + std::to_string(*ids_.photo) + "\"";
  g += " transform=\"translate(" + SvgNumber(x) + "," + SvgNumber(y) + ")\">\n";
  g += "<rect class=\"panel-border\" x=\"0.5\" y=\"0.5\"" + Attribute("width", width_ - 1) +
       Attribute("height", height_ - 1) + " fill=\"#ffffff\" stroke=\"#c8c8c8\"/>\n";
  g += Text(width_ / 2, 20, "panel-title", title_, "middle",
            "font-size=\"13\" font-weight=\"bold\"");
  if (!notes_.empty()) g += Text(width_ / 2, 37, "note", notes_, "middle");
  g += Body();
  return g + "</g>\n";
}

// ---- MapPanel ---------------------------------------------------------------

MapPanel::MapPanel(std::string kind, std::string title, double width, double height, Extent extent,
                   std::string unit, bool plan, MarkIds ids)
    : Panel(std::move(kind), std::move(title), width, height, ids),
      unit_(std::move(unit)),
      plan_(plan) {
  if (extent.Empty()) extent = {-1, -1, 1, 1};
  const double w = extent.xmax - extent.xmin, h = extent.ymax - extent.ymin;
  double side = std::max(w, h);
  if (!(side > 0)) side = 1;
  // Room around the marks for vectors of about a tenth of the panel, which
  // is measured along its shorter side.
  const double pad = 0.15 * std::max(std::min(w, h), side / 3);
  const double areaW = width - kLeft - kRight, areaH = height - kTop - kBottom;
  scale_ = std::min(areaW / (w + 2 * pad), areaH / (h + 2 * pad));
  if (!(scale_ > 0) || !std::isfinite(scale_)) scale_ = 1;
  spanX_ = areaW / scale_;
  spanY_ = areaH / scale_;
  xmin_ = (extent.xmin + extent.xmax) / 2 - spanX_ / 2;
  ymin_ = (extent.ymin + extent.ymax) / 2 - spanY_ / 2;
  x0_ = kLeft;
  y0_ = kTop + areaH;
}

double MapPanel::Across() const { return std::min(spanX_, spanY_); }

void MapPanel::Magnification(const std::string& what, const NiceStep& factor) {
  if (!magnification_.empty()) magnification_ += ", ";
  magnification_ += what + " \u00d7 " + factor.Text();
}

std::string MapPanel::MarkSvg(Shape shape, std::string_view cls, const MarkIds& ids, double px,
                              double py) const {
  const auto at = [&](double dx, double dy) {
    return SvgNumber(px + dx) + " " + SvgNumber(py + dy);
  };
  switch (shape) {
    case Shape::Dot:
      return Element("circle", cls, ids, Attribute("cx", px) + Attribute("cy", py) + " r=\"2.5\"",
                     true);
    case Shape::Ring:
      return Element("circle", cls, ids, Attribute("cx", px) + Attribute("cy", py) + " r=\"4.5\"",
                     false);
    case Shape::Triangle:
      return Element("path", cls, ids,
                     " d=\"M " + at(0, -6) + " L " + at(5.2, 3) + " L " + at(-5.2, 3) + " Z\"",
                     false);
    case Shape::Square:
      return Element(
          "rect", cls, ids,
          Attribute("x", px - 3.5) + Attribute("y", py - 3.5) + " width=\"7\" height=\"7\"", true);
    case Shape::Cross:
      return Element(
          "path", cls, ids,
          " d=\"M " + at(-6, 0) + " L " + at(6, 0) + " M " + at(0, -6) + " L " + at(0, 6) + "\"",
          false);
    case Shape::Diamond:
      return Element(
          "path", cls, ids,
          " d=\"M " + at(0, -5) + " L " + at(5, 0) + " L " + at(0, 5) + " L " + at(-5, 0) + " Z\"",
          false);
  }
  return {};
}

void MapPanel::Mark(Shape shape, std::string_view cls, const MarkIds& ids, double x, double y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  marks_ += MarkSvg(shape, cls, ids, X(x), Y(y));
}

void MapPanel::Vector(std::string_view cls, const MarkIds& ids, double x, double y, double dx,
                      double dy) {
  const double px = X(x), py = Y(y);
  const double ex = dx * scale_, ey = -dy * scale_;
  const double length = std::hypot(ex, ey);
  if (!std::isfinite(px + py + length)) return;
  std::string d = " d=\"M " + SvgNumber(px) + " " + SvgNumber(py) + " L " + SvgNumber(px + ex) +
                  " " + SvgNumber(py + ey);
  if (length > 0.5) {
    // An open head of 25 degrees either side, a third of a short arrow.
    const double head = std::min(7.0, length / 3), ux = ex / length, uy = ey / length;
    const double back = head * 0.906, side = head * 0.423;
    const double hx = px + ex - ux * back, hy = py + ey - uy * back;
    d += " M " + SvgNumber(hx - uy * side) + " " + SvgNumber(hy + ux * side) + " L " +
         SvgNumber(px + ex) + " " + SvgNumber(py + ey) + " L " + SvgNumber(hx + uy * side) + " " +
         SvgNumber(hy - ux * side);
  }
  marks_ += Element("path", cls, ids, d + "\"", false);
}

void MapPanel::Bar(std::string_view cls, const MarkIds& ids, double x, double y, double dz) {
  const double px = X(x) + 8, py = Y(y);
  if (!std::isfinite(px + py + dz * scale_)) return;
  marks_ += Element("path", cls, ids,
                    " d=\"M " + SvgNumber(px) + " " + SvgNumber(py) + " L " + SvgNumber(px) + " " +
                        SvgNumber(py - dz * scale_) + "\"",
                    false, "3");
}

void MapPanel::Line(std::string_view cls, const MarkIds& ids, double x0, double y0, double x1,
                    double y1) {
  if (!std::isfinite(x0 + y0 + x1 + y1)) return;
  marks_ += Element("line", cls, ids,
                    Attribute("x1", X(x0)) + Attribute("y1", Y(y0)) + Attribute("x2", X(x1)) +
                        Attribute("y2", Y(y1)),
                    false);
}

void MapPanel::Polygon(std::string_view cls, const MarkIds& ids,
                       const std::vector<std::array<double, 2>>& corners, bool closed) {
  if (corners.size() < 2) return;
  std::string points;
  for (const auto& [x, y] : corners) {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    if (!points.empty()) points += " ";
    points += SvgNumber(X(x)) + "," + SvgNumber(Y(y));
  }
  marks_ += Element(closed ? "polygon" : "polyline", cls, ids, " points=\"" + points + "\"", false);
}

void MapPanel::Ellipse(std::string_view cls, const MarkIds& ids, double x, double y, double rx,
                       double ry) {
  if (!std::isfinite(x + y + rx + ry)) return;
  marks_ += Element("ellipse", cls, ids,
                    Attribute("cx", X(x)) + Attribute("cy", Y(y)) + Attribute("rx", rx * scale_) +
                        Attribute("ry", ry * scale_),
                    false);
}

void MapPanel::Label(double x, double y, const std::string& text) {
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  marks_ += Text(X(x) + 5, Y(y) - 5, "label", text, "start", "font-size=\"9\" fill=\"#505050\"");
}

void MapPanel::Legend(Shape shape, std::string_view cls, const std::string& text) {
  constexpr double kRow = 52, kCharWidth = 5.6;
  legend_ += MarkSvg(shape, "legend " + std::string(cls), {}, legendX_ + 5, kRow - 3);
  legend_ += Text(legendX_ + 13, kRow, "legend", text, "start", "font-size=\"10\"");
  legendX_ += 13 + kCharWidth * static_cast<double>(text.size()) + 14;
}

std::string MapPanel::Body() const {
  const double areaW = spanX_ * scale_, areaH = spanY_ * scale_;
  const double right = x0_ + areaW, top = kTop;
  std::string b = Element("rect", "axes", {},
                          Attribute("x", x0_) + Attribute("y", top) + Attribute("width", areaW) +
                              Attribute("height", areaH),
                          false);
  // Ticks at a nice step that gives three to seven along the shorter side.
  const NiceStep step = StepAtMost(std::min(spanX_, spanY_) / 3);
  const auto ticks = [&](double low, double span, bool alongX) {
    const double from = std::ceil(low / step.value), to = std::floor((low + span) / step.value);
    if (!(std::fabs(from) < 1e15 && std::fabs(to) < 1e15 && to - from <= 50)) return;
    const auto first = static_cast<std::int64_t>(from), last = static_cast<std::int64_t>(to);
    for (std::int64_t k = first; k <= last; ++k) {
      const double v = static_cast<double>(k) * step.value;
      const std::string label = step.Text(k);
      const std::string data =
          std::string(" data-axis=\"") + (alongX ? "x" : "y") + "\" data-value=\"" + label + "\"";
      if (alongX) {
        const double px = X(v);
        b += Element("line", "tick", {},
                     data + Attribute("x1", px) + Attribute("y1", y0_) + Attribute("x2", px) +
                         Attribute("y2", y0_ + 5),
                     false);
        b += Text(px, y0_ + 16, "tick-label", label, "middle", "font-size=\"10\"");
      } else {
        const double py = Y(v);
        b += Element("line", "tick", {},
                     data + Attribute("x1", x0_ - 5) + Attribute("y1", py) + Attribute("x2", x0_) +
                         Attribute("y2", py),
                     false);
        b += Text(x0_ - 7, py + 3.5, "tick-label", label, "end", "font-size=\"10\"");
      }
    }
  };
  ticks(xmin_, spanX_, true);
  ticks(ymin_, spanY_, false);

  // The scale bar: a nice length of at most a quarter of the plot area.
  const NiceStep bar = StepAtMost(spanX_ / 4);
  const double barY = Height() - 14, barEnd = x0_ + bar.value * scale_;
  b += Element("line", "scale-bar", {},
               Attribute("x1", x0_) + Attribute("y1", barY) + Attribute("x2", barEnd) +
                   Attribute("y2", barY),
               false);
  b += Text(barEnd + 8, barY + 4, "scale-label", bar.Text() + " " + unit_);
  if (!magnification_.empty())
    b += Text(Width() - kRight, barY + 4, "magnification", magnification_, "end");
  if (plan_) {
    const double cx = right - 16, cy = top + 8;
    b += "<g class=\"north-arrow\">\n";
    b += Element("path", "north-arrow", {},
                 " d=\"M " + SvgNumber(cx) + " " + SvgNumber(cy) + " L " + SvgNumber(cx + 6) + " " +
                     SvgNumber(cy + 18) + " L " + SvgNumber(cx) + " " + SvgNumber(cy + 13) + " L " +
                     SvgNumber(cx - 6) + " " + SvgNumber(cy + 18) + " Z\"",
                 false);
    b += Text(cx, cy + 31, "north-label", "N", "middle", "font-weight=\"bold\"");
    b += "</g>\n";
  }
  return b + legend_ + marks_;
}

// ---- ChartPanel -------------------------------------------------------------

ChartPanel::ChartPanel(std::string kind, std::string title, double width, double height,
                       std::string quantity)
    : Panel(std::move(kind), std::move(title), width, height, {}), quantity_(std::move(quantity)) {}

void ChartPanel::Series(std::string_view cls,
                        const std::vector<std::pair<std::int64_t, double>>& points) {
  cls_ = cls;
  bool skipped = false;
  for (const auto& [iteration, value] : points) {
    if (value > 0 && std::isfinite(value))
      points_.push_back({iteration, value});
    else
      skipped = true;
  }
  if (points_.empty())
    Note("no value to draw");
  else if (skipped)
    Note("a value of 0 has no place on a logarithmic axis");
}

std::string ChartPanel::Body() const {
  const double areaW = Width() - kLeft - kRight, areaH = Height() - kTop - kBottom;
  const double bottom = kTop + areaH;
  std::string b = Element("rect", "axes", {},
                          Attribute("x", kLeft) + Attribute("y", kTop) + Attribute("width", areaW) +
                              Attribute("height", areaH),
                          false);
  std::int64_t first = 1, last = 2;
  double low = 0, high = 1;  // decades
  if (!points_.empty()) {
    first = std::min<std::int64_t>(1, points_.front().first);
    last = std::max(points_.back().first, first + 1);
    double lo = std::log10(points_.front().second), hi = lo;
    for (const auto& p : points_) {
      lo = std::min(lo, std::log10(p.second));
      hi = std::max(hi, std::log10(p.second));
    }
    low = std::floor(lo);
    high = std::max(std::ceil(hi), low + 1);
  }
  // A little room inside the axes on the left and right.
  const double inset = 10;
  const auto X = [&](double i) {
    return kLeft + inset + (i - first) / static_cast<double>(last - first) * (areaW - 2 * inset);
  };
  const auto Y = [&](double v) { return bottom - (std::log10(v) - low) / (high - low) * areaH; };

  const std::int64_t step = std::max<std::int64_t>(
      1, static_cast<std::int64_t>(StepAtMost(static_cast<double>(last - first) / 5).value));
  for (std::int64_t i = (first + step - 1) / step * step; i <= last; i += step) {
    const double px = X(static_cast<double>(i));
    b += Element("line", "tick", {},
                 " data-axis=\"x\" data-value=\"" + std::to_string(i) + "\"" + Attribute("x1", px) +
                     Attribute("y1", bottom) + Attribute("x2", px) + Attribute("y2", bottom + 5),
                 false);
    b += Text(px, bottom + 16, "tick-label", std::to_string(i), "middle", "font-size=\"10\"");
  }
  const int decades = static_cast<int>(high - low);
  const int every = std::max(1, (decades + 7) / 8);
  for (int k = static_cast<int>(low); k <= static_cast<int>(high); k += every) {
    const double py = bottom - (k - low) / (high - low) * areaH;
    b += Element("line", "tick", {},
                 " data-axis=\"y\" data-value=\"" + DecadeText(k) + "\"" +
                     Attribute("x1", kLeft - 5) + Attribute("y1", py) + Attribute("x2", kLeft) +
                     Attribute("y2", py),
                 false);
    b += Text(kLeft - 7, py + 3.5, "tick-label", DecadeText(k), "end", "font-size=\"10\"");
  }
  b += Text(kLeft + areaW / 2, Height() - 14, "axis-label", "iteration", "middle");
  b += Text(14, kTop + areaH / 2, "axis-label", quantity_ + " (logarithmic)", "middle",
            "transform=\"rotate(-90 14 " + SvgNumber(kTop + areaH / 2) + ")\"");

  std::string line, dots;
  for (const auto& [iteration, value] : points_) {
    const double px = X(static_cast<double>(iteration)), py = Y(value);
    if (!line.empty()) line += " ";
    line += SvgNumber(px) + "," + SvgNumber(py);
    dots += Element("circle", cls_ + "-point", {},
                    " data-iteration=\"" + std::to_string(iteration) + "\"" + Attribute("cx", px) +
                        Attribute("cy", py) + " r=\"3\"",
                    true);
  }
  if (points_.size() > 1) b += Element("polyline", cls_, {}, " points=\"" + line + "\"", false);
  return b + dots;
}

// ---- Figure -----------------------------------------------------------------

void Figure::Add(const Panel& panel) {
  if (x_ > kGap && x_ + panel.Width() > kRowWidth) NewRow();
  panels_ += panel.Svg(x_, y_);
  x_ += panel.Width() + kGap;
  rowHeight_ = std::max(rowHeight_, panel.Height());
  width_ = std::max(width_, x_);
}

void Figure::NewRow() {
  if (x_ <= kGap) return;
  y_ += rowHeight_ + kGap;
  x_ = kGap;
  rowHeight_ = 0;
}

std::string Figure::Svg() const {
  const double width = std::max(width_, 480.0);
  const double height = y_ + rowHeight_ + kGap;
  const std::string w = SvgNumber(width), h = SvgNumber(height);
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  s += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + w + "\" height=\"" +
       h + "\" viewBox=\"0 0 " + w + " " + h +
       "\" font-family=\"DejaVu Sans, Liberation Sans, Arial, sans-serif\" font-size=\"11\">\n";
  s += "<title>" + XmlEscape(title_) + "</title>\n";
  s += "<rect class=\"background\" x=\"0\" y=\"0\" width=\"" + w + "\" height=\"" + h +
       "\" fill=\"#ffffff\"/>\n";
  s += "<text class=\"figure-title\" x=\"" + SvgNumber(kGap) +
       "\" y=\"24\" font-size=\"16\" font-weight=\"bold\">" + XmlEscape(title_) + "</text>\n";
  return s + panels_ + "</svg>\n";
}

}  // namespace tessaro
