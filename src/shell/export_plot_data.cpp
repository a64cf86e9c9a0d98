#include "shell/export_plot_data.hpp"

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>

#include "platform/graphics/plot_data.hpp"
#include "platform/matrix/files.hpp"

namespace varnok::shell {

namespace {

constexpr const char* kTitle = "Export Plot Data";
constexpr const char* kFilter = "JSON plot data (*.json)";

bool endsWithJson(const std::string& path) {
  constexpr std::string_view ext = ".json";
  if (path.size() < ext.size()) return false;
  return std::equal(
      ext.begin(), ext.end(), path.end() - static_cast<std::ptrdiff_t>(ext.size()),
      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

}  // namespace

void writePlotData(window::Window& window, const std::string& path) {
  window.fitFigureToPlot();
  writeFileAtomically(path, graphics::plotDataJson(window.figure()));
  window.fileWritten(path);
}

void ExportPlotData(session::ActionContext& ctx) {
  window::Dialogs& dialogs = ctx.window.dialogs();
  const auto choice = dialogs.uiputfile(kFilter, kTitle, ctx.session.folder);
  if (!choice) return;
  std::string path = choice->folder + choice->name;
  if (!endsWithJson(path)) {
    path += ".json";
    // The dialog asked about replacing the name as typed, not this one.
    std::error_code ec;
    if (std::filesystem::exists(path, ec) &&
        !dialogs.confirm(path + " already exists. Replace it?", kTitle))
      return;
  }
  try {
    writePlotData(ctx.window, path);
  } catch (const std::exception& e) {
    dialogs.warn(e.what(), kTitle);
    return;
  }
  ctx.window.confirmSaved("the plot data", path);
}

}  // namespace varnok::shell
