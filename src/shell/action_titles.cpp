#include "shell/action_titles.hpp"

#include <array>
#include <utility>

namespace varnok::shell {

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 41> kTitles = {{
    {"LoadData", "Load Data"},
    {"CodeLoad", "Load Symbol Codes"},
    {"LoadReference", "Load Reference Form"},
    {"ClearData", "Clear Data"},
    {"LoadGroupList", "Analyse by Groups"},
    {"NoGroupList", "Analyse as One Group"},
    {"DownXAxis", "Change the X Axis"},
    {"UpXAxis", "Change the X Axis"},
    {"DownYAxis", "Change the Y Axis"},
    {"UpYAxis", "Change the Y Axis"},
    {"ShowPCAAxis", "Show Score Plot"},
    {"PlaceM1", "Place M1"},
    {"PlaceM2", "Place M2"},
    {"RestoreMarkers", "Redraw Markers"},
    {"ShowMarker1PCA", "Shape at M1"},
    {"ShowMarker2PCA", "Shape at M2"},
    {"ShowMarkerDif", "Shape Change M1 → M2"},
    {"ShowProcrustes", "Superimposed Specimens, Procrustes"},
    {"ShowBC", "Superimposed Specimens, Baseline"},
    {"ShowSBR", "Superimposed Specimens, Sliding Baseline"},
    {"DownDisplay", "Change the Deformation Axis"},
    {"UpDisplay", "Change the Deformation Axis"},
    {"ShowPCADeformationPS", "Deformation, Procrustes"},
    {"ShowPCADeformationBC", "Deformation, Baseline"},
    {"ShowPCADeformationSBR", "Deformation, Sliding Baseline"},
    {"SavePCA", "Save Principal Component Scores"},
    {"SaveEigen", "Save Eigenvalues"},
    {"SavePCMatrix", "Save Principal Component Matrix"},
    {"SaveOneAxis", "Save One Axis"},
    {"SaveWarp", "Save Shape Variables"},
    {"SaveRef", "Save Reference Form"},
    {"ScreePlot", "Scree Plot"},
    {"ScreePercentages", "Scree Plot of Percentages"},
    {"CheckSig", "Test for Distinct Eigenvalues"},
    {"ShowAllometryShape", "Allometric Shape Change"},
    {"ShowCVShape", "Shape Change along CV 1"},
    {"ShowOutlierSpecimen", "Show a Specimen of the Outlier Plot"},
    {"ShowExpansionMap", "Expansion Map"},
    {"FlipXAxisSign", "Flip Sign of X Axis"},
    {"FlipYAxisSign", "Flip Sign of Y Axis"},
    {"ExportShapes", "Export Shapes"},
}};

constexpr std::array<std::string_view, 3> kMeans = {
    "Group Means, Procrustes", "Group Means, Baseline", "Group Means, Sliding Baseline"};

}  // namespace

std::string actionTitle(std::string_view name, const ValueList& args) {
  // A dispatcher call names its action in its first argument.
  if (name == "Varnoksw") {
    if (args.empty() || !args.front().isText()) return {};
    return actionTitle(args.front().text(), ValueList(args.begin() + 1, args.end()));
  }
  if (name == "ShowMeans") {
    const double k = !args.empty() && args.front().isMatrix() && !args.front().isEmpty()
                         ? args.front().scalar()
                         : 0;
    return k == 1 || k == 2 ? std::string(kMeans[static_cast<size_t>(k)]) : std::string(kMeans[0]);
  }
  for (const auto& [key, title] : kTitles)
    if (key == name) return std::string(title);
  return {};
}

}  // namespace varnok::shell
