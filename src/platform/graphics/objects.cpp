#include "platform/graphics/objects.hpp"

#include <algorithm>
#include <cmath>

#include "platform/graphics/axes.hpp"
#include "platform/graphics/markers.hpp"
#include "platform/graphics/properties.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::graphics {

using namespace props;

namespace {

// The values the Marker property takes, for messages: the letters, "none",
// then the long names.
std::string markerChoices() {
  std::string out;
  const auto add = [&](std::string_view w) { out += (out.empty() ? "" : ", ") + quoted(w); };
  for (const MarkerDef& d : kMarkerTable) add(std::string_view(&d.letter, 1));
  add("none");
  for (const MarkerDef& d : kMarkerTable)
    if (!d.name.empty()) add(d.name);
  return out;
}

// The properties every object has, after its class's own.
const PropertyTable<Object, 5> kCommonProperties = {{
    {"Type", [](const Object& o) { return Value(o.type()); }, nullptr},
    {"Tag", [](const Object& o) { return Value(o.tag.str()); },
     [](Object& o, const Value& v) { o.tag = textOf(v, "Tag", o.className()); }},
    {"Visible", [](const Object& o) { return Value(o.visible ? "on" : "off"); },
     [](Object& o, const Value& v) { o.visible = onOff(v, "Visible", o.className()); }},
    {"Parent", [](const Object& o) { return o.parent() ? Value(o.parent()->handle()) : Value(); },
     nullptr},
    {"Children", [](const Object&) { return Value(Mat(0, 1)); }, nullptr},
}};

const PropertyTable<Line, 9> kLineProperties = {{
    {"XData", [](const Line& l) { return rowOf(l.xdata().vector()); },
     [](Line& l, const Value& v) { l.setXData(vectorOf(v, "XData", "Line")); }},
    {"YData", [](const Line& l) { return rowOf(l.ydata().vector()); },
     [](Line& l, const Value& v) { l.setYData(vectorOf(v, "YData", "Line")); }},
    {"Color", [](const Line& l) { return rgbValue(l.color); },
     [](Line& l, const Value& v) { l.color = rgbOnly(v, "Color", "Line"); }},
    {"LineStyle", [](const Line& l) { return Value(l.lineStyle.str()); },
     [](Line& l, const Value& v) {
       l.lineStyle = oneOf(v, {"-", "--", ":", "-.", "none"}, "LineStyle", "Line");
     }},
    {"LineWidth", [](const Line& l) { return Value(l.lineWidth); },
     [](Line& l, const Value& v) { l.lineWidth = positiveNumber(v, "LineWidth", "Line"); }},
    {"Marker",
     [](const Line& l) { return Value(l.marker ? std::string(1, l.marker) : std::string("none")); },
     [](Line& l, const Value& v) {
       if (v.isText() && ieq(v.text(), "none")) {
         l.marker = 0;
       } else if (const auto m = v.isText() ? markerFromName(v.text()) : std::nullopt) {
         l.marker = *m;
       } else {
         badValue("Marker", "Line", v, "must be one of " + markerChoices());
       }
     }},
    {"MarkerSize", [](const Line& l) { return Value(l.markerSize); },
     [](Line& l, const Value& v) { l.markerSize = positiveNumber(v, "MarkerSize", "Line"); }},
    {"MarkerFaceColor", [](const Line& l) { return colorSpecValue(l.markerFaceColor); },
     [](Line& l, const Value& v) { l.markerFaceColor = anyColor(v, "MarkerFaceColor", "Line"); }},
    {"MarkerEdgeColor", [](const Line& l) { return colorSpecValue(l.markerEdgeColor); },
     [](Line& l, const Value& v) { l.markerEdgeColor = anyColor(v, "MarkerEdgeColor", "Line"); }},
}};

const PropertyTable<Text, 7> kTextProperties = {{
    {"String", [](const Text& t) { return Value(t.string); },
     [](Text& t, const Value& v) {
       if (v.isText()) {
         t.string = v.text();
       } else if (v.isTextList()) {
         t.string.clear();
         for (const auto& s : v.textList()) t.string += (t.string.empty() ? "" : "\n") + s;
       } else if (v.matrix().size() == 0) {
         t.string.clear();
       } else if (v.matrix().size() == 1) {
         t.string = num2str(v.matrix()(0, 0));
       } else {
         badValue("String", "Text", v, "must be a text, a list of texts or one number");
       }
     }},
    {"Position",
     [](const Text& t) {
       return rowOf(std::vector<double>{t.x, t.y, 0});
     },
     [](Text& t, const Value& v) {
       if (!v.isMatrix() || (v.matrix().size() != 2 && v.matrix().size() != 3))
         badValue("Position", "Text", v, "must be [x y] or [x y z]");
       t.x = v.matrix().data()[0];
       t.y = v.matrix().data()[1];
     }},
    {"Color", [](const Text& t) { return rgbValue(t.color); },
     [](Text& t, const Value& v) { t.color = rgbOnly(v, "Color", "Text"); }},
    {"FontSize", [](const Text& t) { return Value(t.fontSize); },
     [](Text& t, const Value& v) { t.fontSize = positiveNumber(v, "FontSize", "Text"); }},
    {"FontName", [](const Text& t) { return Value(t.fontName); },
     [](Text& t, const Value& v) { t.fontName = textOf(v, "FontName", "Text"); }},
    {"HorizontalAlignment", [](const Text& t) { return Value(t.horizontalAlignment); },
     [](Text& t, const Value& v) {
       t.horizontalAlignment = oneOf(v, {"left", "center", "right"}, "HorizontalAlignment", "Text");
     }},
    {"VerticalAlignment", [](const Text& t) { return Value(t.verticalAlignment); },
     [](Text& t, const Value& v) {
       t.verticalAlignment =
           oneOf(v, {"top", "middle", "bottom", "baseline"}, "VerticalAlignment", "Text");
     }},
}};

const PropertyTable<Patch, 5> kPatchProperties = {{
    {"XData", [](const Patch& p) { return rowOf(p.xdata); },
     [](Patch& p, const Value& v) { p.xdata = vectorOf(v, "XData", "Patch"); }},
    {"YData", [](const Patch& p) { return rowOf(p.ydata); },
     [](Patch& p, const Value& v) { p.ydata = vectorOf(v, "YData", "Patch"); }},
    {"FaceColor", [](const Patch& p) { return colorSpecValue(p.faceColor); },
     [](Patch& p, const Value& v) { p.faceColor = rgbOrNone(v, "FaceColor", "Patch"); }},
    {"EdgeColor", [](const Patch& p) { return colorSpecValue(p.edgeColor); },
     [](Patch& p, const Value& v) { p.edgeColor = rgbOrNone(v, "EdgeColor", "Patch"); }},
    {"LineWidth", [](const Patch& p) { return Value(p.lineWidth); },
     [](Patch& p, const Value& v) { p.lineWidth = positiveNumber(v, "LineWidth", "Patch"); }},
}};

}  // namespace

