// PlotWidget: the plot area of the main window.
//
// It paints the Figure with the same Cairo renderer that writes picture files,
// into an image the size of the widget, and keeps that image until the figure
// or the size changes. It tells the axes the size of their plot box in pixels
// (limits under equal data units depend on it), waits for one click when an
// action asks the user to pick a point, and otherwise reports presses so the
// axes' button-down callback can run.
#pragma once

#include <QImage>
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

#include "platform/graphics/graphics.hpp"
#include "platform/matrix/progress.hpp"
#include "platform/window/window.hpp"

class QEventLoop;

namespace varnok::qt {

// Makes the figure's size (its Position, in its own Units) width x height
// pixels; the plot box and the limits under equal units follow from it.
void setFigureSizePx(graphics::Figure& figure, double width, double height);

// The figure drawn by the Cairo renderer at size (logical pixels) and pixel
// ratio on background; a picture that cannot be drawn gives a line saying so.
QImage renderFigureImage(const graphics::Figure* figure, QSize size, qreal pixelRatio,
                         const QColor& background, Progress& progress = noProgress());

class PlotWidget : public QWidget {
  Q_OBJECT

 public:
  explicit PlotWidget(QWidget* parent = nullptr);

  void setFigure(graphics::Figure* figure);
  graphics::Figure* figure() const { return figure_; }

  // Schedules a repaint when the figure changed since it was last painted;
  // with now set, paints before returning. Returns whether it changed.
  bool refresh(bool now = false);

  // The figure drawn at the given size (logical pixels) and pixel ratio;
  // progress hears how far the drawing is.
  QImage renderImage(QSize size, qreal pixelRatio, Progress& progress = noProgress()) const;

  // Whether a large picture is being drawn, and how far it is (0 to 1; below
  // 0 until the drawing has lasted half a second and its progress shows).
  bool drawing() const { return drawing_; }
  double drawingShown() const { return shownFraction_; }
  // How long a drawing runs before its progress shows (half a second).
  void setProgressDelay(int ms) { progressDelayMs_ = ms; }

  // Waits (running the event loop) for one click in the plot area and returns
  // it in data units; button 1 left, 2 middle, 3 right; a key other than
  // Escape gives its character code as the button at the pointer's position.
  // Escape, cancelWait() or closing the window cancel: nullopt.
  std::optional<window::Click> waitForClick();
  void cancelWait();
  bool waiting() const { return loop_ != nullptr; }

  // Makes the figure as large as the widget.
  void updateFigureSize();

 signals:
  // A press in the plot area while no click is awaited.
  void pressed();
  // After each paint (start-up timing listens to the first one).
  void painted();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void finishWait(std::optional<window::Click> result);
  // Draws the picture outside a paint event, showing its progress once it
  // has taken half a second: large pictures are drawn this way.
  void drawLarge();
  // Whether the next drawing should go through drawLarge().
  bool large() const;
  friend class DrawingProgress;

  graphics::Figure* figure_ = nullptr;
  QImage cache_;
  std::uint64_t cacheVersion_ = 0;
  bool cacheValid_ = false;
  std::uint64_t seenVersion_ = 0;
  QEventLoop* loop_ = nullptr;
  std::optional<window::Click> result_;
  bool drawing_ = false, drawScheduled_ = false;
  double shownFraction_ = -1;
  double lastDrawMs_ = 0;
  int progressDelayMs_ = 500;
};

}  // namespace varnok::qt
