// Figures for papers: the expansion map, titles on or off, the sign of a
// score axis flipped for display, and the shapes of the last deformation
// picture written to a file.
#pragma once

#include <string>
#include <vector>

#include "display/deformation_actions.hpp"
#include "session/action_context.hpp"

namespace varnok::display {

// The check item of the titles.
inline constexpr const char* kTitlesItem = "TitlesItem";

// One shape to write: its name and its landmarks, 2 x L.
struct NamedShape {
  std::string id;
  Mat xy;
};

// The shapes of the last deformation picture: its reference ("reference")
// and its deformed landmarks (named by what the picture shows); for a
// picture along a principal axis then the shapes at -3, -2, -1, 0, 1, 2 and
// 3 standard deviations (divisor N-1) of that axis's scores ("PC1 -3 SD"),
// each the shape the picture draws for that score with every other score 0,
// registered and turned as the picture was.
std::vector<NamedShape> shapesToExport(const session::Session& s, const LastDeformation& last);

// The shapes as a TPS file (LM=, one "x y" line a landmark, ID=) and as a
// tidy CSV table (shape,landmark,x,y), numbers with 17 significant digits so
// that they read back exactly.
std::string shapesTps(const std::vector<NamedShape>& shapes);
std::string shapesCsv(const std::vector<NamedShape>& shapes);

// View > Expansion Map: the expansion map of the last deformation picture,
// with its axis or marker, exaggeration, registration and turn.
void ShowExpansionMap(session::ActionContext& ctx);
// View > Titles: titles over the pictures on or off; off takes the title
// off the picture shown, on titles the pictures drawn from then on.
void ToggleTitles(session::ActionContext& ctx);
// Flip Sign of the X or Y score axis: the principal axis in XBox or YBox is
// shown with its sign flipped (again: as it is) by the score plot, the
// markers (which keep standing for the same shapes) and every deformation
// picture drawn after. The results and their files are untouched.
void FlipXAxisSign(session::ActionContext& ctx);
void FlipYAxisSign(session::ActionContext& ctx);
// File > Export Shapes: shapesToExport as a TPS file, or a CSV table when
// the name ends in .csv, written completely or not at all.
void ExportShapes(session::ActionContext& ctx);

}  // namespace varnok::display