Value Object::get(std::string_view prop) const {
  Value out;
  if (getOwn(prop, out) || read(kCommonProperties, *this, prop, out)) return out;
  noSuchProperty(prop);
}

void Object::set(std::string_view prop, const Value& v) {
  if (!setOwn(prop, v) && !write(kCommonProperties, *this, prop, v)) noSuchProperty(prop);
  if (parent_) parent_->touch();
}

std::vector<std::string> Object::propertyNames() const {
  std::vector<std::string> out;
  ownPropertyNames(out);
  appendNames(kCommonProperties, out);
  return out;
}

void Object::noSuchProperty(std::string_view prop) const {
  props::noSuchProperty(prop, className());
}

bool Line::getOwn(std::string_view prop, Value& out) const {
  return read(kLineProperties, *this, prop, out);
}

bool Line::setOwn(std::string_view prop, const Value& v) {
  return write(kLineProperties, *this, prop, v);
}

void Line::ownPropertyNames(std::vector<std::string>& out) const {
  appendNames(kLineProperties, out);
}

bool Text::getOwn(std::string_view prop, Value& out) const {
  return read(kTextProperties, *this, prop, out);
}

bool Text::setOwn(std::string_view prop, const Value& v) {
  return write(kTextProperties, *this, prop, v);
}

