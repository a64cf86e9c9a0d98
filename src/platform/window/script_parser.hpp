// Script files: a session of the main window written as a text file, and
// its parser (which needs no window toolkit, so it is tested and fuzzed
// without one).
//
// One step a line. A line is either a callback string exactly as a control of
// the layout sends it (Varnoksw('LoadData')), or a directive:
//
//   answer file PATH          the next file dialog returns PATH
//   answer input TEXT         the next question is answered with TEXT
//   answer click X Y [BUTTON] the next pick in the plot is (X, Y), button 1..3
//   answer cancel             the next dialog is cancelled
//   set TAG PROPERTY VALUE    as a user typing or ticking (fires nothing);
//                             String, Label, Enable and Checked take the rest
//                             of the line as text, other properties numbers
//   print TAG PROPERTY        writes "TAG PROPERTY: value" and a line end
//   save-picture PATH [WIDTHxHEIGHT] [DPI]
//                             writes the plot; format from the extension
//                             (.png .svg .pdf .eps), or with .json the
//                             plot's data (platform/graphics/plot_data.hpp);
//                             a picture may be given a size in pixels or
//                             millimetres (1200x900, 85x60mm) and a
//                             resolution in dots per inch
//   plot-size W H             makes the plot area W x H pixels, as the
//                             window of a recorded session had it (limits
//                             under equal units and grids follow its shape)
//
// Lines starting with # are comments; blank lines are skipped; trailing
// blanks are dropped. Relative paths are taken from the script's folder.
#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/graphics/render.hpp"
#include "platform/matrix/value.hpp"
#include "platform/window/window.hpp"

namespace varnok::window {

struct ScriptAnswer {
  enum class Kind { File, Input, Click, Cancel };
  Kind kind = Kind::Cancel;
  std::string text;  // the file's full path, or the input text
  Click click;
};

struct ScriptStep {
  enum class Kind { Callback, Answer, Set, Print, SavePicture, PlotSize };
  Kind kind = Kind::Callback;
  int line = 0;      // 1-based line of the script
  std::string text;  // the callback string, or the picture's full path
  ScriptAnswer answer;
  std::string tag, property;
  Value value;
  // save-picture: the size and resolution given (graphics::ExportOptions).
  std::optional<graphics::PictureSize> pictureSize;
  std::optional<double> dpi;
  int width = 0, height = 0;  // plot-size
};

// The largest plot area plot-size accepts, in pixels each way.
inline constexpr int kMaxPlotSizePx = 10000;

struct ScriptError {
  int line = 0;  // 0 when the error is not about one line
  std::string message;
};

// Tells whether a line is a valid callback string; on false, why.
using CallbackCheck = std::function<bool(std::string_view text, std::string* why)>;

// Parses a whole script; the first bad line gives an error naming its number.
// Lines end in LF, CR LF or CR; a UTF-8 byte-order mark is skipped; UTF-16
// or binary text (NUL bytes) is refused without a line.
std::variant<std::vector<ScriptStep>, ScriptError> parseScript(
    std::istream& in, const std::filesystem::path& scriptFolder, const CallbackCheck& check);

// Reads and parses a script file; one without a step (blank lines and
// comments only) is an error, as running it would do nothing.
std::variant<std::vector<ScriptStep>, ScriptError> readScript(const std::filesystem::path& file,
                                                              const CallbackCheck& check);

// Whether save-picture writes the plot's data (JSON) rather than a picture.
bool isPlotDataPath(const std::string& path);

}  // namespace varnok::window
