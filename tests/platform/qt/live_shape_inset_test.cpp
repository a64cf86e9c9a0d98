// The live shape in the window: the Live shape box and View > Live Shape
// switch the inset together, pointer moves are coalesced into one picture
// for the last position, and the inset shows the program's line when there
// is no picture.
#include "platform/qt/live_shape_inset.hpp"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMouseEvent>
#include <QStatusBar>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "platform/graphics/render.hpp"
#include "platform/qt/plot_widget.hpp"
#include "platform/qt/qt_window.hpp"
#include "platform/qt/session_recorder.hpp"

namespace varnok::qt {
namespace {

constexpr const char* kLayout = VARNOK_SOURCE_DIR "/layout/Varnok6p.ui";

void settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// A window whose program draws one point at the position it is asked for.
class LiveShapeWindow : public ::testing::Test {
 protected:
  LiveShapeWindow() {
    QtWindow::Options options;
    options.layoutFile = kLayout;
    options.fitToScreen = false;
    options.liveShape = [this](graphics::Figure& fig, double x, double y) -> std::string {
      asked.push_back({x, y});
      fig.axes().cla();
      if (!std::isfinite(x)) return "Move the pointer over the score plot";
      fig.axes().plot(std::vector<double>{x}, std::vector<double>{y}, "ko");
      return {};
    };
    window = std::make_unique<QtWindow>([](const std::string&, window::Control*) {}, options);
    window->mainWindow()->resize(1100, 760);
    window->show();
    settle();
    box = window->mainWindow()->findChild<QAbstractButton*>(QStringLiteral("LiveShapeBox"));
  }
  LiveShapeInset& inset() { return *window->liveShapeInset(); }
  PlotWidget& plot() { return *window->plotWidget(); }
  void move(QPointF at) {
    QMouseEvent e(QEvent::MouseMove, at, plot().mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(&plot(), &e);
  }
  // Runs the event loop until the pending picture is made.
  void waitForPicture() {
    for (int i = 0; i < 20; ++i) {
      QThread::msleep(5);
      QCoreApplication::processEvents();
    }
  }

  std::vector<std::array<double, 2>> asked;
  std::unique_ptr<QtWindow> window;
  QAbstractButton* box = nullptr;
};

TEST_F(LiveShapeWindow, TheBoxAndTheMenuItemSwitchTheInsetTogether) {
  ASSERT_NE(box, nullptr);
  QAction* item = window->liveShapeItem();
  ASSERT_NE(item, nullptr);
  EXPECT_FALSE(box->toolTip().isEmpty());
  EXPECT_EQ(item->toolTip(), box->toolTip());
  EXPECT_FALSE(inset().isVisible());
  EXPECT_FALSE(plot().hasMouseTracking());

  box->click();
  EXPECT_TRUE(box->isChecked());
  EXPECT_TRUE(item->isChecked());
  EXPECT_TRUE(inset().isVisible());
  EXPECT_TRUE(plot().hasMouseTracking());
  EXPECT_TRUE(window->mainWindow()->statusBar()->currentMessage().startsWith("Live shape on"));
  // About a third of the plot's width, inside the plot.
  EXPECT_NEAR(inset().width(), plot().width() / 3, 2);
  EXPECT_TRUE(plot().rect().contains(inset().geometry()));

  item->trigger();
  EXPECT_FALSE(item->isChecked());
  EXPECT_FALSE(box->isChecked());
  EXPECT_FALSE(inset().isVisible());
  EXPECT_FALSE(plot().hasMouseTracking());
  item->trigger();
  EXPECT_TRUE(box->isChecked());
  EXPECT_TRUE(inset().isVisible());

  // The switch is the window's own: a saved session does not replay it.
  EXPECT_EQ(window->recorder().script(std::filesystem::temp_directory_path()).find("LiveShape"),
            std::string::npos);
}

TEST_F(LiveShapeWindow, ManyMovesGiveOnePictureForTheLastPosition) {
  box->click();
  waitForPicture();
  const int before = inset().updates();
  asked.clear();
  for (int i = 0; i < 40; ++i) move(QPointF(100 + 5 * i, 300));
  waitForPicture();
  ASSERT_GE(asked.size(), 1u);
  EXPECT_LE(asked.size(), 2u);
  EXPECT_LE(inset().updates() - before, 2);
  const auto want =
      graphics::pixelToData(*plot().figure(), plot().width(), plot().height(), 100 + 5 * 39, 300);
  EXPECT_DOUBLE_EQ(asked.back()[0], want[0]);
  EXPECT_DOUBLE_EQ(asked.back()[1], want[1]);
  EXPECT_TRUE(inset().message().isEmpty());
  EXPECT_EQ(inset().figure().axes().childCount(), 1u);
  // The inset's figure has the inset's size.
  EXPECT_EQ(inset().figure().sizePx()[0], inset().width());

  // Leaving the plot: the program's line instead of a picture.
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&plot(), &leave);
  waitForPicture();
  EXPECT_TRUE(std::isnan(asked.back()[0]));
  EXPECT_EQ(inset().message(), QStringLiteral("Move the pointer over the score plot"));

