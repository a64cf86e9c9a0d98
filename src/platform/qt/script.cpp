#include "platform/qt/script.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>

#include "platform/graphics/plot_data.hpp"
#include "platform/graphics/render.hpp"
#include "platform/matrix/files.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"
#include "platform/qt/qt_control.hpp"

namespace varnok::qt {

namespace {

namespace fs = std::filesystem;

bool blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trimLeft(std::string_view s) {
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view trimRight(std::string_view s) {
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// The next blank-separated word of rest; rest moves past it and the blanks
// after it, so what remains is "the rest of the line".
std::string_view word(std::string_view& rest) {
  rest = trimLeft(rest);
  std::size_t n = 0;
  while (n < rest.size() && !blank(rest[n])) ++n;
  const std::string_view w = rest.substr(0, n);
  rest = trimLeft(rest.substr(n));
  return w;
}

std::optional<double> toNumber(std::string_view s) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double x = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), x);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
  return x;
}

std::string resolve(const fs::path& folder, std::string_view path) {
  fs::path p{std::string(path)};
  if (p.is_relative() && !folder.empty()) p = folder / p;
  return p.lexically_normal().string();
}

// The plot's data rather than its picture.
bool isJsonPath(const std::string& path) {
  return lowerCase(fs::path(path).extension().string()) == ".json";
}

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

// Properties a user types or chooses as text; every other one takes numbers.
bool textProperty(const std::string& p) {
  return p == "string" || p == "label" || p == "enable" || p == "checked" || p == "tag" ||
         p == "visible";
}

std::optional<ScriptStep> parseAnswer(std::string_view rest, const fs::path& folder,
                                      std::string* why) {
  ScriptStep step;
  step.kind = ScriptStep::Kind::Answer;
  const std::string kind(word(rest));
  if (kind == "file") {
    if (rest.empty()) return *why = "answer file needs a path", std::nullopt;
    step.answer.kind = ScriptAnswer::Kind::File;
    step.answer.text = resolve(folder, rest);
  } else if (kind == "input") {
    step.answer.kind = ScriptAnswer::Kind::Input;
    step.answer.text = std::string(rest);
  } else if (kind == "click") {
    const auto x = toNumber(word(rest));
    const auto y = toNumber(word(rest));
    if (!x || !y) return *why = "answer click needs two numbers X Y", std::nullopt;
    int button = 1;
    if (!rest.empty()) {
      const auto b = toNumber(word(rest));
      if (!b || *b != static_cast<int>(*b) || *b < 1)
        return *why =
                   "the button of answer click must be a whole number from 1 (3 is the "
                   "right button)",
               std::nullopt;
      button = static_cast<int>(*b);
    }
    if (!rest.empty()) return *why = "answer click takes X Y and an optional BUTTON", std::nullopt;
    step.answer.kind = ScriptAnswer::Kind::Click;
    step.answer.click = {*x, *y, button};
  } else if (kind == "cancel") {
    if (!rest.empty()) return *why = "answer cancel takes nothing more", std::nullopt;
    step.answer.kind = ScriptAnswer::Kind::Cancel;
  } else {
    *why = "answer must be followed by file, input, click or cancel";
    return std::nullopt;
  }
  return step;
}

}  // namespace

std::variant<std::vector<ScriptStep>, ScriptError> parseScript(std::istream& in,
                                                               const fs::path& scriptFolder,
                                                               const CallbackCheck& check) {
  std::vector<ScriptStep> steps;
  std::string raw;
  int lineNo = 0;
  while (std::getline(in, raw)) {
    ++lineNo;
    const std::string_view line = trimRight(trimLeft(raw));
    if (line.empty() || line.front() == '#') continue;
    std::string_view rest = line;
    const std::string_view directive = word(rest);
    std::string why;
    std::optional<ScriptStep> step;
    if (directive == "answer") {
      step = parseAnswer(rest, scriptFolder, &why);
    } else if (directive == "set") {
      ScriptStep s;
      s.kind = ScriptStep::Kind::Set;
      s.tag = std::string(word(rest));
      s.property = std::string(word(rest));
      if (s.tag.empty() || s.property.empty()) {
        why = "set needs TAG PROPERTY VALUE";
      } else if (textProperty(lowerCase(s.property))) {
        s.value = Value(std::string(rest));
        step = s;
      } else {
        const Mat m = str2num(rest);
        if (m.size() == 0)
          why = "the value of " + s.property + " must be a number, not '" + std::string(rest) + "'";
        else
          s.value = Value(m), step = s;
      }
    } else if (directive == "print") {
      ScriptStep s;
      s.kind = ScriptStep::Kind::Print;
      s.tag = std::string(word(rest));
      s.property = std::string(word(rest));
      if (s.tag.empty() || s.property.empty() || !rest.empty())
        why = "print needs TAG PROPERTY";
      else
        step = s;
    } else if (directive == "save-picture") {
      ScriptStep s;
      s.kind = ScriptStep::Kind::SavePicture;
      s.text = resolve(scriptFolder, rest);
      if (rest.empty())
        why = "save-picture needs a path";
      else if (!graphics::formatFromPath(s.text) && !isJsonPath(s.text))
        why = "save-picture cannot tell the format of '" + std::string(rest) +
              "' (use .png, .svg, .pdf, .eps or .json)";
      else
        step = s;
    } else {
      std::string reason;
      if (check && !check(line, &reason)) {
        why = "'" + std::string(line) + "' is neither a directive nor a callback" +
              (reason.empty() ? std::string() : " (" + reason + ")");
      } else {
        ScriptStep s;
        s.kind = ScriptStep::Kind::Callback;
        s.text = std::string(line);
        step = s;
      }
    }
    if (!step) return ScriptError{lineNo, why};
    step->line = lineNo;
    steps.push_back(std::move(*step));
  }
  if (in.bad()) return ScriptError{lineNo, "reading failed"};
  return steps;
}

std::variant<std::vector<ScriptStep>, ScriptError> readScript(const fs::path& file,
                                                              const CallbackCheck& check) {
  std::ifstream in(file);
  if (!in) return ScriptError{0, "cannot read the script " + file.string()};
  std::error_code ec;
  const fs::path absolute = fs::absolute(file, ec);
  return parseScript(in, (ec ? file : absolute).parent_path(), check);
}

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
        case ScriptStep::Kind::SavePicture:
          // At the figure's own size, which the window keeps equal to its
          // plot area, so the file shows what the screen shows.
          if (isJsonPath(step.text))
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
