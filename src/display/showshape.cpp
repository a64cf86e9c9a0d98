#include "display/showshape.hpp"

#include <cmath>

#include "display/wireframe.hpp"
#include "platform/graphics/marker_shapes.hpp"
#include "platform/matrix/memory.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::display {

namespace {

// One point object per landmark, styled from a parsed code: the hot loop of
// every superimposition picture, so the code is parsed once.
graphics::Handle plotPositions(graphics::Axes& ax, graphics::PointPositions positions,
                               const graphics::LineSpec& style, double markerSize) {
  ax.hold(true);
  graphics::Line line;
  line.color = style.color.value_or(graphics::Rgb{0, 0, 0});
  line.marker = style.marker.value_or(0);
  line.lineStyle = style.lineStyle ? *style.lineStyle : (style.marker ? "none" : "-");
  line.markerSize = markerSize;
  const graphics::Handle first = ax.plotPoints(std::move(positions), line);
  ax.axisAuto();
  ax.axisEqual();
  return first;
}

graphics::Handle plotPoints(graphics::Axes& ax, const Mat& x, const graphics::LineSpec& style,
                            double markerSize, std::optional<double> theta = std::nullopt) {
  const Eigen::Index L = (x.cols() - 1) / 2;
  std::vector<double> xy;
  xy.reserve(static_cast<std::size_t>(2 * L * x.rows()));
  adviseLargeBlock(xy.data(), xy.capacity() * sizeof(double));
  if (!theta) {
    for (Eigen::Index i = 0; i < x.rows(); ++i)
      for (Eigen::Index j = 0; j < 2 * L; ++j) xy.push_back(x(i, j));
  } else {
    // The same arithmetic as turnRows, so the points are the turned rows.
    const double c = std::cos(*theta), s = std::sin(*theta);
    for (Eigen::Index i = 0; i < x.rows(); ++i)
      for (Eigen::Index j = 0; j < L; ++j) {
        const double px = x(i, 2 * j), py = x(i, 2 * j + 1);
        xy.push_back(c * px - s * py);
        xy.push_back(s * px + c * py);
      }
  }
  return plotPositions(ax, graphics::PointPositions(std::move(xy)), style, markerSize);
}

}  // namespace

RowVec defaultCodeRow() {
  return (RowVec(6) << 0, 1, 0, 1, 6, 1).finished();
}

std::optional<double> refAngle(const session::NumberBox& box, Console* console) {
  if (!box.present) return std::nullopt;
  if (console != nullptr) console->display("angle", box.values);
  if (!box.number) return std::nullopt;
  return M_PI * *box.number / 180.0;
}

std::optional<double> refAngle(window::Window& window, Console* console) {
  return refAngle(session::readNumberBox(window, "RefAngleBox"), console);
}

double symbolTableAngle(const session::NumberBox& box) {
  if (!box.present) return 0.0;
  if (!box.number)
    throw RuntimeError("Run-time Error: The reference angle \"" + box.text + "\" is not a number.");
  return M_PI * *box.number / 180.0;
}

Mat turnRows(const Mat& x, double theta) {
  Mat y(x.rows(), x.cols());
  adviseLargeBlock(y.data(), static_cast<std::size_t>(y.size()) * sizeof(double));
  y = x;
  const double c = std::cos(theta), s = std::sin(theta);
  const Eigen::Index L = (x.cols() - 1) / 2;
  for (Eigen::Index i = 0; i < x.rows(); ++i)
    for (Eigen::Index j = 0; j < L; ++j) {
      double px = x(i, 2 * j), py = x(i, 2 * j + 1);
      y(i, 2 * j) = c * px - s * py;
      y(i, 2 * j + 1) = s * px + c * py;
    }
  return y;
}

void showshape(graphics::Axes& ax, const Mat& x, std::string_view xform) {
  plotPoints(ax, x, graphics::parseLineSpec(xform), 3);
}

Mat showshape_rot(window::Window& window, Console* console, const Mat& x, std::string_view xform,
                  std::optional<double> theta) {
  const graphics::LineSpec style = graphics::parseLineSpec(xform);
  if (!theta) theta = refAngle(window, console).value_or(0.0);
  Mat turned = turnRows(x, *theta);
  plotPoints(window.figure().axes(), turned, style, 3);
  return turned;
}

void plotTurned(window::Window& window, Console* console, const Mat& x, std::string_view xform,
                std::optional<double> theta) {
  const graphics::LineSpec style = graphics::parseLineSpec(xform);
  if (!theta) theta = refAngle(window, console).value_or(0.0);
  plotPoints(window.figure().axes(), x, style, 3, theta);
}

void plotTurned(window::Window& window, Console* console, const SharedMat& x, Eigen::Index begin,
                Eigen::Index end, std::string_view xform, std::optional<double> theta) {
  const graphics::LineSpec style = graphics::parseLineSpec(xform);
  if (!theta) theta = refAngle(window, console).value_or(0.0);
  plotPositions(window.figure().axes(), graphics::PointPositions(x.share(), begin, end, theta),
                style, 3);
}

graphics::Handle showshapec(window::Window& window, const Mat& x, const RowVec& codelist,
                            std::optional<double> theta) {
  if (codelist.size() < 6)
    throw RuntimeError("Run-time Error: A symbol code row needs 6 values, not " +
                       std::to_string(codelist.size()) + ".");
  if (!theta) theta = symbolTableAngle(session::readNumberBox(window, "RefAngleBox"));
  const graphics::Rgb color{codelist(0), codelist(1), codelist(2)};
  const double index = codelist(3);
  const bool filled = codelist(5) != 0;
  Mat turned = turnRows(x, *theta);
  auto& ax = window.figure().axes();
  ax.hold(true);
  const Eigen::Index L = (x.cols() - 1) / 2;
  graphics::Handle first = 0;
  if (turned.rows() > 0 && L > 0) {
    // Checked before anything is drawn, so a bad code row leaves the
    // picture as it was.
    if (!(index >= 1 && index <= 13 && index == std::floor(index)))
      throw RuntimeError("Run-time Error: Index exceeds matrix dimensions: marker " +
                         num2str(index) + " of the 13 symbols \"" +
                         std::string(graphics::kMarkers) + "\".");
    graphics::Line line;
    line.set("MarkerSize", codelist(4));
    line.marker = graphics::kMarkers[static_cast<int>(index) - 1];
    line.lineStyle = "none";
    line.color = color;
    line.markerFaceColor = filled ? graphics::ColorSpec::of(color) : graphics::ColorSpec::none();
    std::vector<double> xy;
    xy.reserve(static_cast<std::size_t>(2 * L * turned.rows()));
    for (Eigen::Index i = 0; i < turned.rows(); ++i)
      for (Eigen::Index j = 0; j < 2 * L; ++j) xy.push_back(turned(i, j));
    first = ax.plotPoints(std::move(xy), line);
  }
  ax.axisAuto();
  ax.axisEqual();
  return first;
}

graphics::Handle showshapeSized(graphics::Axes& ax, const Mat& x, std::string_view xform,
                                double markerSize) {
  return plotPoints(ax, x, graphics::parseLineSpec(xform), markerSize);
}

void showDots(graphics::Axes& ax, const Mat& x, graphics::Rgb color, double theta) {
  if (x.rows() == 0 || x.cols() < 3) return;
  graphics::LineSpec dot;
  dot.color = color;
  dot.marker = '.';
  plotPoints(ax, x, dot, kSemilandmarkDotSize, theta);
}

}  // namespace varnok::display
