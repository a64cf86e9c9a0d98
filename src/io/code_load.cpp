#include "io/code_load.hpp"

#include "io/mfload.hpp"

namespace varnok::io {

void CodeLoad(session::ActionContext& ctx) {
  ctx.state.altcode = 1;
  auto file = loadForAction(ctx);
  if (!file) return;
  if (file->data.cols() != 6) {
    ctx.window.dialogs().msgbox(
        "The file loaded does not have the correct dimensions to be a Group Code File, Please "
        "try another file",
        "");
    return;
  }
  ctx.state.codearray = std::move(file->data);
  ctx.window.setAll("BWButton", "Label", "Return to Default Symbols");
}

}  // namespace varnok::io
