#include "shell/registry.hpp"

#include <algorithm>

#include "analysis/curation.hpp"
#include "analysis/group_by.hpp"
#include "analysis/pipeline.hpp"
#include "analysis/result_files.hpp"
#include "analysis/scree.hpp"
#include "display/deformation_actions.hpp"
#include "display/markers.hpp"
#include "display/score_plot.hpp"
#include "display/superimposition.hpp"
#include "io/classifiers.hpp"
#include "io/code_load.hpp"
#include "io/load_data.hpp"
#include "io/load_reference.hpp"
#include "shell/callback.hpp"
#include "shell/export_plot_data.hpp"
#include "shell/help.hpp"
#include "style/settings.hpp"

namespace varnok::shell {

namespace {

using window::FileKind;
using window::WindowCommand;

template <WindowCommand command>
void perform(session::ActionContext& ctx) {
  ctx.window.perform(command);
}

// The tags whose "TAG_Callback" is a callback sub-routine, in their order.
constexpr const char* kSubroutineTags[] = {
    "pushbutton4",  "pushbutton5",  "ScaleBox",     "ExclusionBox", "FiveBox",      "alphabox",
    "pushbutton1",  "pushbutton2",  "pushbutton3",  "edit2",        "edit3",        "edit4",
    "edit5",        "pushbutton6",  "pushbutton7",  "edit6",        "pushbutton8",  "edit7",
    "pushbutton9",  "VarianceBox",  "listbox1",     "pushbutton10", "pushbutton11", "pushbutton12",
    "pushbutton13", "pushbutton14", "pushbutton15", "BaseBox1",     "BaseBox2",     "pushbutton16",
    "pushbutton17", "RangeBox",     "PCALabel",     "pushbutton21", "pushbutton22", "pushbutton23",
    "edit12",       "listbox2",     "RotationBox",  "AxisOnePos",   "AxisTwoPos",   "radiobutton9",
    "RefAngleBox"};
constexpr std::string_view kSubroutineSuffix = "_Callback";
constexpr std::string_view kButtondown = "axes1_ButtondownFcn";

Entry action(const char* name, session::Action run, std::optional<FileKind> file = {}) {
  Entry e;
  e.name = name;
  e.run = run;
  e.file = file;
  return e;
}

// A dispatcher action that a checked menu item chooses for a display setting.
Entry choice(const char* name, session::Action run, const char* setting) {
  Entry e = action(name, run);
  e.setting = setting;
  return e;
}

Entry symbols(Entry e) {
  e.choosesSymbols = true;
  return e;
}

Entry blackAndWhite(Entry e) {
  e.blackAndWhiteSwitch = true;
  return symbols(std::move(e));
}

Entry routine(const char* name, std::optional<FileKind> file = {}) {
  Entry e;
  e.name = name;
  e.kind = EntryKind::Routine;
  e.file = file;
  return e;
}

// A picture or plot data written from the menu is recorded as the file, not
// as the command that asked for it.
Entry command(const char* name, session::Action run, std::optional<FileKind> file = {}) {
  Entry e = action(name, run, file);
  e.kind = EntryKind::WindowCommand;
  e.recorded = false;
  return e;
}

// A menu item that runs an action of its own, by its name alone (not through
// the dispatcher), and is recorded in session scripts.
Entry menuAction(const char* name, session::Action run) {
  Entry e = command(name, run);
  e.recorded = true;
  return e;
}

Entry subroutine(std::string name) {
  Entry e;
  e.name = std::move(name);
  e.kind = EntryKind::SubRoutine;
  return e;
}

std::vector<Entry> makeRegistry() {
  std::vector<Entry> r = {
      // The dispatcher's actions; matching order is the order here.
      action("LoadData", io::LoadData, FileKind::Data),
      action("LoadReference", io::LoadReference, FileKind::Reference),
      action("LoadGroupList", analysis::LoadGroupList, FileKind::GroupList),
      action("NoGroupList", analysis::NoGroupList),
      action("ShowMeans", display::ShowMeans),
      action("ShowProcrustes", display::ShowProcrustes),
      action("ShowBC", display::ShowBC),
      action("ShowSBR", display::ShowSBR),
      action("ShowPCAAxis", display::ShowPCAAxis),
      action("ShowPCADeformationPS", display::ShowPCADeformationPS),
      action("ShowPCADeformationBC", display::ShowPCADeformationBC),
      action("ShowPCADeformationSBR", display::ShowPCADeformationSBR),
      action("PlaceM1", display::PlaceM1),
      action("PlaceM2", display::PlaceM2),
      action("RestoreMarkers", display::RestoreMarkers),
      action("ShowMarker1PCA", display::ShowMarker1PCA),
      action("ShowMarker2PCA", display::ShowMarker2PCA),
      action("ShowMarkerDif", display::ShowMarkerDif),
      action("UpXAxis", display::UpXAxis),
      action("DownXAxis", display::DownXAxis),
      action("UpYAxis", display::UpYAxis),
      action("DownYAxis", display::DownYAxis),
      action("UpDisplay", display::UpDisplay),
      action("DownDisplay", display::DownDisplay),
      action("SavePCA", analysis::SavePCA, FileKind::Results),
      action("SaveEigen", analysis::SaveEigen, FileKind::Results),
      action("SavePCMatrix", analysis::SavePCMatrix, FileKind::Results),
      action("SaveOneAxis", analysis::SaveOneAxis, FileKind::Results),
      action("SaveWarp", analysis::SaveWarp, FileKind::Results),
      action("SaveRef", analysis::SaveRef, FileKind::Results),
      action("ScreePlot", analysis::ScreePlot),
      action("ScreePercentages", analysis::ScreePercentages),
      action("CheckSig", analysis::CheckSig),
      choice("SetPlotDensity", style::SetPlotDensity, "density"),
      choice("ArrowHeads", style::ArrowHeads, "arrowHeads"),
      choice("NoArrowHeads", style::NoArrowHeads, "arrowHeads"),
      choice("SetReferenceSymbol", style::SetReferenceSymbol, "referenceSymbol"),
      choice("SetLineFormat1", style::SetLineFormat1, "lineFormat"),
      choice("SetLineWidth", style::SetLineWidth, "lineWidth"),
      symbols(action("CodeLoad", io::CodeLoad, FileKind::SymbolTable)),
      blackAndWhite(action("SetBWCode", style::SetBWCode)),
      action("ShowSymbolCodes", style::ShowSymbolCodes),
      action("CopyHints", CopyHints),
      action("FileHints", FileHints),
      action("ManualHint", ManualHint),
      action("ClearData", ClearData),
      // Menu items that call a routine of the routine table by name.
      routine("ExportResultsTable", FileKind::Results),
      routine("LoadGroupNames"),
      routine("ToggleConfidenceEllipses"),
      routine("ToggleDataEllipses"),
      routine("ToggleConvexHulls"),
      routine("ToggleIdLabels"),
      // The same switch under the name of its menu item, for scripts.
      routine("ToggleLabelWithIds"),
      routine("LoadSliders", FileKind::Data),
      routine("SlideByProcrustesDistance"),
      routine("SlideByBendingEnergy"),
      routine("SlideCurveEnds"),
      routine("ReadCurvesAsSemilandmarks"),
      routine("SlidingRounds"),
      routine("ShapeAnova"),
      routine("ShapeRegression"),
      routine("CanonicalVariates"),
      routine("FindOutliers"),
      routine("StatisticsSettings"),
      routine("ExportStatistics", FileKind::Results),
      routine("PooledWithinGroups"),
      routine("ShowAllometryShape"),
      routine("ShowCVShape"),
      routine("ShowOutlierSpecimen"),
      routine("CanonicalVariatesAxes"),
      routine("ExportAlignedCoordinates", FileKind::Results),
      // Wireframes over the pictures of a shape.
      routine("LoadLinks"),
      // Warped outlines in the deformation pictures.
      routine("LoadOutline"),
      routine("ToggleOutline"),
      // Figures for papers.
      routine("ShowExpansionMap"),
      routine("ToggleTitles"),
      routine("FlipXAxisSign"),
      routine("FlipYAxisSign"),
      routine("ExportShapes", FileKind::Results),
      routine("CopyImageEPS", FileKind::Picture),
      routine("CopyBigImage"),
      routine("incrementsymbolsize"),
      routine("incrementlinethickness"),
      routine("setsymbolbw"),
      routine("spiffyfish"),
      routine("boringcursor"),
      // The window's own commands.
      command("Quit", perform<WindowCommand::Close>),
      command("About", perform<WindowCommand::About>),
      command("UserGuide", perform<WindowCommand::UserGuide>),
      command("ExportPicture", perform<WindowCommand::ExportPicture>),
      command("SaveSessionScript", perform<WindowCommand::SaveSession>),
      command("ExportPlotData", ExportPlotData, FileKind::Picture),
      // The Data menu: which specimens the analysis sees.
      menuAction("FindMirrored", analysis::FindMirrored),
      menuAction("ReflectSpecimens", analysis::ReflectSpecimens),
      menuAction("ExcludeSpecimens", analysis::ExcludeSpecimens),
      menuAction("IncludeAllSpecimens", analysis::IncludeAllSpecimens),
      menuAction("SelectGroups", analysis::SelectGroups),
      // Groups from the study's table of classifiers.
      menuAction("LoadClassifiers", io::LoadClassifiers),
      menuAction("GroupBy", analysis::GroupBy),
  };
  r.push_back(subroutine(std::string(kButtondown)));
  for (const char* tag : kSubroutineTags)
    r.push_back(subroutine(tag + std::string(kSubroutineSuffix)));
  return r;
}

const Entry* find(std::string_view name, bool action) {
  for (const Entry& e : registry())
    if ((e.kind == EntryKind::Action) == action && e.name == name) return &e;
  return nullptr;
}

class RegistryCatalog final : public window::Catalog {
 public:
  window::CallbackFacts factsOf(std::string_view callback) const override {
    window::CallbackFacts facts;
    const auto call = parseCallback(callback);
    if (!call) return facts;
    ValueList args;
    for (const auto& a : call->args) {
      const Value* v = std::get_if<Value>(&a);
      args.push_back(v ? *v : Value());
    }
    const Entry* e = entryOfCall(call->name, args);
    if (!e) return facts;
    facts.file = e->file;
    facts.setting = e->setting;
    facts.blackAndWhiteSwitch = e->blackAndWhiteSwitch;
    facts.choosesSymbols = e->choosesSymbols;
    facts.recorded = e->recorded;
    return facts;
  }
  std::vector<std::string> displaySettings() const override {
    std::vector<std::string> out;
    for (const Entry& e : registry())
      if (!e.setting.empty() && std::find(out.begin(), out.end(), e.setting) == out.end())
        out.push_back(e.setting);
    return out;
  }
};

}  // namespace

const std::vector<Entry>& registry() {
  static const std::vector<Entry> entries = makeRegistry();
  return entries;
}

const Entry* entryOfCall(std::string_view name, const ValueList& args) {
  if (name == "Varnoksw")
    return !args.empty() && args[0].isText() ? find(args[0].text(), true) : nullptr;
  return find(name, false);
}

std::vector<std::string> actionNames() {
  std::vector<std::string> names;
  for (const Entry& e : registry())
    if (e.kind == EntryKind::Action) names.push_back(e.name);
  return names;
}

std::vector<std::string> subroutineNames() {
  std::vector<std::string> names;
  for (const Entry& e : registry())
    if (e.kind == EntryKind::SubRoutine) names.push_back(e.name);
  return names;
}

std::string subroutineLine(std::string_view name) {
  if (name == kButtondown) return "axes1 ButtondownFcn not implemented yet.";
  return std::string(name.substr(0, name.size() - kSubroutineSuffix.size())) +
         " Callback not implemented yet.";
}

const window::Catalog& catalog() {
  static const RegistryCatalog c;
  return c;
}

}  // namespace varnok::shell
