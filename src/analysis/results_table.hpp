// ExportResultsTable: writes the analysis results as two tidy CSV tables that
// spreadsheets and statistics packages read directly, one row per
// observation and one named column per variable.
//
// The scores table has the header row
//   specimen,[id,]group,[group_name,][classifiers...,]centroid_size,PC1,...,PCV
// and one row per specimen in file order: its 1-based number in the loaded
// file (so the specimens left out of the analysis show), its name when
// the data file gave names (TPS ID= or IMAGE=, NTS row labels), its group
// code from GLIST, the group's name when group names are loaded (empty for
// a group without one), every column of a loaded table of classifiers under
// its own name, its centroid size, and its scores with PC1 the axis of the
// largest eigenvalue (PCAScores holds the axes in ascending order: axis k is
// its column NumPCA - k). The eigenvalue table, written beside it as
// "<stem>_eigenvalues.csv", has the header row
//   axis,eigenvalue,share,cumulative_share
// and one row per axis, PC 1 first; share is the axis's fraction of the total
// variance (percentexp) and cumulative_share the running sum of the shares.
//
// Numbers are written in the shortest form that reads back as the same
// double; a name holding a comma, a quote or a line end is quoted, its quotes
// doubled (RFC 4180), and one a spreadsheet would run as a formula (starting
// with =, +, -, @) is quoted after an apostrophe (csvField). Lines end in LF.
//
// The fitted coordinates (ExportAlignedCoordinates' table) are written
// beside them as "<stem>_coordinates.csv".
//
// Before an analysis it says "Run the analysis first" and writes nothing; a
// cancelled dialog writes nothing. The three files are written completely or
// not at all, and the save moves the current folder like the other saves.
// The result files of the Save menu are not touched.
#pragma once

#include <string>
#include <vector>

#include "platform/matrix/console.hpp"
#include "platform/window/window.hpp"
#include "session/session.hpp"

namespace varnok::analysis {

void ExportResultsTable(session::Session& session, window::Window& window, Console& console);

struct ResultsTables {
  std::string scores;
  std::string eigenvalues;
};

// The text of both tables for the analysis in state; ids are used when they
// name every specimen, numbers (the number in the loaded file of each row)
// when they number every one. Raises RuntimeError when a result is missing.
// extra: columns added after the scores (name, one value per specimen), such
// as the statistics computed since the analysis; none leaves the table as
// the analysis alone makes it.
struct ResultsColumn {
  std::string name;
  ColVec values;
};
// labels: text columns put after the group code (name, one text per
// specimen), such as the group names and the classifiers.
struct TextColumn {
  std::string name;
  std::vector<std::string> values;
};
ResultsTables resultsTables(const session::AnalysisState& state,
                            const std::vector<std::string>& ids,
                            const std::vector<long>& numbers = {},
                            const std::vector<ResultsColumn>& extra = {},
                            const std::vector<TextColumn>& labels = {});

// The text columns of the session's results table: group_name when group
// names are loaded, then the loaded classifiers, one value per row of DATA.
std::vector<TextColumn> labelColumns(const session::Session& session);

// The eigenvalue table's path for the scores table's path:
// "dir/name.csv" -> "dir/name_eigenvalues.csv".
std::string eigenvaluesPathFor(const std::string& scoresPath);
// The fitted coordinates' path: "dir/name.csv" -> "dir/name_coordinates.csv".
std::string coordinatesPathFor(const std::string& scoresPath);

inline constexpr const char* kRunAnalysisFirst = "Run the analysis first";

}  // namespace varnok::analysis
