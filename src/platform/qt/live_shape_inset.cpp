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
// The smallest inset, and the side of the grip that resizes it.
constexpr int kMinWidthPx = 140;
constexpr int kMinHeightPx = 110;
constexpr int kGripPx = 14;

}  // namespace

// The grip: a small square over the inset's inner corner. It takes the
// mouse (the inset lets it through) and drags that corner.
class LiveShapeGrip : public QWidget {
 public:
  explicit LiveShapeGrip(LiveShapeInset* inset) : QWidget(inset->plot_), inset_(inset) {
    setObjectName(QStringLiteral("LiveShapeGrip"));
    setFixedSize(kGripPx, kGripPx);
    setToolTip(QObject::tr("Drag to resize the live shape"));
    hide();
  }

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() != Qt::LeftButton) return;
    dragging_ = true;
    inset_->grabGrip(mapToParent(e->position().toPoint()));
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    if (dragging_) inset_->dragGripTo(mapToParent(e->position().toPoint()));
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (dragging_ && e->button() == Qt::LeftButton) {
      dragging_ = false;
      inset_->dragGripTo(mapToParent(e->position().toPoint()));
    }
  }
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), QColor(235, 235, 235));
    p.setPen(QColor(90, 90, 90));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    // Three short diagonals along the corner's direction.
    const bool flip = (cursor().shape() == Qt::SizeBDiagCursor);
    for (int k = 4; k < kGripPx; k += 4) {
      if (flip)
        p.drawLine(QPoint(0, k), QPoint(k, 0));
      else
        p.drawLine(QPoint(kGripPx - 1 - k, kGripPx - 1), QPoint(kGripPx - 1, kGripPx - 1 - k));
    }
  }

 private:
  LiveShapeInset* inset_;
  bool dragging_ = false;
};

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
  grip_ = new LiveShapeGrip(this);
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
    grip_->hide();
    return;
  }
  const QPoint at = plot_->mapFromGlobal(QCursor::pos());
  pointer_.reset();
  if (plot_->rect().contains(at)) pointer_ = QPointF(at);
  placedIn_ = QSize();
  place();
  if (applies()) {
    show();
    raise();
    placeGrip();
  }
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
  const int most = std::max(kMinWidthPx, in.width() - 4 * kMarginPx);
  const int mostHigh = std::max(kMinHeightPx, in.height() - 4 * kMarginPx);
  int w = std::max(kMinWidthPx, in.width() / 3);
  int h = static_cast<int>(w * 0.8);
  if (chosen_.isValid()) w = chosen_.width(), h = chosen_.height();
  w = std::clamp(w, kMinWidthPx, most);
  h = std::clamp(h, kMinHeightPx, mostHigh);
  const auto r = graphics::emptiestCorner(*fig, in.width(), in.height(), w, h, kMarginPx);
  setGeometry(static_cast<int>(std::lround(r[0])), static_cast<int>(std::lround(r[1])), w, h);
  placeGrip();
}

void LiveShapeInset::placeGrip() {
  if (!isVisible()) {
    grip_->hide();
    return;
  }
  // The corner that faces the middle of the plot, so the grip is never
  // against the plot's edge.
  const QRect g = geometry();
  const QPoint middle = plot_->rect().center();
  const bool right = g.center().x() < middle.x();
  const bool below = g.center().y() < middle.y();
  const int x = right ? g.right() - kGripPx + 1 : g.left();
  const int y = below ? g.bottom() - kGripPx + 1 : g.top();
  grip_->move(x, y);
  grip_->setCursor(right == below ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
  grip_->show();
  grip_->raise();
}

void LiveShapeInset::grabGrip(QPoint at) {
  const QRect g = geometry();
  const QPoint grip = grip_->geometry().center();
  const QPoint corner(grip.x() > g.center().x() ? g.right() + 1 : g.left(),
                      grip.y() > g.center().y() ? g.bottom() + 1 : g.top());
  grab_ = corner - at;
}

void LiveShapeInset::dragGripTo(QPoint at) {
  at += grab_;
  const QRect g = geometry();
  const QPoint grip = grip_->geometry().center();
  const bool right = grip.x() > g.center().x();
  const bool below = grip.y() > g.center().y();
  // The corner opposite the grip stays where it is.
  const int fixedX = right ? g.left() : g.right() + 1;
  const int fixedY = below ? g.top() : g.bottom() + 1;
  const int most = std::max(kMinWidthPx, plot_->width() - 2 * kMarginPx);
  const int mostHigh = std::max(kMinHeightPx, plot_->height() - 2 * kMarginPx);
  const int w = std::clamp(std::abs(at.x() - fixedX), kMinWidthPx, most);
  const int h = std::clamp(std::abs(at.y() - fixedY), kMinHeightPx, mostHigh);
  chosen_ = QSize(w, h);
  setGeometry(right ? fixedX : fixedX - w, below ? fixedY : fixedY - h, w, h);
  placeGrip();
  // Kept where it is until the plot changes.
  if (const graphics::Figure* fig = plot_->figure()) placedFor_ = fig->version();
  placedIn_ = plot_->size();
  schedule();
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
  // Not over a picture it does not apply to, not even as an empty box.
  if (!applies()) {
    hide();
    grip_->hide();
    return;
  }
  if (!isVisible()) {
    show();
    raise();
  }
  place();
  placeGrip();
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
