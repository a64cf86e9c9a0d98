// The analysis: LoadGroupList (group codes from a file) and NoGroupList (one
// group) form the reference, superimpose every specimen onto it, compute the
// shape variables and run the PCA, storing every result in the analysis
// state and filling the summary and axis boxes.
#pragma once

#include <optional>
#include <string>

#include "session/action_context.hpp"

namespace varnok::analysis {

void LoadGroupList(session::ActionContext& ctx);
void NoGroupList(session::ActionContext& ctx);

// Runs the analysis again on DATA as it stands: with the group codes of glist
// (one per row, the group list file named as before) or, when glist is
// empty, as one group. False when it was refused with a message; an error
// part way raises RuntimeError. Either way the state of the last analysis is
// kept until the new one has succeeded.
bool runAnalysisAgain(session::ActionContext& ctx, const Mat& glist);

// Runs the analysis with the group codes of glist (one per row of DATA, each
// a whole number the symbols can draw), the group box naming name, exactly as
// LoadGroupList runs it with a file of those codes. False when it was refused
// with a message.
bool runGroupAnalysis(session::ActionContext& ctx, Mat glist, const std::string& name);

// What makes a landmark data matrix unfit for the analysis (fewer than 2
// specimens, fewer than 3 landmarks, an even column count, a specimen whose
// landmarks all coincide or that holds values that are not finite), as a
// message for the user; nullopt when it is fit.
std::optional<std::string> dataProblem(const Mat& data);
// The same with the centroid sizes of data's coordinates (centsize) already
// computed, as a caller that has just made them need not make them again.
std::optional<std::string> dataProblem(const Mat& data, const ColVec& sizes);

// The memory the thin-plate spline and the PCA of N specimens of L landmarks
// need, in bytes (an estimate from their largest matrices, which grow with
// L squared), and the refusal for the user when it is more than the
// computer has (memoryBytes); nullopt when it fits.
double analysisBytes(Eigen::Index N, Eigen::Index L);
std::optional<std::string> sizeProblem(Eigen::Index N, Eigen::Index L, double memoryBytes);

// Why the partial warps cannot be computed on reference (a 1 x 2L+1 row):
// the thin-plate spline needs landmarks at distinct places, not all on one
// line. nullopt when it can.
std::optional<std::string> referenceProblem(const RowVec& reference);

// The first group code that cannot be drawn (not a whole number from 1 to the
// number of symbols available: 24 default symbols, or the rows of the symbol
// code table when one is in use), as a message naming its line.
std::optional<std::string> groupCodeProblem(const Mat& glist, bool useCodeTable,
                                            Eigen::Index tableRows);

// The FileBox text with one "SS distance/(n-1) =" line appended: every line
// keeps its text without trailing blanks.
std::string appendTotalVariance(const std::string& box, double tvar);

}  // namespace varnok::analysis
