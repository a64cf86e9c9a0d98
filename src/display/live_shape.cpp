#include "display/live_shape.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <exception>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "display/deformation_actions.hpp"
#include "display/markers.hpp"
#include "display/score_plot.hpp"
#include "display/showpw5.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::display {

namespace {

// A control as the preview sees it: read as it is, never written. With
// valueOff it reads as an unticked box (RotateRequest, so the reference
// angle stands in for the rotation dialog).
class ReadOnlyControl final : public window::Control {
 public:
  ReadOnlyControl(window::Control& inner, bool valueOff) : inner_(inner), valueOff_(valueOff) {}
  std::string tag() const override { return inner_.tag(); }
  Value get(std::string_view prop) const override {
    if (valueOff_ && prop == "Value") return Value(0.0);
    return inner_.get(prop);
  }
  void set(std::string_view, const Value&) override {
    throw RuntimeError("The live shape changes no control.");
  }
  std::string callback() const override { return inner_.callback(); }

 private:
  window::Control& inner_;
  bool valueOff_;
};

// Dialogs that open nothing: a message box is kept as the reason the picture
// was not made, anything that would wait for the user stops the preview.
class SilentDialogs final : public window::Dialogs {
 public:
  std::optional<window::FileChoice> uigetfile(std::string_view, std::string_view,
                                              std::string_view) override {
    return wait();
  }
  std::optional<window::FileChoice> uiputfile(std::string_view, std::string_view,
                                              std::string_view) override {
    return wait();
  }
  void msgbox(std::string_view text, std::string_view) override {
    if (refusal.empty()) refusal = text;
  }
  std::optional<std::vector<std::string>> inputdlg(const std::vector<std::string>&,
                                                   std::string_view,
                                                   const std::vector<std::string>&) override {
    return wait();
  }
  std::optional<window::Click> ginput() override { return wait(); }

  std::string refusal;

 private:
  [[noreturn]] static std::nullopt_t wait() {
    throw RuntimeError("The live shape cannot wait for an answer.");
  }
};

// The main window as a preview sees it: its controls read-only, the inset's
// figure for drawing, silent dialogs, no status bar.
class PreviewWindow final : public window::Window {
 public:
  PreviewWindow(window::Window& main, graphics::Figure& inset) : main_(main), inset_(inset) {}

  std::vector<window::Control*> findobj(std::string_view tag) override {
    std::vector<window::Control*> out;
    for (window::Control* c : main_.findobj(tag)) {
      views_.push_back(
          std::make_unique<ReadOnlyControl>(*c, rotationOff && tag == "RotateRequest"));
      out.push_back(views_.back().get());
    }
    return out;
  }
  graphics::Figure& figure() override { return inset_; }
  window::Dialogs& dialogs() override { return dialogs_; }
  void status(std::string_view) override {}
  void actionFailed(std::string_view, std::string_view) override {}
  void setPlotSize(int, int) override {}

  const std::string& refusal() const { return dialogs_.refusal; }
  // RotateRequest reads as off (no rotation dialog).
  bool rotationOff = true;

 private:
  window::Window& main_;
  graphics::Figure& inset_;
  SilentDialogs dialogs_;
  std::deque<std::unique_ptr<ReadOnlyControl>> views_;
};

std::string shortNumber(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3g", v);
  return buf;
}

// A position on an axis running over span, to about a thousandth of it
// (0.0725 on a plot 0.2 wide, 12.5 on one 50 wide).
std::string positionText(double v, double span) {
  int decimals = 3;
  if (span > 0 && std::isfinite(span))
    decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(span / 1000))), 0, 12);
  const double unit = std::pow(10.0, -decimals);
  if (std::abs(v) < unit / 2) v = 0;  // no "-0.0000"
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

// One line, without the runtime's prefix.
std::string oneLine(std::string text) {
  constexpr std::string_view kPrefix = "Run-time Error: ";
  if (text.rfind(kPrefix, 0) == 0) text.erase(0, kPrefix.size());
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}

// The inset as every preview starts it: empty, white, the axes leaving room
// for a title and the tick labels.
void resetInset(graphics::Figure& inset) {
  auto& ax = inset.axes();
  ax.hold(false);
  ax.newPlot();
  inset.color = {1, 1, 1};
  ax.color = {1, 1, 1};
  ax.units = "normalized";
  ax.position = {0.16, 0.12, 0.8, 0.76};
  inset.touch();
}

}  // namespace

std::string liveShape(const session::AnalysisState& s, window::Window& w, graphics::Figure& inset,
                      double x, double y) {
  resetInset(inset);
  auto refuse = [&inset](std::string why) {
    resetInset(inset);
    return oneLine(std::move(why));
  };
  const graphics::Axes& plot = w.figure().axes();
  const auto shown = scorePlotAxes(plot);
  if (!shown) return kLiveShapeNeedsScorePlot;
  const graphics::Limits lim = plot.limits();
  if (!(x >= lim[0] && x <= lim[1] && y >= lim[2] && y <= lim[3])) return kLiveShapeNeedsScorePlot;

  try {
    PreviewWindow view(w, inset);
    const auto t1 = boxNumber(view, "XBox");
    const auto t2 = boxNumber(view, "YBox");
    if (t1 && t2 && (*t1 != (*shown)[0] || *t2 != (*shown)[1]))
      return "The plot shows axes " + shortNumber((*shown)[0]) + " and " +
             shortNumber((*shown)[1]) + ": press Show Score Plot for axes " + shortNumber(*t1) +
             " and " + shortNumber(*t2);
    auto call = gatherMarkerCallAt(s, view, x, y);
    if (!call) return oneLine(view.refusal());  // nothing drawn yet
    call->style.trimreq = 0;
    // Vectors added to the picture shown (type 5) turn by defangle without
    // asking; every other type would ask, and takes the reference angle.
    view.rotationOff = call->plottype != 5;
    showpw5(view, nullptr, call->reference, call->pwscore, call->npts, call->plottype,
            call->suptype, call->b1, call->b2, call->style);
    if (!view.refusal().empty()) return refuse(view.refusal());
  } catch (const std::exception& e) {
    return refuse(e.what());
  }
  inset.axes().setTitle("Shape at (" + positionText(x, lim[1] - lim[0]) + ", " +
                        positionText(y, lim[3] - lim[2]) + ")");
  return {};
}

}  // namespace varnok::display
