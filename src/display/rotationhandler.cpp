#include "display/rotationhandler.hpp"

#include <cmath>
#include <exception>

#include "display/showshape.hpp"
#include "morpho/vertxy.hpp"
#include "platform/matrix/text.hpp"
#include "session/controls.hpp"

namespace varnok::display {

namespace {

void redraw(window::Window& window, Console* console, const Mat& reference, bool echo) {
  auto& ax = window.figure().axes();
  if (echo && console != nullptr) console->display("ans", "cla");
  ax.cla();
  showshape(ax, reference, "m*");
  landmarkNumbers(window, reference);
  ax.axisAuto();
  ax.axisEqual();
  if (console != nullptr) {
    console->display("ans", "auto");
    console->display("ans", "equal");
  }
}

}  // namespace

RowVec turnRow(const Mat& row, double theta) {
  Mat xy = morpho::vertxy(row);
  Mat R(2, 2);
  R << std::cos(theta), -std::sin(theta), std::sin(theta), std::cos(theta);
  Mat turned = R * xy;
  return morpho::xyfromvert(turned.transpose(), row(row.size() - 1));
}

void landmarkNumbers(window::Window& window, const Mat& row) {
  if (session::controlValueOr(window, "NumberButton", 0) == 0) return;
  landmarkNumbers(window.figure().axes(), row);
}

void landmarkNumbers(graphics::Axes& ax, const Mat& row) {
  const Eigen::Index n = row.size();
  for (Eigen::Index k = 1; k <= n / 2; ++k)
    ax.text(row(2 * k - 2) + 0.02, row(2 * k - 1) + 0.02, num2str(static_cast<double>(k)));
}

RotationResult rotationhandler(window::Window& window, Console* console, const Mat& reference,
                               double defangle) {
  RotationResult out;
  out.reference = reference;
  if (console != nullptr) console->display("ans", "figure");
  redraw(window, console, out.reference, false);

  if (defangle == 0) defangle = 10;
  std::vector<std::string> d2 = {num2str(defangle)};
  const std::vector<std::string> p2 = {kRotationPrompt};
  double doner = 5;
  while (doner != 0) {
    std::optional<std::vector<std::string>> temp;
    bool failed = false;
    try {
      temp = window.dialogs().inputdlg(p2, kRotationTitle, d2);
    } catch (const std::exception&) {
      window.dialogs().warn("Sorry, Failure on input dialog Box", "");
      failed = true;
    }
    std::string entry = "0";
    if (!failed && temp && !temp->empty()) {
      entry = temp->front();
      Mat angle = str2num(entry);
      if (angle.size() == 0 || !std::isfinite(angle(0, 0))) {
        // Nothing can be turned by such an answer: say so and ask again.
        window.dialogs().warn("The rotation \"" + entry +
                                  "\" is not a number. Enter an angle in degrees, or 0 to end "
                                  "the rotation.",
                              kRotationTitle);
        continue;
      }
      d2 = *temp;
      doner = angle(0, 0);
    } else {
      doner = 0;
    }
    doner = M_PI * doner / 180.0;
    if (doner != 0) out.reference = turnRow(out.reference, doner);
    redraw(window, console, out.reference, true);
    out.theta += doner;
  }
  return out;
}

}  // namespace varnok::display
