#include "platform/graphics/graphics.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "platform/graphics/properties.hpp"
#include "platform/graphics/ticks.hpp"
#include "platform/graphics/visit.hpp"
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

const std::initializer_list<std::string_view> kUnits = {"pixels",      "normalized", "inches",
                                                        "centimeters", "points",     "characters"};

// The classic colour order of plots drawn without a colour.
constexpr std::array<Rgb, 7> kColorOrder = {{{0, 0, 1},
                                             {0, 0.5, 0},
                                             {1, 0, 0},
                                             {0, 0.75, 0.75},
                                             {0.75, 0, 0.75},
                                             {0.75, 0.75, 0},
                                             {0.25, 0.25, 0.25}}};

bool isVector(const Mat& m) {
  return m.rows() == 1 || m.cols() == 1;
}

std::vector<double> column(const Mat& m, Eigen::Index j) {
  std::vector<double> out(static_cast<std::size_t>(m.rows()));
  for (Eigen::Index i = 0; i < m.rows(); ++i) out[static_cast<std::size_t>(i)] = m(i, j);
  return out;
}

std::vector<double> row(const Mat& m, Eigen::Index i) {
  std::vector<double> out(static_cast<std::size_t>(m.cols()));
  for (Eigen::Index j = 0; j < m.cols(); ++j) out[static_cast<std::size_t>(j)] = m(i, j);
  return out;
}

std::vector<double> flat(const Mat& m) {
  return std::vector<double>(m.data(), m.data() + m.size());
}

// Splits a vector x against a matrix y into series: y's columns when x runs
// along them, else y's rows. Empty when the lengths do not fit.
std::vector<std::vector<double>> seriesAgainst(const Mat& y, Eigen::Index n) {
  std::vector<std::vector<double>> out;
  if (y.rows() == n) {
    for (Eigen::Index j = 0; j < y.cols(); ++j) out.push_back(column(y, j));
  } else if (y.cols() == n) {
    for (Eigen::Index i = 0; i < y.rows(); ++i) out.push_back(row(y, i));
  }
  return out;
}

// Converts a position between units; "normalized" is relative to ref
// (width, height in pixels).
std::array<double, 4> convertPosition(const std::array<double, 4>& p, std::string_view from,
                                      std::string_view to, std::array<double, 2> ref) {
  const auto scale = [&](std::string_view u) -> std::array<double, 2> {
    if (ieq(u, "normalized")) return ref;
    return pixelsPerUnit(u);
  };
  const auto a = scale(from), b = scale(to);
  return {p[0] * a[0] / b[0], p[1] * a[1] / b[1], p[2] * a[0] / b[0], p[3] * a[1] / b[1]};
}

// box [left bottom width height] moved in from the figure's edges where they
// are closer than room [left bottom right top]; as it was when the room
// would leave less than a third of the figure for the box.
std::array<double, 4> withTextRoom(const std::array<double, 4>& box,
                                   const std::array<double, 4>& room, double figW, double figH) {
  const double left = std::max(box[0], room[0]), bottom = std::max(box[1], room[1]);
  const double right = std::min(box[0] + box[2], figW - room[2]);
  const double top = std::min(box[1] + box[3], figH - room[3]);
  if (!(right - left >= figW / 3) || !(top - bottom >= figH / 3)) return box;
  return {left, bottom, right - left, top - bottom};
}

// The figure length along one direction whose box, at offset and extent
// (fractions of the figure) with at least roomLo and roomHi beside it, is
// box long: the box's length grows with the figure's, piece by piece as the
// fraction or the room decides each side.
double figureSizeFor(double box, double offset, double extent, double roomLo, double roomHi) {
  const auto length = [&](double fig) {
    return std::min((offset + extent) * fig, fig - roomHi) - std::max(offset * fig, roomLo);
  };
  const double candidates[] = {box / extent, box + roomLo + roomHi,
                               (box + roomLo) / (offset + extent), (box + roomHi) / (1 - offset)};
  for (double fig : candidates)
    if (std::isfinite(fig) && fig > 0 && std::abs(length(fig) - box) <= 1e-9 * box) return fig;
  return box / extent;
}

// Limits margin x the range beyond lo and hi; a range of (nearly) one value
// gets the rounded limits, which give it a sensible width.
std::array<double, 2> paddedLimits(double lo, double hi, double margin) {
  constexpr double kLargest = 1e306;  // as the rounded limits
  if (!std::isfinite(lo) || !std::isfinite(hi)) return niceLimits(lo, hi);
  lo = std::clamp(lo, -kLargest, kLargest);
  hi = std::clamp(hi, -kLargest, kLargest);
  const double range = hi - lo;
  if (!(range > 1e-12 * std::max(std::abs(lo), std::abs(hi)))) return niceLimits(lo, hi);
  return {lo - margin * range, hi + margin * range};
}

}  // namespace

