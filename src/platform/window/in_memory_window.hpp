// InMemoryWindow: a Window without a screen, for tests of actions.
//
// Controls are created on first use or declared up front; dialogs answer from
// queues the test fills, and every message box is recorded.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <variant>

#include "platform/window/window.hpp"

namespace varnok::window {

class InMemoryControl : public Control {
 public:
  explicit InMemoryControl(std::string tag) : tag_(std::move(tag)) {}
  std::string tag() const override { return tag_; }
  Value get(std::string_view prop) const override;
  void set(std::string_view prop, const Value& v) override;

 private:
  std::string tag_;
  std::map<std::string, Value, std::less<>> props_;
};

struct MessageBox {
  std::string text, title;
  bool warning = false;  // shown as a warning (Dialogs::warn)
};

class ScriptedAnswers : public Dialogs {
 public:
  std::optional<FileChoice> uigetfile(std::string_view filter, std::string_view title,
                                      std::string_view folder) override;
  std::optional<FileChoice> uiputfile(std::string_view filter, std::string_view title,
                                      std::string_view folder) override;
  void msgbox(std::string_view text, std::string_view title) override;
  void warn(std::string_view text, std::string_view title) override {
    messages.push_back({std::string(text), std::string(title), true});
  }
  std::optional<std::vector<std::string>> inputdlg(
      const std::vector<std::string>& prompts, std::string_view title,
      const std::vector<std::string>& defaults) override;
  std::optional<Click> ginput() override;

  // Queued answers; an empty optional is a cancel. A dialog with no queued
  // answer is cancelled.
  std::deque<std::optional<FileChoice>> files;
  std::deque<std::optional<std::vector<std::string>>> inputs;
  std::deque<std::optional<Click>> clicks;
  std::vector<MessageBox> messages;
  std::vector<std::string> fileDialogTitles;
  std::vector<std::string> fileDialogFolders;  // where each file dialog opened
  std::vector<std::string> fileDialogFilters;
  // Every one-line input dialog asked: its title and default answers.
  std::vector<std::string> inputTitles;
  std::vector<std::vector<std::string>> inputDefaults;
};

class InMemoryWindow : public Window {
 public:
  InMemoryWindow();
  // Declares a control; findobj finds only declared controls.
  InMemoryControl& add(std::string tag);
  std::vector<Control*> findobj(std::string_view tag) override;
  graphics::Figure& figure() override { return figure_; }
  Dialogs& dialogs() override { return answers; }
  void status(std::string_view text) override { statusText = std::string(text); }
  // Calls clipboard with the figure as it is copied; without one there is no
  // clipboard and nothing is copied.
  bool copyToClipboard() override { return clipboard ? clipboard(figure_) : false; }

  ScriptedAnswers answers;
  std::string statusText;
  std::function<bool(const graphics::Figure&)> clipboard;

 private:
  graphics::Figure figure_;
  std::vector<std::unique_ptr<InMemoryControl>> controls_;
};

}  // namespace varnok::window
