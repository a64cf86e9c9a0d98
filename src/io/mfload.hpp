// mfload: asks for a file to read, reads it with the numeric file reader and
// makes its folder the session's current folder, so later dialogs start there.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "io/dload.hpp"
#include "platform/matrix/types.hpp"
#include "platform/window/window.hpp"
#include "session/action_context.hpp"

namespace varnok::io {

struct LoadedFile {
  Mat data;
  std::string name;  // without its folder
  std::string path;  // folder and name
  // Non-empty lines after an empty line, which ended the data (see dload).
  long stopLine = 0;
  long unreadLines = 0;
};

// The dialog's title and filter.
inline constexpr const char* kLoadTitle = "Enter file to Load?";
inline constexpr const char* kLoadFilter = "*.*";

// Reads the chosen file (path: folder and name joined; name: as messages
// call it); throws DataFileError as readNumericText does. Without one, the
// numeric file reader reads it.
using FileReader = std::function<NumericText(const std::string& path, const std::string& name)>;

// nullopt when the dialog is cancelled. A file that cannot be opened or is
// malformed raises DataFileError; the current folder then stays.
std::optional<LoadedFile> mfload(window::Window& window, session::Session& session,
                                 std::string_view filter = kLoadFilter,
                                 const FileReader& read = {});

// For actions: as mfload, but a bad file is reported in a message box and
// gives nullopt, so the action ends with its state unchanged. Lines left
// unread after an empty line are reported too (message box and console),
// and the lines before it are returned.
std::optional<LoadedFile> loadForAction(session::ActionContext& ctx,
                                        std::string_view filter = kLoadFilter,
                                        const FileReader& read = {});

// The title of the message box for a file that cannot be loaded.
inline constexpr const char* kLoadErrorTitle = "Error Loading File";
// The title of the note on lines left unread.
inline constexpr const char* kUnreadLinesTitle = "Lines Not Read";

}  // namespace varnok::io
