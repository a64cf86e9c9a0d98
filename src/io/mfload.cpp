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
  NumericText text = readNumericText(f.path, f.name);
  f.data = std::move(text.data);
  f.stopLine = text.stopLine;
  f.unreadLines = text.unreadLines;
  std::error_code ec;
  if (!choice->folder.empty()) std::filesystem::current_path(choice->folder, ec);
  return f;
}

std::optional<LoadedFile> loadForAction(shell::ActionContext& ctx) {
  std::optional<LoadedFile> file;
  try {
    file = mfload(ctx.window);
  } catch (const DataFileError& e) {
    ctx.window.dialogs().msgbox(e.what(), kLoadErrorTitle);
    return std::nullopt;
  }
  if (file && file->unreadLines > 0) {
    NumericText counts;
    counts.stopLine = file->stopLine;
    counts.unreadLines = file->unreadLines;
    const std::string note = unreadLinesNote(quoteForMessage(file->name, 255), counts);
    ctx.console.line(note);
    ctx.window.dialogs().msgbox(note, kUnreadLinesTitle);
  }
  return file;
}

}  // namespace varnok::io
