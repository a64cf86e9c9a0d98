// Group names: a plain text file with one name a line, line k naming group
// code k, so that a legend reads "Female" and "Male" instead of the codes.
//
// The names are the user's labels for the figures and live beside the
// analysis (Session::groupNames); the group codes stay the numbers of the
// group code list. A blank line leaves its group without a name: such a
// group, and every group past the last line, is shown by its number.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/matrix/console.hpp"
#include "platform/window/window.hpp"
#include "session/session.hpp"

namespace varnok::io {

// The longest name a line may give, in bytes; a longer line is no name.
inline constexpr std::size_t kMaxGroupNameBytes = 200;
// The largest group names file read (bytes).
inline constexpr long long kMaxGroupNamesFileBytes = 1 << 20;

// The names in bytes, the text of the file called file in messages: lines
// end in LF, CR LF or CR, a UTF-8 byte-order mark is skipped, blanks around
// a name are dropped, trailing empty lines are not names; a file that is not
// UTF-8 is read as Latin-1 (utf8FromFile's rule). Throws
// DataFileError naming the file for an empty file (no name at all), a
// UTF-16 or binary file (control bytes), or a line longer than
// kMaxGroupNameBytes.
std::vector<std::string> parseGroupNames(std::string_view bytes, const std::string& file);

// Reads a group names file from path (named file in messages); throws
// DataFileError as parseGroupNames, and for a file that cannot be read.
std::vector<std::string> readGroupNames(const std::string& path, const std::string& file);

// A legend on the plot takes the session's group names at once.
void relabelLegend(const session::Session& session, window::Window& window);

// The menu item "Load Group Names...": asks for the file, reads it and keeps
// the names in the session; a legend on the plot takes them at once. A bad
// file is reported in a message box and the names stay as they were. When
// the group codes in use go beyond the names, a message box says that those
// groups keep their numbers.
void LoadGroupNames(session::Session& session, window::Window& window, Console& console);

// Titles and texts of its dialogs.
inline constexpr const char* kGroupNamesTitle = "Enter the group names file (one name a line)";
inline constexpr const char* kGroupNamesErrorTitle = "Error Loading Group Names";
inline constexpr const char* kGroupNamesNoteTitle = "Group Names";

}  // namespace varnok::io
