#include "io/code_load.hpp"

#include <cmath>

#include "io/input_file.hpp"
#include "io/mfload.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::io {

std::optional<std::string> symbolTableProblem(const Mat& table, const std::string& fileName) {
  static const char* const kShares[] = {"red", "green", "blue"};
  for (Eigen::Index r = 0; r < table.rows(); ++r) {
    const std::string where = "The symbol code file " + fileName + " could not be used: line " +
                              std::to_string(r + 1) + " (group code " + std::to_string(r + 1) +
                              ") holds ";
    for (Eigen::Index c = 0; c < table.cols(); ++c)
      if (!std::isfinite(table(r, c)))
        return where + num2str(table(r, c)) + ", which is not a finite number.";
    for (int c = 0; c < 3; ++c)
      if (table(r, c) < 0 || table(r, c) > 1)
        return where + "the " + kShares[c] + " share " + num2str(table(r, c)) +
               "; colour shares must be from 0 to 1.";
    const double marker = table(r, 3), size = table(r, 4), fill = table(r, 5);
    if (marker != std::floor(marker) || marker < 1 || marker > 13)
      return where + "the marker index " + num2str(marker) +
             "; it must be a whole number from 1 to 13.";
    if (size < 0.1 || size > 200)
      return where + "the marker size " + num2str(size) + "; it must be from 0.1 to 200 points.";
    if (fill != 0 && fill != 1)
      return where + "the fill flag " + num2str(fill) + "; it must be 0 (empty) or 1 (filled).";
  }
  return std::nullopt;
}

void CodeLoad(session::ActionContext& ctx) {
  auto file = loadForAction(ctx);
  if (!file) return;
  if (file->data.cols() != 6) {
    ctx.window.dialogs().warn(
        "The file loaded does not have the correct dimensions to be a Group Code File, Please "
        "try another file",
        "");
    return;
  }
  if (auto problem = symbolTableProblem(file->data, quoteForMessage(file->name, 255))) {
    ctx.window.dialogs().warn(*problem, kLoadErrorTitle);
    return;
  }
  // Only a table that can be drawn switches the plots to it.
  ctx.state.altcode = 1;
  ctx.state.codearray = std::move(file->data);
  ctx.window.setAll("BWButton", "Label", "Return to Default Symbols");
}

}  // namespace varnok::io
