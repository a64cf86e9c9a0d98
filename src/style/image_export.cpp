#include "style/image_export.hpp"

#include <algorithm>
#include <array>
#include <string>

#include "platform/graphics/render.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::style {

namespace {

using graphics::Limits;
using Position = std::array<double, 4>;

constexpr const char* kEpsTitle = "Enter File Name for EPS file (end with .EPS)";

Limits widened(const Limits& t, double margin) {
  const double trrx = t[1] - t[0], trry = t[3] - t[2];
  return {t[0] - margin * trrx, t[1] + margin * trrx, t[2] - margin * trry, t[3] + margin * trry};
}

// Puts the axes back at their position and units when the export ends,
// however it ends, and with restoreFigureUnits the figure's units first.
class AxesRestorer {
 public:
  AxesRestorer(graphics::Axes& ax, bool restoreFigureUnits)
      : ax_(ax),
        position_(ax.position),
        units_(ax.units),
        figureUnits_(ax.figure().units),
        restoreFigureUnits_(restoreFigureUnits) {}
  ~AxesRestorer() {
    if (restoreFigureUnits_) ax_.figure().set("Units", figureUnits_);
    ax_.units = units_;
    ax_.position = position_;
    ax_.touch();
  }
  AxesRestorer(const AxesRestorer&) = delete;
  AxesRestorer& operator=(const AxesRestorer&) = delete;

 private:
  graphics::Axes& ax_;
  Position position_;
  std::string units_, figureUnits_;
  bool restoreFigureUnits_;
};

// The enlarged axes position [12 3 W-shrinkW H-shrinkH] in a plot area of W x
// H characters, its right edge kept one character inside the area; nullopt
// (after a message box) when the area is too small for it.
//
// Why the right edge: the clipboard copy's W-5 would put the box seven
// characters past the right edge, and here equal units widen the limits to
// fill the box rather than shrink the box, so the frame and the data near
// it would be cut off the picture. One character is the margin the top
// keeps (3 + H-4 = H-1).
std::optional<Position> enlargedPosition(window::Window& window, double shrinkW, double shrinkH,
                                         std::string_view title) {
  graphics::Figure& fig = window.figure();
  const auto px = fig.sizePx();
  const double w = px[0] / graphics::kCharWidthPx, h = px[1] / graphics::kCharHeightPx;
  Position p{12, 3, w - shrinkW, h - shrinkH};
  p[2] = std::min(p[2], w - p[0] - 1);
  if (!(p[2] > 1 && p[3] > 1)) {
    window.dialogs().warn(
        "The plot area is too small to export the picture; make the window "
        "larger and try again.",
        title);
    return std::nullopt;
  }
  return p;
}

void enlarge(graphics::Axes& ax, const Position& fposition, Console& console) {
  Mat row(1, 4);
  row << fposition[0], fposition[1], fposition[2], fposition[3];
  console.display("fposition", row);
  ax.set("Units", ax.figure().units);
  ax.set("Position", row);
}

}  // namespace

void CopyBigImage(window::Window& window, Console& console) {
  graphics::Figure& fig = window.figure();
  graphics::Axes& ax = fig.axes();
  const Limits t = widened(ax.limits(), 0.03);
  const auto fposition = enlargedPosition(window, 5, 4, "Copy Picture");
  if (!fposition) return;
  bool copied = false;
  {
    AxesRestorer restore(ax, true);
    fig.set("Units", "characters");
    enlarge(ax, *fposition, console);
    ax.setLimits(t);
    ax.axisEqual();
    copied = window.copyToClipboard();
  }
  ax.axisAuto();
  ax.axisEqual();
  if (copied)
    window.status("Picture copied to the clipboard (SVG, PDF and PNG).");
  else
    window.dialogs().warn("The picture could not be copied to the clipboard.", "Copy Picture");
}

void CopyImageEPS(session::Session& session, window::Window& window, Console& console) {
  graphics::Figure& fig = window.figure();
  graphics::Axes& ax = fig.axes();
  const Limits t = widened(ax.limits(), 0.075);
  const auto fposition = enlargedPosition(window, 24, 10, "Save EPS File");
  if (!fposition) return;
  AxesRestorer restore(ax, false);
  fig.set("Units", "characters");
  enlarge(ax, *fposition, console);
  ax.setLimits(t);
  ax.axisAuto();
  ax.axisEqual();
  ax.setLimits(widened(ax.limits(), 0.05));

  const auto choice = window.dialogs().uiputfile("*.*", kEpsTitle, session.folder);
  if (!choice) {
    window.status("No EPS file written: the file dialog was cancelled.");
    return;
  }
  // The name exactly as typed, in the chosen folder (a folder given relative
  // to the current one is taken from there, before the current one moves).
  const std::string filet = session.resolve(choice->folder + choice->name);
  try {
    graphics::savePicture(fig, filet, graphics::PictureFormat::Eps);
  } catch (const RuntimeError& e) {
    window.dialogs().warn(e.what(), "Save EPS File");
    return;
  }
  session.changeFolder(choice->folder);
  window.confirmSaved("the EPS picture", filet);
}

}  // namespace varnok::style
