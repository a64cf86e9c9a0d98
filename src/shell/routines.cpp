#include "shell/routines.hpp"

#include "platform/matrix/runtime_error.hpp"

namespace varnok::shell {

using session::RoutineFn;

const std::vector<RoutineDecl>& routineDeclarations() {
  static const std::vector<RoutineDecl> decls = {
      {"Varnok6p", -1, -1, 1},
      {"Varnoksw", 2, 0, 1},
      {"setsymbolfill", 2, 0, 1},
      {"incrementsymbolsize", 2, 0, 1},
      {"incrementlinethickness", 2, 0, 1},
      {"CopyBigImage", 1, 0, 1},
      {"setlinethickness", 2, 0, 1},
      {"setsymbolbw", 1, 0, 1},
      {"spiffyfish", 0, 0, 1},
      {"boringcursor", 0, 0, 1},
      {"CopyImageEPS", 1, 0, 1},
      {"RefAngleSetup", 1, 1, 1},
      {"guidata", 2, 1, 1},
      {"guihandles", 1, 1, 1},
      {"openfig", 2, 1, 1},
      {"basereg", 3, 1, 1},
      {"centerref", 1, 1, 1},
      {"centsize", 1, 1, 1},
      {"checkpcaRoot", 3, 1, 1},
      {"cla", -1, 1, 1},
      {"getconsensus", 1, 2, 1},
      {"getpsup", 2, 1, 1},
      {"getpw_arbit", 3, 2, 1},
      {"meth3sup", 1, 1, 1},
      {"mfload", 1, 2, 1},
      {"msgboxd", -1, -1, 1},
      {"refstandardize", 1, 1, 1},
      {"showpw5", 14, 3, 1},
      {"showshape", 2, 1, 1},
      {"showshape_rot", 3, 1, 1},
      {"showshapec", 3, 1, 1},
      {"title", -1, 1, 1},
      {"dload", 1, 1, 1},
      {"isvarname", 1, 1, 1},
      {"movegui", -1, 0, 1},
      {"centpos", 1, 1, 1},
      {"gettpse", 1, 1, 1},
      {"gettspl", 1, 1, 1},
      {"scpcoeff_arbrot", 4, 1, 3},
      {"vertxy", 1, 1, 1},
      {"aheadw", 5, 1, 1},
      {"contourf", -1, 3, 1},
      {"quiver", -1, 1, 1},
      {"reversepw6u", 2, 1, 1},
      {"reversepwarb", 2, 1, 1},
      {"rftra", 2, 1, 1},
      {"rotationhandler", 4, 2, 1},
      {"wsspline", 3, 1, 1},
      {"xyfromvert", 2, 1, 1},
      {"iskeyword", 1, 1, 1},
      {"uspline", 2, 1, 1},
      {"formrotate", 2, 1, 1},
      {"uniparmproc", 1, 1, 1},
      {"contours", -1, 2, 1},
      {"UniArbitrary", 1, 1, 3},
      {"eigsort", 2, 2, 1},
      // Added later: menu items that are not dispatcher actions.
      {"ExportResultsTable", 0, 0, 1},
      {"LoadGroupNames", 0, 0, 1},
      {"ToggleConfidenceEllipses", 0, 0, 1},
      {"ToggleDataEllipses", 0, 0, 1},
      {"ToggleConvexHulls", 0, 0, 1},
      {"ToggleIdLabels", 0, 0, 1},
      {"LoadSliders", 0, 0, 1},
      {"SlideByProcrustesDistance", 0, 0, 1},
      {"SlideByBendingEnergy", 0, 0, 1},
      {"SlideCurveEnds", 0, 0, 1},
      {"ReadCurvesAsSemilandmarks", 0, 0, 1},
      {"SlidingRounds", 0, 0, 1},
      {"ShapeAnova", 0, 0, 1},
      {"ShapeRegression", 0, 0, 1},
      {"CanonicalVariates", 0, 0, 1},
      {"FindOutliers", 0, 0, 1},
      {"StatisticsSettings", 1, 0, 1},
      {"ExportStatistics", 0, 0, 1},
      {"PooledWithinGroups", 0, 0, 1},
      {"ShowAllometryShape", 0, 0, 1},
      {"ShowCVShape", 0, 0, 1},
      {"ShowOutlierSpecimen", 0, 0, 1},
      {"CanonicalVariatesAxes", 0, 0, 1},
      {"ExportAlignedCoordinates", 0, 0, 1},
      {"LoadLinks", 0, 0, 1},
      {"LoadOutline", 0, 0, 1},
      {"ToggleOutline", 0, 0, 1},
      {"ToggleLabelWithIds", 0, 0, 1},
      {"ShowExpansionMap", 0, 0, 1},
      {"ToggleTitles", 0, 0, 1},
      {"FlipXAxisSign", 0, 0, 1},
      {"FlipYAxisSign", 0, 0, 1},
      {"ExportShapes", 0, 0, 1},
  };
  return decls;
}

session::RoutineTable buildRoutineTable(Shell& shell) {
  RoutineBindings b;
  bindShellRoutines(b, shell);
  bindIoRoutines(b);
  bindMorphoRoutines(b);
  bindStyleRoutines(b);
  bindDisplayRoutines(b);
  bindAnalysisRoutines(b);
  session::RoutineTable t;
  for (const auto& d : routineDeclarations()) {
    auto it = b.find(d.name);
    RoutineFn fn;
    if (it != b.end()) {
      fn = it->second;
    } else {
      // Declared but not built yet: a menu item that calls it says so.
      const std::string name = d.name;
      fn = [name](session::CallEnv&, const ValueList&, int) -> ValueList {
        throw RuntimeError("Not available yet: " + name);
      };
    }
    t.add({d.name, d.nin, d.nout, std::move(fn), d.column});
  }
  return t;
}

}  // namespace varnok::shell
