// The settings menus of the deformation pictures and the group symbols.
//
// Each settings action stores its value (the dispatcher's second argument)
// and moves the check mark of its menu group to the matching item; a value
// that matches no item is stored all the same and leaves the marks alone.
#pragma once

#include "shell/action_context.hpp"

namespace varnok::style {

void SetPlotDensity(shell::ActionContext& ctx);
void ArrowHeads(shell::ActionContext& ctx);
void NoArrowHeads(shell::ActionContext& ctx);
void SetReferenceSymbol(shell::ActionContext& ctx);
void SetLineFormat1(shell::ActionContext& ctx);
// Also applies the new width at once to the lines already drawn.
void SetLineWidth(shell::ActionContext& ctx);
// Switches between the black-and-white symbol table and the default symbols.
void SetBWCode(shell::ActionContext& ctx);
// Replaces the picture with a legend of the group symbols in use.
void ShowSymbolCodes(shell::ActionContext& ctx);

// The black-and-white symbol table: 12 rows of red, green, blue, marker
// index, size, fill flag.
const Mat& blackAndWhiteTable();

}  // namespace varnok::style
