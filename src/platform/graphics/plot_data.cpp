#include "platform/graphics/plot_data.hpp"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <span>

#include "platform/graphics/contour.hpp"
#include "platform/graphics/quiver.hpp"
#include "platform/graphics/visit.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::graphics {

namespace {

// The document keeps its members in the order they are added.
using Json = nlohmann::ordered_json;

Json numbers(std::span<const double> v) {
  Json out = Json::array();
  for (double d : v) out.push_back(d);
  return out;
}

Json numbers(std::initializer_list<double> v) {
  return numbers(std::span<const double>(v.begin(), v.size()));
}

// A matrix as the list of its rows.
Json matrix(const Mat& m) {
  Json out = Json::array();
  for (Eigen::Index i = 0; i < m.rows(); ++i) {
    Json r = Json::array();
    for (Eigen::Index j = 0; j < m.cols(); ++j) r.push_back(m(i, j));
    out.push_back(std::move(r));
  }
  return out;
}

Json points(const std::vector<Point>& pts) {
  Json out = Json::array();
  for (const Point& p : pts) out.push_back(numbers({p[0], p[1]}));
  return out;
}

Json rgb(Rgb c) {
  return numbers({c.r, c.g, c.b});
}

Json color(const ColorSpec& c) {
  switch (c.mode) {
    case ColorSpec::Mode::None:
      return "none";
    case ColorSpec::Mode::Auto:
      return "auto";
    case ColorSpec::Mode::Rgb:
      break;
  }
  return rgb(c.rgb);
}

std::string markerName(char marker) {
  return marker ? std::string(1, marker) : std::string("none");
}

// The members of each kind of object after those every object has.
class ObjectMembers : public ObjectVisitor {
 public:
  explicit ObjectMembers(Json& out) : j_(out) {}

  void visit(const Line& l) override {
    j_["x"] = numbers(l.xdata());
    j_["y"] = numbers(l.ydata());
    j_["color"] = rgb(l.color);
    j_["lineStyle"] = l.lineStyle.str();
    j_["lineWidth"] = l.lineWidth;
    j_["marker"] = markerName(l.marker);
    j_["markerSize"] = l.markerSize;
    j_["markerFaceColor"] = color(l.markerFaceColor);
    j_["markerEdgeColor"] = color(l.markerEdgeColor);
    if (l.markerAlpha != 1) j_["markerAlpha"] = l.markerAlpha;
  }

  void visit(const Text& t) override {
    j_["x"] = t.x;
    j_["y"] = t.y;
    j_["string"] = t.string;
    j_["color"] = rgb(t.color);
    j_["fontSize"] = t.fontSize;
    j_["horizontalAlignment"] = t.horizontalAlignment;
    j_["verticalAlignment"] = t.verticalAlignment;
  }

  void visit(const Patch& p) override {
    j_["x"] = numbers(p.xdata);
    j_["y"] = numbers(p.ydata);
    j_["faceColor"] = color(p.faceColor);
    j_["edgeColor"] = color(p.edgeColor);
    j_["lineWidth"] = p.lineWidth;
  }

  void visit(const Quiver& q) override {
    j_["X"] = matrix(q.xdata);
    j_["Y"] = matrix(q.ydata);
    j_["U"] = matrix(q.udata);
    j_["V"] = matrix(q.vdata);
    j_["scale"] = q.scaleFactor();
    j_["autoScale"] = q.autoScale;
    j_["autoScaleFactor"] = q.autoScaleFactor;
    j_["showArrowHead"] = q.showArrowHead;
    j_["color"] = rgb(q.color);
    j_["lineWidth"] = q.lineWidth;
    j_["lineStyle"] = q.lineStyle;
  }

  void visit(const Contour& c) override {
    j_["X"] = matrix(c.xdata);
    j_["Y"] = matrix(c.ydata);
    j_["Z"] = matrix(c.zdata);
    j_["levels"] = numbers(c.levels());
    Json bands = Json::array();
    for (const ContourBand& b : c.bands()) {
      Json polygons = Json::array();
      for (const Ring& r : b.rings) polygons.push_back(points(r));
      bands.push_back(
          {{"lo", b.lo}, {"hi", b.hi}, {"color", rgb(b.color)}, {"polygons", std::move(polygons)}});
    }
    j_["bands"] = std::move(bands);
    Json lines = Json::array();
    for (const ContourLine& line : c.lines())
      lines.push_back(
          {{"level", line.level}, {"closed", line.closed}, {"points", points(line.points)}});
    j_["lines"] = std::move(lines);
    j_["fill"] = c.fill;
    j_["lineColor"] = color(c.lineColor);
    j_["lineWidth"] = c.lineWidth;
  }

 private:
  Json& j_;
};

// h: the object's handle (a point group's members share one style object).
Json objectJson(const Object& o, Handle h) {
  Json j = {{"type", o.type()}, {"handle", h}, {"tag", o.tag.str()}, {"visible", o.visible}};
  ObjectMembers members(j);
  o.accept(members);
  return j;
}

// The legend's entries with the marker each shows, as its line draws it now;
// an entry whose line is gone has "marker": "none".
Json legendJson(const Axes& ax) {
  const auto& entries = ax.legend();
  const std::vector<const Line*> lines = legendLines(ax);
  const Line none{};
  Json out = Json::array();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Line& l = lines[i] ? *lines[i] : none;
    out.push_back({{"label", entries[i].label},
                   {"group", entries[i].group},
                   {"handle", entries[i].symbol},
                   {"marker", markerName(lines[i] ? l.marker : 0)},
                   {"markerSize", l.markerSize},
                   {"color", rgb(l.color)},
                   {"markerFaceColor", color(l.markerFaceColor)},
                   {"markerEdgeColor", color(l.markerEdgeColor)}});
  }
  return out;
}

