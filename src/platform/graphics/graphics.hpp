// The retained graphics object model: a Figure with one current Axes whose
// children (lines, texts, patches, arrow fields, filled contours) are drawn in
// order.
//
// Actions build pictures with plot/text/quiver/contourf/title/axis/cla/hold
// exactly as a user of an interactive plotting runtime would; tests inspect
// the model; the renderer (render.hpp) draws it on screen and into files.
// Every object has a numeric handle and a Type ("line", "text", "patch",
// "quiver" in quiver.hpp, "contour" in contour.hpp); properties can be read
// and written by name with get/set, using the runtime's property names
// (case-insensitive), through one table per class (properties.hpp).
//
// Changing a public field directly does not count as a change for repainting:
// call Figure::touch() afterwards (get/set and the Axes operations do it).
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/graphics/marker_shapes.hpp"
#include "platform/matrix/types.hpp"
#include "platform/matrix/value.hpp"

namespace varnok::graphics {

using Handle = double;

struct Rgb {
  double r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// A colour that may also be "none" (not drawn) or "auto" (the property's
// default: a line's Color for marker edges, the axes colour for marker faces).
struct ColorSpec {
  enum class Mode { Rgb, None, Auto };
  Mode mode = Mode::Auto;
  Rgb rgb;
  static ColorSpec none() { return {Mode::None, {}}; }
  static ColorSpec autoColor() { return {Mode::Auto, {}}; }
  static ColorSpec of(Rgb c) { return {Mode::Rgb, c}; }
  bool operator==(const ColorSpec&) const = default;
};

// Colour letters k b r m c g y w.
std::optional<Rgb> colorFromLetter(char c);
// Reads a colour property value: a letter or name ("k", "red"), [r g b] with
// components 0..1, "none", "auto". Throws RuntimeError for anything else.
ColorSpec parseColor(const Value& v);

// A parsed line-style code such as "ko", "k-", "r", "k:", "b*", "--". The
// parts may come in any order ("o-r" is "r-o").
struct LineSpec {
  std::optional<Rgb> color;
  std::optional<std::string> lineStyle;  // "-", "--", ":", "-.", absent = not given
  std::optional<char> marker;            // one of kMarkers
};
// Throws RuntimeError for a code that is not a line-style code.
LineSpec parseLineSpec(std::string_view code);

// Screen geometry used to convert between units: 96 pixels per inch, so one
// point is 4/3 pixel; a character cell is 5 x 13 pixels (the width of an "x"
// and the line spacing of the default interface font).
inline constexpr double kPixelsPerPoint = 96.0 / 72.0;
inline constexpr double kCharWidthPx = 5.0;
inline constexpr double kCharHeightPx = 13.0;
// The screen a figure in "normalized" units is measured against.
inline constexpr double kScreenWidthPx = 1920.0;
inline constexpr double kScreenHeightPx = 1080.0;

class Figure;
class Axes;
class Line;
class Text;
class Patch;
class Quiver;
class Contour;

// What works on each kind of drawn object (the renderer, the plot-data
// export): Object::accept calls the visit for the object's own class. The
// kinds a visitor has nothing to do with are left to the empty defaults.
class ObjectVisitor {
 public:
  virtual void visit(const Line&) {}
  virtual void visit(const Text&) {}
  virtual void visit(const Patch&) {}
  virtual void visit(const Quiver&) {}
  virtual void visit(const Contour&) {}

 protected:
  ~ObjectVisitor() = default;
};

// Axis limits [xmin xmax ymin ymax].
using Limits = std::array<double, 4>;

// The bounding box of the finite points added to it.
struct Extent {
  Limits box = {0, 0, 0, 0};
  bool any = false;
  void add(double x, double y);
};

// A read-only run of numbers (a line's XData or YData), comparable with a
// vector.
class Doubles {
 public:
  using value_type = double;
  using iterator = const double*;
  using const_iterator = const double*;
  Doubles() = default;
  Doubles(const double* p, std::size_t n) : p_(p), n_(n) {}
  const double* data() const { return p_; }
  std::size_t size() const { return n_; }
  bool empty() const { return n_ == 0; }
  const double& operator[](std::size_t i) const { return p_[i]; }
  // Throws std::out_of_range past the end.
  const double& at(std::size_t i) const;
  const double* begin() const { return p_; }
  const double* end() const { return p_ + n_; }
  operator std::span<const double>() const { return {p_, n_}; }
  std::vector<double> vector() const { return {begin(), end()}; }
  friend bool operator==(Doubles a, Doubles b);
  friend bool operator==(Doubles a, const std::vector<double>& b) {
    return a == Doubles(b.data(), b.size());
  }