void Text::ownPropertyNames(std::vector<std::string>& out) const {
  appendNames(kTextProperties, out);
}

bool Patch::getOwn(std::string_view prop, Value& out) const {
  return read(kPatchProperties, *this, prop, out);
}

bool Patch::setOwn(std::string_view prop, const Value& v) {
  return write(kPatchProperties, *this, prop, v);
}

void Patch::ownPropertyNames(std::vector<std::string>& out) const {
  appendNames(kPatchProperties, out);
}

void Extent::add(double x, double y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  if (!any) {
    box = {x, x, y, y};
    any = true;
    return;
  }
  box[0] = std::min(box[0], x);
  box[1] = std::max(box[1], x);
  box[2] = std::min(box[2], y);
  box[3] = std::max(box[3], y);
}

void Line::addExtent(Extent& e) const {
  const Doubles x = xdata(), y = ydata();
  for (std::size_t i = 0, n = pointCount(); i < n; ++i) e.add(x[i], y[i]);
}

void Patch::addExtent(Extent& e) const {
  const std::size_t n = std::min(xdata.size(), ydata.size());
  for (std::size_t i = 0; i < n; ++i) e.add(xdata[i], ydata[i]);
}

bool Line::sameLook(const Line& o) const {
  // The fields of Object and Line but the data, handle and parent.
  static_assert(sizeof(Line) == 176 || sizeof(void*) != 8,
                "a new Line property must be compared in sameLook");
  return tag == o.tag && visible == o.visible && color == o.color && lineWidth == o.lineWidth &&
         markerSize == o.markerSize && lineStyle == o.lineStyle && marker == o.marker &&
         markerFaceColor == o.markerFaceColor && markerEdgeColor == o.markerEdgeColor &&
         markerAlpha == o.markerAlpha;
}

}  // namespace varnok::graphics

namespace varnok::graphics {

PointPositions::PointPositions(std::vector<double> xy) {
  xy.resize(xy.size() / 2 * 2);
  if (xy.empty()) return;
  Run r;
  r.size = size_ = xy.size() / 2;
  r.xy = std::move(xy);
  runs_.push_back(std::move(r));
}

PointPositions::PointPositions(std::shared_ptr<const Mat> rows, Eigen::Index begin,
                               Eigen::Index end, std::optional<double> theta) {
  const Eigen::Index L = rows ? (rows->cols() - 1) / 2 : 0;
  if (!rows || L <= 0 || begin < 0 || end > rows->rows() || end <= begin) return;
  Run r;
  r.size = size_ = static_cast<std::size_t>((end - begin) * L);
  r.rows = std::move(rows);
  r.begin = begin;
  r.landmarks = L;
  if (theta) {
    r.turned = true;
    r.c = std::cos(*theta);
    r.s = std::sin(*theta);
  }
  runs_.push_back(std::move(r));
}

std::array<double, 2> PointPositions::at(std::size_t k) const {
  auto it = std::upper_bound(runs_.begin(), runs_.end(), k,
                             [](std::size_t m, const Run& r) { return m < r.start; });
  const Run& r = *std::prev(it);
  const std::size_t i = k - r.start;
  if (!r.rows) return {r.xy[2 * i], r.xy[2 * i + 1]};
  const auto L = static_cast<std::size_t>(r.landmarks);
  const double* row =
      r.rows->data() + (r.begin + static_cast<Eigen::Index>(i / L)) * r.rows->cols();
  const double px = row[2 * (i % L)], py = row[2 * (i % L) + 1];
  if (!r.turned) return {px, py};
  return {r.c * px - r.s * py, r.s * px + r.c * py};
}

void PointPositions::append(PointPositions&& more) {
  for (Run& r : more.runs_) {
    // Pairs of their own join the pairs before them, so that many small
    // plots make one run.
    if (!r.rows && !runs_.empty() && !runs_.back().rows) {
      runs_.back().xy.insert(runs_.back().xy.end(), r.xy.begin(), r.xy.end());
      runs_.back().size += r.size;
    } else {
      r.start = size_;
      runs_.push_back(std::move(r));
    }
    size_ += r.size;
  }
  more.runs_.clear();
  more.size_ = 0;
}

}  // namespace varnok::graphics
