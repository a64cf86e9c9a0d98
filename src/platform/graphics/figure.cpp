#include "platform/graphics/figure.hpp"

#include <cmath>

#include "platform/graphics/properties.hpp"
#include "platform/graphics/visit.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::graphics {

using namespace props;

Figure::Figure() : axes_(std::make_unique<Axes>(*this, allocateHandle())) {}

std::array<double, 2> Figure::sizePx() const {
  const auto p = convertPosition(position, units, "pixels", {kScreenWidthPx, kScreenHeightPx});
  return {p[2], p[3]};
}

Value Figure::getProperty(Handle h, std::string_view prop) const {
  if (h == handle()) return get(prop);
  if (h == axes_->handle()) return axes_->get(prop);
  if (const Object* o = find(h)) return o->get(prop);
  throw RuntimeError("Invalid or deleted object.");
}

void Figure::setProperty(Handle h, std::string_view prop, const Value& v) {
  if (h == handle()) return set(prop, v);
  if (h == axes_->handle()) return axes_->set(prop, v);
  if (Object* o = find(h)) return o->set(prop, v);
  throw RuntimeError("Invalid or deleted object.");
}

namespace {

const PropertyTable<Figure, 9> kFigureProperties = {{
    {"Type", [](const Figure&) { return Value("figure"); }, nullptr},
    {"Children", [](const Figure& f) { return Value(f.axes().handle()); }, nullptr},
    {"Parent", [](const Figure&) { return Value(0.0); }, nullptr},
    {"Tag", [](const Figure& f) { return Value(f.tag); },
     [](Figure& f, const Value& v) { f.tag = textOf(v, "Tag", "Figure"); }},
    {"Units", [](const Figure& f) { return Value(f.units); },
     [](Figure& f, const Value& v) {
       // The figure stays where it is.
       const std::string u = oneOf(v, kUnits, "Units", "Figure");
       f.position = convertPosition(f.position, f.units, u, {kScreenWidthPx, kScreenHeightPx});
       f.units = u;
     }},
    {"Position", [](const Figure& f) { return rowOf(f.position); },
     [](Figure& f, const Value& v) {
       const auto p = fourNumbers(v, "Position", "Figure");
       if (!(p[2] > 0) || !(p[3] > 0))
         badValue("Position", "Figure", v,
                  "must be [left bottom width height] with positive sizes");
       f.position = p;
     }},
    {"Color", [](const Figure& f) { return rgbValue(f.color); },
     [](Figure& f, const Value& v) { f.color = rgbOnly(v, "Color", "Figure"); }},
    {"Pointer", [](const Figure& f) { return Value(f.pointer); },
     [](Figure& f, const Value& v) {
       f.pointer = oneOf(
           v,
           {"arrow", "watch", "custom", "crosshair", "fullcrosshair", "ibeam", "hand", "fleur",
            "topl", "topr", "botl", "botr", "left", "top", "right", "bottom", "circle", "cross"},
           "Pointer", "Figure");
     }},
    {"PointerShapeCData", [](const Figure& f) { return Value(f.pointerShapeCData); },
     [](Figure& f, const Value& v) {
       const auto bad = [&] {
         badValue("PointerShapeCData", "Figure", v,
                  "must be a 16 x 16 or 32 x 32 matrix of 1 (black), 2 (white) and NaN "
                  "(transparent)");
       };
       if (!v.isMatrix()) bad();
       const Mat& m = v.matrix();
       if (!((m.rows() == 16 && m.cols() == 16) || (m.rows() == 32 && m.cols() == 32))) bad();
       for (Eigen::Index i = 0; i < m.size(); ++i) {
         const double d = m.data()[i];
         if (!std::isnan(d) && d != 1 && d != 2) bad();
       }
       f.pointerShapeCData = m;
     }},
}};

}  // namespace

Value Figure::get(std::string_view prop) const {
  Value out;
  if (!read(kFigureProperties, *this, prop, out)) noSuchProperty(prop, className());
  return out;
}

void Figure::set(std::string_view prop, const Value& v) {
  if (!write(kFigureProperties, *this, prop, v)) noSuchProperty(prop, className());
  touch();
}

std::vector<const Line*> legendLines(const Axes& ax) {
  const auto& entries = ax.legend();
  std::vector<const Line*> lines(entries.size(), nullptr);
  ax.visit(
      [&](const Object& o) {
        visitAs(o, [&](const Line& l) {
          for (std::size_t i = 0; i < entries.size(); ++i)
            if (!lines[i] && entries[i].symbol == o.handle()) lines[i] = &l;
        });
      },
      [&](const PointGroup& g) {
        // Each member of a joined group has a style of its own.
        for (std::size_t i = 0; i < entries.size(); ++i)
          if (!lines[i] && entries[i].symbol >= g.first && entries[i].symbol <= g.last())
            lines[i] = &g.styleOf(static_cast<std::size_t>(entries[i].symbol - g.first));
      });
  return lines;
}

}  // namespace varnok::graphics