 private:
  const double* p_ = nullptr;
  std::size_t n_ = 0;
};

// A line's XData and YData in one block, the x values first. A line of at
// most one point (the common case of markers drawn one by one) keeps it in
// place, with no block of its own.
class LineCoords {
 public:
  LineCoords() = default;
  LineCoords(const LineCoords& o) { assign(o.x(), o.y()); }
  LineCoords& operator=(const LineCoords& o);
  LineCoords(LineCoords&& o) noexcept;
  LineCoords& operator=(LineCoords&& o) noexcept;
  ~LineCoords() { release(); }
  Doubles x() const { return {base(), nx_}; }
  Doubles y() const { return {base() + nx_, ny_}; }
  // Replaces both (either may be a view of this line's own values). Throws
  // RuntimeError for more than about four billion values.
  void assign(std::span<const double> x, std::span<const double> y);

 private:
  bool inPlace() const { return std::size_t{nx_} + ny_ <= 2; }
  const double* base() const { return inPlace() ? local_ : block_; }
  void release() noexcept;
  std::uint32_t nx_ = 0, ny_ = 0;
  union {
    double* block_;
    double local_[2] = {0, 0};
  };
};

// A line style, "-", "--", ":", "-." or "none", kept in one byte.
class LineStyleName {
 public:
  // Throws RuntimeError for any other text.
  LineStyleName(std::string_view s = "-");
  LineStyleName(const std::string& s) : LineStyleName(std::string_view(s)) {}
  LineStyleName(const char* s) : LineStyleName(std::string_view(s)) {}
  std::string_view view() const;
  operator std::string_view() const { return view(); }
  std::string str() const { return std::string(view()); }
  bool none() const { return code_ == 4; }
  friend bool operator==(LineStyleName a, LineStyleName b) { return a.code_ == b.code_; }
  friend bool operator==(LineStyleName a, std::string_view b) { return a.view() == b; }
  friend bool operator==(LineStyleName a, const char* b) { return a.view() == b; }
  friend std::ostream& operator<<(std::ostream& o, LineStyleName s) { return o << s.view(); }

 private:
  std::uint8_t code_ = 0;
};

// An object's Tag: most objects have none, so an empty tag takes one
// pointer and no text.
class TagText {
 public:
  TagText() = default;
  TagText(std::string s) { *this = std::move(s); }
  TagText(const char* s) : TagText(std::string(s)) {}
  TagText(const TagText& o) : text_(o.text_ ? std::make_unique<std::string>(*o.text_) : nullptr) {}
  TagText& operator=(const TagText& o) { return *this = o.str(); }
  TagText(TagText&&) noexcept = default;
  TagText& operator=(TagText&&) noexcept = default;
  TagText& operator=(std::string s);
  TagText& operator=(const char* s) { return *this = std::string(s); }
  const std::string& str() const;
  operator const std::string&() const { return str(); }
  bool empty() const { return !text_; }
  friend bool operator==(const TagText& a, std::string_view b) { return a.str() == b; }
  friend bool operator==(const TagText& a, const char* b) { return a.str() == b; }
  friend bool operator==(const TagText& a, const TagText& b) { return a.str() == b.str(); }
  friend std::ostream& operator<<(std::ostream& o, const TagText& t) { return o << t.str(); }

