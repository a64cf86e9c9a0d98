#include "platform/qt/live_shape_inset.hpp"

#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

#include "platform/graphics/render.hpp"
#include "platform/qt/plot_widget.hpp"

namespace varnok::qt {

namespace {

// The least time between two pictures: one screen refresh.
constexpr int kFrameMs = 16;
// The inset's distance from the edges of the plot box.
constexpr int kMarginPx = 6;

}  // namespace

LiveShapeInset::LiveShapeInset(PlotWidget* plot, Painter painter, std::function<bool()> ready)
    : QWidget(plot), plot_(plot), painter_(std::move(painter)), ready_(std::move(ready)) {
  setObjectName(QStringLiteral("LiveShapeInset"));
  // The pointer goes through to the plot: a point under the inset still
  // has its shape, and clicks still reach the plot.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_OpaquePaintEvent);
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, [this] { makePicture(); });
  figure_.units = "pixels";
  hide();
  plot_->installEventFilter(this);
}

void LiveShapeInset::setActive(bool on) {
  if (on == active_) return;
  active_ = on;
  plot_->setMouseTracking(on);
  if (!on) {
    timer_.stop();
    hide();
    return;
  }
  const QPoint at = plot_->mapFromGlobal(QCursor::pos());
  pointer_.reset();
  if (plot_->rect().contains(at)) pointer_ = QPointF(at);
  placedIn_ = QSize();
  place();
  show();
  raise();
  schedule();
}

void LiveShapeInset::refresh() {
  if (active_) schedule();
}

bool LiveShapeInset::eventFilter(QObject* watched, QEvent* event) {
  if (watched == plot_ && active_) {
    switch (event->type()) {
      case QEvent::MouseMove:
        pointer_ = static_cast<QMouseEvent*>(event)->position();
        schedule();
        break;
      case QEvent::Leave:
        pointer_.reset();
        schedule();
        break;
      case QEvent::Resize:
        schedule();
        break;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void LiveShapeInset::schedule() {
  // Moves that come while a picture is due only change where it is made.
  if (timer_.isActive()) return;
  const qint64 since = since_.isValid() ? since_.elapsed() : kFrameMs;
  timer_.start(static_cast<int>(std::max<qint64>(0, kFrameMs - since)));
}

void LiveShapeInset::place() {
  const graphics::Figure* fig = plot_->figure();
  const QSize in = plot_->size();
  if (!fig || (fig->version() == placedFor_ && in == placedIn_)) return;
  placedFor_ = fig->version();
  placedIn_ = in;
  const int w = std::max(140, in.width() / 3);
  const int h =
      std::clamp(static_cast<int>(w * 0.8), 110, std::max(110, in.height() - 4 * kMarginPx));
  const auto r = graphics::emptiestCorner(*fig, in.width(), in.height(), w, h, kMarginPx);
  setGeometry(static_cast<int>(std::lround(r[0])), static_cast<int>(std::lround(r[1])), w, h);
}

void LiveShapeInset::updateAt(std::optional<QPointF> pointer) {
  pointer_ = pointer;
  timer_.stop();
  makePicture();
}

void LiveShapeInset::makePicture() {
  if (!active_) return;
  // An action is running (its dialog is open): ask again after it.
  if (ready_ && !ready_()) return;
  since_.restart();
  place();
  const graphics::Figure* fig = plot_->figure();
  double x = std::numeric_limits<double>::quiet_NaN(), y = x;
  if (fig && pointer_) {
    const auto xy =
        graphics::pixelToData(*fig, plot_->width(), plot_->height(), pointer_->x(), pointer_->y());
    x = xy[0], y = xy[1];
  }
  setFigureSizePx(figure_, width(), height());
  std::string why;
  if (!painter_) {
    why = "There is no live shape in this window.";
  } else {
    try {
      why = painter_(figure_, x, y);
    } catch (const std::exception& e) {
      why = e.what();
    }
  }
  ++updates_;
  message_ = QString::fromStdString(why);
  if (message_.isEmpty())
    image_ = renderFigureImage(&figure_, size(), devicePixelRatioF(), Qt::white);
  update();
}

void LiveShapeInset::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect all = rect();
  if (message_.isEmpty() && !image_.isNull()) {
    p.drawImage(QPoint(0, 0), image_);
  } else {
    p.fillRect(all, Qt::white);
    p.setPen(QColor(90, 90, 90));
    p.drawText(all.adjusted(10, 8, -10, -8), Qt::AlignCenter | Qt::TextWordWrap, message_);
  }
  p.setPen(QColor(150, 150, 150));
  p.drawRect(all.adjusted(0, 0, -1, -1));
}

}  // namespace varnok::qt
