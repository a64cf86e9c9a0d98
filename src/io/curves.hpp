// Which points of a study slide, and between which neighbours: from the
// curves of a TPS file, or from a sliders file for data that has no curves
// of its own.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "io/tps.hpp"
#include "morpho/sliding.hpp"
#include "platform/matrix/console.hpp"
#include "platform/window/window.hpp"
#include "session/session.hpp"

namespace varnok::io {

// The sliders of curves whose points follow the first `landmarks` points in
// the curves' order. An open curve's inner points slide between their two
// neighbours and its ends stay fixed, unless slideEnds: then each end slides
// along the line to its one neighbour. Every point of a closed outline of
// three or more points slides, its neighbours wrapping around.
std::vector<morpho::Slider> curveSliders(const std::vector<TpsCurve>& curves, long long landmarks,
                                         bool slideEnds);

// Reads a sliders file for L points: one slider a line, three 1-based point
// numbers "before slider after" separated by blanks, tabs or commas; blank
// lines and lines starting with '#' are skipped. The numbers must be whole,
// in 1..L and different, and a point may slide once; otherwise DataFileError
// names the file and the line.
std::vector<morpho::Slider> readSliders(std::istream& in, const std::string& displayName,
                                        long long L);

// "60 points: 6 landmarks, 54 sliding on 6 curves": what the loaded data's
// box says of a study with sliders (curves 0 for a sliders file).
std::string slidingSummary(long long points, long long sliding, std::size_t curves);

// The sliders of the loaded study: the sliders file's when one is loaded,
// else those of the data file's curves as the sliding choices say.
std::vector<morpho::Slider> studySliders(const session::Session& session);

// The line the loaded data's box ends with when the data has curves: a line
// end and the sliding summary; empty otherwise.
std::string curvesBoxLine(const session::Session& session);

// The menu item "Load Sliders...": asks for a sliders file for the loaded
// data and keeps its sliders in place of any earlier ones; a file that
// cannot be used is refused with a message and the earlier sliders stay.
void LoadSliders(session::Session& session, window::Window& window, Console& console);

// The sliding choices of the menus; each shows its check mark. "Slide by
// Procrustes Distance" puts each semilandmark at the foot of the
// perpendicular from the reference's point; "Slide by Bending Energy" (the
// default) minimises the bending energy; the other two switch.
void SlideByProcrustesDistance(session::Session& session, window::Window& window, Console& console);
void SlideByBendingEnergy(session::Session& session, window::Window& window, Console& console);
void SlideCurveEnds(session::Session& session, window::Window& window, Console& console);
void ReadCurvesAsSemilandmarks(session::Session& session, window::Window& window, Console& console);

// "Sliding Rounds...": asks for the most rounds of sliding and fitting (1 to
// 50); anything else is refused with a message and the number stays.
void SlidingRounds(session::Session& session, window::Window& window, Console& console);

}  // namespace varnok::io
