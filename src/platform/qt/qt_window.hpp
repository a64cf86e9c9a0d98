// QtWindow: the main window on screen, built from the layout file.
//
// QUiLoader reads layout/Varnok6p.ui (the copy beside the executable, so it
// can be edited without a rebuild, else the installed copy, else the copy
// compiled in). Every named
// widget and menu item becomes a control found by its tag; those with a
// "callback" property send it to the callback runner when the user clicks,
// edits or chooses, the window's own commands (Quit, About, ...) included:
// the program sends those back through window::Window::perform. After each callback the plot is
// repainted if the figure changed and the window pointer follows the figure's Pointer.
#pragma once

#include <QPointer>
#include <QScrollArea>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/export_dialog.hpp"
#include "platform/qt/session_facts.hpp"
#include "platform/window/catalog.hpp"
#include "platform/window/script_parser.hpp"
#include "platform/window/window.hpp"

class QAbstractButton;
class QAction;
class QMainWindow;
class QMenu;
class QObject;

namespace varnok {
class Console;
}

namespace varnok::qt {

class ConsolePanel;
class EnableMirror;
class LiveShapeInset;
class PlotWidget;
class SettingsStore;
class WindowDialogs;
class WindowMemory;
class QtControl;
class QtDialogs;
class SessionRecorder;
class SessionKeeper;

struct WindowOptions {
  // The dialogs actions see; null gives the real ones.
  window::Dialogs* dialogs = nullptr;
  // The layout file; empty: defaultLayoutFile().
  std::string layoutFile;
  // Shrink the window to the screen when shown (off for script mode, whose
  // pictures must not depend on a screen).
  bool fitToScreen = true;
  // The console the console panel (View > Console) shows; null: no panel.
  Console* console = nullptr;
  // Where folders, recent files, the window's place and the display
  // settings are remembered between runs; null remembers nothing (script
  // mode and tests never touch the user's settings).
  SettingsStore* settings = nullptr;
  // What the window may know of the session behind it; empty: nothing.
  std::function<SessionFacts()> sessionFacts;
  // What the callbacks of the controls do, as far as the window needs to
  // know (remembered folders and settings, what a session script records);
  // null: nothing (every callback recorded, no folders or settings noted).
  const window::Catalog* catalog = nullptr;
  // Draws the live shape at (x, y), data units of the plot, into a figure:
  // empty text when drawn, else why not. Empty: the Live shape box only
  // says that there is none.
  std::function<std::string(graphics::Figure& inset, double x, double y)> liveShape;
  // Whether the running session is kept beside the settings and closing
  // with results not saved asks first (platform/qt/session_keeper.hpp);
  // needs settings. The program's window only.
  bool keepSession = false;
  // Whether the plot shows a picture the live shape applies to; empty: any.
  std::function<bool()> liveShapeApplies;
};

class QtWindow final : public window::Window {
 public:
  // Runs one callback string for a control; must not throw (errors are the
  // runner's to report).
  using CallbackRunner = std::function<void(const std::string& callback, window::Control* source)>;

  using Options = WindowOptions;

  // Loads the layout; throws RuntimeError naming the file when it cannot.
  explicit QtWindow(CallbackRunner runner, Options options = {});
  ~QtWindow() override;
  QtWindow(const QtWindow&) = delete;
  QtWindow& operator=(const QtWindow&) = delete;

  std::vector<window::Control*> findobj(std::string_view tag) override;
  graphics::Figure& figure() override { return figure_; }
  window::Dialogs& dialogs() override;
  void status(std::string_view text) override;
  // The hint (or the message) in the status bar, and the console panel
  // opened so the whole message can be read.
  void actionFailed(std::string_view message, std::string_view hint) override;
  void drawnow() override;
  bool copyToClipboard() override;
  void raise() override;
  void setPlotSize(int width, int height) override;
  void perform(window::WindowCommand command) override;
  void fitFigureToPlot() override;
  // Records the file in the session (saved again by the session's script).
  void fileWritten(const std::string& path) override;

  void show();
  bool isVisible() const;
  // Repaints the plot if the figure changed and applies the figure's pointer.
  void sync();

  QMainWindow* mainWindow() const { return main_.get(); }
  PlotWidget* plotWidget() const { return plot_; }
  const std::vector<std::unique_ptr<QtControl>>& controls() const { return controls_; }
  // The first control whose callback string is exactly callback, or null.
  window::Control* controlWithCallback(std::string_view callback) const;
  // What the user has done in the window, for File > Save Session as Script.
  SessionRecorder& recorder() const { return *recorder_; }
  // Loads a landmark data file as if it had been chosen in LoadData's
  // dialog (a recent file, a file dropped on the window).
  void openDataFile(const std::string& path);
  // The console panel, null without a console.
  ConsolePanel* consolePanel() const { return consolePanel_; }
  // The live shape over the plot, and View > Live Shape (which the Live
  // shape box of the score plot panel mirrors).
  LiveShapeInset* liveShapeInset() const { return liveShape_; }
  QAction* liveShapeItem() const { return liveShapeItem_; }
  WindowMemory* memory() const { return memory_.get(); }
  // Where the layout was read from (a path or the resource path).
  const std::string& layoutSource() const { return layoutSource_; }

