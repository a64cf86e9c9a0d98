#include "platform/qt/pointer.hpp"

#include <QPixmap>
#include <algorithm>
#include <cctype>
#include <string>

#include "platform/matrix/text.hpp"

namespace varnok::qt {

QImage pointerImage(const Mat& shape) {
  QImage img(16, 16, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  const int rows = static_cast<int>(std::min<Eigen::Index>(shape.rows(), 16));
  const int cols = static_cast<int>(std::min<Eigen::Index>(shape.cols(), 16));
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      const double v = shape(r, c);
      if (v == 1) img.setPixel(c, r, qRgba(0, 0, 0, 255));
      if (v == 2) img.setPixel(c, r, qRgba(255, 255, 255, 255));
    }
  }
  return img;
}

QCursor cursorFor(std::string_view pointer, const Mat& shape) {
  const std::string p = lowerCase(pointer);
  if (p == "watch") return QCursor(Qt::WaitCursor);
  if (p == "custom") return QCursor(QPixmap::fromImage(pointerImage(shape)), 0, 0);
  if (p == "crosshair" || p == "cross") return QCursor(Qt::CrossCursor);
  if (p == "ibeam") return QCursor(Qt::IBeamCursor);
  return QCursor(Qt::ArrowCursor);
}

}  // namespace varnok::qt
