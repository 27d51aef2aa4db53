// The pictures of the example sessions, checked against their reports: the
// SVG is well-formed XML, every residual the report prints as not zero has
// its vector and no other has one, the longest vector is the report's
// largest residual, flagged points are marked, and every scale bar is as
// long as its label says.
#include "plot/pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/operations.h"
#include "app/script_runner.h"
#include "shell/console.h"
#include "testing/test_support.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;

// ---- A small XML reader: enough to tell well-formed from not, and to find
// the marks by class. --------------------------------------------------------

struct XmlElement {
  std::string name;
  std::map<std::string, std::string> attributes;
  std::string text;
  int panel = -1;  // the <g class="panel"> it stands in, counted from 0
  std::string Attr(const std::string& key) const {
    auto it = attributes.find(key);
    return it == attributes.end() ? "" : it->second;
  }
  double Number(const std::string& key) const { return std::stod(Attr(key)); }
  bool Is(const std::string& word) const {
    std::istringstream words(Attr("class"));
    for (std::string w; words >> w;)
      if (w == word) return true;
    return false;
  }
};

// Text without markup, its entities checked and replaced; false when one is
// not an entity of XML.
bool Unescape(const std::string& raw, std::string& out) {
  static const std::map<std::string, char> entities = {
      {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
  out.clear();
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '<') return false;
    if (raw[i] != '&') {
      out += raw[i];
      continue;
    }
    const std::size_t end = raw.find(';', i);
    if (end == std::string::npos) return false;
    const std::string name = raw.substr(i + 1, end - i - 1);
    if (name.starts_with("#")) {
      out += '?';
    } else if (entities.contains(name)) {
      out += entities.at(name);
    } else {
      return false;
    }
    i = end;
  }
  return true;
}

// The elements of a document in order; "" when it is well-formed, else what
// is wrong.
std::string ReadXml(const std::string& doc, std::vector<XmlElement>& elements) {
  std::size_t i = 0;
  if (doc.starts_with("<?xml")) i = doc.find("?>") + 2;
  std::vector<std::pair<std::string, std::size_t>> open;  // name, element index
  int panels = 0, roots = 0, panel = -1;
  const auto isName = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == ':' || c == '_';
  };
  while (i < doc.size()) {
    const std::size_t lt = doc.find('<', i);
    std::string text;
    if (!Unescape(doc.substr(i, lt - i), text)) return "bad character data";
    if (open.empty() && text.find_first_not_of(" \n\r\t") != std::string::npos)
      return "text outside the root";
    if (!open.empty()) elements[open.back().second].text += text;
    if (lt == std::string::npos) break;
    i = lt + 1;
    if (doc.compare(i, 3, "!--") == 0) {
      i = doc.find("-->", i) + 3;
      continue;
    }
    const bool closing = doc[i] == '/';
    if (closing) ++i;
    std::size_t j = i;
    while (j < doc.size() && isName(doc[j])) ++j;
    const std::string name = doc.substr(i, j - i);
    if (name.empty()) return "a tag without a name";
    if (closing) {
      if (open.empty() || open.back().first != name || doc[j] != '>')
        return "</" + name + "> unmatched";
      if (elements[open.back().second].Is("panel")) panel = -1;
      open.pop_back();
      i = j + 1;
      continue;
    }
    XmlElement e;
    e.name = name;
    for (;;) {
      while (j < doc.size() && std::isspace(static_cast<unsigned char>(doc[j]))) ++j;
      if (j >= doc.size()) return "<" + name + " not closed";
      if (doc[j] == '>' || doc.compare(j, 2, "/>") == 0) break;
      std::size_t k = j;
      while (k < doc.size() && isName(doc[k])) ++k;
      const std::string key = doc.substr(j, k - j);
      if (key.empty() || doc[k] != '=' || (doc[k + 1] != '"' && doc[k + 1] != '\''))
        return "<" + name + ">: an attribute without a quoted value";
      const std::size_t end = doc.find(doc[k + 1], k + 2);
      std::string value;
      if (end == std::string::npos || !Unescape(doc.substr(k + 2, end - k - 2), value))
        return "<" + name + ">: a bad value of " + key;
      if (!e.attributes.emplace(key, value).second) return "<" + name + ">: " + key + " twice";
      j = end + 1;
    }
    if (open.empty() && ++roots > 1) return "a second root";
    if (name == "g" && e.Is("panel")) panel = panels++;
    e.panel = panel;
    elements.push_back(e);
    if (doc[j] == '>') {
      open.push_back({name, elements.size() - 1});
      i = j + 1;
    } else {
      if (e.Is("panel")) panel = -1;
      i = j + 2;
    }
  }
  if (!open.empty()) return "<" + open.back().first + "> not closed";
  return roots == 1 ? "" : "no root";
}

// ---- The report's residual tables -------------------------------------------

// A residual row as the report prints it.
struct Row {
  std::string point, photo;
  std::vector<std::string> v;  // the components' texts
  bool flagged = false;
};