 private:
  std::unique_ptr<std::string> text_;
};

class Object {
 public:
  virtual ~Object() = default;
  Handle handle() const { return handle_; }
  virtual std::string type() const = 0;
  // The class name used in messages: "Line", "Text", "Patch".
  virtual const char* className() const = 0;
  // The axes the object belongs to, or null before it is added.
  const Axes* parent() const { return parent_; }

  // Property access by the runtime's names, without regard to case: the
  // class's own properties (one table per class), then those every object
  // has: Type, Tag, Visible, Parent and Children (empty). Unknown names or
  // bad values throw RuntimeError ("There is no X property on the Line
  // class." and the like).
  Value get(std::string_view prop) const;
  // Sets one property and marks the figure changed.
  void set(std::string_view prop, const Value& v);
  // Every property name, the class's own first, spelt as the runtime does.
  std::vector<std::string> propertyNames() const;
  // Adds the points that automatic limits must show (texts add none).
  virtual void addExtent(Extent&) const {}
  // Calls v.visit with the object as its own class.
  virtual void accept(ObjectVisitor& v) const = 0;

  TagText tag;
  bool visible = true;

 protected:
  // Reads or writes a property of the concrete class; false when it has no
  // such property (the common ones are tried next).
  virtual bool getOwn(std::string_view prop, Value& out) const = 0;
  virtual bool setOwn(std::string_view prop, const Value& v) = 0;
  virtual void ownPropertyNames(std::vector<std::string>& out) const = 0;
  [[noreturn]] void noSuchProperty(std::string_view prop) const;

 private:
  friend class Axes;
  Handle handle_ = 0;
  Axes* parent_ = nullptr;
};

class Line : public Object {
 public:
  std::string type() const override { return "line"; }
  const char* className() const override { return "Line"; }
  void accept(ObjectVisitor& v) const override { v.visit(*this); }
  // Properties: XData, YData, Color, LineStyle, LineWidth, Marker,
  // MarkerSize, MarkerFaceColor, MarkerEdgeColor.

  // XData and YData may differ in length while being set one after the
  // other; only the first pointCount() = min(sizes) points are drawn. NaN
  // breaks the line. Both lie in one block (LineCoords).
  Doubles xdata() const { return coords_.x(); }
  Doubles ydata() const { return coords_.y(); }
  void setXData(std::span<const double> x) { coords_.assign(x, coords_.y()); }
  void setYData(std::span<const double> y) { coords_.assign(coords_.x(), y); }
  void setData(std::span<const double> x, std::span<const double> y) { coords_.assign(x, y); }
  void setData(std::initializer_list<double> x, std::initializer_list<double> y) {
    coords_.assign({x.begin(), x.size()}, {y.begin(), y.size()});
  }
  std::size_t pointCount() const { return std::min(coords_.x().size(), coords_.y().size()); }

  Rgb color;
  double lineWidth = 0.5;   // points
  double markerSize = 6;    // points
  LineStyleName lineStyle;  // "-", "--", ":", "-.", "none"
  char marker = 0;          // 0 = none, else one of kMarkers
  ColorSpec markerFaceColor = ColorSpec::none();
  ColorSpec markerEdgeColor = ColorSpec::autoColor();

  void addExtent(Extent& e) const override;
  // Whether every property but the data (and the handle and parent) is the
  // same: points of lines that look alike share one style in a point group.
  // A property added to Line must be compared here too.
  bool sameLook(const Line& o) const;

 protected:
  bool getOwn(std::string_view prop, Value& out) const override;
  bool setOwn(std::string_view prop, const Value& v) override;
  void ownPropertyNames(std::vector<std::string>& out) const override;

 private:
  LineCoords coords_;
};

class Text : public Object {
 public:
  std::string type() const override { return "text"; }
  const char* className() const override { return "Text"; }
  void accept(ObjectVisitor& v) const override { v.visit(*this); }
  // Properties: String, Position, Color, FontSize, FontName,
  // HorizontalAlignment, VerticalAlignment.

  double x = 0, y = 0;
  std::string string;  // may hold line breaks
  Rgb color;
  double fontSize = 10;                      // points
  std::string fontName = "DejaVu Sans";      // falls back to any sans-serif face
  std::string horizontalAlignment = "left";  // left, center, right
  std::string verticalAlignment = "middle";  // top, middle, bottom, baseline

