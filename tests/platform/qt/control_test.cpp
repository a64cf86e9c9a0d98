// Controls of the Qt window: what each kind of widget shows as a property,
// which user gestures send callbacks, and the plot area's pointer and picks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "platform/graphics/plot_data.hpp"
#include "platform/graphics/render.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/qt/plot_widget.hpp"
#include "platform/qt/pointer.hpp"
#include "platform/qt/qt_control.hpp"
#include "shell/export_plot_data.hpp"
#include "test_window.hpp"

namespace varnok::qt {
namespace {

using testing::RecordingWindow;

class ControlTest : public ::testing::Test {
 protected:
  RecordingWindow rw;
  QtWindow& w = *rw.window;

  template <class T>
  T* widget(const std::string& tag) {
    return qobject_cast<T*>(static_cast<QtControl&>(w.control(tag)).object());
  }
};

TEST_F(ControlTest, LabelsKeepTheLineBreaksOfTheirString) {
  const std::string summary = "File: tarvish.txt \n  30 Specimens \n  12 Landmarks";
  w.control("FileBox").set("String", Value(summary));
  EXPECT_EQ(w.control("FileBox").get("String").text(), summary);
  EXPECT_EQ(widget<QLabel>("FileBox")->text().count(QLatin1Char('\n')), 2);
  // Markup is shown as typed, not interpreted.
  w.control("GroupBox").set("String", Value("<b>a</b>"));
  EXPECT_EQ(widget<QLabel>("GroupBox")->textFormat(), Qt::PlainText);
}

TEST_F(ControlTest, EditBoxesShowNumbersAsTheConsoleWritesThem) {
  w.control("XBox").set("String", Value(3.0));
  EXPECT_EQ(w.control("XBox").get("String").text(), "3");
  w.control("XBoxExp").set("String", Value(0.25));
  EXPECT_EQ(w.control("XBoxExp").get("String").text(), "0.25");
  w.control("ExagerationBox").set("String", Value("-0.1"));
  EXPECT_EQ(widget<QLineEdit>("ExagerationBox")->text(), "-0.1");
}

TEST_F(ControlTest, CheckBoxesHaveValueZeroOrOne) {
  auto& c = w.control("PCALimit");
  EXPECT_EQ(c.get("Value").scalar(), 0);
  c.set("Value", Value(1.0));
  EXPECT_TRUE(widget<QCheckBox>("PCALimit")->isChecked());
  EXPECT_EQ(c.get("Value").scalar(), 1);
  widget<QCheckBox>("PCALimit")->click();  // the user unticks it
  EXPECT_EQ(c.get("Value").scalar(), 0);
  EXPECT_EQ(w.control("AxisOnePos").get("Value").scalar(), 1);
}

TEST_F(ControlTest, ListValuesCountRowsFromOne) {
  auto* combo = widget<QComboBox>("DeFormat");
  combo->setCurrentIndex(3);
  EXPECT_EQ(w.control("DeFormat").get("Value").scalar(), 4);
  w.control("DeFormat").set("Value", Value(2.0));
  EXPECT_EQ(combo->currentIndex(), 1);
  EXPECT_THROW(w.control("DeFormat").set("Value", Value(0.0)), RuntimeError);
  EXPECT_THROW(w.control("DeFormat").set("Value", Value(10.0)), RuntimeError);
  EXPECT_EQ(combo->currentIndex(), 1);
}

TEST_F(ControlTest, EnableSwitchesTheWidgetItself) {
  auto& c = w.control("LoadGroup");
  c.set("Enable", Value("On"));
  EXPECT_TRUE(widget<QPushButton>("LoadGroup")->isEnabled());
  EXPECT_EQ(c.get("Enable").text(), "on");
  c.set("Enable", Value("Off"));
  EXPECT_FALSE(widget<QPushButton>("LoadGroup")->isEnabled());
  EXPECT_EQ(c.get("Enable").text(), "off");
  EXPECT_THROW(c.set("Enable", Value("maybe")), RuntimeError);
  EXPECT_EQ(c.get("Enable").text(), "off");
  // A control inside a disabled group still reports its own setting.
  w.control("dataGroup").set("Enable", Value("off"));
  EXPECT_EQ(w.control("LoadDataButton").get("Enable").text(), "on");
  w.control("Density10").set("Enable", Value("off"));
  EXPECT_FALSE(widget<QAction>("Density10")->isEnabled());
}

TEST_F(ControlTest, MenuItemsHaveCheckMarksAndLabels) {
  auto& c = w.control("Density10");
  c.set("Checked", Value("on"));
  EXPECT_TRUE(widget<QAction>("Density10")->isChecked());
  EXPECT_EQ(c.get("Checked").text(), "on");
  c.set("Checked", Value("off"));
  EXPECT_EQ(c.get("Checked").text(), "off");
  w.control("BWButton").set("Label", Value("Return to Default Symbols"));
  EXPECT_EQ(widget<QAction>("BWButton")->text(), "Return to Default Symbols");
  EXPECT_EQ(w.control("BWButton").get("Label").text(), "Return to Default Symbols");
}

TEST_F(ControlTest, UnknownPropertiesAreRefused) {
  EXPECT_THROW(w.control("XBox").get("Colour"), RuntimeError);
  EXPECT_THROW(w.control("XBox").set("Checked", Value("on")), RuntimeError);
  EXPECT_THROW(w.control("FileBox").get("Label"), RuntimeError);
}

TEST_F(ControlTest, WritingPropertiesSendsNoCallback) {
  w.control("BaseBox1").set("String", Value("4"));
  w.control("AxisOnePos").set("Value", Value(0.0));
  w.control("DeFormat").set("Value", Value(3.0));
  w.control("Density10").set("Checked", Value("on"));
  w.control("listbox1").set("String", Value(std::vector<std::string>{"a", "b"}));
  w.control("listbox1").set("Value", Value(2.0));
  EXPECT_TRUE(rw.sent.empty());
}

TEST_F(ControlTest, ClicksAndChoicesSendTheControlsCallback) {
  widget<QPushButton>("LoadDataButton")->click();
  widget<QCheckBox>("PCALabel")->click();
  emit widget<QComboBox>("DeFormat")->activated(2);
  ASSERT_EQ(rw.sent.size(), 2u);  // the picture list itself has no callback
  EXPECT_EQ(rw.sent[0].callback, "Varnoksw('LoadData')");
  EXPECT_EQ(rw.sent[0].sourceTag, "LoadDataButton");
  EXPECT_EQ(rw.sent[1].callback, "PCALabel_Callback");
}

TEST_F(ControlTest, EditBoxesSendTheirCallbackOnlyAfterAnEdit) {
  auto* edit = widget<QLineEdit>("BaseBox1");
  emit edit->editingFinished();  // left without a change
  EXPECT_TRUE(rw.sent.empty());
  edit->setText("3");
  edit->setModified(true);  // as typing does
  emit edit->editingFinished();
  emit edit->editingFinished();  // focus leaves after Return: no second call
  ASSERT_EQ(rw.sent.size(), 1u);
  EXPECT_EQ(rw.sent[0].callback, "BaseBox1_Callback");
  EXPECT_EQ(rw.sent[0].sourceTag, "BaseBox1");
}

TEST_F(ControlTest, MenuCheckMarksAreTheProgramsToSet) {
  auto* density = widget<QAction>("Density30");
  ASSERT_FALSE(density->isChecked());
  density->trigger();
  ASSERT_EQ(rw.sent.size(), 1u);
  EXPECT_EQ(rw.sent[0].callback, "Varnoksw('SetPlotDensity',30)");
  // The action's own settings code moves the mark; a click alone does not.
  EXPECT_FALSE(density->isChecked());
}

TEST_F(ControlTest, APressInThePlotRunsTheAxesCallback) {
  PlotWidget* plot = w.plotWidget();
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(plot, &press);
  ASSERT_EQ(rw.sent.size(), 1u);
  EXPECT_EQ(rw.sent[0].callback, "axes1_ButtondownFcn");
}

TEST_F(ControlTest, ACallbackStartedDuringAnotherIsRefused) {
  rw.onCallback = [&](const std::string& cb) {
    if (cb == "Varnoksw('LoadData')") widget<QPushButton>("ClearDataButton")->click();
  };
  widget<QPushButton>("LoadDataButton")->click();
  ASSERT_EQ(rw.sent.size(), 1u);
  EXPECT_FALSE(w.mainWindow()->statusBar()->currentMessage().isEmpty());
  widget<QPushButton>("ClearDataButton")->click();  // and runs once the first is done
  EXPECT_EQ(rw.sent.size(), 2u);
}

TEST_F(ControlTest, AnErrorEscapingACallbackReachesTheStatusBar) {
  rw.onCallback = [](const std::string&) { throw RuntimeError("Run-time Error: no data"); };
  widget<QPushButton>("ShowPCAAxisButton")->click();
  EXPECT_EQ(w.mainWindow()->statusBar()->currentMessage(), "Run-time Error: no data");
}

TEST_F(ControlTest, TheWindowPointerFollowsTheFigure) {
  rw.onCallback = [&](const std::string&) {
    w.figure().pointer = "watch";
    w.figure().touch();
  };
  widget<QPushButton>("LoadDataButton")->click();
  EXPECT_EQ(w.mainWindow()->cursor().shape(), Qt::WaitCursor);
  rw.onCallback = [&](const std::string&) {
    w.figure().pointer = "custom";
    w.figure().pointerShapeCData = Mat::Ones(16, 16);
  };
  widget<QPushButton>("LoadDataButton")->click();
  EXPECT_EQ(w.mainWindow()->cursor().shape(), Qt::BitmapCursor);
  rw.onCallback = [&](const std::string&) { w.figure().pointer = "Arrow"; };
  widget<QPushButton>("LoadDataButton")->click();
  EXPECT_EQ(w.mainWindow()->cursor().shape(), Qt::ArrowCursor);
}

TEST(Pointer, CustomShapesAreBlackWhiteAndTransparent) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Mat shape = Mat::Constant(16, 16, nan);
  shape(0, 1) = 1;   // row 1, column 2: black
  shape(15, 0) = 2;  // row 16, column 1: white
  const QImage img = pointerImage(shape);
  ASSERT_EQ(img.size(), QSize(16, 16));
  EXPECT_EQ(img.pixel(1, 0), qRgba(0, 0, 0, 255));
  EXPECT_EQ(img.pixel(0, 15), qRgba(255, 255, 255, 255));
  EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(img.pixel(15, 15)), 0);
  // A shape of the wrong size gives a picture, not a crash.
  EXPECT_EQ(pointerImage(Mat::Ones(3, 40)).size(), QSize(16, 16));
  EXPECT_EQ(cursorFor("WATCH", Mat()).shape(), Qt::WaitCursor);
}

class PlotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rw.window->mainWindow()->resize(1000, 700);
    rw.window->show();
    QCoreApplication::processEvents();
  }
  RecordingWindow rw;
  QtWindow& w = *rw.window;
  PlotWidget* plot = w.plotWidget();

  void press(QPointF at, Qt::MouseButton button) {
    QMouseEvent e(QEvent::MouseButtonPress, at, plot->mapToGlobal(at), button, button,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(plot, &e);
  }
};

TEST_F(PlotTest, TheFigureIsAsLargeAsThePlotArea) {
  const auto size = w.figure().sizePx();
  EXPECT_EQ(size[0], plot->width());
  EXPECT_EQ(size[1], plot->height());
  w.mainWindow()->resize(900, 640);
  QCoreApplication::processEvents();
  EXPECT_EQ(w.figure().sizePx()[0], plot->width());
  EXPECT_EQ(w.figure().sizePx()[1], plot->height());
}

TEST_F(PlotTest, APickIsInDataUnits) {
  w.figure().axes().setLimits({0, 10, -5, 5});
  const auto box = graphics::plotBox(w.figure(), plot->width(), plot->height());
  // The top right corner of the plot box, with the right button.
  QTimer::singleShot(0, [&] { press(QPointF(box[0] + box[2], box[1]), Qt::RightButton); });
  const auto click = w.dialogs().ginput();
  ASSERT_TRUE(click);
  EXPECT_NEAR(click->x, 10, 0.05);
  EXPECT_NEAR(click->y, 5, 0.05);
  EXPECT_EQ(click->button, 3);

  QTimer::singleShot(0,
                     [&] { press(QPointF(box[0] + box[2] / 2, box[1] + box[3]), Qt::LeftButton); });
  const auto second = w.dialogs().ginput();
  ASSERT_TRUE(second);
  EXPECT_NEAR(second->x, 5, 0.05);
  EXPECT_NEAR(second->y, -5, 0.05);
  EXPECT_EQ(second->button, 1);
  EXPECT_TRUE(rw.sent.empty());  // picks are not button-down callbacks
}

