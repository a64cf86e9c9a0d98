// Asking for and reading a file whose lines name landmarks of the loaded
// data (the links of a wireframe, the sliding points of curves).
#pragma once

#include <optional>
#include <sstream>
#include <string>

#include "io/input_file.hpp"
#include "io/landmark_text.hpp"
#include "platform/window/window.hpp"
#include "session/session.hpp"

namespace varnok::io {

// What askForLandmarkList read, and the file's name as the dialog gave it.
template <class Items>
struct LandmarkList {
  Items items;
  std::string fileName;
};

// Refuses (warning titled title, saying needData) when no data is loaded,
// asks for the file, and reads it with read(stream, quoted name, L), which
// throws DataFileError naming the line. A file that reads to nothing is
// refused as holding no item ("link", "slider"). Every refusal is shown and
// gives nullopt, as does a cancelled dialog; the session's folder moves to
// the file's only when it was read.
template <class Read>
auto askForLandmarkList(session::Session& session, window::Window& window, const char* title,
                        const std::string& needData, const std::string& item, Read read)
    -> std::optional<
        LandmarkList<decltype(read(std::declval<std::istream&>(), std::string(), 0LL))>> {
  const Mat& data = *session.state.DATA;
  if (data.size() == 0) {
    window.dialogs().warn(needData, title);
    return std::nullopt;
  }
  auto choice = window.dialogs().uigetfile("*.*", title, session.folder);
  if (!choice) return std::nullopt;
  const std::string path = session.resolve(choice->folder + choice->name);
  const std::string name = quoteForMessage(choice->name, 255);
  const long long L = static_cast<long long>(data.cols() - 1) / 2;
  try {
    InputFile in(path, name);
    std::istringstream text(in.readAll());
    auto items = read(text, name, L);
    if (items.empty()) throw DataFileError("The file " + name + " holds no " + item + ".");
    session.changeFolder(choice->folder);
    return LandmarkList<decltype(items)>{std::move(items), choice->name};
  } catch (const DataFileError& e) {
    window.dialogs().warn(e.what(), title);
    return std::nullopt;
  }
}

}  // namespace varnok::io
