#include "io/mfload.hpp"

#include "io/dload.hpp"

namespace varnok::io {

std::optional<LoadedFile> mfload(window::Window& window, session::Session& session,
                                 std::string_view filter, const FileReader& read) {
  auto choice = window.dialogs().uigetfile(filter, kLoadTitle, session.folder);
  if (!choice) return std::nullopt;
  LoadedFile f;
  f.name = choice->name;
  f.path = session.resolve(choice->folder + choice->name);
  NumericText text = read ? read(f.path, f.name) : readNumericText(f.path, f.name);
  f.data = std::move(text.data);
  f.stopLine = text.stopLine;
  f.unreadLines = text.unreadLines;
  session.changeFolder(choice->folder);
  return f;
}

std::optional<LoadedFile> loadForAction(session::ActionContext& ctx, std::string_view filter,
                                        const FileReader& read) {
  std::optional<LoadedFile> file;
  try {
    file = mfload(ctx.window, ctx.session, filter, read);
  } catch (const DataFileError& e) {
    ctx.window.dialogs().warn(e.what(), kLoadErrorTitle);
    return std::nullopt;
  }
  if (file && file->unreadLines > 0) {
    NumericText counts;
    counts.stopLine = file->stopLine;
    counts.unreadLines = file->unreadLines;
    const std::string note = unreadLinesNote(quoteForMessage(file->name, 255), counts);
    ctx.console.line(note);
    ctx.window.dialogs().warn(note, kUnreadLinesTitle);
  }
  return file;
}

}  // namespace varnok::io