// ---- colours and line-style codes ----

std::optional<Rgb> colorFromLetter(char c) {
  switch (std::tolower(static_cast<unsigned char>(c))) {
    case 'k':
      return Rgb{0, 0, 0};
    case 'b':
      return Rgb{0, 0, 1};
    case 'r':
      return Rgb{1, 0, 0};
    case 'm':
      return Rgb{1, 0, 1};
    case 'c':
      return Rgb{0, 1, 1};
    case 'g':
      return Rgb{0, 1, 0};
    case 'y':
      return Rgb{1, 1, 0};
    case 'w':
      return Rgb{1, 1, 1};
    default:
      return std::nullopt;
  }
}

ColorSpec parseColor(const Value& v) {
  if (v.isText()) {
    const std::string s = lowerCase(v.text());
    if (s == "none") return ColorSpec::none();
    if (s == "auto") return ColorSpec::autoColor();
    if (s.size() == 1) {
      if (auto c = colorFromLetter(s[0])) return ColorSpec::of(*c);
    }
    static const std::array<std::pair<std::string_view, char>, 8> names = {{{"black", 'k'},
                                                                            {"blue", 'b'},
                                                                            {"red", 'r'},
                                                                            {"magenta", 'm'},
                                                                            {"cyan", 'c'},
                                                                            {"green", 'g'},
                                                                            {"yellow", 'y'},
                                                                            {"white", 'w'}}};
    for (const auto& [name, letter] : names)
      if (s == name) return ColorSpec::of(*colorFromLetter(letter));
  } else if (v.isMatrix() && v.matrix().size() == 3 && isVector(v.matrix())) {
    const double* d = v.matrix().data();
    bool ok = true;
    for (int i = 0; i < 3; ++i) ok = ok && std::isfinite(d[i]) && d[i] >= 0 && d[i] <= 1;
    if (ok) return ColorSpec::of({d[0], d[1], d[2]});
  }
  throw RuntimeError("Invalid colour " +
                     (v.isText() ? quoted(v.text()) : "[" + v.describe() + "]") +
                     ": use a colour letter (k b r m c g y w), a colour name, [r g b] with "
                     "values from 0 to 1, \"none\" or \"auto\".");
}

LineSpec parseLineSpec(std::string_view code) {
  LineSpec s;
  const auto fail = [&](const std::string& why) {
    throw RuntimeError("Invalid line-style code " + quoted(code) + ": " + why + ".");
  };
  for (std::size_t i = 0; i < code.size();) {
    const char c = code[i];
    if (c == '-' || c == ':') {
      std::string style(1, c);
      if (c == '-' && i + 1 < code.size() && (code[i + 1] == '-' || code[i + 1] == '.'))
        style += code[i + 1];
      if (s.lineStyle) fail("more than one line style");
      s.lineStyle = style;
      i += style.size();
      continue;
    }
    if (auto rgb = colorFromLetter(c)) {
      if (s.color) fail("more than one colour");
      s.color = rgb;
    } else if (const char m = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
               m != 0 && kMarkers.find(m) != std::string_view::npos) {
      if (s.marker) fail("more than one marker");
      s.marker = m;
    } else {
      fail(quoted(std::string(1, c)) + " is not a colour (k b r m c g y w), a marker (" +
           std::string(kMarkers) + ") or a line style (- -- : -.)");
    }
    ++i;
  }
  return s;
}

std::array<double, 2> pixelsPerUnit(std::string_view units) {
  if (ieq(units, "pixels")) return {1, 1};
  if (ieq(units, "points")) return {kPixelsPerPoint, kPixelsPerPoint};
  if (ieq(units, "inches")) return {96, 96};
  if (ieq(units, "centimeters")) return {96 / 2.54, 96 / 2.54};
  if (ieq(units, "characters")) return {kCharWidthPx, kCharHeightPx};
  throw RuntimeError(
      "Unknown units " + quoted(units) +
      ": use \"pixels\", \"points\", \"inches\", \"centimeters\" or \"characters\".");
}

// ---- compact storage of objects ----

const double& Doubles::at(std::size_t i) const {
  if (i >= n_) throw std::out_of_range("Doubles::at");
  return p_[i];
}

