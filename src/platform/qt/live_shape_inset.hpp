// LiveShapeInset: the live shape, a small picture over a corner of the plot
// area that follows the pointer.
//
// While it is on, every pointer move over the plot asks the program for the
// picture at the pointer's position (in the plot's data units) and shows it;
// a position the program cannot picture (the plot is not a score plot, no
// analysis, a box without a usable number) shows the program's one line
// instead. Moves are coalesced: however many arrive, the picture is made at
// most once per pass of the event loop and at most every 16 ms, always for
// the last position, so the window never falls behind the pointer. The
// inset lets the pointer through to the plot, sits in the corner of the plot
// box that hides the fewest points (chosen again when the plot changes) and
// is a third of the plot's width until its grip, at the corner facing the
// plot's middle, is dragged to make it larger or smaller; that size is kept.
// It shows only while the plot is a picture the live shape applies to (the
// score plot): it never covers another picture.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QPointF>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/graphics/graphics.hpp"

namespace varnok::qt {

class PlotWidget;

class LiveShapeInset : public QWidget {
  Q_OBJECT

 public:
  // Draws the picture at (x, y) into the figure: empty text when drawn,
  // else why not. A position that is not finite means the pointer is not
  // over the plot.
  using Painter = std::function<std::string(graphics::Figure& figure, double x, double y)>;
  // ready: whether the program may be asked now (not while an action runs,
  // except while it waits for a click in the plot).
  LiveShapeInset(PlotWidget* plot, Painter painter, std::function<bool()> ready);

  // Whether the plot now shows a picture the live shape applies to; unset:
  // every picture.
  void setApplies(std::function<bool()> applies) { applies_ = std::move(applies); }
  void setActive(bool on);
  bool active() const { return active_; }
  // Asks again for the last position (the plot or a setting changed).
  void refresh();

  // What is shown: the figure when the message is empty.
  const graphics::Figure& figure() const { return figure_; }
  const QString& message() const { return message_; }
  // How many pictures were asked for.
  int updates() const { return updates_; }
  // Makes the picture for this position in the plot (pixels) now.
  void updateAt(std::optional<QPointF> pointer);
  // The handle that resizes the inset, shown with it.
  QWidget* grip() const { return grip_; }
  // The size the user gave by dragging the grip; empty until then.
  QSize chosenSize() const { return chosen_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  friend class LiveShapeGrip;
  void schedule();
  void place();
  void placeGrip();
  // The grip was pressed at (plot pixels), then dragged to at: the corner
  // under the grip follows the pointer, the one opposite it stays.
  void grabGrip(QPoint at);
  void dragGripTo(QPoint at);
  void makePicture();
  bool applies() const { return !applies_ || applies_(); }

  PlotWidget* plot_;
  Painter painter_;
  std::function<bool()> ready_;
  std::function<bool()> applies_;
  QWidget* grip_ = nullptr;
  QSize chosen_;
  QPoint grab_;  // from the pointer to the corner under the grip
  bool active_ = false;
  graphics::Figure figure_;
  QImage image_;
  QString message_;
  std::optional<QPointF> pointer_;
  QTimer timer_;
  QElapsedTimer since_;
  std::uint64_t placedFor_ = 0;
  QSize placedIn_;
  int updates_ = 0;
};

}  // namespace varnok::qt
