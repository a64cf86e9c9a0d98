// Restyling the plotted symbols and lines of one graphics object.
//
// Each routine visits the direct children of its object (normally the current
// axes) in drawing order and changes only line objects (Type starting with
// "l"); texts and patches are left alone. Values go through the objects'
// property setters, so a size or width that is not positive is refused with
// a RuntimeError after the children before it were changed.
#pragma once

#include <vector>

#include "platform/graphics/graphics.hpp"

namespace varnok::style {

// The direct children of a handle: the axes' children for the axes, the axes
// for the figure (which then holds no line), nothing for a line or text.
// Throws RuntimeError for a handle that names no object.
std::vector<graphics::Object*> childrenOf(graphics::Figure& fig, double handle);

// isfilled 0: MarkerFaceColor "none"; otherwise the line's own Color.
void setsymbolfill(const std::vector<graphics::Object*>& children, double isfilled);
// MarkerEdgeColor and MarkerFaceColor black.
void setsymbolbw(const std::vector<graphics::Object*>& children);
// MarkerSize grows by increment (shrinks when negative).
void incrementsymbolsize(const std::vector<graphics::Object*>& children, double increment);
// LineWidth = width.
void setlinethickness(const std::vector<graphics::Object*>& children, double width);
// LineWidth grows by weight, for lines whose LineStyle is not "none".
void incrementlinethickness(const std::vector<graphics::Object*>& children, double weight);

// The same on every child of the axes. A group of points drawn at once
// shares its style, so it comes as one object whose change is every
// member's (each restyling here depends only on the line's own style).
inline std::vector<graphics::Object*> childrenOf(graphics::Axes& ax) {
  return ax.restyleTargets();
}

}  // namespace varnok::style