bool operator==(Doubles a, Doubles b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

LineCoords& LineCoords::operator=(const LineCoords& o) {
  if (this != &o) assign(o.x(), o.y());
  return *this;
}

// Starts empty (in place, nothing to release) and takes o's coordinates.
LineCoords::LineCoords(LineCoords&& o) noexcept {
  *this = std::move(o);
}

LineCoords& LineCoords::operator=(LineCoords&& o) noexcept {
  if (this == &o) return *this;
  release();
  nx_ = o.nx_;
  ny_ = o.ny_;
  if (inPlace()) {
    local_[0] = o.local_[0];
    local_[1] = o.local_[1];
  } else {
    block_ = o.block_;
  }
  o.nx_ = o.ny_ = 0;
  o.local_[0] = o.local_[1] = 0;
  return *this;
}

void LineCoords::release() noexcept {
  if (!inPlace()) delete[] block_;
  nx_ = ny_ = 0;
  local_[0] = local_[1] = 0;
}

void LineCoords::assign(std::span<const double> x, std::span<const double> y) {
  constexpr std::size_t most = std::numeric_limits<std::uint32_t>::max();
  if (x.size() > most || y.size() > most)
    throw RuntimeError("A line can hold at most " + std::to_string(most) + " points.");
  const std::size_t n = x.size() + y.size();
  if (n <= 2) {
    // The values may be this line's own: read them before anything changes.
    double v[2] = {0, 0};
    std::copy(x.begin(), x.end(), v);
    std::copy(y.begin(), y.end(), v + x.size());
    release();
    local_[0] = v[0];
    local_[1] = v[1];
  } else {
    auto* block = new double[n];
    std::copy(x.begin(), x.end(), block);
    std::copy(y.begin(), y.end(), block + x.size());
    release();
    block_ = block;
  }
  nx_ = static_cast<std::uint32_t>(x.size());
  ny_ = static_cast<std::uint32_t>(y.size());
}

namespace {
constexpr std::array<std::string_view, 5> kLineStyles = {"-", "--", ":", "-.", "none"};
}  // namespace

LineStyleName::LineStyleName(std::string_view s) {
  const auto it = std::find(kLineStyles.begin(), kLineStyles.end(), s);
  if (it == kLineStyles.end())
    throw RuntimeError("Invalid line style " + quoted(s) + ": use -, --, :, -. or none.");
  code_ = static_cast<std::uint8_t>(it - kLineStyles.begin());
}

std::string_view LineStyleName::view() const {
  return kLineStyles[code_];
}

TagText& TagText::operator=(std::string s) {
  if (s.empty()) {
    text_.reset();
  } else if (text_) {
    *text_ = std::move(s);
  } else {
    text_ = std::make_unique<std::string>(std::move(s));
  }
  return *this;
}

const std::string& TagText::str() const {
  static const std::string none;
  return text_ ? *text_ : none;
}

// ---- objects ----

namespace {

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
  throw RuntimeError("There is no " + std::string(prop) + " property on the " + className() +
                     " class.");
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

// ---- axes ----

Axes::Axes(Figure& fig, Handle h) : fig_(&fig), handle_(h) {}

void Axes::touch() {
  fig_->touch();
}

namespace {

std::vector<std::unique_ptr<Object>>::iterator firstAtOrAfter(
    std::vector<std::unique_ptr<Object>>& v, Handle h) {
  return std::lower_bound(v.begin(), v.end(), h, [](const std::unique_ptr<Object>& o, Handle x) {
    return o->handle() < x;
  });
}

}  // namespace

Object* Axes::find(Handle h) const {
  // Handles are given out in increasing order and children are only ever
  // appended, so the list stays sorted by handle.
  auto it = firstAtOrAfter(children_, h);
  if (it != children_.end() && (*it)->handle() == h) return it->get();
  const std::size_t g = groupOf(h);
  if (g == groups_.size()) return nullptr;
  expandGroup(g);
  it = firstAtOrAfter(children_, h);
  return it->get();
}

std::size_t Axes::groupOf(Handle h) const {
  auto it = std::lower_bound(groups_.begin(), groups_.end(), h,
                             [](const PointGroup& g, Handle x) { return g.last() < x; });
  if (it == groups_.end() || h < it->first || h != std::floor(h)) return groups_.size();
  return static_cast<std::size_t>(it - groups_.begin());
}

void Axes::expandGroup(std::size_t g) const {
  PointGroup& group = groups_[g];
  std::vector<std::unique_ptr<Object>> lines;
  lines.reserve(group.size());
  for (std::size_t i = 0; i < group.size(); ++i) {
    auto line = std::make_unique<Line>(group.styleOf(i));
    line->setData({group.xy[2 * i]}, {group.xy[2 * i + 1]});
    line->handle_ = group.first + static_cast<double>(i);
    line->parent_ = const_cast<Axes*>(this);
    lines.push_back(std::move(line));
  }
  auto at = firstAtOrAfter(children_, group.first);
  children_.insert(at, std::make_move_iterator(lines.begin()),
                   std::make_move_iterator(lines.end()));
  groups_.erase(groups_.begin() + static_cast<std::ptrdiff_t>(g));
}

const std::vector<std::unique_ptr<Object>>& Axes::children() const {
  while (!groups_.empty()) expandGroup(groups_.size() - 1);
  return children_;
}

std::size_t Axes::childCount() const {
  std::size_t n = children_.size();
  for (const PointGroup& g : groups_) n += g.size();
  return n;
}

std::vector<Object*> Axes::restyleTargets() {
  std::vector<Object*> out;
  out.reserve(children_.size() + groups_.size());
  visit([&](const Object& o) { out.push_back(const_cast<Object*>(&o)); },
        [&](const PointGroup& g) {
          for (const auto& st : g.styles) out.push_back(st.get());
        });
  return out;
}

bool Line::sameLook(const Line& o) const {
  // The fields of Object and Line but the data, handle and parent.
  static_assert(sizeof(Line) == 176 || sizeof(void*) != 8,
                "a new Line property must be compared in sameLook");
  return tag == o.tag && visible == o.visible && color == o.color && lineWidth == o.lineWidth &&
         markerSize == o.markerSize && lineStyle == o.lineStyle && marker == o.marker &&
         markerFaceColor == o.markerFaceColor && markerEdgeColor == o.markerEdgeColor;
}

Handle Axes::plotPoints(std::vector<double> xy, const Line& style) {
  const std::size_t n = xy.size() / 2;
  xy.resize(2 * n);
  auto shared = std::make_unique<Line>(style);
  shared->setData({}, {});
  shared->tag = style.tag;
  newPlot();
  // Each plot of one point without a colour takes the next colour in turn.
  colorIndex_ = static_cast<int>((static_cast<std::size_t>(colorIndex_) + n) % kColorOrder.size());
  if (n == 0) return 0;
  shared->parent_ = this;
  shared->handle_ = 0;
  // Points that follow the last group with nothing made in between join it,
  // sharing its style where they look the same; others start a group.
  PointGroup fresh;
  PointGroup* g = &fresh;
  std::size_t k = 0;
  if (!groups_.empty() && groups_.back().last() == fig_->lastHandle()) {
    PointGroup& last = groups_.back();
    while (k < last.styles.size() && !last.styles[k]->sameLook(*shared)) ++k;
    if (k < 256) {
      g = &last;
    } else {
      k = 0;
    }
  }
  if (k == g->styles.size()) {
    g->styles.push_back(std::move(shared));
    g->extents.emplace_back();
  }
  const Handle first = fig_->allocateHandles(n);
  if (k != 0 && g->styleIndex.empty()) g->styleIndex.assign(g->size(), 0);
  if (!g->styleIndex.empty())
    g->styleIndex.insert(g->styleIndex.end(), n, static_cast<std::uint8_t>(k));
  for (std::size_t i = 0; i < xy.size(); i += 2) g->extents[k].add(xy[i], xy[i + 1]);
  if (g == &fresh) {
    fresh.first = first;
    fresh.xy = std::move(xy);
    groups_.push_back(std::move(fresh));
  } else {
    g->xy.insert(g->xy.end(), xy.begin(), xy.end());
  }
  touch();
  return first;
}

void Axes::adopt(std::unique_ptr<Object> o) {
  o->handle_ = fig_->allocateHandle();
  o->parent_ = this;
  children_.push_back(std::move(o));
  touch();
}

void Axes::applyProps(Object& o, const ValueList& props) {
  if (props.size() % 2 != 0) throw RuntimeError("Invalid parameter/value pair arguments.");
  for (std::size_t i = 0; i < props.size(); i += 2) {
    if (!props[i].isText()) throw RuntimeError("Invalid parameter/value pair arguments.");
    o.set(props[i].text(), props[i + 1]);
  }
}

Rgb Axes::nextColor() {
  const Rgb c = kColorOrder[static_cast<std::size_t>(colorIndex_) % kColorOrder.size()];
  ++colorIndex_;
  return c;
}

void Axes::newPlot() {
  if (hold_) return;
  children_.clear();
  groups_.clear();
  title_.clear();
  notes_ = {};
  manualX_.reset();
  manualY_.reset();
  equal_ = false;
  colorIndex_ = 0;
  touch();
}

Line& Axes::plot(const std::vector<double>& x, const std::vector<double>& y, std::string_view code,
                 const ValueList& props) {
  if (x.size() != y.size()) throw RuntimeError("Vectors must be the same length.");
  auto lines = plot(Mat(Eigen::Map<const Mat>(x.data(), 1, static_cast<Eigen::Index>(x.size()))),
                    Mat(Eigen::Map<const Mat>(y.data(), 1, static_cast<Eigen::Index>(y.size()))),
                    code, props);
  return *lines.front();
}

std::vector<Line*> Axes::plot(const Mat& x, const Mat& y, std::string_view code,
                              const ValueList& props) {
  // Everything is checked and built before the axes change, so a bad code,
  // size or property leaves the picture as it was.
  const LineSpec style = parseLineSpec(code);
  std::vector<std::pair<std::vector<double>, std::vector<double>>> series;
  if (x.size() == 0 && y.size() == 0) {
    series.emplace_back();
  } else if (isVector(x) && isVector(y)) {
    if (x.size() != y.size()) throw RuntimeError("Vectors must be the same length.");
    series.emplace_back(flat(x), flat(y));
  } else if (isVector(x)) {
    for (auto& ys : seriesAgainst(y, x.size())) series.emplace_back(flat(x), std::move(ys));
    if (series.empty()) throw RuntimeError("Vectors must be the same length.");
  } else if (isVector(y)) {
    for (auto& xs : seriesAgainst(x, y.size())) series.emplace_back(std::move(xs), flat(y));
    if (series.empty()) throw RuntimeError("Vectors must be the same length.");
  } else {
    if (x.rows() != y.rows() || x.cols() != y.cols())
      throw RuntimeError("Matrix dimensions must agree.");
    for (Eigen::Index j = 0; j < x.cols(); ++j) series.emplace_back(column(x, j), column(y, j));
  }

  std::vector<std::unique_ptr<Line>> made;
  for (auto& [xs, ys] : series) {
    auto line = std::make_unique<Line>();
    line->setData(xs, ys);
    if (style.color) line->color = *style.color;
    line->lineStyle = style.lineStyle ? *style.lineStyle : (style.marker ? "none" : "-");
    line->marker = style.marker.value_or(0);
    applyProps(*line, props);
    made.push_back(std::move(line));
  }

  newPlot();
  const bool colorGiven = style.color || hasProperty(props, "Color");
  std::vector<Line*> out;
  for (auto& line : made) {
    if (!colorGiven) line->color = nextColor();
    out.push_back(&add(std::move(line)));
  }
  return out;
}

Text& Axes::text(double x, double y, std::string s, const ValueList& props) {
  auto t = std::make_unique<Text>();
  t->x = x;
  t->y = y;
  t->string = std::move(s);
  applyProps(*t, props);
  return add(std::move(t));
}

Patch& Axes::patch(const std::vector<double>& x, const std::vector<double>& y, ColorSpec face,
                   const ValueList& props) {
  if (x.size() != y.size()) throw RuntimeError("Vectors must be the same length.");
  if (face.mode == ColorSpec::Mode::Auto)
    throw RuntimeError("A patch needs a face colour or \"none\", not \"auto\".");
  auto p = std::make_unique<Patch>();
  p->xdata = x;
  p->ydata = y;
  p->faceColor = face;
  applyProps(*p, props);
  return add(std::move(p));
}

void Axes::cla() {
  children_.clear();
  groups_.clear();
  title_.clear();
  notes_ = {};
  colorIndex_ = 0;
  touch();
}

bool Axes::remove(Handle h) {
  if (const std::size_t g = groupOf(h); g < groups_.size()) expandGroup(g);
  auto it = firstAtOrAfter(children_, h);
  if (it == children_.end() || (*it)->handle() != h) return false;
  children_.erase(it);
  touch();
  return true;
}

void Axes::axisAuto() {
  manualX_.reset();
  manualY_.reset();
  touch();
}

void Axes::axisEqual() {
  equal_ = true;
  touch();
}

void Axes::axisNormal() {
  equal_ = false;
  touch();
}

void Axes::setLimits(const Limits& l) {
  for (double v : l) {
    if (!std::isfinite(v)) {
      throw RuntimeError("Axis limits must be finite numbers: [" + num2str(l[0]) + " " +
                         num2str(l[1]) + " " + num2str(l[2]) + " " + num2str(l[3]) + "].");
    }
  }
  if (!(l[0] < l[1]) || !(l[2] < l[3])) {
    throw RuntimeError("Axis limits must be increasing: [" + num2str(l[0]) + " " + num2str(l[1]) +
                       " " + num2str(l[2]) + " " + num2str(l[3]) + "].");
  }
  manualX_ = std::array<double, 2>{l[0], l[1]};
  manualY_ = std::array<double, 2>{l[2], l[3]};
  touch();
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

std::optional<Limits> Axes::dataExtent() const {
  Extent e;
  for (const auto& o : children_)
    if (o->visible) o->addExtent(e);
  for (const PointGroup& g : groups_)
    for (std::size_t k = 0; k < g.styles.size(); ++k) {
      // The positions of a group never change: their extent was found once.
      const Extent& x = g.extents[k];
      if (!g.styles[k]->visible || !x.any) continue;
      e.add(x.box[0], x.box[2]);
      e.add(x.box[1], x.box[3]);
    }
  if (!e.any) return std::nullopt;
  return e.box;
}

std::array<double, 2> Axes::autoLimits(double lo, double hi) const {
  const double margin = notes_.autoMargin;
  return margin > 0 ? paddedLimits(lo, hi, margin) : niceLimits(lo, hi);
}

std::optional<Limits> Axes::extentForLimits() const {
  return (manualX_ && manualY_) ? std::nullopt : dataExtent();
}

Limits Axes::limitsFor(double boxWidthPx, double boxHeightPx) const {
  return limitsFor(boxWidthPx, boxHeightPx, extentForLimits());
}

Limits Axes::limitsFor(double boxWidthPx, double boxHeightPx,
                       const std::optional<Limits>& ext) const {
  std::array<double, 2> xl = {0, 1}, yl = {0, 1};
  if (manualX_) {
    xl = *manualX_;
  } else if (ext) {
    xl = autoLimits((*ext)[0], (*ext)[1]);
  }
  if (manualY_) {
    yl = *manualY_;
  } else if (ext) {
    yl = autoLimits((*ext)[2], (*ext)[3]);
  }
  if (equal_ && boxWidthPx > 0 && boxHeightPx > 0) {
    // Widen the range that has fewer data units per pixel, about its centre,
    // so both axes show the same units per pixel. Halves first, so manual
    // limits near the largest doubles do not overflow.
    const double ux = (0.5 * xl[1] - 0.5 * xl[0]) / boxWidthPx,
                 uy = (0.5 * yl[1] - 0.5 * yl[0]) / boxHeightPx;
    constexpr double big = std::numeric_limits<double>::max();
    if (ux > uy) {
      const double c = 0.5 * yl[0] + 0.5 * yl[1], half = ux * boxHeightPx;
      yl = {std::max(c - half, -big), std::min(c + half, big)};
    } else if (uy > ux) {
      const double c = 0.5 * xl[0] + 0.5 * xl[1], half = uy * boxWidthPx;
      xl = {std::max(c - half, -big), std::min(c + half, big)};
    }
  }
  return {xl[0], xl[1], yl[0], yl[1]};
}

std::array<double, 4> Axes::boxPx(double figWidthPx, double figHeightPx) const {
  return boxPx(figWidthPx, figHeightPx, nullptr);
}

std::pair<std::array<double, 4>, Limits> Axes::boxAndLimitsPx(double figWidthPx,
                                                              double figHeightPx) const {
  const std::optional<Limits> ext = extentForLimits();
  const auto box = boxPx(figWidthPx, figHeightPx, &ext);
  return {box, limitsFor(box[2], box[3], ext)};
}

std::array<double, 4> Axes::boxPx(double figWidthPx, double figHeightPx,
                                  const std::optional<Limits>* ext) const {
  const auto box = convertPosition(position, units, "pixels", {figWidthPx, figHeightPx});
  if (!ieq(units, "normalized")) return box;
  return withTextRoom(box, textRoomPx(box[3], ext), figWidthPx, figHeightPx);
}

std::array<double, 4> Axes::textRoomPx(double boxHeightPx) const {
  return textRoomPx(boxHeightPx, nullptr);
}

std::array<double, 4> Axes::textRoomPx(double boxHeightPx, const std::optional<Limits>* ext) const {
  // Tick labels of five characters at 10 points and a line of 10-point text
  // per axis title, with the gaps the renderer leaves. An axis title on the
  // left goes beyond the tick labels, so their width is estimated then.
  constexpr double tickLabels = 45, tickLine = 24, titleLine = 20, gaps = 14;
  const double left =
      notes_.ylabel.empty()
          ? tickLabels
          : std::max(tickLabels, yTickLabelsWidthPx(boxHeightPx, ext) + gaps) + titleLine;
  return {left, tickLine + (notes_.xlabel.empty() ? 0 : titleLine), 12,
          title_.empty() ? 14.0 : 32.0};
}

double Axes::yTickLabelsWidthPx(double boxHeightPx, const std::optional<Limits>* ext) const {
  // The limits before equal units widen them (the labels stay as long), and
  // the finest tick step the renderer tries for a box of this height: its
  // labels have the most decimals.
  std::array<double, 2> yl = {0, 1};
  if (manualY_) {
    yl = *manualY_;
  } else if (const auto e = ext ? *ext : dataExtent()) {
    yl = autoLimits((*e)[2], (*e)[3]);
  }
  const double range = yl[1] - yl[0];
  if (!(range > 0) || !std::isfinite(range) || !(boxHeightPx > 1)) return 0;
  const TickStep s = niceStepAtLeast(range * 40.0 / boxHeightPx);
  const auto ticks = tickValues(yl[0], yl[1], s);
  if (ticks.size() > 1000) return 0;
  const int exponent = tickLabelExponent(ticks, s);
  // Advances of DejaVu Sans at 10 points: digits 8.5 pixels, the decimal
  // point 4.2, the minus sign 11.2.
  double widest = 0;
  for (double v : ticks) {
    double w = 0;
    for (char c : tickLabel(v, s, exponent)) w += c == '.' ? 4.2 : c == '-' ? 11.2 : 8.5;
    widest = std::max(widest, w);
  }
  return widest;
}

void Axes::setAutoMargin(double fraction) {
  if (!std::isfinite(fraction) || fraction < 0 || fraction > 1)
    throw RuntimeError("An axis margin must be a fraction from 0 to 1, not " + num2str(fraction) +
                       ".");
  notes_.autoMargin = fraction;
  touch();
}

double Axes::boxWidth() const {
  const auto s = fig_->sizePx();
  return boxPx(s[0], s[1])[2];
}

double Axes::boxHeight() const {
  const auto s = fig_->sizePx();
  return boxPx(s[0], s[1])[3];
}

void Axes::setBoxSize(double widthPx, double heightPx) {
  if (!(widthPx > 0) || !(heightPx > 0) || !std::isfinite(widthPx) || !std::isfinite(heightPx))
    return;
  if (ieq(units, "normalized")) {
    if (!(position[2] > 0) || !(position[3] > 0)) return;
    // The figure size whose box, text room taken, has the size asked for.
    // The room depends a little on the height, so it is found in turns.
    double fw = widthPx / position[2], fh = heightPx / position[3];
    bool fits = false;
    for (int turn = 0; turn < 4 && !fits; ++turn) {
      const auto room = textRoomPx(position[3] * fh);
      fw = figureSizeFor(widthPx, position[0], position[2], room[0], room[2]);
      fh = figureSizeFor(heightPx, position[1], position[3], room[1], room[3]);
      const auto box = boxPx(fw, fh);
      fits = std::abs(box[2] - widthPx) <= 1e-9 * widthPx &&
             std::abs(box[3] - heightPx) <= 1e-9 * heightPx;
    }
    const std::array<double, 4> px = {0, 0, fits ? fw : widthPx / position[2],
                                      fits ? fh : heightPx / position[3]};
    const auto f = convertPosition(px, "pixels", fig_->units, {kScreenWidthPx, kScreenHeightPx});
    fig_->position[2] = f[2];
    fig_->position[3] = f[3];
  } else {
    const auto ppu = pixelsPerUnit(units);
    position[2] = widthPx / ppu[0];
    position[3] = heightPx / ppu[1];
  }
  touch();
}

Value Axes::get(std::string_view prop) const {
  if (ieq(prop, "Type")) return Value("axes");
  if (ieq(prop, "Children")) {
    const auto n = static_cast<Eigen::Index>(childCount());
    Mat h(n, 1);
    Eigen::Index i = n;
    visit([&](const Object& o) { h(--i, 0) = o.handle(); },
          [&](const PointGroup& g) {
            for (std::size_t k = 0; k < g.size(); ++k) h(--i, 0) = g.first + static_cast<double>(k);
          });
    return Value(std::move(h));
  }
  if (ieq(prop, "Parent")) return Value(fig_->handle());
  if (ieq(prop, "Tag")) return Value(tag);
  if (ieq(prop, "Units")) return Value(units);
  if (ieq(prop, "Position")) return rowOf(position);
  if (ieq(prop, "XLim") || ieq(prop, "YLim")) {
    const Limits l = limits();
    return ieq(prop, "XLim") ? rowOf(std::vector<double>{l[0], l[1]})
                             : rowOf(std::vector<double>{l[2], l[3]});
  }
  if (ieq(prop, "XLimMode")) return Value(manualX_ ? "manual" : "auto");
  if (ieq(prop, "YLimMode")) return Value(manualY_ ? "manual" : "auto");
  if (ieq(prop, "NextPlot")) return Value(hold_ ? "add" : "replace");
  if (ieq(prop, "Color")) return rgbValue(color);
  if (ieq(prop, "Title")) return Value(title_);
  if (ieq(prop, "XLabel")) return Value(notes_.xlabel);
  if (ieq(prop, "YLabel")) return Value(notes_.ylabel);
  throw RuntimeError("There is no " + std::string(prop) + " property on the Axes class.");
}

void Axes::set(std::string_view prop, const Value& v) {
  if (ieq(prop, "Units")) {
    const std::string u = oneOf(v, kUnits, "Units", "Axes");
    const auto s = fig_->sizePx();
    position = convertPosition(position, units, u, s);
    units = u;
  } else if (ieq(prop, "Position")) {
    const auto p = fourNumbers(v, "Position", "Axes");
    if (!(p[2] > 0) || !(p[3] > 0))
      badValue("Position", "Axes", v, "must be [left bottom width height] with positive sizes");
    position = p;
  } else if (ieq(prop, "XLim")) {
    manualX_ = increasingPair(v, "XLim", "Axes");
  } else if (ieq(prop, "YLim")) {
    manualY_ = increasingPair(v, "YLim", "Axes");
  } else if (ieq(prop, "XLimMode") || ieq(prop, "YLimMode")) {
    const bool isX = ieq(prop, "XLimMode");
    const bool manual = oneOf(v, {"auto", "manual"}, prop, "Axes") == "manual";
    const Limits l = limits();
    auto& m = isX ? manualX_ : manualY_;
    if (!manual) {
      m.reset();
    } else if (!m) {
      m = isX ? std::array<double, 2>{l[0], l[1]} : std::array<double, 2>{l[2], l[3]};
    }
  } else if (ieq(prop, "NextPlot")) {
    hold_ = oneOf(v, {"add", "replace"}, "NextPlot", "Axes") == "add";
  } else if (ieq(prop, "Color")) {
    color = rgbOnly(v, "Color", "Axes");
  } else if (ieq(prop, "Tag")) {
    tag = textOf(v, "Tag", "Axes");
  } else if (ieq(prop, "Title")) {
    title_ = textOf(v, "Title", "Axes");
  } else if (ieq(prop, "XLabel")) {
    notes_.xlabel = textOf(v, "XLabel", "Axes");
  } else if (ieq(prop, "YLabel")) {
    notes_.ylabel = textOf(v, "YLabel", "Axes");
  } else if (ieq(prop, "Type") || ieq(prop, "Children") || ieq(prop, "Parent")) {
    readOnly(prop, "Axes");
  } else {
    throw RuntimeError("There is no " + std::string(prop) + " property on the Axes class.");
  }
  touch();
}

// ---- figure ----

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

Value Figure::get(std::string_view prop) const {
  if (ieq(prop, "Type")) return Value("figure");
  if (ieq(prop, "Children")) return Value(axes_->handle());
  if (ieq(prop, "Parent")) return Value(0.0);
  if (ieq(prop, "Tag")) return Value(tag);
  if (ieq(prop, "Units")) return Value(units);
  if (ieq(prop, "Position")) return rowOf(position);
  if (ieq(prop, "Color")) return rgbValue(color);
  if (ieq(prop, "Pointer")) return Value(pointer);
  if (ieq(prop, "PointerShapeCData")) return Value(pointerShapeCData);
  throw RuntimeError("There is no " + std::string(prop) + " property on the Figure class.");
}

void Figure::set(std::string_view prop, const Value& v) {
  if (ieq(prop, "Units")) {
    const std::string u = oneOf(v, kUnits, "Units", "Figure");
    position = convertPosition(position, units, u, {kScreenWidthPx, kScreenHeightPx});
    units = u;
  } else if (ieq(prop, "Position")) {
    const auto p = fourNumbers(v, "Position", "Figure");
    if (!(p[2] > 0) || !(p[3] > 0))
      badValue("Position", "Figure", v, "must be [left bottom width height] with positive sizes");
    position = p;
  } else if (ieq(prop, "Color")) {
    color = rgbOnly(v, "Color", "Figure");
  } else if (ieq(prop, "Pointer")) {
    pointer =
        oneOf(v,
              {"arrow", "watch", "custom", "crosshair", "fullcrosshair", "ibeam", "hand", "fleur",
               "topl", "topr", "botl", "botr", "left", "top", "right", "bottom", "circle", "cross"},
              "Pointer", "Figure");
  } else if (ieq(prop, "PointerShapeCData")) {
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
    pointerShapeCData = m;
  } else if (ieq(prop, "Tag")) {
    tag = textOf(v, "Tag", "Figure");
  } else if (ieq(prop, "Type") || ieq(prop, "Children") || ieq(prop, "Parent")) {
    readOnly(prop, "Figure");
  } else {
    throw RuntimeError("There is no " + std::string(prop) + " property on the Figure class.");
  }
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
