#include "shell/actions.hpp"

#include "analysis/pipeline.hpp"
#include "analysis/result_files.hpp"
#include "analysis/scree.hpp"
#include "display/deformation_actions.hpp"
#include "display/markers.hpp"
#include "display/score_plot.hpp"
#include "display/superimposition.hpp"
#include "io/code_load.hpp"
#include "io/load_data.hpp"
#include "io/load_reference.hpp"
#include "shell/help.hpp"
#include "style/settings.hpp"

namespace varnok::shell {

// Matching order is the order of this table. An action whose entry has no
// function is not built yet: the dispatcher tells the user so.
const std::vector<ActionEntry>& actionTable() {
  static const std::vector<ActionEntry> table = {
      // clang-format off
      {"LoadData", io::LoadData},
      {"LoadReference", io::LoadReference},
      {"LoadGroupList", analysis::LoadGroupList},
      {"NoGroupList", analysis::NoGroupList},
      {"ShowMeans", display::ShowMeans},
      {"ShowProcrustes", display::ShowProcrustes},
      {"ShowBC", display::ShowBC},
      {"ShowSBR", display::ShowSBR},
      {"ShowPCAAxis", display::ShowPCAAxis},
      {"ShowPCADeformationPS", display::ShowPCADeformationPS},
      {"ShowPCADeformationBC", display::ShowPCADeformationBC},
      {"ShowPCADeformationSBR", display::ShowPCADeformationSBR},
      {"PlaceM1", display::PlaceM1},
      {"PlaceM2", display::PlaceM2},
      {"RestoreMarkers", display::RestoreMarkers},
      {"ShowMarker1PCA", display::ShowMarker1PCA},
      {"ShowMarker2PCA", display::ShowMarker2PCA},
      {"ShowMarkerDif", display::ShowMarkerDif},
      {"UpXAxis", display::UpXAxis},
      {"DownXAxis", display::DownXAxis},
      {"UpYAxis", display::UpYAxis},
      {"DownYAxis", display::DownYAxis},
      {"UpDisplay", display::UpDisplay},
      {"DownDisplay", display::DownDisplay},
      {"SavePCA", analysis::SavePCA},
      {"SaveEigen", analysis::SaveEigen},
      {"SavePCMatrix", analysis::SavePCMatrix},
      {"SaveOneAxis", analysis::SaveOneAxis},
      {"SaveWarp", analysis::SaveWarp},
      {"SaveRef", analysis::SaveRef},
      {"ScreePlot", analysis::ScreePlot},
      {"ScreePercentages", analysis::ScreePercentages},
      {"CheckSig", analysis::CheckSig},
      {"SetPlotDensity", style::SetPlotDensity},
      {"ArrowHeads", style::ArrowHeads},
      {"NoArrowHeads", style::NoArrowHeads},
      {"SetReferenceSymbol", style::SetReferenceSymbol},
      {"SetLineFormat1", style::SetLineFormat1},
      {"SetLineWidth", style::SetLineWidth},
      {"CodeLoad", io::CodeLoad},
      {"SetBWCode", style::SetBWCode},
      {"ShowSymbolCodes", style::ShowSymbolCodes},
      {"CopyHints", CopyHints},
      {"FileHints", FileHints},
      {"ManualHint", ManualHint},
      {"ClearData", ClearData},
      // clang-format on
  };
  return table;
}

const std::vector<std::string>& actionNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (const auto& e : actionTable()) n.emplace_back(e.name);
    return n;
  }();
  return names;
}

const std::vector<std::string>& subroutineNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n = {"axes1_ButtondownFcn"};
    for (const char* tag :
         {"pushbutton4",  "pushbutton5",  "ScaleBox",     "ExclusionBox", "FiveBox",
          "alphabox",     "pushbutton1",  "pushbutton2",  "pushbutton3",  "edit2",
          "edit3",        "edit4",        "edit5",        "pushbutton6",  "pushbutton7",
          "edit6",        "pushbutton8",  "edit7",        "pushbutton9",  "VarianceBox",
          "listbox1",     "pushbutton10", "pushbutton11", "pushbutton12", "pushbutton13",
          "pushbutton14", "pushbutton15", "BaseBox1",     "BaseBox2",     "pushbutton16",
          "pushbutton17", "RangeBox",     "PCALabel",     "pushbutton21", "pushbutton22",
          "pushbutton23", "edit12",       "listbox2",     "RotationBox",  "AxisOnePos",
          "AxisTwoPos",   "radiobutton9", "RefAngleBox"})
      n.push_back(std::string(tag) + "_Callback");
    return n;
  }();
  return names;
}

std::string subroutineLine(const std::string& name) {
  if (name == "axes1_ButtondownFcn") return "axes1 ButtondownFcn not implemented yet.";
  std::string tag = name.substr(0, name.size() - std::string("_Callback").size());
  return tag + " Callback not implemented yet.";
}

}  // namespace varnok::shell
