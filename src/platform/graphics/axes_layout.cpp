#include <algorithm>
#include <cmath>

#include "platform/graphics/axes.hpp"
#include "platform/graphics/figure.hpp"
#include "platform/graphics/plot_layout.hpp"
#include "platform/graphics/properties.hpp"
#include "platform/graphics/text_metrics.hpp"
#include "platform/graphics/ticks.hpp"

namespace varnok::graphics {

using props::ieq;

namespace {

// box [left bottom width height] moved in from the figure's edges where they
// are closer than room [left bottom right top]; as it was when the room
// would leave less than a third of the figure for the box.
std::array<double, 4> withTextRoom(const std::array<double, 4>& box,
                                   const std::array<double, 4>& room, double figW, double figH) {
  const double left = std::max(box[0], room[0]), bottom = std::max(box[1], room[1]);
  const double right = std::min(box[0] + box[2], figW - room[2]);
  const double top = std::min(box[1] + box[3], figH - room[3]);
  if (!(right - left >= figW / 3) || !(top - bottom >= figH / 3)) return box;
  return {left, bottom, right - left, top - bottom};
}

// The figure length along one direction whose box, at offset and extent
// (fractions of the figure) with at least roomLo and roomHi beside it, is
// box long: the box's length grows with the figure's, piece by piece as the
// fraction or the room decides each side.
double figureSizeFor(double box, double offset, double extent, double roomLo, double roomHi) {
  const auto length = [&](double fig) {
    return std::min((offset + extent) * fig, fig - roomHi) - std::max(offset * fig, roomLo);
  };
  const double candidates[] = {box / extent, box + roomLo + roomHi,
                               (box + roomLo) / (offset + extent), (box + roomHi) / (1 - offset)};
  for (double fig : candidates)
    if (std::isfinite(fig) && fig > 0 && std::abs(length(fig) - box) <= 1e-9 * box) return fig;
  return box / extent;
}

}  // namespace

std::array<double, 4> Axes::boxPx(double figWidthPx, double figHeightPx) const {
  return boxPx(figWidthPx, figHeightPx, nullptr);
}

std::pair<std::array<double, 4>, Limits> Axes::boxAndLimitsPx(double figWidthPx,
                                                              double figHeightPx) const {
  const std::optional<Limits> ext = extentForLimits();
  const auto box = boxPx(figWidthPx, figHeightPx, &ext);
  return {box, limitsFor(box[2], box[3], ext)};
}

std::array<double, 4> Axes::boxPx(double figWidthPx, double figHeightPx,
                                  const std::optional<Limits>* ext) const {
  const auto box = convertPosition(position, units, "pixels", {figWidthPx, figHeightPx});
  if (!ieq(units, "normalized")) return box;
  return withTextRoom(box, textRoomPx(box[3], ext), figWidthPx, figHeightPx);
}

std::array<double, 4> Axes::textRoomPx(double boxHeightPx) const {
  return textRoomPx(boxHeightPx, nullptr);
}

std::array<double, 4> Axes::textRoomPx(double boxHeightPx, const std::optional<Limits>* ext) const {
  // Tick labels of five characters at 10 points and a line of 10-point text
  // per axis title, with the gaps the renderer leaves. An axis title on the
  // left goes beyond the tick labels, so their width is estimated then.
  constexpr double tickLabels = 45, tickLine = 24, titleLine = 20, gaps = 14;
  const double left =
      notes_.ylabel.empty()
          ? tickLabels
          : std::max(tickLabels, yTickLabelsWidthPx(boxHeightPx, ext) + gaps) + titleLine;
  // A colour bar: a gap, the bar, its tick labels and its label turned.
  constexpr double colorBar = kColorBarGapPx + kColorBarWidthPx + tickLabels + titleLine;
  return {left, tickLine + (notes_.xlabel.empty() ? 0 : titleLine),
          12 + (notes_.colorBar ? colorBar : 0), title_.empty() ? 14.0 : 32.0};
}

double Axes::yTickLabelsWidthPx(double boxHeightPx, const std::optional<Limits>* ext) const {
  // The limits before equal units widen them (the labels stay as long), and
  // the finest tick step the renderer tries for a box of this height: its
  // labels have the most decimals.
  std::array<double, 2> yl = {0, 1};
  if (manualY_) {
    yl = *manualY_;
  } else if (const auto e = ext ? *ext : dataExtent()) {
    yl = autoLimits((*e)[2], (*e)[3]);
  }
  const double range = yl[1] - yl[0];
  if (!(range > 0) || !std::isfinite(range) || !(boxHeightPx > 1)) return 0;
  const TickStep s = niceStepAtLeast(range * 40.0 / boxHeightPx);
  const auto ticks = tickValues(yl[0], yl[1], s);
  if (ticks.size() > 1000) return 0;
  const int exponent = tickLabelExponent(ticks, s);
  // Measured as everywhere else, with the axes font's nominal advances.
  std::vector<std::string> labels;
  for (double v : ticks) labels.push_back(tickLabelText(v, s, exponent));
  return widestAdvance(labels, NominalAxesFont());
}

double Axes::boxWidth() const {
  const auto s = fig_->sizePx();
  return boxPx(s[0], s[1])[2];
}

double Axes::boxHeight() const {
  const auto s = fig_->sizePx();
  return boxPx(s[0], s[1])[3];
}

void Axes::setBoxSize(double widthPx, double heightPx) {
  if (!(widthPx > 0) || !(heightPx > 0) || !std::isfinite(widthPx) || !std::isfinite(heightPx))
    return;
  if (ieq(units, "normalized")) {
    if (!(position[2] > 0) || !(position[3] > 0)) return;
    // The figure size whose box, text room taken, has the size asked for.
    // The room depends a little on the height, so it is found in turns.
    double fw = widthPx / position[2], fh = heightPx / position[3];
    bool fits = false;
    for (int turn = 0; turn < 4 && !fits; ++turn) {
      const auto room = textRoomPx(position[3] * fh);
      fw = figureSizeFor(widthPx, position[0], position[2], room[0], room[2]);
      fh = figureSizeFor(heightPx, position[1], position[3], room[1], room[3]);
      const auto box = boxPx(fw, fh);
      fits = std::abs(box[2] - widthPx) <= 1e-9 * widthPx &&
             std::abs(box[3] - heightPx) <= 1e-9 * heightPx;
    }
    const std::array<double, 4> px = {0, 0, fits ? fw : widthPx / position[2],
                                      fits ? fh : heightPx / position[3]};
    const auto f = convertPosition(px, "pixels", fig_->units, {kScreenWidthPx, kScreenHeightPx});
    fig_->position[2] = f[2];
    fig_->position[3] = f[3];
  } else {
    const auto ppu = pixelsPerUnit(units);
    position[2] = widthPx / ppu[0];
    position[3] = heightPx / ppu[1];
  }
  touch();
}

}  // namespace varnok::graphics
