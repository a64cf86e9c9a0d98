// Session: what lasts between actions: the analysis state and the current
// folder.
//
// The current folder is where file dialogs open and against which relative
// file names are read; loading or saving a file moves it to that file's
// folder. It is kept here rather than in the process's working directory, so
// that nothing depends on where the program was started from and several
// sessions (tests among them) can run side by side.
#pragma once

#include <any>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "session/state.hpp"

namespace varnok::session {

// One curve of the loaded data's points: its first point (0-based) and how
// many follow on it; a closed outline wraps around.
struct CurveSpan {
  long long first = 0;
  long long points = 0;
  bool closed = false;
  bool operator==(const CurveSpan&) const = default;
};

// How semilandmarks are read and slid; a study starts from these.
struct SlidingChoice {
  bool readCurves = true;       // a TPS file's curves become points that slide
  bool slideCurveEnds = false;  // an open curve's ends slide too
  bool byProcrustes = false;    // minimise the distance to the reference, not the bending energy
  int rounds = 5;               // at most this many rounds of sliding and fitting
};

// Which analysis ran last, so that a change of the specimens can run it
// again the same way.
enum class LastAnalysis { None, OneGroup, GroupList };

// The user's choice of what the analysis sees of the loaded data: specimens
// mirrored back (x -> -x), specimens left out and the group codes analysed.
// The data as read stay untouched beside it; the choice makes DATA.
struct Curation {
  std::vector<bool> reflected;  // one per loaded specimen; empty: none
  std::vector<bool> excluded;   // one per loaded specimen; empty: none
  std::vector<double> groups;   // the group codes analysed; empty: every one

  bool isReflected(std::size_t i) const { return i < reflected.size() && reflected[i]; }
  bool isExcluded(std::size_t i) const { return i < excluded.size() && excluded[i]; }
  bool empty() const;
};

struct Session {
  AnalysisState state;
  std::string folder;  // absolute, ending with a separator; empty: the start folder
  // The names the loaded data file gives its specimens (TPS ID= or IMAGE=,
  // NTS row labels), one per row of DATA in file order; empty when it names
  // none. Kept beside the state, whose variables are the dispatcher's own.
  std::vector<std::string> specimenIds;
  // The names of the groups for legends, line k of a group names file
  // naming group code k (io/group_names.hpp); empty entries and codes past
  // the end have none. They outlast analyses of the data (a new group list
  // keeps them) but not a new data file.
  std::vector<std::string> groupNames;
  // What the score plot draws besides its points, chosen from the View menu
  // (display/score_plot_overlays.hpp); they last the whole session.
  struct ScorePlotChoices {
    bool confidenceEllipses = false;
    bool dataEllipses = false;
    bool convexHulls = false;
    bool idLabels = false;  // the specimens' names as labels instead of row numbers
  } scorePlot;
  // The semilandmarks of the loaded data: the curves its points lie on (a
  // TPS file's CURVES= and OUTLINES=), or the rows of a sliders file (the
  // 1-based numbers of the point before, the sliding point and the point
  // after), which then decide alone which points slide. Both empty when every
  // point is a landmark; a new data file replaces them.
  std::vector<CurveSpan> curves;
  Mat sliderRows;
  SlidingChoice sliding;
  // The wireframe drawn over every picture of a shape: pairs of 0-based
  // landmark numbers, each joined by a line, for data of linksLandmarks
  // landmarks. They outlast new data of as many landmarks and are dropped
  // with data of another number.
  struct Link {
    long long from = 0, to = 0;
    bool operator==(const Link&) const = default;
  };
  std::vector<Link> links;
  long long linksLandmarks = 0;
  // A warped outline: strokes of points (2 x n each, x in row 0) in the
  // coordinates of loaded specimen outlineSpecimen (1-based) as the data file
  // gives them. The deformation pictures carry it to their reference by the
  // spline from that specimen's landmarks. It belongs to the loaded data.
  std::vector<Mat> outline;
  long long outlineSpecimen = 0;

  // The label of group code g in legends: its name when it has one, else
  // "Group g".
  std::string groupLabel(double g) const;
  // The landmark data file last loaded (folder and name) and how many data
  // files were loaded in this session, so the window can tell that a load
  // succeeded (recent files, remembered settings).
  std::string dataFile;
  unsigned long dataLoads = 0;
  // The results of the Statistics menu since the last analysis
  // (analysis::StatisticsResults); empty when none. A new analysis or new
  // data empties it.
  std::any statistics;
  // The permutation tests' number of rearrangements and the seed of their
  // random stream.
  long permutations = 999;
  std::uint64_t permutationSeed = 1;
  // The principal axes the canonical variates use; 0: as many as allowed.
  int cvaAxes = 0;

  // The landmark rows as the data file gave them; DATA is made from them by
  // the curation. They share their block with DATA until an analysis or a
  // curation replaces DATA, so they are not kept twice.
  const Mat& loadedData() const { return *loadedData_; }
  void keepLoadedData(const SharedMat& rows) { loadedData_ = rows; }
  // The specimen names as the data file gave them.
  std::vector<std::string> loadedIds;
  // The group code of each loaded specimen from the last group list (NaN for
  // a specimen that list did not name); empty before one is loaded.
  std::vector<double> loadedGroups;
  // The name of that group list file, as the group box shows it.
  std::string groupFile;
  Curation curation;
  LastAnalysis lastAnalysis = LastAnalysis::None;
  // The number in the loaded file (1-based) of each row of DATA; empty when
  // row i is specimen i + 1.
  std::vector<long> specimenNumbers;
  // The study's table of classifiers (io/classifiers.hpp), matched to the
  // loaded specimens: values[c][i] is column c of loaded specimen i. Empty
  // before a table is loaded; a new data file forgets it.
  struct Classifiers {
    std::string file;      // as the user named it
    std::string idColumn;  // empty: the rows follow the data file's order
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> values;
    bool empty() const { return columns.empty(); }
  } classifiers;
  // The classifier columns the current groups come from (Group By); empty
  // when they come from a group list file or there is one group.
  std::vector<std::string> groupedBy;
  // Forgets the data as read and every choice made on it.
  void forgetLoadedData();

  // Choices for figures: titles over the pictures (View > Titles), the
  // principal axes whose sign the score plot, the markers and the
  // deformation pictures show flipped, and the last deformation picture
  // (display::LastDeformation), which the expansion map and the exported
  // shapes follow. The flips and that picture belong to the loaded data.
  struct FigureChoices {
    bool titles = true;
    bool outline = false;  // the warped outline in the deformation pictures
    std::vector<double> flippedAxes;
    std::any lastDeformation;
  } figures;

  // path as it names a file from the current folder (absolute paths unchanged).
  std::string resolve(std::string_view path) const;
  // Makes folder (absolute or relative to the current one) the current folder;
  // a folder that does not exist leaves the current one.
  void changeFolder(std::string_view folder);

 private:
  SharedMat loadedData_;
};

}  // namespace varnok::session
