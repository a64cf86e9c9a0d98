// mfload: asks for a file to read, reads it with the numeric file reader and
// makes its folder the session's current folder, so later dialogs start there.
#pragma once

#include <optional>
#include <string>

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

// nullopt when the dialog is cancelled. A file that cannot be opened or is
// malformed raises DataFileError; the current folder then stays.
std::optional<LoadedFile> mfload(window::Window& window, session::Session& session);

// For actions: as mfload, but a bad file is reported in a message box and
// gives nullopt, so the action ends with its state unchanged. Lines left
// unread after an empty line are reported too (message box and console),
// and the lines before it are returned.
std::optional<LoadedFile> loadForAction(session::ActionContext& ctx);

// The title of the message box for a file that cannot be loaded.
inline constexpr const char* kLoadErrorTitle = "Error Loading File";
// The title of the note on lines left unread.
inline constexpr const char* kUnreadLinesTitle = "Lines Not Read";

}  // namespace varnok::io
