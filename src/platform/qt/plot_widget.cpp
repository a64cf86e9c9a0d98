#include "platform/qt/plot_widget.hpp"

#include <cairo.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <exception>
#include <string>

#include "platform/graphics/render.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::qt {

void setFigureSizePx(graphics::Figure& figure, double width, double height) {
  if (!(width > 0) || !(height > 0)) return;
  const auto now = figure.sizePx();
  if (now[0] == width && now[1] == height) return;
  std::array<double, 2> perUnit = {1, 1};
  const std::string units = lowerCase(figure.units);
  if (units == "normalized") {
    perUnit = {graphics::kScreenWidthPx, graphics::kScreenHeightPx};
  } else {
    try {
      perUnit = graphics::pixelsPerUnit(units);
    } catch (const std::exception&) {
      figure.units = "pixels";  // a unit nobody knows: start again from pixels
    }
  }
  figure.position[2] = width / perUnit[0];
  figure.position[3] = height / perUnit[1];
  figure.touch();
}

PlotWidget::PlotWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::ClickFocus);
}

void PlotWidget::setFigure(graphics::Figure* figure) {
  figure_ = figure;
  cacheValid_ = false;
  updateFigureSize();
  update();
}

void PlotWidget::updateFigureSize() {
  if (figure_) setFigureSizePx(*figure_, width(), height());
}

bool PlotWidget::refresh(bool now) {
  if (!figure_ || figure_->version() == seenVersion_) return false;
  if (now)
    repaint();
  else
    update();
  return true;
}

namespace {

// Pictures with more points than this are drawn outside the paint event,
// so their progress can show; so are those whose last drawing was slow.
constexpr std::size_t kLargeDrawing = 200000;
constexpr double kSlowDrawingMs = 150;
// How often the progress bar is brought up to date once it shows.
constexpr qint64 kProgressEveryMs = 50;

}  // namespace

// The progress of a drawing, shown over the last picture in the plot area
// (with the busy pointer) once the drawing has lasted half a second.
class DrawingProgress : public Progress {
 public:
  explicit DrawingProgress(PlotWidget& w) : w_(w) { clock_.start(); }
  ~DrawingProgress() override {
    if (busy_) QApplication::restoreOverrideCursor();
    w_.shownFraction_ = -1;
  }
  void start(std::string_view, long total) override { total_ = total, done_ = 0; }
  void advance(long n) override {
    done_ += n;
    if (clock_.elapsed() < w_.progressDelayMs_) return;
    if (!busy_) {
      QApplication::setOverrideCursor(Qt::BusyCursor);
      busy_ = true;
    } else if (lastShown_.isValid() && lastShown_.elapsed() < kProgressEveryMs) {
      return;
    }
    lastShown_.start();
    w_.shownFraction_ =
        total_ > 0 ? std::clamp(static_cast<double>(done_) / static_cast<double>(total_), 0.0, 1.0)
                   : 0.0;
    // Outside any paint event (drawLarge runs from the event loop), so the
    // plot area can be painted at once; no input is taken meanwhile, so
    // nothing can change the figure while it is being drawn.
    w_.repaint();
  }

 private:
  PlotWidget& w_;
  QElapsedTimer clock_, lastShown_;
  long total_ = 0, done_ = 0;
  bool busy_ = false;
};

QImage renderFigureImage(const graphics::Figure* figure, QSize size, qreal pixelRatio,
                         const QColor& background, Progress& progress) {
  const int w = std::max(1, size.width()), h = std::max(1, size.height());
  const int wd = std::max(1, static_cast<int>(w * pixelRatio));
  const int hd = std::max(1, static_cast<int>(h * pixelRatio));
  QImage img(wd, hd, QImage::Format_ARGB32_Premultiplied);
  img.fill(background);
  img.setDevicePixelRatio(pixelRatio);
  if (!figure) return img;

  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      img.bits(), CAIRO_FORMAT_ARGB32, wd, hd, static_cast<int>(img.bytesPerLine()));
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, pixelRatio, pixelRatio);
  QString failure;
  try {
    graphics::render(*figure, cr, w, h, progress);
  } catch (const std::exception& e) {
    failure = QString::fromStdString(e.what());
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
  if (!failure.isEmpty()) {
    // A picture that cannot be drawn must not take the window down with it.
    QPainter p(&img);
    p.setPen(Qt::darkRed);
    p.drawText(QRect(0, 0, w, h), Qt::AlignCenter | Qt::TextWordWrap,
               QObject::tr("The picture cannot be drawn: %1").arg(failure));
  }
  return img;
}

QImage PlotWidget::renderImage(QSize size, qreal pixelRatio, Progress& progress) const {
  return renderFigureImage(figure_, size, pixelRatio, palette().color(QPalette::Window), progress);
}

