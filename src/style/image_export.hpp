// Picture export of the plot: to the clipboard (CopyBigImage) and to an
// Encapsulated PostScript file (CopyImageEPS).
//
// Both first enlarge the axes to nearly the whole plot area, in character
// cells (graphics::kCharWidthPx x kCharHeightPx pixels each), and widen the
// axis limits a little so nothing touches the frame; the window's controls
// are never part of the picture, which is the plot area alone. The enlarged
// position is written to the console as fposition.
//
// CopyBigImage: limits widened by 3 % of their range on each side, equal
// units, axes at [12 3 W-13 H-4] characters (W x H the plot area in
// characters: one character free at the right and at the top, so the frame
// is whole); the clipboard gets the picture in every form the window offers.
// Afterwards the axes are back at their position and units, with automatic,
// equal-unit limits.
//
// CopyImageEPS: axes at [12 3 W-24 H-10] characters, automatic equal-unit
// limits widened by 5 %; asks for a file name (the name is used exactly as
// typed: no extension is added or checked) and writes a colour EPS file
// there; the file's folder becomes the session's current folder. Afterwards
// the axes are back at their position and units; the widened limits stay,
// as does the figure's unit "characters". Cancelling writes nothing.
#pragma once

#include "platform/matrix/console.hpp"
#include "platform/window/window.hpp"
#include "session/session.hpp"

namespace varnok::style {

void CopyBigImage(window::Window& window, Console& console);
void CopyImageEPS(session::Session& session, window::Window& window, Console& console);

}  // namespace varnok::style
