#include "platform/graphics/plot_data.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "platform/graphics/contour.hpp"
#include "platform/graphics/quiver.hpp"

namespace varnok::graphics {
namespace {

using V = std::vector<double>;

// A strict reader that only checks the text is JSON.
class JsonCheck {
 public:
  explicit JsonCheck(const std::string& s) : s_(s) {}
  bool valid() {
    skip();
    if (!value()) return false;
    skip();
    return i_ == s_.size();
  }

 private:
  void skip() {
    while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
  }
  bool lit(const char* w) {
    const std::string_view v(w);
    if (s_.compare(i_, v.size(), v) != 0) return false;
    i_ += v.size();
    return true;
  }
  bool str() {
    if (s_[i_] != '"') return false;
    for (++i_; i_ < s_.size(); ++i_) {
      const auto c = static_cast<unsigned char>(s_[i_]);
      if (c == '"') return ++i_, true;
      if (c < 0x20) return false;
      if (c == '\\') ++i_;
    }
    return false;
  }
  bool num() {
    const char* b = s_.c_str() + i_;
    char* e = nullptr;
    std::strtod(b, &e);
    if (e == b) return false;
    i_ += static_cast<std::size_t>(e - b);
    return true;
  }
  bool value() {
    skip();
    if (i_ >= s_.size()) return false;
    const char c = s_[i_];
    if (c == '{' || c == '[') {
      const char close = c == '{' ? '}' : ']';
      ++i_;
      skip();
      if (s_[i_] == close) return ++i_, true;
      while (true) {
        skip();
        if (c == '{') {
          if (!str()) return false;
          skip();
          if (s_[i_++] != ':') return false;
        }
        if (!value()) return false;
        skip();
        if (s_[i_] == ',') {
          ++i_;
          continue;
        }
        if (s_[i_] == close) return ++i_, true;
        return false;
      }
    }
    if (c == '"') return str();
    return lit("true") || lit("false") || lit("null") || num();
  }
  const std::string& s_;
  std::size_t i_ = 0;
};

TEST(PlotData, ASmallFigureWordForWord) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(V{0.1, 2}, V{NAN, -3}, "ro-", {"MarkerFaceColor", "b"});
  ax.hold(true);
  ax.text(1, 2, "a \"quoted\"\ncaf\xe9");
  ax.setLimits({0, 4, -5, 5});
  ax.setTitle("PCA");
  EXPECT_EQ(plotDataJson(fig),
            R"({
  "format": "varnok plot data",
  "version": 1,
  "axes": {
    "xlim": [0, 4],
    "ylim": [-5, 5],
    "title": "PCA",
    "xlabel": "",
    "ylabel": "",
    "legend": [],
    "equalUnits": false,
    "objects": [
      {
        "type": "line",
        "handle": 3,
        "tag": "",
        "visible": true,
        "x": [0.1, 2],
        "y": [null, -3],
        "color": [1, 0, 0],
        "lineStyle": "-",
        "lineWidth": 0.5,
        "marker": "o",
        "markerSize": 6,
        "markerFaceColor": [0, 0, 1],
        "markerEdgeColor": "auto"
      },
      {
        "type": "text",
        "handle": 4,
        "tag": "",
        "visible": true,
        "x": 1,
        "y": 2,
        "string": "a \"quoted\"\ncaf)"
            "\xc3\xa9"  // the Latin-1 byte as UTF-8
            R"(",
        "color": [0, 0, 0],
        "fontSize": 10,
        "horizontalAlignment": "left",
        "verticalAlignment": "middle"
      }
    ]
  }
}
)");
}

TEST(PlotData, NumbersReadBackAsTheSameDoubles) {
  Figure fig;
  const V xs = {0.1, 1.0 / 3, -2.5e-300, 6.02214076e23, 123456789.123456789};
  fig.axes().plot(xs, V(xs.size(), 0), "k");
  const std::string json = plotDataJson(fig);
  const auto at = json.find("\"x\": [");
  ASSERT_NE(at, std::string::npos);
  const char* p = json.c_str() + at + 6;
  for (double x : xs) {
    char* end = nullptr;
    EXPECT_EQ(std::strtod(p, &end), x);
    p = end + 2;  // ", "
  }
}

TEST(PlotData, ArrowFieldsAndFilledContoursWithWhatWasDrawn) {
  Figure fig;
  Axes& ax = fig.axes();
  Mat x(2, 2), y(2, 2), u(2, 2), v = Mat::Zero(2, 2), z(2, 2);
  x << 0, 0, 1, 1;
  y << 0, 1, 0, 1;
  u << 0.5, 0, 0, 0.25;
  z << 0, 1, 0, 1;
  const Quiver& q = ax.quiver(x, y, u, v);
  ax.hold(true);
  ax.contourf(x, y, z, Mat(), {"LineColor", "none"});
  ax.patch(V{0, 1, 1}, V{0, 0, 1}, ColorSpec::of({0, 1, 0}));
  const std::string json = plotDataJson(fig);
  EXPECT_TRUE(JsonCheck(json).valid()) << json;
  // The data as given, and the factor applied: 0.9 of the step 1 over the
  // longest arrow 0.5.
  EXPECT_NE(json.find("\"U\": [[0.5, 0], [0, 0.25]]"), std::string::npos) << json;
  EXPECT_NE(json.find("\"scale\": 1.8"), std::string::npos);
  EXPECT_DOUBLE_EQ(q.scaleFactor(), 1.8);
  // Levels 0, 0.1, ..., 1: ten bands, the first from 0 to 0.1, a strip of
  // the unit square.
  EXPECT_NE(json.find("\"levels\": [0, 0.1, 0.2"), std::string::npos);
  EXPECT_NE(json.find("{\"lo\": 0, \"hi\": 0.1, \"color\": ["), std::string::npos);
  EXPECT_NE(json.find("\"lineColor\": \"none\""), std::string::npos);
  std::size_t bands = 0;
  for (auto p = json.find("{\"lo\": "); p != std::string::npos; p = json.find("{\"lo\": ", p + 1))
    ++bands;
  EXPECT_EQ(bands, 10u);
  EXPECT_NE(json.find("\"type\": \"patch\""), std::string::npos);
  EXPECT_NE(json.find("\"faceColor\": [0, 1, 0]"), std::string::npos);
}

TEST(PlotData, AnEmptyFigure) {
  Figure fig;
  const std::string json = plotDataJson(fig);
  EXPECT_TRUE(JsonCheck(json).valid()) << json;
  EXPECT_NE(json.find("\"objects\": []"), std::string::npos);
  EXPECT_NE(json.find("\"xlim\": [0, 1]"), std::string::npos);
}

}  // namespace
}  // namespace varnok::graphics
