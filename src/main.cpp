// The program entry.
//
//   varnok [WORD ...]      opens the main window, or with words calls the
//                          routine the first word names with the others as
//                          text arguments; runs until the window is closed
//   varnok --script FILE   runs a session script on an off-screen window
//                          (the format is described in platform/window/script_parser.hpp)
//
// Set VARNOK_TIMING=1 to have the time from start to the first painted plot
// written to standard error.
#include <QApplication>
#include <QMetaObject>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "platform/matrix/console.hpp"
#include "platform/qt/plot_widget.hpp"
#include "platform/qt/qt_window.hpp"
#include "platform/qt/script.hpp"
#include "shell/callback.hpp"
#include "shell/shell.hpp"

// Qt adopts the user's locale for the C library at start-up; result files,
// boxes and messages must write "0.5", never "0,5", whatever the locale.
static void keepCNumbers() {
  std::setlocale(LC_NUMERIC, "C");
}

namespace {

using Clock = std::chrono::steady_clock;

bool callbackParses(std::string_view text, std::string* why) {
  return varnok::shell::parseCallback(text, why).has_value();
}

// The off-screen platform chatters about window features it lacks; in script
// mode standard error is for the script's own warnings.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg)
    std::cerr << "varnok: " << message.toStdString() << '\n';
}

int runScriptMode(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: varnok --script FILE\n";
    return 2;
  }
  const std::string path = argv[2];
  auto parsed = varnok::qt::readScript(path, callbackParses);
  if (auto* error = std::get_if<varnok::qt::ScriptError>(&parsed)) {
    if (error->line > 0)
      std::cerr << "varnok: " << path << ":" << error->line << ": " << error->message << '\n';
    else
      std::cerr << "varnok: " << error->message << '\n';
    return 2;
  }
  const auto& steps = std::get<std::vector<varnok::qt::ScriptStep>>(parsed);

  // Scripts run without a screen unless the caller chose a platform.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(quietQtMessages);
  QApplication app(argc, argv);
  keepCNumbers();

  varnok::Console console(&std::cout);
  varnok::qt::ScriptedDialogs dialogs(std::cout, std::cerr);
  varnok::qt::QtWindow::Options options;
  options.dialogs = &dialogs;
  options.fitToScreen = false;
  varnok::qt::WindowHost host(options);
  varnok::shell::Shell shell(console, host.opener());
  host.setRunner([&shell](const std::string& cb, varnok::window::Control* source) {
    shell.runCallback(cb, source);
  });

  try {
    shell.Varnok6p({}, 0);
  } catch (const std::exception& e) {
    std::cerr << "varnok: " << e.what() << '\n';
    return 1;
  }
  varnok::qt::QtWindow* window = host.window();
  if (!window) {
    std::cerr << "varnok: the main window did not open\n";
    return 1;
  }
  // Let the layout settle so the plot box has its final size.
  QCoreApplication::processEvents();

  return varnok::qt::runScript(
      steps, *window, dialogs,
      [&](const std::string& cb) { shell.runCallback(cb, window->controlWithCallback(cb)); },
      std::cout, std::cerr, [window] { window->sync(); });
}

int runWindow(int argc, char** argv, Clock::time_point started) {
  QApplication app(argc, argv);
  keepCNumbers();
  QApplication::setApplicationName(QStringLiteral("Varnok"));

  varnok::Console console(&std::cout);
  varnok::qt::WindowHost host;
  varnok::shell::Shell shell(console, host.opener());
  host.setRunner([&shell](const std::string& cb, varnok::window::Control* source) {
    shell.runCallback(cb, source);
  });

  // Qt has taken its own options out of argv; the rest are the user's words.
  varnok::ValueList words;
  for (int i = 1; i < argc; ++i) words.emplace_back(std::string(argv[i]));

  const char* timing = std::getenv("VARNOK_TIMING");
  QMetaObject::Connection firstPaint;
  auto watchFirstPaint = [&] {
    if (!timing || std::string(timing) != "1" || !host.window() || firstPaint) return;
    firstPaint = QObject::connect(
        host.window()->plotWidget(), &varnok::qt::PlotWidget::painted, [&firstPaint, started] {
          const auto ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
          std::cerr << "varnok: first paint " << ms << " ms after start\n";
          QObject::disconnect(firstPaint);
        });
  };

  try {
    shell.Varnok6p(words, 0);
  } catch (const std::exception& e) {
    std::cerr << "varnok: " << e.what() << '\n';
    return 1;
  }
  // A call by name that opened no window has nothing more to run.
  if (!host.window() || !host.window()->isVisible()) return 0;
  watchFirstPaint();
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  const auto started = Clock::now();
  if (argc >= 2 && std::string(argv[1]) == "--script") return runScriptMode(argc, argv);
  return runWindow(argc, argv, started);
}