 protected:
  bool getOwn(std::string_view prop, Value& out) const override;
  bool setOwn(std::string_view prop, const Value& v) override;
  void ownPropertyNames(std::vector<std::string>& out) const override;
};

class Patch : public Object {
 public:
  std::string type() const override { return "patch"; }
  const char* className() const override { return "Patch"; }
  void accept(ObjectVisitor& v) const override { v.visit(*this); }
  // Properties: XData, YData, FaceColor, EdgeColor, LineWidth.

  // A closed polygon; NaN separates several rings, filled with the even-odd
  // rule so inner rings are holes (bands of filled contours).
  std::vector<double> xdata, ydata;
  ColorSpec faceColor = ColorSpec::of({0, 0, 0});
  ColorSpec edgeColor = ColorSpec::none();
  double lineWidth = 0.5;

  void addExtent(Extent& e) const override;

 protected:
  bool getOwn(std::string_view prop, Value& out) const override;
  bool setOwn(std::string_view prop, const Value& v) override;
  void ownPropertyNames(std::vector<std::string>& out) const override;
};

// Many single-point lines made by one action (the landmarks of a whole
// superimposition, the specimens of a score plot): every property but the
// position and the handle is shared, so it is held once, and the positions
// lie in one block. Members have the consecutive handles first, first + 1,
// ... and behave as lines of their own: reading or changing one member by
// handle, or asking for the axes' children() list, turns its group into
// ordinary lines first. Point groups made one right after the other (the
// specimens of several group codes taking turns) are kept as one group
// with a style per member, each distinct style held once.
struct PointGroup {
  Handle first = 0;
  std::vector<double> xy;  // x0 y0 x1 y1 ...
  // The shared properties, no data of their own, in the order they first
  // appear; member i has styles[styleIndex[i]] (styles[0] for every member
  // while styleIndex is empty).
  std::vector<std::unique_ptr<Line>> styles;
  std::vector<std::uint8_t> styleIndex;
  std::vector<Extent> extents;  // of each style's positions, found as they come
  std::size_t size() const { return xy.size() / 2; }
  Handle last() const { return first + static_cast<double>(size()) - 1; }
  std::size_t styleAt(std::size_t member) const {
    return styleIndex.empty() ? 0 : styleIndex[member];
  }
  const Line& styleOf(std::size_t member) const { return *styles[styleAt(member)]; }
};

// One entry of an axes legend: the marker of a drawn line beside a label.
// The entry names the line by handle, so the legend shows the marker as it is
// drawn now, restyled or not; an entry whose line is gone is not shown.
struct LegendEntry {
  std::string label;
  Handle symbol = 0;  // a line or point-group member of the same axes
  double group = 0;   // the group code the entry stands for; 0 for none
  bool operator==(const LegendEntry&) const = default;
};

class Axes {
 public:
  explicit Axes(Figure& fig, Handle h);
  Axes(const Axes&) = delete;
  Axes& operator=(const Axes&) = delete;
  Handle handle() const { return handle_; }

  // Children in drawing order (oldest first). Turns point groups into
  // ordinary lines first, so use visit() or restyleTargets() on large
  // pictures.
  const std::vector<std::unique_ptr<Object>>& children() const;
  Object* find(Handle h) const;
  // Calls onObject(const Object&) for each ordinary child and
  // onGroup(const PointGroup&) for each point group, in drawing order.
  template <class F, class G>
  void visit(F&& onObject, G&& onGroup) const {
    std::size_t g = 0;
    for (const auto& o : children_) {
      while (g < groups_.size() && groups_[g].first < o->handle()) onGroup(groups_[g++]);
      onObject(*o);
    }
    while (g < groups_.size()) onGroup(groups_[g++]);
  }
  // The number of children, point-group members included.
  std::size_t childCount() const;
  // The objects whose properties a restyling changes for every child: each
  // ordinary child and the shared style of each point group (a change there
  // is the same change to every member), in drawing order.
  std::vector<Object*> restyleTargets();

