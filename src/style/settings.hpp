// The settings menus of the deformation pictures and the group symbols.
//
// Each settings action stores its value (the dispatcher's second argument)
// and moves the check mark of its menu group to the matching item; a value
// that matches no item is stored all the same and leaves the marks alone.
#pragma once

#include "session/action_context.hpp"

namespace varnok::style {

void SetPlotDensity(session::ActionContext& ctx);
void ArrowHeads(session::ActionContext& ctx);
void NoArrowHeads(session::ActionContext& ctx);
void SetReferenceSymbol(session::ActionContext& ctx);
void SetLineFormat1(session::ActionContext& ctx);
// Also applies the new width at once to the lines already drawn.
void SetLineWidth(session::ActionContext& ctx);
// Switches between the black-and-white symbol table and the default symbols.
void SetBWCode(session::ActionContext& ctx);
// Replaces the picture with a legend of the group symbols in use.
void ShowSymbolCodes(session::ActionContext& ctx);

// The black-and-white symbol table: 12 rows of red, green, blue, marker
// index, size, fill flag.
const Mat& blackAndWhiteTable();

}  // namespace varnok::style
