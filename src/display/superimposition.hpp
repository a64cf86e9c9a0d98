// The superimposition displays: the landmarks of every specimen as DATA holds
// them (ShowProcrustes), after baseline registration (ShowBC) or sliding
// baseline registration (ShowSBR), and one mean form per group (ShowMeans).
//
// Each landmark is a marker in its group's style: the group's row of the
// symbol code table when one is in use (altcode), turned by the reference
// angle; otherwise the group's default code from ColorList. ShowProcrustes
// turns the default-styled forms by the reference angle too, ShowBC and
// ShowSBR do not. The three specimen displays fill the default markers with
// their own colour; the group means keep them hollow.
//
// The baseline landmarks are the numbers in BaseBox1 and BaseBox2 (1-based).
// ShowMeans takes the dispatcher's second argument: 1 for means in baseline
// registration, 2 for sliding baseline registration, anything else (or
// nothing) for Procrustes means.
//
// Every check is made and every form computed before the plot is cleared, so
// a refused action (no data, no analysis, a bad baseline number, a group code
// without a symbol) shows a message and leaves the picture as it was. No
// action changes the analysis state.
#pragma once

#include <vector>

#include "platform/matrix/console.hpp"
#include "platform/matrix/progress.hpp"
#include "platform/matrix/types.hpp"
#include "session/action_context.hpp"

namespace varnok::display {

void ShowProcrustes(session::ActionContext& ctx);
void ShowBC(session::ActionContext& ctx);
void ShowSBR(session::ActionContext& ctx);
void ShowMeans(session::ActionContext& ctx);

// The mean form of one group code.
struct GroupMean {
  double code = 0;  // the group code, a whole number from 1
  RowVec form;      // one specimen row, 2L + 1 values
};

// The Procrustes mean form of every group code in use, in ascending order of
// code. A group of one specimen keeps that specimen's row unchanged; a larger
// group gets the consensus of its rows fitted onto reference (a centred row of
// the same width). A code that is not a whole number of at least 1 cannot
// name a group: its specimen is left out, and the console receives "Error
// caught in GLIST loop" followed by the specimen number i, the count N, the
// code and the two dimensions of the count row (name = value, one a line).
std::vector<GroupMean> groupMeans(const Mat& data, const Mat& glist, const Mat& reference,
                                  Console* console, Progress& progress = noProgress());

}  // namespace varnok::display
