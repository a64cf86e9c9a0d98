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
  auto m = read ? read(f.path) : readNumericFile(f.path);
  if (!m) throw DataFileError("The file " + f.name + " could not be opened for reading.");
  f.data = std::move(*m);
  session.changeFolder(choice->folder);
  return f;
}

std::optional<LoadedFile> loadForAction(session::ActionContext& ctx, std::string_view filter,
                                        const FileReader& read) {
  try {
    return mfload(ctx.window, ctx.session, filter, read);
  } catch (const DataFileError& e) {
    ctx.window.dialogs().msgbox(e.what(), kLoadErrorTitle);
    return std::nullopt;
  }
}

}  // namespace varnok::io
