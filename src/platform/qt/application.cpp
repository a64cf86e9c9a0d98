#include "platform/qt/application.hpp"

#include <QApplication>
#include <QMetaObject>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "platform/qt/plot_widget.hpp"
#include "platform/qt/progress_dialog.hpp"
#include "platform/qt/qt_window.hpp"
#include "platform/qt/script.hpp"
#include "platform/qt/settings_store.hpp"

namespace varnok::qt {

namespace {

// Qt adopts the user's locale for the C library at start-up; result files,
// boxes and messages must write "0.5", never "0,5", whatever the locale.
void keepCNumbers() {
  std::setlocale(LC_NUMERIC, "C");
}

using Clock = std::chrono::steady_clock;

// The off-screen platform chatters about window features it lacks; in script
// mode standard error is for the script's own warnings.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg)
    std::cerr << "varnok: " << message.toStdString() << '\n';
}

// The live shape of the program, once there is one.
std::function<std::string(graphics::Figure&, double, double)> liveShapeOf(Program*& program) {
  return [&program](graphics::Figure& inset, double x, double y) -> std::string {
    return program ? program->liveShape(inset, x, y) : "The live shape is not available yet.";
  };
}

int runScriptMode(int argc, char** argv, const ProgramFactory& factory) {
  if (argc != 3) {
    std::cerr << "usage: varnok --script FILE\n";
    return 2;
  }
  const std::string path = argv[2];
  auto parsed = readScript(path, factory.callbackParses);
  if (auto* error = std::get_if<ScriptError>(&parsed)) {
    if (error->line > 0)
      std::cerr << "varnok: " << path << ":" << error->line << ": " << error->message << '\n';
    else
      std::cerr << "varnok: " << error->message << '\n';
    return 2;
  }
  const auto& steps = std::get<std::vector<ScriptStep>>(parsed);

  // Scripts run without a screen unless the caller chose a platform.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(quietQtMessages);
  QApplication app(argc, argv);
  keepCNumbers();

  Console console(&std::cout);
  ScriptedDialogs dialogs(std::cout, std::cerr);
  QtWindow::Options options;
  options.dialogs = &dialogs;
  options.fitToScreen = false;
  Program* running = nullptr;
  options.liveShape = liveShapeOf(running);
  WindowHost host(options);
  auto program = factory.make(console, host.opener());
  running = program.get();
  host.setRunner([&program](const std::string& cb, window::Control* source) {
    program->runCallback(cb, source);
  });

  try {
    program->start({});
  } catch (const std::exception& e) {
    std::cerr << "varnok: " << e.what() << '\n';
    return 1;
  }
  QtWindow* window = host.window();
  if (!window) {
    std::cerr << "varnok: the main window did not open\n";
    return 1;
  }
  // Let the layout settle so the plot box has its final size.
  QCoreApplication::processEvents();

  return runScript(
      steps, *window, dialogs,
      [&](const std::string& cb) { program->runCallback(cb, window->controlWithCallback(cb)); },
      std::cout, std::cerr, [window] { window->sync(); });
}

int runWindow(int argc, char** argv, Clock::time_point started, const ProgramFactory& factory) {
  QApplication app(argc, argv);
  keepCNumbers();
  QApplication::setApplicationName(QStringLiteral("Varnok"));
  QApplication::setOrganizationName(QStringLiteral("Varnok"));

  Console console(&std::cout);
  SettingsStore settings;
  Program* running = nullptr;
  QtWindow::Options options;
  options.console = &console;
  options.settings = &settings;
  options.sessionFacts = [&running] { return running ? running->facts() : SessionFacts{}; };
  options.liveShape = liveShapeOf(running);
  WindowHost host(options);
  auto program = factory.make(console, host.opener());
  running = program.get();
  host.setRunner([&program](const std::string& cb, window::Control* source) {
    // Each action gets its own clock: the dialog shows only when this one runs long.
    ProgressDialog progress;
    program->setProgress(&progress);
    program->runCallback(cb, source);
    program->setProgress(nullptr);
  });

  // Qt has taken its own options out of argv; the rest are the user's words.
  ValueList words;
  for (int i = 1; i < argc; ++i) words.emplace_back(std::string(argv[i]));

  const char* timing = std::getenv("VARNOK_TIMING");
  QMetaObject::Connection firstPaint;
  auto watchFirstPaint = [&] {
    if (!timing || std::string(timing) != "1" || !host.window() || firstPaint) return;
    firstPaint =
        QObject::connect(host.window()->plotWidget(), &PlotWidget::painted, [&firstPaint, started] {
          const auto ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
          std::cerr << "varnok: first paint " << ms << " ms after start\n";
          QObject::disconnect(firstPaint);
        });
  };

  try {
    program->start(words);
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

int runApplication(int argc, char** argv, const ProgramFactory& factory) {
  const auto started = Clock::now();
  if (argc >= 2 && std::string(argv[1]) == "--script") return runScriptMode(argc, argv, factory);
  return runWindow(argc, argv, started, factory);
}

}  // namespace varnok::qt
