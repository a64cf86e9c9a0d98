// Which points of a study slide, and between which neighbours: from the
// curves of a TPS file, or from a sliders file for data that has no curves
// of its own.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "io/tps.hpp"
#include "morpho/sliding.hpp"

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

}  // namespace varnok::io
