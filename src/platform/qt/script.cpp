#include "platform/qt/script.hpp"

#include <filesystem>
#include <ostream>

#include "platform/graphics/plot_data.hpp"
#include "platform/graphics/render.hpp"
#include "platform/matrix/files.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"
#include "platform/qt/qt_control.hpp"

namespace varnok::qt {

namespace {

namespace fs = std::filesystem;

std::string describe(const ScriptAnswer& a) {
  switch (a.kind) {
    case ScriptAnswer::Kind::File:
      return "file " + a.text;
    case ScriptAnswer::Kind::Input:
      return "input " + a.text;
    case ScriptAnswer::Kind::Click:
      return "click " + num2str(a.click.x) + " " + num2str(a.click.y) + " " +
             std::to_string(a.click.button);
    case ScriptAnswer::Kind::Cancel:
      break;
  }
  return "cancel";
}

}  // namespace

std::optional<ScriptAnswer> ScriptedDialogs::next(ScriptAnswer::Kind want,
                                                  std::string_view dialog) {
  if (answers_.empty()) {
    err_ << "varnok: the script gives no answer for " << dialog << "; it is cancelled\n";
    return std::nullopt;
  }
  ScriptAnswer a = std::move(answers_.front());
  answers_.pop_front();
  if (a.kind == want) return a;
  if (a.kind != ScriptAnswer::Kind::Cancel)
    err_ << "varnok: the script's answer '" << describe(a) << "' does not fit " << dialog
         << "; it is cancelled\n";
  return std::nullopt;
}

std::optional<window::FileChoice> ScriptedDialogs::file(std::string_view title) {
  const auto a = next(ScriptAnswer::Kind::File, "the file dialog \"" + std::string(title) + "\"");
  if (!a) return std::nullopt;
  const fs::path p(a->text);
  std::string folder = p.parent_path().string();
  if (folder.empty() || folder.back() != fs::path::preferred_separator)
    folder += static_cast<char>(fs::path::preferred_separator);
  return window::FileChoice{p.filename().string(), folder};
}

std::optional<window::FileChoice> ScriptedDialogs::uigetfile(std::string_view,
                                                             std::string_view title,
                                                             std::string_view) {
  return file(title);
}

std::optional<window::FileChoice> ScriptedDialogs::uiputfile(std::string_view,
                                                             std::string_view title,
                                                             std::string_view) {
  return file(title);
}

void ScriptedDialogs::msgbox(std::string_view text, std::string_view title) {
  out_ << "[msgbox " << title << "] " << text << '\n';
  out_.flush();
}

std::optional<std::vector<std::string>> ScriptedDialogs::inputdlg(
    const std::vector<std::string>& prompts, std::string_view title,
    const std::vector<std::string>& defaults) {
  const std::string dialog = "the question \"" + std::string(title) + "\"";
  const auto first = next(ScriptAnswer::Kind::Input, dialog);
  if (!first) return std::nullopt;
  std::vector<std::string> answers{first->text};
  // Further prompts take further input answers when the script gives them,
  // else their defaults.
  for (std::size_t i = 1; i < prompts.size(); ++i) {
    if (!answers_.empty() && answers_.front().kind == ScriptAnswer::Kind::Input) {
      answers.push_back(answers_.front().text);
      answers_.pop_front();
    } else {
      answers.push_back(i < defaults.size() ? defaults[i] : std::string());
    }
  }
  return answers;
}

std::optional<window::Click> ScriptedDialogs::ginput() {
  const auto a = next(ScriptAnswer::Kind::Click, "a pick in the plot");
  if (!a) return std::nullopt;
  return a->click;
}

int runScript(const std::vector<ScriptStep>& steps, window::Window& window,
              ScriptedDialogs& dialogs, const std::function<void(const std::string&)>& runCallback,
              std::ostream& out, std::ostream& err, const std::function<void()>& afterStep) {
  for (const ScriptStep& step : steps) {
    try {
      switch (step.kind) {
        case ScriptStep::Kind::Callback:
          out.flush();
          runCallback(step.text);
          break;
        case ScriptStep::Kind::Answer:
          dialogs.push(step.answer);
          break;
        case ScriptStep::Kind::Set:
          window.setAll(step.tag, step.property, step.value);
          break;
        case ScriptStep::Kind::Print:
          out << step.tag << ' ' << step.property << ": "
              << valueToText(window.control(step.tag).get(step.property)) << '\n';
          out.flush();
          break;
        case ScriptStep::Kind::PlotSize:
          window.setPlotSize(step.width, step.height);
          break;
        case ScriptStep::Kind::SavePicture:
          // At the figure's own size, which the window keeps equal to its
          // plot area, so the file shows what the screen shows.
          if (window::isPlotDataPath(step.text))
            writeFileAtomically(step.text, graphics::plotDataJson(window.figure()));
          else
            graphics::savePicture(window.figure(), step.text, *graphics::formatFromPath(step.text));
          break;
      }
    } catch (const std::exception& e) {
      out.flush();
      err << "varnok: script line " << step.line << ": " << e.what() << '\n';
      return 1;
    }
    if (afterStep) afterStep();
  }
  out.flush();
  return 0;
}

}  // namespace varnok::qt
