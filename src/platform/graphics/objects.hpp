// The drawn objects of an axes: lines, texts and patches (arrow fields and
// filled contours in quiver.hpp and contour.hpp), each with its table of
// properties (properties.hpp), and the visitor that tells them apart.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/graphics/color.hpp"
#include "platform/graphics/marker_shapes.hpp"
#include "platform/graphics/storage.hpp"
#include "platform/matrix/value.hpp"

namespace varnok::graphics {

using Handle = double;

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
  // The markers' opacity, 0 to 1 (1: opaque): points drawn semi-transparent
  // show where many lie on one another. Set by the drawing action only.
  float markerAlpha = 1;
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
// Where the members of a point group are, in member order: runs of x y pairs
// of their own, and runs of landmarks read from rows of a landmark matrix
// (x y of each landmark, the centroid size last), turned by an angle when one
// is given. The matrix is shared with whoever made it, so a picture of a
// million specimens does not keep a second copy of their 24 million numbers;
// a turned landmark is computed exactly as a turned copy would have held it.
class PointPositions {
 public:
  PointPositions() = default;
  explicit PointPositions(std::vector<double> xy);  // x0 y0 x1 y1 ...; an odd last value is dropped
  // Every landmark of rows [begin, end) of rows, specimen by specimen.
  PointPositions(std::shared_ptr<const Mat> rows, Eigen::Index begin, Eigen::Index end,
                 std::optional<double> theta);

  std::size_t size() const { return size_; }
  // Member k's position.
  std::array<double, 2> at(std::size_t k) const;
  // Calls f(x, y) for each member in order until f returns false; false
  // when it stopped early.
  template <class F>
  bool forEach(F&& f) const {
    return forEachIn(0, size_, std::forward<F>(f));
  }
  // The same for members [from, to).
  template <class F>
  bool forEachIn(std::size_t from, std::size_t to, F&& f) const;
  // more's members follow these.
  void append(PointPositions&& more);

 private:
  struct Run {
    std::size_t start = 0, size = 0;  // members
    std::vector<double> xy;           // own pairs, when rows is null
    std::shared_ptr<const Mat> rows;
    Eigen::Index begin = 0, landmarks = 0;
    bool turned = false;
    double c = 1, s = 0;
  };
  std::vector<Run> runs_;
  std::size_t size_ = 0;
};

template <class F>
bool PointPositions::forEachIn(std::size_t from, std::size_t to, F&& f) const {
  to = std::min(to, size_);
  for (const Run& r : runs_) {
    if (r.start + r.size <= from) continue;
    if (r.start >= to) break;
    const std::size_t b = std::max(from, r.start) - r.start,
                      e = std::min(to, r.start + r.size) - r.start;
    if (!r.rows) {
      const double* xy = r.xy.data();
      for (std::size_t i = b; i < e; ++i)
        if (!f(xy[2 * i], xy[2 * i + 1])) return false;
      continue;
    }
    const auto L = static_cast<std::size_t>(r.landmarks);
    const auto cols = static_cast<std::size_t>(r.rows->cols());
    const double* first = r.rows->data() + static_cast<std::size_t>(r.begin) * cols;
    for (std::size_t i = b; i < e;) {
      const double* row = first + i / L * cols;
      for (std::size_t j = i % L; j < L && i < e; ++j, ++i) {
        const double px = row[2 * j], py = row[2 * j + 1];
        if (!(r.turned ? f(r.c * px - r.s * py, r.s * px + r.c * py) : f(px, py))) return false;
      }
    }
  }
  return true;
}

struct PointGroup {
  Handle first = 0;
  PointPositions positions;
  // The shared properties, no data of their own, in the order they first
  // appear; member i has styles[styleIndex[i]] (styles[0] for every member
  // while styleIndex is empty).
  std::vector<std::unique_ptr<Line>> styles;
  std::vector<std::uint8_t> styleIndex;
  std::vector<Extent> extents;  // of each style's positions, found as they come
  std::size_t size() const { return positions.size(); }
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

// A colour bar beside the plot box: the colours of a filled contour of the
// same axes against its values from lo to hi (the smallest and largest value
// it contours), labelled with the quantity they show.
struct ColorBar {
  std::string label;
  double lo = 0, hi = 0;
  Handle contour = 0;
  bool operator==(const ColorBar&) const = default;
};

}  // namespace varnok::graphics