  // Writes the plot to a picture file in the format of its extension, at the
  // plot area's size. Throws RuntimeError when it cannot.
  void savePicture(const std::string& path);

  // The running session kept beside the settings (null without settings).
  SessionKeeper* keeper() const { return keeper_.get(); }
  // Offers to restore the session the last run kept, by replaying it.
  void offerLastSession();
  // Replays steps of a script in this window as the user would have done
  // them (recorded again, dialogs answered from the steps); 0 when every
  // step ran, as runScript.
  int restoreSession(const std::vector<window::ScriptStep>& steps);
  // A session script opened from the command line (or the desktop): read
  // first, then, when the user says yes (the dialogs' confirm), run in this
  // window as restoreSession does. A script that cannot be read is shown in
  // a warning and nothing runs. True when every step ran.
  bool offerScript(const std::string& path, const window::CallbackCheck& parses);
  // Whether the window may close now: with results not saved, asks once.
  // ask: the question's answer (empty: a message box asks the user).
  enum class QuitAnswer { SaveFirst, Quit, Cancel };
  bool mayClose(const std::function<QuitAnswer()>& ask = {});

 private:
  void wire(QtControl& control);
  void fire(QtControl& control);
  window::CallbackFacts factsOf(const std::string& callback) const;
  void applyPointer();
  // The Export Picture item: the dialog of size and resolution, then the file.
  void exportPictureInteractively();
  void addWindowFeatures();
  void compactSidePanel();
  void placeConsoleBelowPlot();
  // The View menu, made before Help the first time it is asked for.
  QMenu* viewMenu();
  void addLiveShape();
  void setLiveShape(bool on);
  // Runs the callback of a control while another may be running (settings
  // restored after a load), or that callback with arguments added to what a
  // control sends bare; false when no control sends it.
  bool runNested(const std::string& callback);
  // The control that sends callback, the last one made when several do (a
  // menu item is made after its button).
  QtControl* lastWithCallback(std::string_view callback) const;
  SessionFacts facts() const;
  // Where a dialog of the window's own for this kind of file starts.
  QString startFolder(window::FileKind kind) const;

  CallbackRunner runner_;
  Options options_;
  graphics::Figure figure_;
  std::unique_ptr<QMainWindow> main_;
  PlotWidget* plot_ = nullptr;
  std::unique_ptr<QtDialogs> realDialogs_;
  std::unique_ptr<WindowDialogs> dialogs_;
  ConsolePanel* consolePanel_ = nullptr;
  // Whether the console panel has its height: set the first time it opens,
  // unless the restored window brought it back open.
  bool consoleSized_ = false;
  QMenu* viewMenu_ = nullptr;
  LiveShapeInset* liveShape_ = nullptr;
  QAction* liveShapeItem_ = nullptr;
  QPointer<QAbstractButton> liveShapeBox_;
  std::unique_ptr<EnableMirror> mirror_;
  std::unique_ptr<WindowMemory> memory_;
  std::unique_ptr<QObject> dropFilter_;
  // Boxes of several lines in their scroll areas, with the text last shown
  // and the lines they show at once.
  struct ScrolledBox {
    QPointer<QScrollArea> area;
    QString shown;
    int rows = 1;
  };
  std::vector<ScrolledBox> scrolledBoxes_;
  std::vector<std::unique_ptr<QtControl>> controls_;
  std::unique_ptr<QObject> closeWatcher_;
  std::unique_ptr<SessionRecorder> recorder_;
  std::unique_ptr<SessionKeeper> keeper_;
  std::unique_ptr<QObject> quitGuard_;
  bool quitAsked_ = false;
  std::string layoutSource_;
  bool busy_ = false;
  QString startHint_;
  // What the Export Picture dialog offers next time.
  ExportSettings exportSettings_;
  std::string pointerShown_;
  Mat pointerShapeShown_;
};

// The layout file of a program in programFolder: Varnok6p.ui beside it (the
// build tree, or a copy put there to try an edit), else where an installed
// program has it (PREFIX/share/varnok for PREFIX/bin), else the compiled-in
// copy (its resource path).
std::string layoutFileFor(const QString& programFolder);
// The layout file used when none is named: layoutFileFor the executable's folder.
std::string defaultLayoutFile();

// Opens the main window on first use and hands back the same window after
// (raised), as the shell's window opener.
class WindowHost {
 public:
  explicit WindowHost(QtWindow::Options options = {}) : options_(std::move(options)) {}
  void setRunner(QtWindow::CallbackRunner runner) { runner_ = std::move(runner); }
  // What the callbacks of the window to be opened do.
  void setCatalog(const window::Catalog* catalog) { options_.catalog = catalog; }
  window::Window& open();
  QtWindow* window() const { return window_.get(); }
  std::function<window::Window&()> opener() {
    return [this]() -> window::Window& { return open(); };
  }

 private:
  QtWindow::Options options_;
  QtWindow::CallbackRunner runner_;
  std::unique_ptr<QtWindow> window_;
};

}  // namespace varnok::qt
