// The axes of a figure: its drawn objects, limits, box and annotations.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/graphics/objects.hpp"
#include "platform/graphics/units.hpp"
#include "platform/matrix/types.hpp"
#include "platform/matrix/value.hpp"

namespace varnok::graphics {

class Axes {
 public:
  explicit Axes(Figure& fig, Handle h);
  Axes(const Axes&) = delete;
  Axes& operator=(const Axes&) = delete;
  Handle handle() const { return handle_; }
  // The class name used in messages.
  const char* className() const { return "Axes"; }

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
  Handle plotPoints(PointPositions positions, const Line& style);
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
  // The colour bar the renderer draws right of the box, keeping room for
  // it; nullopt for none. cla and a new plot clear it.
  void setColorBar(std::optional<ColorBar> c) { notes_.colorBar = std::move(c), touch(); }
  const std::optional<ColorBar>& colorBar() const { return notes_.colorBar; }
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
  friend struct AxesProperties;
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
    std::optional<ColorBar> colorBar;
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

}  // namespace varnok::graphics
