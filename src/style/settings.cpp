#include "style/settings.hpp"

#include <cmath>
#include <utility>
#include <vector>

#include "platform/graphics/marker_shapes.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"
#include "style/symbols.hpp"

namespace varnok::style {

namespace {

const Value& argument(session::ActionContext& ctx, const char* action) {
  if (!ctx.fpass)
    throw RuntimeError(std::string("Run-time Error: The action ") + action +
                       " needs a value as its second argument.");
  return *ctx.fpass;
}

// The numeric argument, refused (before anything changes) outside [lo, hi]:
// the menus send sensible values, a script or a typed callback may not.
double boundedArgument(session::ActionContext& ctx, const char* action, double lo, double hi) {
  const Value& a = argument(ctx, action);
  const double v = a.isMatrix() && a.matrix().size() == 1 ? a.scalar() : NAN;
  if (!(v >= lo && v <= hi))
    throw RuntimeError(std::string("Run-time Error: ") + action + " takes a number from " +
                       num2str(lo) + " to " + num2str(hi) + ", not " + a.describe() + ".");
  return v;
}

// Sets the property on the controls with the tag there are (a window made
// for a test may lack some).
void setEach(window::Window& w, const char* tag, const char* prop, const Value& v) {
  for (window::Control* c : w.findobj(tag)) c->set(prop, v);
}

// Marks the items whose value matches and clears the others.
template <class T, class Match>
void checkGroup(window::Window& w, const std::vector<std::pair<const char*, T>>& items,
                Match matches) {
  for (const auto& [tag, value] : items)
    setEach(w, tag, "Checked", Value(matches(value) ? "on" : "off"));
}

// A line-style code without a line style draws solid lines: "k" and "k-"
// are one line.
std::string solid(std::string code) {
  if (code.find_first_of("-:.") == std::string::npos) code += '-';
  return code;
}

}  // namespace

void showDisplaySettings(window::Window& w, const session::AnalysisState& s) {
  if (s.vplotdensity)
    checkGroup<double>(w,
                       {{"Density10", 10}, {"Density20", 20}, {"Density30", 30}, {"Density50", 50}},
                       [&](double v) { return v == *s.vplotdensity; });
  if (s.vaheads)
    checkGroup<double>(w, {{"ArrowHeads", 1}, {"NoArrowHeads", 0}},
                       [&](double v) { return (v != 0) == (*s.vaheads != 0); });
  if (s.vrefsymbol)
    checkGroup<std::string>(
        w, {{"RefSquare", "ks"}, {"RefDiamond", "kd"}, {"RefCircle", "ko"}, {"RefPlus", "k+"}},
        [&](const std::string& v) { return v == *s.vrefsymbol; });
  if (s.vlineformat1)
    checkGroup<std::string>(
        w, {{"Line1Red", "r"}, {"Line1Black", "k"}, {"Line1Dotted", "k:"}},
        [&](const std::string& v) { return solid(v) == solid(*s.vlineformat1); });
  // Tenths of a point in the menu, points in the state.
  if (s.vlinewidth)
    checkGroup<double>(
        w, {{"Weight5", 5}, {"Weight10", 10}, {"Weight15", 15}, {"Weight20", 20}, {"Weigth25", 25}},
        [&](double v) { return std::abs(v - *s.vlinewidth * 10) < 1e-9; });
  setEach(w, "BWButton", "Label",
          Value(s.altcode.value_or(0) == 1 ? "Return to Default Symbols" : "Use BW Symbols"));
}

const Mat& blackAndWhiteTable() {
  static const Mat table = (Mat(12, 6) << 0.08, 0.08, 0.08, 2, 8, 1,  //
                            0, 0, 0, 3, 8, 1,                         //
                            0, 0, 0, 13, 8, 1,                        //
                            0, 0, 0, 6, 8, 1,                         //
                            0, 0, 0, 5, 8, 1,                         //
                            0, 0, 0, 9, 8, 0,                         //
                            0, 0, 0, 8, 8, 1,                         //
                            0, 0, 0, 7, 8, 0,                         //
                            0, 0, 0, 2, 8, 0,                         //
                            0.67, 0.67, 0.67, 11, 8, 1,               //
                            0.74, 0.74, 0.74, 12, 8, 1,               //
                            0.8, 0.8, 0.8, 1, 8, 1)
                               .finished();
  return table;
}

void SetPlotDensity(session::ActionContext& ctx) {
  const double v = std::round(boundedArgument(ctx, "SetPlotDensity", 2, 200));
  ctx.state.vplotdensity = v;
  showDisplaySettings(ctx.window, ctx.state);
}

void ArrowHeads(session::ActionContext& ctx) {
  ctx.state.vaheads = 1;
  showDisplaySettings(ctx.window, ctx.state);
}

void NoArrowHeads(session::ActionContext& ctx) {
  ctx.state.vaheads = 0;
  showDisplaySettings(ctx.window, ctx.state);
}

void SetReferenceSymbol(session::ActionContext& ctx) {
  const std::string v = argument(ctx, "SetReferenceSymbol").text();
  ctx.state.vrefsymbol = v;
  showDisplaySettings(ctx.window, ctx.state);
}

void SetLineFormat1(session::ActionContext& ctx) {
  const std::string v = argument(ctx, "SetLineFormat1").text();
  ctx.state.vlineformat1 = v;
  showDisplaySettings(ctx.window, ctx.state);
  ctx.console.display("vlineformat1", v);
}

void SetLineWidth(session::ActionContext& ctx) {
  // Tenths of a point: 0.1 to 200 points.
  const double v = boundedArgument(ctx, "SetLineWidth", 1, 2000);
  ctx.state.vlinewidth = v / 10;
  showDisplaySettings(ctx.window, ctx.state);
  auto& ax = ctx.window.figure().axes();
  setlinethickness(childrenOf(ax), *ctx.state.vlinewidth);
  ax.touch();
}

void SetBWCode(session::ActionContext& ctx) {
  auto& s = ctx.state;
  if (s.altcode && *s.altcode == 0) {
    s.altcode = 1;
    s.codearray = blackAndWhiteTable();
    ctx.console.display("codearray", s.codearray);
    ctx.window.setAll("BWButton", "Label", "Return to Default Symbols");
  } else {
    s.altcode = 0;
    ctx.window.setAll("BWButton", "Label", "Use BW Symbols");
  }
}

void ShowSymbolCodes(session::ActionContext& ctx) {
  auto& s = ctx.state;
  auto& ax = ctx.window.figure().axes();
  ax.cla();
  if (s.altcode.value_or(0) != 0) {
    const Mat& table = session::need(s.codearray, "codearray");
    for (Eigen::Index i = 0; i < table.rows(); ++i) {
      const double index = table(i, 3);
      if (!(index >= 1 && index <= 13 && index == static_cast<double>(static_cast<int>(index))))
        throw RuntimeError("Run-time Error: Index exceeds matrix dimensions: marker " +
                           num2str(index) + " of the 13 symbols.");
      const double y = static_cast<double>(i + 1);
      auto& line = ax.plot(std::vector<double>{0.1}, std::vector<double>{y});
      line.set("MarkerSize", table(i, 4));
      line.marker = graphics::kMarkers[static_cast<int>(index) - 1];
      line.lineStyle = "none";
      line.color = {table(i, 0), table(i, 1), table(i, 2)};
      line.markerFaceColor = graphics::ColorSpec::none();
      ax.hold(true);
      ax.text(0.5, y, num2str(y));
    }
  } else {
    if (s.ColorList.empty()) throwUndefined("ColorList");
    for (size_t k = 0; k < s.ColorList.size(); ++k) {
      const auto i = static_cast<double>(k + 1);
      ctx.console.display("ans", std::string_view(s.ColorList[k]));
      const bool second = i > 12;
      const double x = second ? 3.1 : 0.1, y = second ? i - 12 : i;
      ax.plot(std::vector<double>{x}, std::vector<double>{y}, s.ColorList[k]);
      ax.text(x + 0.4, y, num2str(i));
      ax.hold(true);
    }
  }
  ax.axisEqual();
  graphics::Limits t = ax.limits();
  ax.setLimits({t[0] - 1, t[1] + 1, t[2] - 1, t[3] + 1});
  ax.axisEqual();
  ax.hold(false);
}

}  // namespace varnok::style
