#include "io/group_names.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "io/input_file.hpp"
#include "io/landmark_text.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::io {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const std::string& file, const std::string& what) {
  throw DataFileError("The group names file " + file + " could not be loaded: " + what);
}

bool isControl(unsigned char c) {
  return (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7f;
}

}  // namespace

std::vector<std::string> parseGroupNames(std::string_view bytes, const std::string& file) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
    fail(file, "it looks like a UTF-16 text file; save it as plain text (UTF-8 or ASCII).");
  // Names go into pictures and files, which are UTF-8: a file that is not
  // is read as Latin-1 throughout.
  const bool utf8 = isUtf8(bytes);
  std::vector<std::string> names;
  long line = 1;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= bytes.size(); ++i) {
    const bool end = i == bytes.size();
    const char c = end ? '\n' : bytes[i];
    if (!end && isControl(static_cast<unsigned char>(c)))
      fail(file, "it looks like a binary file, not a text file of names (line " +
                     std::to_string(line) + " holds the byte " +
                     quoteForMessage(std::string_view(&bytes[i], 1)) + ").");
    if (c != '\n' && c != '\r') continue;
    if (end && start == i) break;  // nothing after the last line end
    const std::string_view name = text::trim(bytes.substr(start, i - start));
    if (name.size() > kMaxGroupNameBytes)
      fail(file, "line " + std::to_string(line) + " holds " + std::to_string(name.size()) +
                     " characters; a group name has at most " + std::to_string(kMaxGroupNameBytes) +
                     ".");
    names.push_back(utf8 ? std::string(name) : latin1ToUtf8(name));
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
    ++line;
  }
  while (!names.empty() && names.back().empty()) names.pop_back();
  if (names.empty()) fail(file, "it holds no name (one name a line: line k names group k).");
  return names;
}

std::vector<std::string> readGroupNames(const std::string& path, const std::string& file) {
  InputFile in(path, file, kMaxGroupNamesFileBytes);
  return parseGroupNames(in.readAll(), file);
}

void relabelLegend(const session::Session& session, window::Window& window) {
  auto& ax = window.figure().axes();
  bool relabelled = false;
  for (graphics::LegendEntry& e : ax.legendEntries()) {
    if (e.group <= 0) continue;
    e.label = session.groupLabel(e.group);
    relabelled = true;
  }
  if (relabelled) ax.touch();
}

void LoadGroupNames(session::Session& session, window::Window& window, Console& console) {
  auto choice = window.dialogs().uigetfile("*.*", kGroupNamesTitle, session.folder);
  if (!choice) return;
  const std::string path = session.resolve(choice->folder + choice->name);
  std::vector<std::string> names;
  try {
    // A name with control bytes or of great length must not garble the messages.
    names = readGroupNames(path, quoteForMessage(choice->name, 255));
  } catch (const DataFileError& e) {
    window.dialogs().warn(e.what(), kGroupNamesErrorTitle);
    return;
  }
  session.changeFolder(choice->folder);
  session.groupNames = std::move(names);

  relabelLegend(session, window);

  std::size_t named = 0;
  for (const std::string& n : session.groupNames) named += n.empty() ? 0 : 1;
  console.line("Read " + std::to_string(named) + " group names from " + choice->name);
  const Mat& glist = session.state.GLIST;
  if (glist.size() > 0) {
    const double top = glist.maxCoeff();
    if (top > static_cast<double>(session.groupNames.size())) {
      window.dialogs().warn(choice->name + " names " + std::to_string(session.groupNames.size()) +
                                (session.groupNames.size() == 1 ? " group" : " groups") +
                                ", but the group codes go up to " + num2str(top) +
                                ": the groups without a name are shown by their number.",
                            kGroupNamesNoteTitle);
    }
  }
}

}  // namespace varnok::io
