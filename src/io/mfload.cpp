#include "io/mfload.hpp"

#include <filesystem>

#include "io/dload.hpp"

namespace varnok::io {

std::optional<LoadedFile> mfload(window::Window& window) {
  auto choice = window.dialogs().uigetfile(kLoadFilter, kLoadTitle);
  if (!choice) return std::nullopt;
  LoadedFile f;
  f.name = choice->name;
  f.path = choice->folder + choice->name;
  auto m = readNumericFile(f.path);
  if (!m) throw DataFileError("The file " + f.name + " could not be opened for reading.");
  f.data = std::move(*m);
  std::error_code ec;
  if (!choice->folder.empty()) std::filesystem::current_path(choice->folder, ec);
  return f;
}

std::optional<LoadedFile> loadForAction(shell::ActionContext& ctx) {
  try {
    return mfload(ctx.window);
  } catch (const DataFileError& e) {
    ctx.window.dialogs().msgbox(e.what(), kLoadErrorTitle);
    return std::nullopt;
  }
}

}  // namespace varnok::io