TEST_F(PlotTest, EscapeOrClosingTheWindowCancelsAPick) {
  QTimer::singleShot(0, [&] {
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(plot, &esc);
  });
  EXPECT_FALSE(w.dialogs().ginput());
  QTimer::singleShot(0, [&] { w.mainWindow()->close(); });
  EXPECT_FALSE(w.dialogs().ginput());
  EXPECT_FALSE(plot->waiting());
}

// A picture of many points is drawn after the paint that found it stale,
// with the last picture and a progress bar painted meanwhile, and ends as
// the same picture drawn directly.
TEST_F(PlotTest, ALargePictureShowsItsProgressWhileItDraws) {
  std::vector<double> xy(2 * 300000);
  for (std::size_t i = 0; i < xy.size(); ++i) xy[i] = std::sin(0.37 * static_cast<double>(i));
  graphics::Line style;
  style.marker = 'o';
  style.lineStyle = "none";
  QCoreApplication::processEvents();
  w.figure().axes().plotPoints(std::move(xy), style);
  plot->setProgressDelay(0);
  std::vector<std::pair<bool, double>> paints;
  QObject::connect(plot, &PlotWidget::painted,
                   [&] { paints.emplace_back(plot->drawing(), plot->drawingShown()); });
  w.drawnow();
  for (int i = 0; i < 20 && (paints.empty() || paints.back().first); ++i)
    QCoreApplication::processEvents();
  ASSERT_FALSE(paints.empty());
  EXPECT_FALSE(paints.back().first);  // finished
  const bool progressShown = std::any_of(paints.begin(), paints.end(), [](const auto& p) {
    return p.first && p.second >= 0 && p.second <= 1;
  });
  EXPECT_TRUE(progressShown);
  EXPECT_LT(plot->drawingShown(), 0);
  // What is on screen is the figure itself.
  const QImage shown = plot->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const QImage direct = plot->renderImage(plot->size(), plot->devicePixelRatioF());
  EXPECT_EQ(shown.size(), direct.size());
  EXPECT_TRUE(shown == direct.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

TEST_F(PlotTest, ThePlotShowsTheFiguresColours) {
  w.figure().color = {1, 0, 0};
  w.figure().touch();
  const QImage img = plot->renderImage(QSize(200, 100), 1.0);
  EXPECT_EQ(img.pixelColor(0, 0), QColor(255, 0, 0));
  EXPECT_EQ(img.pixelColor(199, 99), QColor(255, 0, 0));
  // Inside the plot box the axes are white.
  const auto box = graphics::plotBox(w.figure(), 200, 100);
  EXPECT_EQ(
      img.pixelColor(static_cast<int>(box[0] + box[2] / 2), static_cast<int>(box[1] + box[3] / 2)),
      QColor(255, 255, 255));
}

TEST_F(PlotTest, TheClipboardGetsAPictureOfThePlot) {
  w.figure().axes().plot(std::vector<double>{0, 1, 2}, std::vector<double>{0, 1, 0}, "k-");
  ASSERT_TRUE(w.copyToClipboard());
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(mime, nullptr);
  ASSERT_TRUE(mime->hasImage());
  const QImage img = qvariant_cast<QImage>(mime->imageData());
  EXPECT_EQ(img.size(), plot->size() * 2);  // a PNG picture has twice the pixels
  EXPECT_TRUE(mime->data(QStringLiteral("image/svg+xml")).startsWith("<?xml"));
  EXPECT_TRUE(mime->data(QStringLiteral("application/pdf")).startsWith("%PDF-"));

  // What is pasted is what is saved, byte for byte.
  const std::string file = (std::filesystem::temp_directory_path() /
                            ("varnok-clip-" + std::to_string(::getpid()) + ".png"))
                               .string();
  w.savePicture(file);
  std::ifstream in(file, std::ios::binary);
  const std::string saved{std::istreambuf_iterator<char>(in), {}};
  std::filesystem::remove(file);
  const QByteArray pasted = mime->data(QStringLiteral("image/png"));
  ASSERT_FALSE(saved.empty());
  EXPECT_TRUE(std::string(pasted.constData(), static_cast<std::size_t>(pasted.size())) == saved);
}

TEST_F(PlotTest, ExportPlotDataWritesTheDataOfThePlot) {
  w.figure().axes().plot(std::vector<double>{0, 1, 2}, std::vector<double>{0, 1, 0}, "k-");
  const std::string file = (std::filesystem::temp_directory_path() /
                            ("varnok-data-" + std::to_string(::getpid()) + ".json"))
                               .string();
  shell::writePlotData(w, file);
  std::ifstream in(file);
  const std::string saved{std::istreambuf_iterator<char>(in), {}};
  std::filesystem::remove(file);
  EXPECT_EQ(saved, graphics::plotDataJson(w.figure()));
  EXPECT_NE(saved.find("\"type\": \"line\""), std::string::npos);
  EXPECT_THROW(shell::writePlotData(w, "/no/such/folder/data.json"), RuntimeError);
}

TEST(WindowHost, ASecondOpenReusesTheWindow) {
  QtWindow::Options options;
  options.layoutFile = VARNOK_SOURCE_DIR "/layout/Varnok6p.ui";
  options.fitToScreen = false;
  WindowHost host(options);
  window::Window& first = host.open();
  window::Window& second = host.open();
  EXPECT_EQ(&first, &second);
  EXPECT_TRUE(host.window()->isVisible());
  host.window()->mainWindow()->close();
}

}  // namespace
}  // namespace varnok::qt