  // Switched off, moves ask for nothing.
  box->click();
  asked.clear();
  move(QPointF(200, 200));
  waitForPicture();
  EXPECT_TRUE(asked.empty());
}

// The inset, and even its empty box, shows only over a picture it applies
// to (the score plot), and comes back with it.
TEST_F(LiveShapeWindow, TheInsetNeverCoversAPictureItDoesNotApplyTo) {
  bool scorePlot = false;
  inset().setApplies([&scorePlot] { return scorePlot; });
  box->click();
  waitForPicture();
  EXPECT_TRUE(inset().active());
  EXPECT_FALSE(inset().isVisible());
  EXPECT_FALSE(inset().grip()->isVisible());
  EXPECT_TRUE(asked.empty());  // nothing to draw a picture for

  scorePlot = true;
  inset().refresh();
  waitForPicture();
  EXPECT_TRUE(inset().isVisible());
  EXPECT_TRUE(inset().grip()->isVisible());
  scorePlot = false;
  move(QPointF(150, 200));
  waitForPicture();
  EXPECT_FALSE(inset().isVisible());
  EXPECT_FALSE(inset().grip()->isVisible());
}

// Dragging the grip at the inset's inner corner resizes the inset, the
// opposite corner staying put, and the size is kept when the plot changes.
TEST_F(LiveShapeWindow, TheGripResizesTheInsetAndTheSizeIsKept) {
  box->click();
  waitForPicture();
  QWidget* grip = inset().grip();
  ASSERT_TRUE(grip->isVisible());
  const QRect before = inset().geometry();
  EXPECT_EQ(before.width(), std::max(140, plot().width() / 3));
  // The grip sits on a corner of the inset, away from the plot's edges.
  const QRect g = grip->geometry();
  EXPECT_TRUE(before.contains(g));
  const bool right = g.right() == before.right(), below = g.bottom() == before.bottom();
  EXPECT_TRUE(right || g.left() == before.left());
  EXPECT_TRUE(below || g.top() == before.top());

  auto send = [grip](QEvent::Type type, QPoint inPlot, Qt::MouseButton button) {
    const QPointF local = grip->mapFromParent(inPlot);
    QMouseEvent e(
        type, local, grip->mapToGlobal(local), button,
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton),
        Qt::NoModifier);
    QCoreApplication::sendEvent(grip, &e);
  };
  // Larger by 80 x 50 pixels, dragged outwards from the inset's middle.
  const QPoint start = g.center();
  const QPoint end = start + QPoint(right ? 80 : -80, below ? 50 : -50);
  send(QEvent::MouseButtonPress, start, Qt::LeftButton);
  send(QEvent::MouseMove, start + (end - start) / 2, Qt::NoButton);
  send(QEvent::MouseButtonRelease, end, Qt::LeftButton);
  const QRect after = inset().geometry();
  EXPECT_NEAR(after.width(), before.width() + 80, 2);
  EXPECT_NEAR(after.height(), before.height() + 50, 2);
  EXPECT_EQ(right ? after.left() : after.right(), right ? before.left() : before.right());
  EXPECT_EQ(below ? after.top() : after.bottom(), below ? before.top() : before.bottom());
  EXPECT_EQ(inset().chosenSize(), after.size());
  EXPECT_TRUE(after.contains(grip->geometry()));
  waitForPicture();
  EXPECT_EQ(inset().figure().sizePx()[0], after.width());

  // A new picture in the plot: the inset may move, but keeps its size.
  auto& ax = window->figure().axes();
  ax.plot(std::vector<double>{0.5}, std::vector<double>{0.5}, "ko");
  window->sync();
  inset().refresh();
  waitForPicture();
  EXPECT_EQ(inset().size(), after.size());

  // Never smaller than a picture can be read at.
  const QPoint now = grip->geometry().center();
  send(QEvent::MouseButtonPress, now, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, inset().geometry().center(), Qt::LeftButton);
  EXPECT_GE(inset().width(), 140);
  EXPECT_GE(inset().height(), 110);
}

TEST_F(LiveShapeWindow, TheInsetTakesTheCornerThatHidesFewestPoints) {
  auto& ax = window->figure().axes();
  // Points in the top right, top left and bottom right corners.
  ax.plot(std::vector<double>{0.95, 0.05, 0.95, 0.92}, std::vector<double>{0.95, 0.95, 0.05, 0.93},
          "ko");
  ax.setLimits({0, 1, 0, 1});
  window->sync();
  box->click();
  settle();
  const auto b = graphics::plotBox(*plot().figure(), plot().width(), plot().height());
  // The bottom left corner of the plot box.
  EXPECT_LT(inset().geometry().left(), b[0] + 20);
  EXPECT_GT(inset().geometry().bottom(), b[1] + b[3] - 20);
}

}  // namespace
}  // namespace varnok::qt
