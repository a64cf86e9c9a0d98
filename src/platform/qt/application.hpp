// The program's start-up on Qt: the window's event loop or script mode.
//
// The Qt layer knows the program behind the window only through Program, so
// that main() (which builds the shell) includes no Qt header and nothing here
// knows the shell.
//
//   varnok [WORD ...]      opens the main window, or with words calls the
//                          routine the first word names with the others as
//                          text arguments; runs until the window is closed
//   varnok FILE            opens the window and loads the data file FILE, or
//                          asks whether to run the session script FILE in it
//                          (platform/qt/command_line.hpp tells files apart)
//   varnok --script FILE   runs a session script on an off-screen window
//                          (the format is described in platform/window/script_parser.hpp)
//   varnok --help          prints the usage
//   varnok --version       prints the version of the CMake project
//
// Only the window remembers anything between runs (platform/qt/settings_store.hpp);
// script mode reads and writes no settings, so a script does the same on
// every machine.
//
// Set VARNOK_TIMING=1 to have the time from start to the first painted plot
// written to standard error.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/graphics/graphics.hpp"
#include "platform/matrix/console.hpp"
#include "platform/matrix/progress.hpp"
#include "platform/matrix/value.hpp"
#include "platform/qt/session_facts.hpp"
#include "platform/window/catalog.hpp"
#include "platform/window/window.hpp"

namespace varnok::qt {

class Program {
 public:
  virtual ~Program() = default;
  // Runs one callback string the way a control sends it; never throws.
  virtual void runCallback(const std::string& callback, window::Control* source) = 0;
  // The main window routine with the command-line words (none: open the
  // window). May throw on a failure to start.
  virtual void start(const ValueList& words) = 0;
  // Where long actions report their progress.
  virtual void setProgress(Progress* progress) = 0;
  // What the window may know of the session (its folder, the data file).
  virtual SessionFacts facts() const { return {}; }
  // What the callbacks of the window's controls do (the program's registry
  // of actions and menu items); null: the window knows nothing of them.
  virtual const window::Catalog* catalog() const { return nullptr; }
  // The live shape at (x, y), data units of the plot, drawn into inset:
  // empty when drawn, else one line saying why not. Changes nothing.
  virtual std::string liveShape(graphics::Figure& inset, double x, double y) {
    (void)inset, (void)x, (void)y;
    return "The live shape is not available.";
  }
  // Whether the plot shows the picture the live shape applies to.
  virtual bool liveShapeApplies() const { return true; }
};

struct ProgramFactory {
  // Whether a callback string parses (script files are checked before they run).
  std::function<bool(std::string_view text, std::string* why)> callbackParses;
  // The program on a console and an opener of the main window.
  std::function<std::unique_ptr<Program>(Console&, std::function<window::Window&()>)> make;
};

// Runs the program as the command line asks; returns the exit status.
int runApplication(int argc, char** argv, const ProgramFactory& factory);

}  // namespace varnok::qt
