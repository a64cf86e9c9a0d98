#include "shell/enable_controls.hpp"

namespace varnok::shell {

const std::vector<std::string>& controlsNeedingAnalysis() {
  static const std::vector<std::string> tags = {
      // the score plot and its markers
      "ShowPCAAxisButton", "DownXAxisButton", "UpXAxisButton", "DownYAxisButton", "UpYAxisButton",
      "PlaceM1Button", "PlaceM2Button", "RestoreMarkersButton", "ShowMarker1Button",
      "ShowMarker2Button", "ShowMarkerDifButton",
      // the superimposed specimens and group means
      "ShowProcrustesButton", "ShowBCButton", "ShowSBRButton", "ShowMeansPSButton",
      "ShowMeansBCButton", "ShowMeansSBRButton",
      // the deformations along an axis
      "DownDisplayButton", "UpDisplayButton", "DeformPSButton", "DeformBCButton", "DeformSBRButton",
      // result files and plots of the analysis
      "SavePCAItem", "SaveEigenItem", "SavePCMatrixItem", "SaveOneAxisItem", "SaveWarpItem",
      "ExportResultsTableItem", "ExportAlignedItem", "ScreePlotItem", "ScreePercentItem"};
  return tags;
}

std::string whyNoAnalysis(const session::AnalysisState& state) {
  if (state.DATA->size() == 0)
    return "Load a data file first (Load Data…), then run the analysis (Analyse as One Group or "
           "Analyse by Groups…).";
  if (state.PCAScores.size() == 0 || state.GLIST.rows() != state.PCAScores.rows())
    return "Run the analysis first (Analyse as One Group or Analyse by Groups…).";
  return {};
}

void enableAnalysisControls(const session::Session& session, window::Window& window) {
  const std::string why = whyNoAnalysis(session.state);
  const Value on(why.empty() ? "On" : "Off");
  for (const std::string& tag : controlsNeedingAnalysis())
    for (window::Control* c : window.findobj(tag)) {
      c->set("Enable", on);
      c->set("DisabledTip", why);
    }
}

}  // namespace varnok::shell
