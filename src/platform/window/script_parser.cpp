#include "platform/window/script_parser.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <istream>
#include <limits>
#include <optional>

#include "platform/graphics/render.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::window {

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
    // A pick in the plot is always at a finite point.
    if (!x || !y || !std::isfinite(*x) || !std::isfinite(*y))
      return *why = "answer click needs two numbers X Y", std::nullopt;
    int button = 1;
    if (!rest.empty()) {
      const auto b = toNumber(word(rest));
      // Compared before the conversion: a value beyond the range of int has
      // no int to compare with.
      if (!b || !(*b >= 1 && *b <= std::numeric_limits<int>::max()) || *b != std::floor(*b))
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

bool isPlotDataPath(const std::string& path) {
  return lowerCase(fs::path(path).extension().string()) == ".json";
}

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
    } else if (directive == "plot-size") {
      ScriptStep s;
      s.kind = ScriptStep::Kind::PlotSize;
      const auto w = toNumber(word(rest));
      const auto h = toNumber(word(rest));
      auto whole = [](const std::optional<double>& v) {
        return v && *v >= 1 && *v <= kMaxPlotSizePx && *v == std::floor(*v);
      };
      if (!whole(w) || !whole(h) || !rest.empty()) {
        why = "plot-size needs a width and a height in whole pixels from 1 to " +
              std::to_string(kMaxPlotSizePx);
      } else {
        s.width = static_cast<int>(*w);
        s.height = static_cast<int>(*h);
        step = s;
      }
    } else if (directive == "save-picture") {
      ScriptStep s;
      s.kind = ScriptStep::Kind::SavePicture;
      s.text = resolve(scriptFolder, rest);
      if (rest.empty())
        why = "save-picture needs a path";
      else if (!graphics::formatFromPath(s.text) && !isPlotDataPath(s.text))
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

}  // namespace varnok::window