bool NotZero(const std::string& text) {
  return text.find_first_of("123456789") != std::string::npos;
}
double Value(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

// Where a table's rows stand: after a line holding `heading`, rows of
// numbers (blank and dashed lines skipped) up to the first other line; the
// photograph of a row is its field `photo` or the number on the last line
// holding `photoLine`.
struct ResidualTable {
  const char* heading;
  int point, photo;
  std::vector<int> components;
  const char* photoLine = nullptr;
};

std::vector<Row> ResidualRows(const Lines& report, const ResidualTable& t) {
  std::vector<Row> rows;
  bool inTable = false;
  std::string photo;
  for (const std::string& line : report) {
    if (line.find(t.heading) != std::string::npos) {
      inTable = true;
      continue;
    }
    if (t.photoLine && line.find(t.photoLine) != std::string::npos) {
      std::istringstream(line.substr(line.find(t.photoLine) + std::string(t.photoLine).size())) >>
          photo;
      continue;
    }
    if (!inTable || line.find_first_not_of(" -") == std::string::npos) continue;
    std::istringstream in(line);
    std::vector<std::string> fields;
    for (std::string f; in >> f;) fields.push_back(f);
    char* end = nullptr;
    std::strtod(fields[0].c_str(), &end);
    if (*end != '\0') {
      inTable = false;
      continue;
    }
    Row row{t.point >= 0 ? fields[t.point] : "",
            t.photo >= 0 ? fields[t.photo] : photo,
            {},
            line.ends_with("*Error*")};
    for (int c : t.components) row.v.push_back(fields[c]);
    rows.push_back(row);
  }
  return rows;
}

// ---- The example sessions -----------------------------------------------------

struct Example {
  const char* name;
  const char* session;  // after the report is chosen; ends with "plot picture.svg"
  ResidualTable table;  // heading "" when the report prints no residuals
};
void PrintTo(const Example& e, std::ostream* os) { *os << e.name; }

const Example kExamples[] = {
    {"FilmPhotos",
     "Open-ImageTrans imagetrans.txt\nEnter ImageTransData\nanswer Y\nanswer Y\nanswer Y\n"
     "answer Y\nanswer Y\nanswer Y\nProcess ImageTrans\n",
     // The report numbers a fiducial's residual by its place, not its number.
     {"Vy", -1, -1, {1, 2}, "Image Data for Photo:"}},
    {"DigitalImages",
     "Open-ImageTrans digital.txt\nEnter ImageTransData\nProcess ImageTrans\n",
     {"", 0, -1, {}}},
    {"Resection",
     "Open-Resection resection.txt\nEnter Resection Data\nMake Resection\n",
     {"VY", 0, -1, {2, 4}}},
    {"Intersection",
     "Open-Intersection intersection.txt\nEnter Intersection Data\nProcess Intersection\n",
     {"Vy", 1, 0, {3, 5}}},
    {"Strip",
     "Open Relative Orient relative.txt\nEnter Relative Orient Data\nProcess Relative Orient\n",
     {"VY", 0, -1, {2, 4}, "Station Id ="}},
    // Far off at the start, stopped by the iteration limit, a point flagged
    // on three photographs.
    {"StripFarOff",
     "Open Relative Orient far-off.txt\nEnter Relative Orient Data\nProcess Relative Orient\n",
     {"VY", 0, -1, {2, 4}, "Station Id ="}},
    {"Absolute",
     "Open Absolute Orient absolute.txt\nEnter Absolute Orient Data\nProcess Absolute Orient\n",
     {"Vz", 0, -1, {1, 2, 3}}},
};

class ExamplePicture : public TempDirTest, public ::testing::WithParamInterface<Example> {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    for (const auto& entry : fs::directory_iterator(TESSARO_SOURCE_DIR "/examples"))
      fs::copy_file(entry.path(), dir / entry.path().filename());
    std::string strip = Read(dir / "relative.txt");
    File("far-off.txt", strip.replace(strip.find(" 4, 230, 0.005"), 14, " 4, 23000, 0.001"));
    fs::current_path(dir);  // the intersection's side file is written beside the script
  }
  void TearDown() override {
    fs::current_path(dir.parent_path());
    TempDirTest::TearDown();
  }
};

