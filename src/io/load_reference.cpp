#include "io/load_reference.hpp"

#include "display/showshape.hpp"
#include "io/mfload.hpp"
#include "morpho/refstandardize.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::io {

void LoadReference(session::ActionContext& ctx) {
  auto& s = ctx.state;
  // Without data there is nothing to compare the reference with: say so
  // before asking for a file.
  const Eigen::Index dataCols = session::need(s.DATA, "DATA").cols();
  auto file = loadForAction(ctx);
  if (!file) return;
  Mat reference = std::move(file->data);
  const Eigen::Index mg = reference.rows(), ng = reference.cols();
  s.reference = reference;
  ctx.console.display("reference", reference);
  if (ng != dataCols) {
    ctx.window.dialogs().msgbox(
        "The number of landmarks in the reference does not match the number of landmarks in the "
        "data, Reverting to consensus reference",
        "Reference Error");
    s.referencetype = 0;
    return;
  }
  if (mg > 1) {
    ctx.window.dialogs().msgbox(
        "The reference file had more than 1 specimen,  Reverting to consensus specimen",
        "Reference Error");
    s.referencetype = 0;
    return;
  }
  const std::string stemp = sprintf("Successfully loaded reference file %s with %f landmarks",
                                    {file->name, static_cast<double>(ng - 1) / 2});
  s.referencetype = 1;
  s.reference = morpho::refstandardize(reference);
  display::showshape_rot(ctx.window, &ctx.console, s.reference, "ro");
  ctx.window.dialogs().msgbox(stemp, "Reference Loaded");
  display::showshape(ctx.window.figure().axes(), s.reference, "ro");
  ctx.console.display("reference", s.reference);
}

}  // namespace varnok::io
