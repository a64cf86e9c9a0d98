#include "display/outline.hpp"

#include "display/showpw5.hpp"
#include "morpho/tps.hpp"
#include "morpho/vertxy.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::display {

OutlineSource outlineSource(const session::Session& s) {
  OutlineSource out;
  if (!s.figures.outline || s.outline.empty()) return out;
  const Mat& rows = s.loadedData().size() > 0 ? s.loadedData() : *s.state.DATA;
  const long long n = s.outlineSpecimen;
  if (n < 1 || n > rows.rows() || rows.cols() < 3) return out;
  out.landmarks = morpho::vertxy(rows.row(static_cast<Eigen::Index>(n - 1)));
  out.strokes = s.outline;
  return out;
}

std::vector<Mat> carryOutline(const OutlineSource& source, const Mat& reference) {
  if (source.empty() || reference.rows() != 1 || reference.cols() % 2 == 0) return {};
  const Mat to = morpho::vertxy(reference);
  if (to.cols() != source.landmarks.cols()) return {};
  Mat weight;
  try {
    weight = deformationWeights(source.landmarks, to);
  } catch (const RuntimeError&) {
    return {};
  }
  std::vector<Mat> out;
  out.reserve(source.strokes.size());
  for (const Mat& stroke : source.strokes)
    out.push_back(morpho::tpsMap(source.landmarks, weight, stroke));
  return out;
}

void drawOutline(graphics::Axes& ax, const std::vector<Mat>& strokes, graphics::Rgb color,
                 double lineWidth) {
  if (strokes.empty()) return;
  ax.hold(true);
  for (const Mat& s : strokes) {
    if (s.rows() != 2 || s.cols() == 0) continue;
    graphics::Line& l = ax.plot(std::vector<double>(s.row(0).begin(), s.row(0).end()),
                                std::vector<double>(s.row(1).begin(), s.row(1).end()), "-");
    l.color = color;
    l.lineWidth = lineWidth;
    l.tag = kOutlineTag;
  }
}

void ToggleOutline(session::ActionContext& ctx) {
  bool& on = ctx.session.figures.outline;
  on = !on;
  for (window::Control* c : ctx.window.findobj(kOutlineItem)) c->set("Checked", on ? "on" : "off");
  if (!on)
    ctx.window.status("Deformation pictures are drawn without the outline.");
  else if (ctx.session.outline.empty())
    ctx.window.status("There is no outline to draw yet: load one with File > Load Outline.");
  else
    ctx.window.status("The outline is drawn in the deformation pictures drawn from now on.");
}

}  // namespace varnok::display
