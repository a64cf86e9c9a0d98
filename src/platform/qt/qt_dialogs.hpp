// QtDialogs: the real dialogs of the main window (file choosers, message
// boxes, one-line questions, picking a point in the plot area).
#pragma once

#include "platform/window/window.hpp"

class QWidget;

namespace varnok::qt {

class PlotWidget;

class QtDialogs : public window::Dialogs {
 public:
  // parent: the main window the dialogs belong to; plot: where points are picked.
  QtDialogs(QWidget* parent, PlotWidget* plot) : parent_(parent), plot_(plot) {}

  std::optional<window::FileChoice> uigetfile(std::string_view filter, std::string_view title,
                                              std::string_view folder) override;
  std::optional<window::FileChoice> uiputfile(std::string_view filter, std::string_view title,
                                              std::string_view folder) override;
  void msgbox(std::string_view text, std::string_view title) override;
  void warn(std::string_view text, std::string_view title) override;
  std::optional<std::vector<std::string>> inputdlg(
      const std::vector<std::string>& prompts, std::string_view title,
      const std::vector<std::string>& defaults) override;
  std::optional<window::Click> ginput() override;
  bool confirm(std::string_view question, std::string_view title) override;

 private:
  QWidget* parent_;
  PlotWidget* plot_;
};

// The file-name filter of a file dialog for a runtime filter such as "*.*"
// (every file, also those without an extension) or "*.txt"; named filters
// ("TPS files (*.tps);;All files (*)") pass unchanged.
std::string qtFileFilter(std::string_view filter);

// A chosen path split into its name and its folder ending with a separator.
window::FileChoice splitPath(const std::string& path);

}  // namespace varnok::qt
