#include "platform/window/script_parser.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <istream>
#include <iterator>
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

bool knownPictureOrData(const std::string& path) {
  return graphics::formatFromPath(path) || isPlotDataPath(path);
}

// save-picture PATH [WIDTHxHEIGHT] [DPI]. A path may hold blanks, so the
// whole rest is the path when it names a known format; otherwise the last
// one or two words are the size and the resolution.
std::optional<ScriptStep> parseSavePicture(std::string_view rest, const fs::path& folder,
                                           std::string* why) {
  ScriptStep s;
  s.kind = ScriptStep::Kind::SavePicture;
  if (rest.empty()) return *why = "save-picture needs a path", std::nullopt;
  s.text = resolve(folder, rest);
  if (knownPictureOrData(s.text)) return s;
  // Split off up to two trailing words.
  std::vector<std::string_view> tail;
  std::string_view head = rest;
  for (int k = 0; k < 2; ++k) {
    const std::size_t cut = head.find_last_of(" \t");
    if (cut == std::string_view::npos) break;
    tail.insert(tail.begin(), head.substr(cut + 1));
    head = trimRight(head.substr(0, cut));
    if (knownPictureOrData(resolve(folder, head))) break;
  }
  s.text = resolve(folder, head);
  if (!knownPictureOrData(s.text) || tail.empty())
    return *why = "save-picture cannot tell the format of '" + std::string(rest) +
                  "' (use .png, .svg, .pdf, .eps or .json)",
           std::nullopt;
  if (isPlotDataPath(s.text))
    return *why = "save-picture writes plot data (.json) without a size or resolution",
           std::nullopt;
  std::size_t next = 0;
  if (tail[0].find_first_of("xX") != std::string_view::npos) {
    std::string reason;
    s.pictureSize = graphics::parsePictureSize(tail[0], &reason);
    if (!s.pictureSize) return *why = "save-picture: " + reason, std::nullopt;
    next = 1;
  }
  if (next < tail.size()) {
    const auto dpi = toNumber(tail[next]);
    if (!dpi || !(*dpi >= graphics::kMinDpi && *dpi <= graphics::kMaxDpi))
      return *why = "save-picture: the resolution must be a number of dots per inch from " +
                    num2str(graphics::kMinDpi) + " to " + num2str(graphics::kMaxDpi) + ", not '" +
                    std::string(tail[next]) + "'",
             std::nullopt;
    s.dpi = *dpi;
    ++next;
  }
  if (next < tail.size())
    return *why =
               "save-picture takes PATH, then an optional WIDTHxHEIGHT (pixels, or with mm) "
               "and an optional DPI",
           std::nullopt;
  return s;
}

}  // namespace

bool isPlotDataPath(const std::string& path) {
  return lowerCase(fs::path(path).extension().string()) == ".json";
}

std::variant<std::vector<ScriptStep>, ScriptError> parseScript(std::istream& in,
                                                               const fs::path& scriptFolder,
                                                               const CallbackCheck& check) {
  std::vector<ScriptStep> steps;
  const std::string all{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return ScriptError{0, "reading failed"};
  std::string_view text = all;
  // UTF-16 (with or without its mark) shows as NUL bytes; its bytes are
  // never echoed, they would garble the terminal.
  if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF") ||
      text.find('\0') != std::string_view::npos)
    return ScriptError{0, "the script is UTF-16 or binary, not text; save it as UTF-8"};
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  int lineNo = 0;
  // Lines end in LF, CR LF or a lone CR (as older Mac editors save them).
  while (!text.empty()) {
    ++lineNo;
    const std::size_t cut = text.find_first_of("\r\n");
    const std::string_view raw = text.substr(0, cut);
    if (cut == std::string_view::npos) {
      text = {};
    } else {
      text.remove_prefix(cut + (text.substr(cut, 2) == "\r\n" ? 2 : 1));
    }
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
      step = parseSavePicture(rest, scriptFolder, &why);
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
  return steps;
}

std::variant<std::vector<ScriptStep>, ScriptError> readScript(const fs::path& file,
                                                              const CallbackCheck& check) {
  std::ifstream in(file);
  if (!in) return ScriptError{0, "cannot read the script " + file.string()};
  std::error_code ec;
  const fs::path absolute = fs::absolute(file, ec);
  auto parsed = parseScript(in, (ec ? file : absolute).parent_path(), check);
  if (const auto* steps = std::get_if<std::vector<ScriptStep>>(&parsed); steps && steps->empty())
    return ScriptError{
        0, "the script " + file.string() + " performs nothing: every line is blank or a comment"};
  return parsed;
}

}  // namespace varnok::window
