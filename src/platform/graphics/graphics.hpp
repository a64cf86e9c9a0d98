// The retained graphics object model: a Figure with one current Axes whose
// children (lines, texts, patches) are drawn in order.
//
// Actions build pictures with plot/text/title/axis/cla/hold exactly as a user
// of an interactive plotting runtime would; tests inspect the model; the
// renderer (render.hpp) draws it on screen and into files. Every object has a
// numeric handle and a Type ("line", "text", "patch"); properties can be read
// and written by name with get/set, using the runtime's property names.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/matrix/types.hpp"
#include "platform/matrix/value.hpp"

namespace varnok::graphics {

using Handle = double;

struct Rgb {
  double r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// A colour that may also be "none" (not drawn) or "auto" (the object's Color).
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

// A parsed line-style code such as "ko", "k-", "r", "k:", "b*", "--".
struct LineSpec {
  std::optional<Rgb> color;
  std::optional<std::string> lineStyle;  // "-", "--", ":", "-.", absent = not given
  std::optional<char> marker;            // one of ".ox+*sdv^<>ph"
};
// Throws RuntimeError for a code that is not a line-style code.
LineSpec parseLineSpec(std::string_view code);

// The thirteen marker characters, in the order symbol code tables index them.
inline constexpr std::string_view kMarkers = ".ox+*sdv^<>ph";

class Figure;

class Object {
 public:
  virtual ~Object() = default;
  Handle handle() const { return handle_; }
  virtual std::string type() const = 0;
  // Property access by the runtime's names. Unknown names or bad values throw
  // RuntimeError ("There is no X property on the Line class." and the like).
  virtual Value get(std::string_view prop) const;
  virtual void set(std::string_view prop, const Value& v);

  std::string tag;
  bool visible = true;

 protected:
  friend class Axes;
  Handle handle_ = 0;
};

class Line : public Object {
 public:
  std::string type() const override { return "line"; }
  Value get(std::string_view prop) const override;
  void set(std::string_view prop, const Value& v) override;

  std::vector<double> xdata, ydata;
  Rgb color;
  std::string lineStyle = "-";  // "-", "--", ":", "-.", "none"
  double lineWidth = 0.5;       // points
  char marker = 0;              // 0 = none, else one of kMarkers
  double markerSize = 6;        // points
  ColorSpec markerFaceColor = ColorSpec::none();
  ColorSpec markerEdgeColor = ColorSpec::autoColor();
};

class Text : public Object {
 public:
  std::string type() const override { return "text"; }
  Value get(std::string_view prop) const override;
  void set(std::string_view prop, const Value& v) override;

  double x = 0, y = 0;
  std::string string;  // may hold line breaks
  Rgb color;
  double fontSize = 10;                       // points
  std::string horizontalAlignment = "left";   // left, center, right
  std::string verticalAlignment = "middle";   // top, middle, bottom, baseline
};

class Patch : public Object {
 public:
  std::string type() const override { return "patch"; }
  Value get(std::string_view prop) const override;
  void set(std::string_view prop, const Value& v) override;

  std::vector<double> xdata, ydata;  // one closed polygon
  ColorSpec faceColor = ColorSpec::of({0, 0, 0});
  ColorSpec edgeColor = ColorSpec::none();
  double lineWidth = 0.5;
};

// Axis limits [xmin xmax ymin ymax].
using Limits = std::array<double, 4>;

class Axes {
 public:
  explicit Axes(Figure& fig, Handle h);
  Handle handle() const { return handle_; }

  const std::vector<std::unique_ptr<Object>>& children() const { return children_; }
  Object* find(Handle h) const;

  // plot(x, y, code, property pairs): one line object. With hold off the axes
  // are reset first (children, title, limits, equal scaling), as a new plot.
  // An empty code draws a solid line in the next colour of the colour order.
  Line& plot(const std::vector<double>& x, const std::vector<double>& y,
             std::string_view code = "", const ValueList& props = {});
  // plot of matrices: one line per column (x may be a vector shared by all).
  std::vector<Line*> plot(const Mat& x, const Mat& y, std::string_view code = "",
                          const ValueList& props = {});
  Text& text(double x, double y, std::string s, const ValueList& props = {});
  Patch& patch(const std::vector<double>& x, const std::vector<double>& y, ColorSpec face,
               const ValueList& props = {});
  void setTitle(std::string t) { title_ = std::move(t), touch(); }
  const std::string& title() const { return title_; }

  // Removes every child and the title; hold, limits mode and scaling stay.
  void cla();
  // Removes one child; false when no child has that handle.
  bool remove(Handle h);

  void hold(bool on) { hold_ = on; }
  bool held() const { return hold_; }

  // axis "auto": limits follow the data. axis "equal": one data unit is the
  // same length on both axes (limits widen to fill the box). axis "normal":
  // the box is filled without equal units. setLimits: manual limits.
  void axisAuto();
  void axisEqual();
  void axisNormal();
  void setLimits(const Limits& l);
  // The limits in force for the current box size (what the renderer draws and
  // axis reads back).
  Limits limits() const;
  bool equalUnits() const { return equal_; }
  bool autoLimits() const { return !manual_.has_value(); }
  // The extent of the data (all children), or nullopt with no data.
  std::optional<Limits> dataExtent() const;

  // Size of the plot box in pixels, on which the limits under equal units
  // depend. Set by the window when it is resized.
  void setBoxSize(double widthPx, double heightPx);
  double boxWidth() const { return boxW_; }
  double boxHeight() const { return boxH_; }

  // Position of the axes in its figure: [left bottom width height], fractions
  // of the figure (Units "normalized").
  std::array<double, 4> position = {0.09, 0.08, 0.88, 0.85};
  std::string units = "normalized";

  Figure& figure() const { return *fig_; }

 private:
  void touch();
  Handle nextHandle();
  void newPlotIfNeeded();
  void applyProps(Object& o, const ValueList& props);

  Figure* fig_;
  Handle handle_;
  std::vector<std::unique_ptr<Object>> children_;
  std::string title_;
  bool hold_ = false;
  bool equal_ = false;
  std::optional<Limits> manual_;
  double boxW_ = 560, boxH_ = 420;
  int colorIndex_ = 0;
};

class Figure {
 public:
  Figure();
  Handle handle() const { return 1; }
  Axes& axes() { return *axes_; }
  const Axes& axes() const { return *axes_; }

  // Any object of the figure (the figure itself is handle 1, its axes has
  // its own handle); null when none.
  Object* find(Handle h) const { return axes_->find(h); }

  // Window properties.
  std::string pointer = "arrow";  // "arrow", "watch", "custom"
  Mat pointerShapeCData;          // 16 x 16: 1 black, 2 white, NaN transparent
  std::string units = "pixels";
  std::array<double, 4> position = {0, 0, 1000, 700};
  Rgb color = {0.94, 0.94, 0.94};

  // Counts every change, so a window can tell when to repaint.
  std::uint64_t version() const { return version_; }
  void touch() { ++version_; }

  Handle allocateHandle() { return nextHandle_ += 1.0; }

 private:
  std::unique_ptr<Axes> axes_;
  std::uint64_t version_ = 0;
  Handle nextHandle_ = 1.0;
};

}  // namespace varnok::graphics