  // plot(x, y, code, property pairs): one line object. With hold off the axes
  // are reset first (children, title, limits, equal scaling), as a new plot.
  // An empty code draws a solid line in the next colour of the colour order.
  // A code with a marker and no line style draws markers only.
  Line& plot(const std::vector<double>& x, const std::vector<double>& y, std::string_view code = "",
             const ValueList& props = {});
  // plot of matrices: one line per column (x may be a vector shared by all;
  // a vector y against a matrix x, and a row of the other's length, work as
  // in the runtime). Two vectors give one line.
  std::vector<Line*> plot(const Mat& x, const Mat& y, std::string_view code = "",
                          const ValueList& props = {});
  // As newPlot() and then, held, n calls of plot({x}, {y}) that give each
  // line the fields of style (all but its data, handle and parent): n
  // single-point lines at xy = x0 y0 x1 y1 ..., held as one point group.
  // Returns the first handle (0 when xy is empty).
  Handle plotPoints(std::vector<double> xy, const Line& style);
  // A text at a data point; does not start a new plot.
  Text& text(double x, double y, std::string s, const ValueList& props = {});
  // A filled polygon; does not start a new plot.
  Patch& patch(const std::vector<double>& x, const std::vector<double>& y, ColorSpec face,
               const ValueList& props = {});
  // quiver(X, Y, U, V, scale, style, property pairs): an arrow field from the
  // nodes (X, Y) by the displacements (U, V); see quiver.hpp. Starts a new
  // plot unless held. scale 0 draws the displacements at their own length;
  // otherwise the longest arrow is 0.9 x scale times the node spacing. style
  // is a line-style code of a colour and a line style ("r", "k:").
  Quiver& quiver(const Mat& x, const Mat& y, const Mat& u, const Mat& v, double scale = 1,
                 std::string_view style = "", const ValueList& props = {});
  // contourf(X, Y, Z, levels, property pairs): filled contours of the grid
  // Z over the nodes (X, Y); see contour.hpp. levels empty: about ten round
  // levels; one number n: about n round levels; a vector: those levels.
  // Starts a new plot unless held.
  Contour& contourf(const Mat& x, const Mat& y, const Mat& z, const Mat& levels = Mat(),
                    const ValueList& props = {});
  void setTitle(std::string t) { title_ = std::move(t), touch(); }
  const std::string& title() const { return title_; }

  // What the axes show, as the routine that drew the picture recorded it
  // (the score plot records its two principal axes), so that a position
  // under the pointer can be read in the picture's own terms. cla() and a
  // new plot (hold off) forget it; adding to a held picture keeps it.
  struct Showing {
    std::string what;  // empty: nothing recorded
    std::vector<double> values;
    bool operator==(const Showing&) const = default;
  };
  void setShowing(Showing s) { notes_.showing = std::move(s); }
  const Showing& showing() const { return notes_.showing; }
  // Axis titles below the horizontal and beside the vertical axis. Like the
  // title they describe one plot: cla and a new plot clear them.
  void setXLabel(std::string s) { notes_.xlabel = std::move(s), touch(); }
  void setYLabel(std::string s) { notes_.ylabel = std::move(s), touch(); }
  const std::string& xlabel() const { return notes_.xlabel; }
  const std::string& ylabel() const { return notes_.ylabel; }
  // The legend the renderer draws in the corner of the box that hides the
  // fewest points; empty for none. cla and a new plot clear it. Changing
  // entries through legendEntries() needs a touch() afterwards.
  void setLegend(std::vector<LegendEntry> entries) { notes_.legend = std::move(entries), touch(); }
  const std::vector<LegendEntry>& legend() const { return notes_.legend; }
  std::vector<LegendEntry>& legendEntries() { return notes_.legend; }
  // Automatic limits that run a fraction of the data range beyond the data
  // on every side instead of being rounded out to tick values, so points at
  // the ends of the data sit inside the frame (0: rounded limits). A plot
  // setting, cleared with the title by cla and a new plot.
  void setAutoMargin(double fraction);
  double autoMargin() const { return notes_.autoMargin; }

