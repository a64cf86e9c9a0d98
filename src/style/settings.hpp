// The settings menus of the deformation pictures and the group symbols.
//
// Each settings action stores its value (the dispatcher's second argument)
// and then shows the settings in the menus: the marks always name the values
// the next picture uses, so a value that matches no item of its group (a
// script may send any) leaves that group without a mark.
#pragma once

#include "session/action_context.hpp"

namespace varnok::style {

// Puts the check marks of the Settings menu and the label of the
// black-and-white switch in agreement with the state. A setting not set yet
// (before the first load) leaves its marks as they are; they show the
// defaults a load sets.
void showDisplaySettings(window::Window& w, const session::AnalysisState& s);

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
