#include "platform/qt/application.hpp"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QMainWindow>
#include <QMetaObject>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "platform/qt/command_line.hpp"
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

constexpr const char* kScriptUsage = "usage: varnok --script FILE\n";

int runScriptMode(int argc, char** argv, const std::string& path, const ProgramFactory& factory) {
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
  options.liveShapeApplies = [&running] { return running && running->liveShapeApplies(); };
  WindowHost host(options);
  auto program = factory.make(console, host.opener());
  running = program.get();
  host.setCatalog(program->catalog());
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
  options.keepSession = true;
  options.sessionFacts = [&running] { return running ? running->facts() : SessionFacts{}; };
  options.liveShape = liveShapeOf(running);
  options.liveShapeApplies = [&running] { return running && running->liveShapeApplies(); };
  WindowHost host(options);
  auto program = factory.make(console, host.opener());
  running = program.get();
  host.setCatalog(program->catalog());
  host.setRunner([&program](const std::string& cb, window::Control* source) {
    // Each action gets its own clock: the dialog shows only when this one runs long.
    ProgressDialog progress;
    program->setProgress(&progress);
    program->runCallback(cb, source);
    program->setProgress(nullptr);
  });

  // Qt has taken its own options out of argv; the rest are the user's words:
  // a file to open in the window, or a routine and its words.
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  const StartRequest request = startRequest(args, [](const std::string& path) {
    return QFileInfo(QString::fromLocal8Bit(path.c_str())).isFile();
  });
  if (request.kind == StartRequest::Kind::TooManyWords) {
    std::cerr << "varnok: open one file at a time, with nothing after it:";
    for (const auto& arg : args) std::cerr << ' ' << arg;
    std::cerr << '\n';
    return 2;
  }
  ValueList words;
  if (request.kind == StartRequest::Kind::Routine)
    for (const auto& arg : args) words.emplace_back(arg);

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
  // A session that ended with results not saved is offered back once the
  // window is up (not when the command line asked for a routine or a file).
  // A file given is opened once the window is up, so its messages have a
  // window to show in.
  QtWindow* window = host.window();
  switch (request.kind) {
    case StartRequest::Kind::Window:
      QTimer::singleShot(0, window->mainWindow(), [window] { window->offerLastSession(); });
      break;
    case StartRequest::Kind::DataFile:
      QTimer::singleShot(0, window->mainWindow(),
                         [window, file = request.file] { window->openDataFile(file); });
      break;
    case StartRequest::Kind::SessionScript:
      QTimer::singleShot(0, window->mainWindow(),
                         [window, file = request.file, parses = factory.callbackParses] {
                           window->offerScript(file, parses);
                         });
      break;
    case StartRequest::Kind::Routine:
    case StartRequest::Kind::TooManyWords:
      break;
  }
  return QApplication::exec();
}

}  // namespace

int runApplication(int argc, char** argv, const ProgramFactory& factory) {
  const auto started = Clock::now();
  // Only the program's own options are read here: anything else (a routine
  // name and its words, Qt's options such as -platform) goes to the window
  // as before, and parsing needs no display, so --help and --version work
  // without one.
  QStringList args;
  for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Varnok: geometric morphometrics of two-dimensional landmarks.\n\n"
      "Without options the main window opens. With FILE, the window opens it:\n"
      "landmark data (.tps, .nts, .txt, or any existing file) is loaded as Load Data\n"
      "would, and a session script (.vks) runs in the window once you say yes.\n"
      "With ROUTINE, the routine of that name is called with the WORDs as text\n"
      "arguments."));
  parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
  const QCommandLineOption script(
      QStringList{QStringLiteral("script")},
      QStringLiteral("Run the session script FILE on an off-screen window, then exit."),
      QStringLiteral("FILE"));
  const QCommandLineOption help(QStringList{QStringLiteral("help")},
                                QStringLiteral("Show this help and exit."));
  const QCommandLineOption version(QStringList{QStringLiteral("version")},
                                   QStringLiteral("Show the version and exit."));
  parser.addOption(script);
  parser.addOption(help);
  parser.addOption(version);
  parser.addPositionalArgument(
      QStringLiteral("FILE"),
      QStringLiteral("A data file or session script to open in the window."),
      QStringLiteral("[FILE | ROUTINE [WORD ...]]"));
  parser.addPositionalArgument(QStringLiteral("ROUTINE"),
                               QStringLiteral("A routine to call instead of opening the window."));
  if (parser.parse(args)) {
    if (parser.isSet(help)) {
      // Qt's first line names the executable by its path; the usage names the program.
      const std::string text = parser.helpText().toStdString();
      std::cout
          << "Usage: varnok [--script FILE] [--help] [--version] [FILE | ROUTINE [WORD ...]]\n"
          << text.substr(text.find('\n') + 1);
      return 0;
    }
    if (parser.isSet(version)) {
      std::cout << "varnok " << VARNOK_VERSION << '\n';
      return 0;
    }
    if (parser.isSet(script)) {
      if (!parser.positionalArguments().isEmpty() || parser.values(script).size() != 1) {
        std::cerr << kScriptUsage;
        return 2;
      }
      return runScriptMode(argc, argv, parser.value(script).toStdString(), factory);
    }
  } else if (argc >= 2 && std::string(argv[1]) == "--script") {
    std::cerr << kScriptUsage;
    return 2;
  }
  return runWindow(argc, argv, started, factory);
}

}  // namespace varnok::qt