  // Adds an object made elsewhere (arrow fields, filled contours) as the last
  // child, giving it a handle. Call newPlot() first where the operation
  // starts a new plot.
  template <class T>
  T& add(std::unique_ptr<T> o) {
    T& ref = *o;
    adopt(std::move(o));
    return ref;
  }
  // What a high-level drawing operation does first: with hold off, clears
  // the axes and resets title, limits and scaling; with hold on, nothing.
  void newPlot();

  // Removes every child and the title; hold, limits mode and scaling stay.
  void cla();
  // Removes one child; false when no child has that handle.
  bool remove(Handle h);

  void hold(bool on) { hold_ = on; }
  bool held() const { return hold_; }

  // axis "auto": limits follow the data. axis "equal": one data unit is the
  // same length on both axes (limits widen to fill the box). axis "normal":
  // the box is filled without equal units. setLimits: manual limits, which
  // must be finite and increasing (RuntimeError otherwise).
  void axisAuto();
  void axisEqual();
  void axisNormal();
  void setLimits(const Limits& l);
  // The limits in force for the current box size (what the renderer draws and
  // axis reads back).
  Limits limits() const { return limitsFor(boxWidth(), boxHeight()); }
  // The limits for a plot box of the given size in pixels.
  Limits limitsFor(double boxWidthPx, double boxHeightPx) const;
  bool equalUnits() const { return equal_; }
  bool autoLimits() const { return !manualX_ && !manualY_; }
  // The extent of the data (visible lines, patches, arrow fields and
  // contours; texts do not count), or nullopt with no data.
  std::optional<Limits> dataExtent() const;

  // Size of the plot box in pixels, on which the limits under equal units
  // depend: the axes Position taken in the figure's size in pixels. The
  // window keeps Figure::position in step with its plot area; setBoxSize is
  // a shorthand that resizes the figure (or, for an axes in absolute units,
  // the axes) so that the box gets this size.
  void setBoxSize(double widthPx, double heightPx);
  double boxWidth() const;
  double boxHeight() const;
  // The plot box [left bottom width height] in pixels from the lower left
  // corner of a figure of the given size. An axes in normalized units keeps
  // at least the room its tick labels, axis titles and title need around the
  // box (textRoomPx), so a small picture does not cut them off.
  std::array<double, 4> boxPx(double figWidthPx, double figHeightPx) const;
  // That room [left bottom right top] in pixels, for a box about
  // boxHeightPx high (the tick labels of the vertical axis depend on it).
  std::array<double, 4> textRoomPx(double boxHeightPx) const;
  // The plot box as boxPx and the limits for it as limitsFor, the data
  // extent found once for both (the renderer needs them on every draw).
  std::pair<std::array<double, 4>, Limits> boxAndLimitsPx(double figWidthPx,
                                                          double figHeightPx) const;

  // Axes properties by name: Type ("axes"), Children (handles, newest first,
  // as the runtime returns them), Parent, Tag, Units, Position, XLim, YLim,
  // XLimMode, YLimMode, NextPlot ("replace"/"add"), Color, and the texts
  // Title, XLabel and YLabel. Setting Units converts Position so the axes
  // stay where they are.
  Value get(std::string_view prop) const;
  void set(std::string_view prop, const Value& v);

  // Position of the axes in its figure: [left bottom width height] in Units
  // ("normalized": fractions of the figure; "pixels", "points", "inches",
  // "centimeters", "characters"). Assigning units directly does not convert.
  std::array<double, 4> position = {0.09, 0.08, 0.88, 0.85};
  std::string units = "normalized";
  Rgb color = {1, 1, 1};
  std::string tag;

  Figure& figure() const { return *fig_; }
  void touch();

