// Window pointers: the Figure's Pointer property as a Qt cursor.
#pragma once

#include <QCursor>
#include <QImage>
#include <string_view>

#include "platform/matrix/types.hpp"

namespace varnok::qt {

// The 16 x 16 picture of a custom pointer: 1 black, 2 white, anything else
// (NaN) transparent. Row 1 is the top row. A matrix of another size gives a
// transparent picture of its size clipped to 16 x 16 rows and columns.
QImage pointerImage(const Mat& shape);

// "watch" is the busy cursor, "custom" the picture above with its hot spot at
// the top-left pixel, anything else (normally "arrow") the standard arrow.
// Pointer names are compared without regard to case.
QCursor cursorFor(std::string_view pointer, const Mat& shape);

}  // namespace varnok::qt