TEST_P(ExamplePicture, AsReported) {
  const Example& k = GetParam();
  std::istringstream script("Open-OutputFile report.txt\n" + std::string(k.session) +
                            "plot picture.svg\n");
  std::ostringstream out, err;
  ASSERT_EQ(RunScript(script, "example.tss", out, err), 0) << err.str();
  std::vector<XmlElement> svg;
  ASSERT_EQ(ReadXml(Read(dir / "picture.svg"), svg), "");

  // Every vector and bar belongs to a residual the report prints as not
  // zero, and every such residual has one.
  const std::vector<Row> rows = *k.table.heading
                                    ? ResidualRows(CrLfLines(Read(dir / "report.txt")), k.table)
                                    : std::vector<Row>{};
  std::size_t printed = 0;
  for (const Row& r : rows) {
    printed += NotZero(r.v[0]) || NotZero(r.v[1]);
    if (r.v.size() == 3) printed += NotZero(r.v[2]);
  }
  std::vector<const XmlElement*> vectors;
  std::size_t marks = 0;
  for (const XmlElement& e : svg) {
    if (!e.Is("residual")) continue;
    ++marks;
    if (!e.Is("vertical")) vectors.push_back(&e);
  }
  EXPECT_EQ(marks, printed);

  // The longest vector is the largest residual of the report (or one as
  // large as it prints).
  if (!vectors.empty() && k.table.point >= 0) {
    const auto length = [](const XmlElement* e) {
      double x0, y0, x1, y1;
      char m, l;
      std::istringstream(e->Attr("d")) >> m >> x0 >> y0 >> l >> x1 >> y1;
      return std::hypot(x1 - x0, y1 - y0);
    };
    const XmlElement* longest =
        *std::ranges::max_element(vectors, {}, [&](const XmlElement* e) { return length(e); });
    double largest = 0, drawn = -1;
    for (const Row& r : rows) {
      const double size = std::hypot(Value(r.v[0]), Value(r.v[1]));
      largest = std::max(largest, size);
      if (r.point == longest->Attr("data-point") &&
          (r.photo.empty() || r.photo == longest->Attr("data-photo")))
        drawn = size;
    }
    EXPECT_EQ(drawn, largest) << "point " << longest->Attr("data-point");
  }

  // Flagged points, and no others, are drawn in the flag colour.
  std::vector<std::string> flagged, drawnFlagged;
  for (const Row& r : rows)
    if (r.flagged) flagged.push_back(r.photo + "/" + r.point);
  for (const XmlElement& e : svg)
    if (e.Is("point") && e.Is("flagged"))
      drawnFlagged.push_back(e.Attr("data-photo") + "/" + e.Attr("data-point"));
  EXPECT_EQ(drawnFlagged, flagged);
  if (std::string(k.name) == "StripFarOff") {
    EXPECT_EQ(flagged.size(), 3u);
  }

  // Every panel has a title; a plan its north arrow; a plane drawn to scale
  // its scale bar, as long as the ticks along its edge say its label is.
  std::map<int, std::vector<const XmlElement*>> panels;
  for (const XmlElement& e : svg)
    if (e.panel >= 0) panels[e.panel].push_back(&e);
  ASSERT_FALSE(panels.empty());
  for (const auto& [index, elements] : panels) {
    const auto find = [&](const char* cls) {
      std::vector<const XmlElement*> found;
      for (const XmlElement* e : elements)
        if (e->Is(cls)) found.push_back(e);
      return found;
    };
    const std::string kind = elements.front()->Attr("data-panel");
    EXPECT_EQ(find("panel-title").size(), 1u);
    EXPECT_EQ(find("north-arrow").empty(), kind != "plan") << kind;
    if (kind == "convergence") continue;
    const auto bar = find("scale-bar"), label = find("scale-label");
    std::vector<const XmlElement*> ticks;
    for (const XmlElement* t : find("tick"))
      if (t->Attr("data-axis") == "x") ticks.push_back(t);
    ASSERT_EQ(bar.size(), 1u);
    ASSERT_EQ(label.size(), 1u);
    ASSERT_GE(ticks.size(), 2u);
    const double pixelsPerUnit =
        (ticks.back()->Number("x1") - ticks.front()->Number("x1")) /
        (ticks.back()->Number("data-value") - ticks.front()->Number("data-value"));
    EXPECT_NEAR(bar[0]->Number("x2") - bar[0]->Number("x1"), Value(label[0]->text) * pixelsPerUnit,
                0.5)
        << kind << " " << label[0]->text;
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, ExamplePicture, ::testing::ValuesIn(kExamples),
                         [](const auto& info) { return std::string(info.param.name); });

// The front-end hears of every iteration: the resection example converges
// in five.
TEST(PictureHook, EveryIterationChangesThePicture) {
  struct Watching : FakeUi {
    int changes = 0;
    void PictureChanged() override { ++changes; }
  } ui;
  Console console(ui, MakeOperations());
  console.Load();
  const fs::path report = fs::temp_directory_path() / ("tessaro_hook_" + std::to_string(getpid()));
  ui.files = {report.string(), TESSARO_SOURCE_DIR "/examples/resection.txt"};
  for (const char* caption : {"Open-OutputFile", "Open-Resection", "Enter Resection Data"})
    console.PressCaption(caption);
  EXPECT_FALSE(console.HasPicture());
  console.PressCaption("Make Resection");
  EXPECT_EQ(ui.changes, 5);
  EXPECT_TRUE(console.PictureSvg().starts_with("<?xml"));
  console.PressCaption("Exit");
  fs::remove(report);
}

}  // namespace
}  // namespace tessaro