 private:
  void adopt(std::unique_ptr<Object> o);
  // Turns group g into ordinary lines in their place among the children.
  void expandGroup(std::size_t g) const;
  // The group holding handle h, or groups_.size().
  std::size_t groupOf(Handle h) const;
  void applyProps(Object& o, const ValueList& props);
  Rgb nextColor();
  // The limits of an axis whose data run from lo to hi, in automatic mode.
  std::array<double, 2> autoLimits(double lo, double hi) const;
  // The data extent the limits depend on: nullopt when both are manual.
  std::optional<Limits> extentForLimits() const;
  // As the public ones, with ext the extent from extentForLimits, or nullptr
  // to find it when needed.
  Limits limitsFor(double boxWidthPx, double boxHeightPx, const std::optional<Limits>& ext) const;
  std::array<double, 4> boxPx(double figWidthPx, double figHeightPx,
                              const std::optional<Limits>* ext) const;
  std::array<double, 4> textRoomPx(double boxHeightPx, const std::optional<Limits>* ext) const;
  // About the width in pixels of the widest tick label of the vertical axis
  // in a box boxHeightPx high.
  double yTickLabelsWidthPx(double boxHeightPx, const std::optional<Limits>* ext) const;

  Figure* fig_;
  Handle handle_;
  // Handles ascending in each; the drawing order is the order of handles.
  mutable std::vector<std::unique_ptr<Object>> children_;
  mutable std::vector<PointGroup> groups_;
  // What describes the plot beside its children; reset together.
  struct Annotations {
    std::string xlabel, ylabel;
    std::vector<LegendEntry> legend;
    double autoMargin = 0;
    Showing showing;
  };
  Annotations notes_;
  std::string title_;
  bool hold_ = false;
  bool equal_ = false;
  std::optional<std::array<double, 2>> manualX_, manualY_;
  int colorIndex_ = 0;
};

class Figure {
 public:
  Figure();
  Figure(const Figure&) = delete;
  Figure& operator=(const Figure&) = delete;
  Handle handle() const { return 1; }
  Axes& axes() { return *axes_; }
  const Axes& axes() const { return *axes_; }

  // Any object of the figure (the figure itself is handle 1, its axes has
  // its own handle); null when none.
  Object* find(Handle h) const { return axes_->find(h); }

  // Property access by handle: the figure, its axes or one of the axes'
  // children. An unknown handle throws RuntimeError.
  Value getProperty(Handle h, std::string_view prop) const;
  void setProperty(Handle h, std::string_view prop, const Value& v);

  // Figure properties by name: Type ("figure"), Children, Tag, Units,
  // Position, Color, Pointer, PointerShapeCData. Setting Units converts
  // Position.
  Value get(std::string_view prop) const;
  void set(std::string_view prop, const Value& v);

  // Window properties.
  std::string pointer = "arrow";  // "arrow", "watch", "custom"
  Mat pointerShapeCData;          // 16 x 16: 1 black, 2 white, NaN transparent
  std::string units = "pixels";
  std::array<double, 4> position = {0, 0, 1000, 700};
  Rgb color = {0.94, 0.94, 0.94};
  std::string tag;

  // The figure's width and height in pixels, whatever its Units.
  std::array<double, 2> sizePx() const;

  // Counts every change, so a window can tell when to repaint.
  std::uint64_t version() const { return version_; }
  void touch() { ++version_; }

  Handle allocateHandle() { return nextHandle_ += 1.0; }
  // The handle given out last.
  Handle lastHandle() const { return nextHandle_; }
  // n consecutive handles; returns the first.
  Handle allocateHandles(std::size_t n) {
    const Handle first = nextHandle_ + 1.0;
    nextHandle_ += static_cast<double>(n);
    return first;
  }

 private:
  Handle nextHandle_ = 1.0;  // before axes_, which takes the first handle
  std::unique_ptr<Axes> axes_;
  std::uint64_t version_ = 0;
};

// The line whose markers each legend entry of ax shows, as drawn now (a
// line, or the style of a point-group member), in the order of the entries;
// null for an entry whose line is gone.
std::vector<const Line*> legendLines(const Axes& ax);

// Pixels per unit along x and y for an absolute unit ("pixels", "points",
// "inches", "centimeters", "characters"); RuntimeError for any other name.
std::array<double, 2> pixelsPerUnit(std::string_view units);

}  // namespace varnok::graphics
