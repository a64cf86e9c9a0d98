// WindowDialogs: the dialogs actions see, in front of the real ones (or of
// the script's answers).
//
// It adds two things and otherwise passes every call on unchanged:
// - a file given in advance (a recent file, a file dropped on the window)
//   answers the next file-open dialog, exactly as if the user had chosen it;
// - with a settings store, a file dialog of a kind of file starts in the
//   folder such a file was last chosen in, as long as the session has not
//   moved its own folder in this run (the folder actions pass is empty until
//   then), and the chosen folder is remembered.
#pragma once

#include <optional>
#include <string>

#include "platform/qt/settings_store.hpp"
#include "platform/window/window.hpp"

namespace varnok::qt {

class WindowDialogs final : public window::Dialogs {
 public:
  explicit WindowDialogs(window::Dialogs& inner) : inner_(&inner) {}

  void setSettings(SettingsStore* settings) { settings_ = settings; }
  // The kind of file the running action opens or saves; none between actions.
  void setKind(std::optional<FileKind> kind) { kind_ = kind; }
  // The next file-open dialog returns path (absolute) without being shown.
  void answerNextOpen(std::string path) { answer_ = std::move(path); }
  void dropAnswer() { answer_.reset(); }
  // Other dialogs take the place of the ones given at construction (a
  // session replayed answers from its script); the same again puts them back.
  void setInner(window::Dialogs& inner) { inner_ = &inner; }
  // How many files were chosen in save dialogs so far.
  unsigned long saves() const { return saves_; }

  std::optional<window::FileChoice> uigetfile(std::string_view filter, std::string_view title,
                                              std::string_view folder) override;
  std::optional<window::FileChoice> uiputfile(std::string_view filter, std::string_view title,
                                              std::string_view folder) override;
  void msgbox(std::string_view text, std::string_view title) override {
    inner_->msgbox(text, title);
  }
  void warn(std::string_view text, std::string_view title) override { inner_->warn(text, title); }
  std::optional<std::vector<std::string>> inputdlg(
      const std::vector<std::string>& prompts, std::string_view title,
      const std::vector<std::string>& defaults) override {
    return inner_->inputdlg(prompts, title, defaults);
  }
  std::optional<window::Click> ginput() override { return inner_->ginput(); }
  bool confirm(std::string_view question, std::string_view title) override {
    return inner_->confirm(question, title);
  }

  // Where a dialog for the running kind of file starts: the session's folder
  // once it has moved, else the remembered one if it still exists, else
  // folder as given.
  std::string startFolder(std::string_view folder) const;
  // Remembers the folder of a chosen file for the running kind.
  void chosen(const window::FileChoice& choice);

 private:
  window::Dialogs* inner_;
  SettingsStore* settings_ = nullptr;
  std::optional<FileKind> kind_;
  std::optional<std::string> answer_;
  unsigned long saves_ = 0;
};

}  // namespace varnok::qt