// ---- the file's text ----

// Numbers as the shortest text that reads back as the same double; NaN and
// infinities, which JSON lacks, as null.
void writeNumber(std::string& out, double v) {
  if (!std::isfinite(v)) {
    out += "null";
    return;
  }
  appendShortestText(out, v);
}

// Texts as UTF-8: whole UTF-8 sequences pass, any other byte is taken as a
// Latin-1 letter; control characters are escaped.
void writeText(std::string& out, std::string_view s) {
  out += '"';
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      switch (c) {
        case '"':
          out += "\\\"";
          break;
        case '\\':
          out += "\\\\";
          break;
        case '\n':
          out += "\\n";
          break;
        case '\r':
          out += "\\r";
          break;
        case '\t':
          out += "\\t";
          break;
        default:
          if (c < 0x20 || c == 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
          } else {
            out += static_cast<char>(c);
          }
      }
      ++i;
      continue;
    }
    const int len = (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xe ? 3 : (c >> 3) == 0x1e ? 4 : 0;
    bool ok = len > 0 && i + static_cast<std::size_t>(len) <= s.size() && c >= 0xc2 && c <= 0xf4;
    for (int k = 1; ok && k < len; ++k)
      ok = (static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) >> 6) == 0x2;
    if (ok) {
      out.append(s.substr(i, static_cast<std::size_t>(len)));
      i += static_cast<std::size_t>(len);
    } else {
      out += static_cast<char>(0xc0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3f));
      ++i;
    }
  }
  out += '"';
}

// Where a value sits: the key it is the value of, or the key of the list it
// is an item of.
struct Place {
  std::string_view key, list;
  bool root = false;
};

// The root, the axes and each drawn object are written one member a line,
// the lists of legend entries, objects, contour bands and contour lines one
// item a line, indented by depth; everything else (numbers, points, a legend
// entry, a band) stays on the line of its member or item.
bool oneALine(const Place& at, bool object) {
  if (object) return at.root || at.key == "axes" || at.list == "objects";
  return at.key == "legend" || at.key == "objects" || at.key == "bands" || at.key == "lines";
}

void write(std::string& out, const Json& v, const Place& at, int indent) {
  switch (v.type()) {
    case Json::value_t::object:
    case Json::value_t::array:
      break;
    case Json::value_t::boolean:
      out += v.get<bool>() ? "true" : "false";
      return;
    case Json::value_t::string:
      writeText(out, v.get_ref<const std::string&>());
      return;
    case Json::value_t::number_float:
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
      writeNumber(out, v.get<double>());
      return;
    default:
      out += "null";
      return;
  }
  const bool object = v.is_object();
  const bool lines = oneALine(at, object) && !v.empty();
  const int inner = lines ? indent + 2 : indent;
  out += object ? '{' : '[';
  bool first = true;
  const auto next = [&] {
    if (lines) {
      out += first ? "\n" : ",\n";
      out.append(static_cast<std::size_t>(indent), ' ');
    } else if (!first) {
      out += ", ";
    }
    first = false;
  };
  if (object) {
    for (const auto& [key, value] : v.items()) {
      next();
      writeText(out, key);
      out += ": ";
      write(out, value, Place{key, {}}, inner);
    }
  } else {
    for (const Json& item : v) {
      next();
      write(out, item, Place{{}, at.key}, inner);
    }
  }
  if (lines) {
    out += '\n';
    out.append(static_cast<std::size_t>(indent - 2), ' ');
  }
  out += object ? '}' : ']';
}

}  // namespace

std::string plotDataJson(const Figure& fig) {
  const Axes& ax = fig.axes();
  const Limits l = ax.limits();
  Json objects = Json::array();
  // Point groups are written member by member, as the lines they stand for,
  // without turning them into line objects.
  ax.visit([&](const Object& o) { objects.push_back(objectJson(o, o.handle())); },
           [&](const PointGroup& g) {
             std::vector<Line> members;
             for (const auto& st : g.styles) members.push_back(*st);
             std::size_t k = 0;
             g.positions.forEach([&](double x, double y) {
               Line& member = members[g.styleAt(k)];
               member.setData({x}, {y});
               objects.push_back(objectJson(member, g.first + static_cast<double>(k++)));
               return true;
             });
           });
  // The colour bar, an object of its own after the drawn ones: the contour
  // it explains, its range and label, and the colours of that contour's
  // bands.
  if (const auto& bar = ax.colorBar()) {
    Json colors = Json::array();
    if (const Object* o = ax.find(bar->contour))
      visitAs(*o, [&](const Contour& c) {
        for (const ContourBand& b : c.bands())
          colors.push_back({{"lo", b.lo}, {"hi", b.hi}, {"color", rgb(b.color)}});
      });
    objects.push_back({{"type", "colorbar"},
                       {"contour", bar->contour},
                       {"label", bar->label},
                       {"range", numbers({bar->lo, bar->hi})},
                       {"bands", std::move(colors)}});
  }
  Json axes = {{"xlim", numbers({l[0], l[1]})}, {"ylim", numbers({l[2], l[3]})},
               {"title", ax.title()},           {"xlabel", ax.xlabel()},
               {"ylabel", ax.ylabel()},         {"legend", legendJson(ax)},
               {"equalUnits", ax.equalUnits()}, {"objects", std::move(objects)}};
  const Json doc = {{"format", "varnok plot data"}, {"version", 1}, {"axes", std::move(axes)}};
  std::string out;
  write(out, doc, Place{{}, {}, true}, 2);
  out += '\n';
  return out;
}

}  // namespace varnok::graphics