void PlotWidget::paintEvent(QPaintEvent*) {
  // An action may have set the figure's Position; the picture on screen is
  // always the widget's size, and the limits must be computed for it.
  updateFigureSize();
  const qreal ratio = devicePixelRatioF();
  const QSize want(std::max(1, static_cast<int>(width() * ratio)),
                   std::max(1, static_cast<int>(height() * ratio)));
  const std::uint64_t version = figure_ ? figure_->version() : 0;
  const bool stale = !cacheValid_ || cache_.size() != want || cacheVersion_ != version;
  if (stale && !drawing_) {
    if (large() && cacheValid_) {
      // The last picture stays up until the new one is drawn.
      if (!drawScheduled_) {
        drawScheduled_ = true;
        QTimer::singleShot(0, this, &PlotWidget::drawLarge);
      }
    } else {
      QElapsedTimer clock;
      clock.start();
      cache_ = renderImage(size(), ratio);
      lastDrawMs_ = static_cast<double>(clock.nsecsElapsed()) / 1e6;
      cacheVersion_ = version;
      cacheValid_ = true;
    }
  }
  seenVersion_ = version;
  QPainter p(this);
  if (cache_.size() != want) p.fillRect(rect(), palette().color(QPalette::Window));
  p.drawImage(QPoint(0, 0), cache_);
  if (drawing_ && shownFraction_ >= 0) {
    // A bar across the foot of the plot area while a large picture draws.
    const int barW = std::min(width() - 20, 240), barH = 18;
    const QRect bar((width() - barW) / 2, height() - barH - 10, barW, barH);
    p.fillRect(bar, QColor(255, 255, 255, 230));
    p.fillRect(bar.adjusted(1, 1, -1 - static_cast<int>((barW - 2) * (1 - shownFraction_)), -1),
               QColor(120, 160, 220));
    p.setPen(Qt::black);
    p.drawRect(bar.adjusted(0, 0, -1, -1));
    p.drawText(bar, Qt::AlignCenter,
               tr("Drawing the picture: %1 %").arg(static_cast<int>(100 * shownFraction_)));
  }
  emit painted();
}

bool PlotWidget::large() const {
  return figure_ &&
         (lastDrawMs_ > kSlowDrawingMs || graphics::drawingWork(*figure_) > kLargeDrawing);
}

void PlotWidget::drawLarge() {
  drawScheduled_ = false;
  if (!figure_ || drawing_) return;
  updateFigureSize();
  const qreal ratio = devicePixelRatioF();
  const QSize want(std::max(1, static_cast<int>(width() * ratio)),
                   std::max(1, static_cast<int>(height() * ratio)));
  const std::uint64_t version = figure_->version();
  if (cacheValid_ && cache_.size() == want && cacheVersion_ == version) return;
  drawing_ = true;
  QElapsedTimer clock;
  clock.start();
  {
    DrawingProgress progress(*this);
    QImage img = renderImage(size(), ratio, progress);
    cache_ = std::move(img);
  }
  lastDrawMs_ = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  cacheVersion_ = version;
  cacheValid_ = true;
  drawing_ = false;
  repaint();
}

void PlotWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  updateFigureSize();
}

std::optional<window::Click> PlotWidget::waitForClick() {
  if (loop_) return std::nullopt;  // one pick at a time
  QEventLoop loop;
  loop_ = &loop;
  result_.reset();
  setCursor(Qt::CrossCursor);
  setFocus(Qt::OtherFocusReason);
  grabKeyboard();
  loop.exec();
  releaseKeyboard();
  unsetCursor();
  loop_ = nullptr;
  return result_;
}

void PlotWidget::finishWait(std::optional<window::Click> result) {
  if (!loop_) return;
  result_ = result;
  loop_->quit();
}

void PlotWidget::cancelWait() {
  finishWait(std::nullopt);
}

void PlotWidget::mousePressEvent(QMouseEvent* event) {
  if (!loop_) {
    emit pressed();
    return;
  }
  if (!figure_) return finishWait(std::nullopt);
  const QPointF pos = event->position();
  const auto xy = graphics::pixelToData(*figure_, width(), height(), pos.x(), pos.y());
  int button = 1;
  if (event->button() == Qt::MiddleButton) button = 2;
  if (event->button() == Qt::RightButton) button = 3;
  finishWait(window::Click{xy[0], xy[1], button});
}

void PlotWidget::keyPressEvent(QKeyEvent* event) {
  if (!loop_) return QWidget::keyPressEvent(event);
  if (event->key() == Qt::Key_Escape) return finishWait(std::nullopt);
  if (event->text().isEmpty() || !figure_) return;
  const QPoint pos = mapFromGlobal(QCursor::pos());
  const auto xy = graphics::pixelToData(*figure_, width(), height(), pos.x(), pos.y());
  finishWait(window::Click{xy[0], xy[1], static_cast<int>(event->text().at(0).unicode())});
}

}  // namespace varnok::qt
