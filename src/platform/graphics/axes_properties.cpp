#include <utility>

#include "platform/graphics/figure.hpp"
#include "platform/graphics/properties.hpp"

namespace varnok::graphics {

using namespace props;

// The table of the axes' properties; a friend of Axes, for the limits,
// hold state and annotations it reads and writes.
struct AxesProperties {
  static Value limitsPair(const Axes& a, bool x) {
    const Limits l = a.limits();
    return x ? rowOf(std::vector<double>{l[0], l[1]}) : rowOf(std::vector<double>{l[2], l[3]});
  }

  // Manual mode keeps the limits in force now; auto forgets them.
  static void setLimMode(Axes& a, const Value& v, std::string_view spelt, bool x) {
    const bool manual = oneOf(v, {"auto", "manual"}, spelt, "Axes") == "manual";
    const Limits l = a.limits();
    auto& m = x ? a.manualX_ : a.manualY_;
    if (!manual) {
      m.reset();
    } else if (!m) {
      m = x ? std::array<double, 2>{l[0], l[1]} : std::array<double, 2>{l[2], l[3]};
    }
  }

  static const std::array<SpeltProperty<Axes>, 15> table;
};

const std::array<SpeltProperty<Axes>, 15> AxesProperties::table = {{
    {"Type", [](const Axes&) { return Value("axes"); }, nullptr},
    {"Children",
     [](const Axes& a) {
       // Newest first, as the runtime lists them.
       const auto n = static_cast<Eigen::Index>(a.childCount());
       Mat h(n, 1);
       Eigen::Index i = n;
       a.visit([&](const Object& o) { h(--i, 0) = o.handle(); },
               [&](const PointGroup& g) {
                 for (std::size_t k = 0; k < g.size(); ++k)
                   h(--i, 0) = g.first + static_cast<double>(k);
               });
       return Value(std::move(h));
     },
     nullptr},
    {"Parent", [](const Axes& a) { return Value(a.figure().handle()); }, nullptr},
    {"Tag", [](const Axes& a) { return Value(a.tag); },
     [](Axes& a, const Value& v, std::string_view) { a.tag = textOf(v, "Tag", "Axes"); }},
    {"Units", [](const Axes& a) { return Value(a.units); },
     [](Axes& a, const Value& v, std::string_view) {
       // The axes stay where they are.
       const std::string u = oneOf(v, kUnits, "Units", "Axes");
       a.position = convertPosition(a.position, a.units, u, a.figure().sizePx());
       a.units = u;
     }},
    {"Position", [](const Axes& a) { return rowOf(a.position); },
     [](Axes& a, const Value& v, std::string_view) {
       const auto p = fourNumbers(v, "Position", "Axes");
       if (!(p[2] > 0) || !(p[3] > 0))
         badValue("Position", "Axes", v, "must be [left bottom width height] with positive sizes");
       a.position = p;
     }},
    {"XLim", [](const Axes& a) { return limitsPair(a, true); },
     [](Axes& a, const Value& v, std::string_view) {
       a.manualX_ = increasingPair(v, "XLim", "Axes");
     }},
    {"YLim", [](const Axes& a) { return limitsPair(a, false); },
     [](Axes& a, const Value& v, std::string_view) {
       a.manualY_ = increasingPair(v, "YLim", "Axes");
     }},
    {"XLimMode", [](const Axes& a) { return Value(a.manualX_ ? "manual" : "auto"); },
     [](Axes& a, const Value& v, std::string_view spelt) { setLimMode(a, v, spelt, true); }},
    {"YLimMode", [](const Axes& a) { return Value(a.manualY_ ? "manual" : "auto"); },
     [](Axes& a, const Value& v, std::string_view spelt) { setLimMode(a, v, spelt, false); }},
    {"NextPlot", [](const Axes& a) { return Value(a.hold_ ? "add" : "replace"); },
     [](Axes& a, const Value& v, std::string_view) {
       a.hold_ = oneOf(v, {"add", "replace"}, "NextPlot", "Axes") == "add";
     }},
    {"Color", [](const Axes& a) { return rgbValue(a.color); },
     [](Axes& a, const Value& v, std::string_view) { a.color = rgbOnly(v, "Color", "Axes"); }},
    {"Title", [](const Axes& a) { return Value(a.title_); },
     [](Axes& a, const Value& v, std::string_view) { a.title_ = textOf(v, "Title", "Axes"); }},
    {"XLabel", [](const Axes& a) { return Value(a.notes_.xlabel); },
     [](Axes& a, const Value& v, std::string_view) {
       a.notes_.xlabel = textOf(v, "XLabel", "Axes");
     }},
    {"YLabel", [](const Axes& a) { return Value(a.notes_.ylabel); },
     [](Axes& a, const Value& v, std::string_view) {
       a.notes_.ylabel = textOf(v, "YLabel", "Axes");
     }},
}};

Value Axes::get(std::string_view prop) const {
  Value out;
  if (!read(AxesProperties::table, *this, prop, out)) noSuchProperty(prop, className());
  return out;
}

void Axes::set(std::string_view prop, const Value& v) {
  if (!write(AxesProperties::table, *this, prop, v)) noSuchProperty(prop, className());
  touch();
}

}  // namespace varnok::graphics
