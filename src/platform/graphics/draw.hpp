// The renderer's drawing of an axes on a backend: its children, legend, box,
// ticks and titles. Internal to platform/graphics (render.cpp puts them
// together).
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/graphics/backend.hpp"
#include "platform/graphics/plot_layout.hpp"
#include "platform/matrix/progress.hpp"

namespace varnok::graphics {

inline constexpr double kPt = kPixelsPerPoint;
inline constexpr double kAxesFontPt = 10;
inline constexpr double kTitleFontPt = 11;
inline constexpr double kAxisTitleFontPt = 10;
inline constexpr double kLegendFontPt = 9;
inline constexpr const char* kAxesFont = "DejaVu Sans";

enum class HAlign { Left, Center, Right };
enum class VAlign { Top, Middle, Bottom, Baseline };

// Draws s (line breaks make several lines) anchored at (x, y) in the current
// font.
void drawText(DrawingBackend& b, std::string_view s, double x, double y, HAlign h, VAlign v);

// Selects a font face at a size in points (a size that cannot be drawn gets
// the axes font's).
void selectFont(DrawingBackend& b, const char* face, double sizePt);

// The points drawing an object costs: a line's vertices and markers, one
// for any other object.
std::size_t pointsToDraw(const Object& o);

// Points drawn between two progress reports.
inline constexpr std::size_t kProgressStep = 1 << 16;

// Counts drawn points and reports them to progress in steps.
class WorkCounter {
 public:
  WorkCounter(Progress& p, std::size_t total) : p_(p) {
    p_.start("Drawing the picture", static_cast<long>(total));
  }
  // False once the listener cancelled.
  bool add(std::size_t n) {
    pending_ += n;
    if (pending_ < kProgressStep) return true;
    p_.advance(static_cast<long>(pending_));
    pending_ = 0;
    return !p_.cancelled();
  }
  void finish() {
    if (pending_ > 0) p_.advance(static_cast<long>(pending_));
    p_.finish();
  }

 private:
  Progress& p_;
  std::size_t pending_ = 0;
};

// The axes' children in drawing order, within the plot box of f; width and
// height bound the picture.
void drawChildren(DrawingBackend& b, const Frame& f, const Axes& ax, double width, double height,
                  WorkCounter& work);

// The legend, in the corner of the box where it hides the fewest points.
void drawLegend(DrawingBackend& b, const Frame& f, const Axes& ax);

// The colour bar right of the box, when the axes have one.
void drawColorBar(DrawingBackend& b, const Frame& f, const Axes& ax);

// The box, ticks, tick labels, axis titles and title.
void drawAxesFrame(DrawingBackend& b, const Frame& f, const Axes& ax);

}  // namespace varnok::graphics
