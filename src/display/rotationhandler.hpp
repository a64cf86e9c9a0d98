// rotationhandler: turning the reference form step by step through a dialog.
#pragma once

#include "platform/matrix/console.hpp"
#include "platform/matrix/types.hpp"
#include "platform/window/window.hpp"

namespace varnok::display {

inline constexpr const char* kRotationTitle =
    "Reference Rotation Selection, Positive is Counter-Clockwise";
inline constexpr const char* kRotationPrompt = "Enter Desired Rotation, or Zero to end rotation";

struct RotationResult {
  double theta = 0;  // total angle turned, radians, counter-clockwise
  RowVec reference;  // the form turned by theta, centroid size kept
};

// ROTATIONHANDLER  Draws the reference (magenta asterisks, landmark numbers
// when NumberButton is on) and asks for a rotation in degrees, turning and
// redrawing after each answer, until the user enters 0, cancels or the dialog
// fails. The first question offers defangle (10 when it is 0), each later one
// the previous answer. An answer that holds no number is refused with a
// message box and asked again, since no angle can be made of it.
RotationResult rotationhandler(window::Window& window, Console* console, const Mat& reference,
                               double defangle);

// Writes num2str(k) beside each landmark k of the row (offset 0.02 data
// units) when the control NumberButton exists and is on.
void landmarkNumbers(window::Window& window, const Mat& row);
// Writes the numbers whatever the control says.
void landmarkNumbers(graphics::Axes& ax, const Mat& row);

// Turns a specimen row by theta radians about the origin, keeping its
// trailing value.
RowVec turnRow(const Mat& row, double theta);

}  // namespace varnok::display
