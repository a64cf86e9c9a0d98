// The Statistics menu: Procrustes ANOVA of shape on the groups, the
// regression of shape on log centroid size (allometry), canonical variates
// with leave-one-out classification, outliers, the permutation settings, the
// export of every figure as one CSV table, and the pictures of the
// allometric shape change and of the shape change along CV 1 (exaggerated
// by the factor in the Scale box).
//
// Every test reads the analysis in the session (pwscores: the shape
// variables and the centroid size; GLIST: the groups), computes whole,
// prints a table to the console, draws its plot and only then keeps its
// results in the session. A refusal (one group, no analysis, a constant
// size) or a cancelled permutation test leaves the earlier results and
// the picture as they were. A new analysis or new data clears the results.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/canonical_variates.hpp"
#include "analysis/results_table.hpp"
#include "analysis/shape_statistics.hpp"
#include "session/action_context.hpp"

namespace varnok::analysis {

// What the Statistics menu computed since the last analysis.
struct StatisticsResults {
  std::optional<ShapeAnova> anova;
  std::optional<ShapeRegression> regression;  // on ln CS
  std::optional<ShapeRegression> pooled;      // pooled within groups (groups loaded)
  std::optional<CanonicalVariates> cva;
  std::optional<Outliers> outliers;
  bool empty() const { return !anova && !regression && !pooled && !cva && !outliers; }
};

// The results kept in the session, or null when nothing was computed.
const StatisticsResults* statisticsOf(const session::Session& session);
// Forgets them (a new analysis or new data).
void clearStatistics(session::Session& session);

// The CSV table of ExportStatistics: the header row and one row per figure,
// numbers with 17 significant digits, unused fields empty. ids name the
// specimens when they name every one of N.
std::string statisticsTable(const StatisticsResults& r, const std::vector<std::string>& ids);

// The columns the results table adds for what was computed: the regression
// scores, the CV scores and the distances from the mean shape.
std::vector<ResultsColumn> statisticsColumns(const session::Session& session);

// Turns the Statistics menu items on exactly when their inputs exist.
void enableStatisticsItems(const session::Session& session, window::Window& window);

// The tags of the menu items and the title of the dialogs.
inline constexpr const char* kPooledItem = "PooledWithinGroupsItem";
inline constexpr const char* kPermutationsTitle = "Permutations";
inline constexpr const char* kPermutationsPrompt = "permutations seed";
inline constexpr const char* kStatisticsFileTitle = "File Name for Statistics";
inline constexpr const char* kStatisticsTitle = "Statistics";
inline constexpr const char* kNeedsAnalysis =
    "The statistics need an analysis: load a landmark data file and run the analysis (with a "
    "group list or as one group) first.";
inline constexpr const char* kStatisticsHeader =
    "table,term,a,b,df1,df2,SS,MS,R2,F,D,p_perm,p_param,permutations,seed,value";

// The callbacks. fpass of StatisticsSettings may hold "P seed" to set them
// without asking.
void ShapeAnovaAction(session::ActionContext& ctx);
void ShapeRegressionAction(session::ActionContext& ctx);
void CanonicalVariatesAction(session::ActionContext& ctx);
void FindOutliersAction(session::ActionContext& ctx);
void StatisticsSettings(session::ActionContext& ctx);
// Asks how many principal axes the canonical variates use (0: as many as
// the data allow); fewer axes keep a small sample from being overfitted.
void CanonicalVariatesAxes(session::ActionContext& ctx);
void ExportStatistics(session::ActionContext& ctx);
void PooledWithinGroups(session::ActionContext& ctx);
// Waits for a click on the outlier plot (drawing it first when another
// picture is shown) and draws the specimen picked, its fitted landmarks
// over the mean shape.
void ShowOutlierSpecimen(session::ActionContext& ctx);
void ShowAllometryShape(session::ActionContext& ctx);
void ShowCVShape(session::ActionContext& ctx);

// Reads "P seed" (two whole numbers, P from 0 to 1000000); nullopt when the
// text is not that.
std::optional<PermutationOptions> parsePermutationSettings(const std::string& text);

}  // namespace varnok::analysis
