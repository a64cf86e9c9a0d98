#include "platform/graphics/plot_data.hpp"

#include <cmath>
#include <cstdio>
#include <span>

#include "platform/graphics/contour.hpp"
#include "platform/graphics/quiver.hpp"

namespace varnok::graphics {

namespace {

class Json {
 public:
  void number(double v) {
    if (!std::isfinite(v)) {
      out_ += "null";
      return;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    out_ += buf;
  }

  void text(std::string_view s) {
    out_ += '"';
    for (std::size_t i = 0; i < s.size();) {
      const auto c = static_cast<unsigned char>(s[i]);
      if (c < 0x80) {
        switch (c) {
          case '"':
            out_ += "\\\"";
            break;
          case '\\':
            out_ += "\\\\";
            break;
          case '\n':
            out_ += "\\n";
            break;
          case '\r':
            out_ += "\\r";
            break;
          case '\t':
            out_ += "\\t";
            break;
          default:
            if (c < 0x20 || c == 0x7f) {
              char buf[8];
              std::snprintf(buf, sizeof buf, "\\u%04x", c);
              out_ += buf;
            } else {
              out_ += static_cast<char>(c);
            }
        }
        ++i;
        continue;
      }
      // Whole UTF-8 sequences pass; any other byte is a Latin-1 letter.
      const int len = (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xe ? 3 : (c >> 3) == 0x1e ? 4 : 0;
      bool ok = len > 0 && i + static_cast<std::size_t>(len) <= s.size() && c >= 0xc2 && c <= 0xf4;
      for (int k = 1; ok && k < len; ++k)
        ok = (static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) >> 6) == 0x2;
      if (ok) {
        out_.append(s.substr(i, static_cast<std::size_t>(len)));
        i += static_cast<std::size_t>(len);
      } else {
        out_ += static_cast<char>(0xc0 | (c >> 6));
        out_ += static_cast<char>(0x80 | (c & 0x3f));
        ++i;
      }
    }
    out_ += '"';
  }

  void boolean(bool b) { out_ += b ? "true" : "false"; }

  void numbers(std::initializer_list<double> v) {
    numbers(std::span<const double>(v.begin(), v.size()));
  }
  void numbers(std::span<const double> v) {
    out_ += '[';
    for (std::size_t i = 0; i < v.size(); ++i) {
      if (i) out_ += ", ";
      number(v[i]);
    }
    out_ += ']';
  }

  // A matrix as the list of its rows.
  void matrix(const Mat& m) {
    out_ += '[';
    for (Eigen::Index i = 0; i < m.rows(); ++i) {
      if (i) out_ += ", ";
      out_ += '[';
      for (Eigen::Index j = 0; j < m.cols(); ++j) {
        if (j) out_ += ", ";
        number(m(i, j));
      }
      out_ += ']';
    }
    out_ += ']';
  }

  void points(const std::vector<Point>& pts) {
    out_ += '[';
    for (std::size_t i = 0; i < pts.size(); ++i) {
      if (i) out_ += ", ";
      out_ += '[';
      number(pts[i][0]);
      out_ += ", ";
      number(pts[i][1]);
      out_ += ']';
    }
    out_ += ']';
  }

  void rgb(Rgb c) { numbers({c.r, c.g, c.b}); }

  void color(const ColorSpec& c) {
    switch (c.mode) {
      case ColorSpec::Mode::None:
        text("none");
        return;
      case ColorSpec::Mode::Auto:
        text("auto");
        return;
      case ColorSpec::Mode::Rgb:
        rgb(c.rgb);
        return;
    }
  }

  // Objects and lists of objects, one member or item a line, indented by
  // depth; numbers and points stay on the line of their member.
  void beginObject() { begin('{'); }
  void endObject() { end('}'); }
  void beginList() { begin('['); }
  void endList() { end(']'); }
  void key(std::string_view k) {
    item();
    text(k);
    out_ += ": ";
  }
  void item() {
    Level& l = levels_.back();
    out_ += l.empty ? "\n" : ",\n";
    out_.append(static_cast<std::size_t>(l.indent), ' ');
    l.empty = false;
  }
  void raw(std::string_view s) { out_ += s; }
  std::string take() { return std::move(out_); }

 private:
  struct Level {
    int indent;
    bool empty;
  };
  void begin(char c) {
    out_ += c;
    levels_.push_back({levels_.empty() ? 2 : levels_.back().indent + 2, true});
  }
  void end(char c) {
    const Level l = levels_.back();
    levels_.pop_back();
    if (!l.empty) {
      out_ += '\n';
      out_.append(static_cast<std::size_t>(l.indent - 2), ' ');
    }
    out_ += c;
  }

  std::string out_;
  std::vector<Level> levels_;
};

// h: the object's handle (a point group's members share one style object).
void writeObject(Json& j, const Object& o, Handle h) {
  j.beginObject();
  j.key("type");
  j.text(o.type());
  j.key("handle");
  j.number(h);
  j.key("tag");
  j.text(o.tag.str());
  j.key("visible");
  j.boolean(o.visible);
  if (const auto* l = dynamic_cast<const Line*>(&o)) {
    j.key("x");
    j.numbers(l->xdata());
    j.key("y");
    j.numbers(l->ydata());
    j.key("color");
    j.rgb(l->color);
    j.key("lineStyle");
    j.text(l->lineStyle);
    j.key("lineWidth");
    j.number(l->lineWidth);
    j.key("marker");
    j.text(l->marker ? std::string(1, l->marker) : std::string("none"));
    j.key("markerSize");
    j.number(l->markerSize);
    j.key("markerFaceColor");
    j.color(l->markerFaceColor);
    j.key("markerEdgeColor");
    j.color(l->markerEdgeColor);
  } else if (const auto* t = dynamic_cast<const Text*>(&o)) {
    j.key("x");
    j.number(t->x);
    j.key("y");
    j.number(t->y);
    j.key("string");
    j.text(t->string);
    j.key("color");
    j.rgb(t->color);
    j.key("fontSize");
    j.number(t->fontSize);
    j.key("horizontalAlignment");
    j.text(t->horizontalAlignment);
    j.key("verticalAlignment");
    j.text(t->verticalAlignment);
  } else if (const auto* p = dynamic_cast<const Patch*>(&o)) {
    j.key("x");
    j.numbers(p->xdata);
    j.key("y");
    j.numbers(p->ydata);
    j.key("faceColor");
    j.color(p->faceColor);
    j.key("edgeColor");
    j.color(p->edgeColor);
    j.key("lineWidth");
    j.number(p->lineWidth);
  } else if (const auto* q = dynamic_cast<const Quiver*>(&o)) {
    j.key("X");
    j.matrix(q->xdata);
    j.key("Y");
    j.matrix(q->ydata);
    j.key("U");
    j.matrix(q->udata);
    j.key("V");
    j.matrix(q->vdata);
    j.key("scale");
    j.number(q->scaleFactor());
    j.key("autoScale");
    j.boolean(q->autoScale);
    j.key("autoScaleFactor");
    j.number(q->autoScaleFactor);
    j.key("showArrowHead");
    j.boolean(q->showArrowHead);
    j.key("color");
    j.rgb(q->color);
    j.key("lineWidth");
    j.number(q->lineWidth);
    j.key("lineStyle");
    j.text(q->lineStyle);
  } else if (const auto* c = dynamic_cast<const Contour*>(&o)) {
    j.key("X");
    j.matrix(c->xdata);
    j.key("Y");
    j.matrix(c->ydata);
    j.key("Z");
    j.matrix(c->zdata);
    j.key("levels");
    j.numbers(c->levels());
    const auto bands = c->bands();
    j.key("bands");
    j.beginList();
    for (const ContourBand& b : bands) {
      j.item();
      j.raw("{\"lo\": ");
      j.number(b.lo);
      j.raw(", \"hi\": ");
      j.number(b.hi);
      j.raw(", \"color\": ");
      j.rgb(b.color);
      j.raw(", \"polygons\": [");
      for (std::size_t r = 0; r < b.rings.size(); ++r) {
        if (r) j.raw(", ");
        j.points(b.rings[r]);
      }
      j.raw("]}");
    }
    j.endList();
    j.key("lines");
    j.beginList();
    for (const ContourLine& line : c->lines()) {
      j.item();
      j.raw("{\"level\": ");
      j.number(line.level);
      j.raw(", \"closed\": ");
      j.boolean(line.closed);
      j.raw(", \"points\": ");
      j.points(line.points);
      j.raw("}");
    }
    j.endList();
    j.key("fill");
    j.boolean(c->fill);
    j.key("lineColor");
    j.color(c->lineColor);
    j.key("lineWidth");
    j.number(c->lineWidth);
  }
  j.endObject();
}

// The legend's entries with the marker each shows, as its line draws it now;
// an entry whose line is gone has "marker": "none".
void writeLegend(Json& j, const Axes& ax) {
  const auto& entries = ax.legend();
  const std::vector<const Line*> lines = legendLines(ax);
  const Line none{};
  j.beginList();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Line& l = lines[i] ? *lines[i] : none;
    j.item();
    j.raw("{\"label\": ");
    j.text(entries[i].label);
    j.raw(", \"group\": ");
    j.number(entries[i].group);
    j.raw(", \"handle\": ");
    j.number(entries[i].symbol);
    j.raw(", \"marker\": ");
    j.text(lines[i] && l.marker ? std::string(1, l.marker) : std::string("none"));
    j.raw(", \"markerSize\": ");
    j.number(l.markerSize);
    j.raw(", \"color\": ");
    j.rgb(l.color);
    j.raw(", \"markerFaceColor\": ");
    j.color(l.markerFaceColor);
    j.raw(", \"markerEdgeColor\": ");
    j.color(l.markerEdgeColor);
    j.raw("}");
  }
  j.endList();
}

}  // namespace

std::string plotDataJson(const Figure& fig) {
  const Axes& ax = fig.axes();
  const Limits l = ax.limits();
  Json j;
  j.beginObject();
  j.key("format");
  j.text("varnok plot data");
  j.key("version");
  j.number(1);
  j.key("axes");
  j.beginObject();
  j.key("xlim");
  j.numbers({l[0], l[1]});
  j.key("ylim");
  j.numbers({l[2], l[3]});
  j.key("title");
  j.text(ax.title());
  j.key("xlabel");
  j.text(ax.xlabel());
  j.key("ylabel");
  j.text(ax.ylabel());
  j.key("legend");
  writeLegend(j, ax);
  j.key("equalUnits");
  j.boolean(ax.equalUnits());
  j.key("objects");
  j.beginList();
  // Point groups are written member by member, as the lines they stand for,
  // without turning them into line objects.
  ax.visit(
      [&](const Object& o) {
        j.item();
        writeObject(j, o, o.handle());
      },
      [&](const PointGroup& g) {
        std::vector<Line> members;
        for (const auto& st : g.styles) members.push_back(*st);
        for (std::size_t k = 0; k < g.size(); ++k) {
          Line& member = members[g.styleAt(k)];
          member.setData({g.xy[2 * k]}, {g.xy[2 * k + 1]});
          j.item();
          writeObject(j, member, g.first + static_cast<double>(k));
        }
      });
  j.endList();
  j.endObject();
  j.endObject();
  j.raw("\n");
  return j.take();
}

}  // namespace varnok::graphics
