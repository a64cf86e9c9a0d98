#include "platform/window/in_memory_window.hpp"

#include <cctype>

#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::window {

namespace {

// Property names as the real window takes them: in any case.
bool knownProperty(const std::string& p) {
  return p == "string" || p == "value" || p == "enable" || p == "checked" || p == "label" ||
         p == "visible" || p == "tag" || p == "disabledtip";
}
bool isSwitch(const std::string& p) {
  return p == "enable" || p == "checked" || p == "visible";
}

[[noreturn]] void noProperty(std::string_view prop, const std::string& tag) {
  throw RuntimeError("Run-time Error: There is no " + std::string(prop) +
                     " property on the control \"" + tag + "\".");
}

}  // namespace

Value InMemoryControl::get(std::string_view prop) const {
  const std::string p = lowerCase(prop);
  if (!knownProperty(p)) noProperty(prop, tag_);
  if (p == "tag") return tag_;
  auto it = props_.find(p);
  if (it != props_.end()) return it->second;
  if (p == "value") return 0.0;
  if (p == "enable" || p == "visible") return "on";
  if (p == "checked") return "off";
  return std::string();
}

void InMemoryControl::set(std::string_view prop, const Value& v) {
  const std::string p = lowerCase(prop);
  if (!knownProperty(p) || p == "tag") noProperty(prop, tag_);
  if (isSwitch(p)) {
    // "on"/"off" in any case, read back in lower case, as the real controls do.
    const std::string w = v.isText() ? lowerCase(v.text()) : std::string();
    if (w != "on" && w != "off")
      throw RuntimeError("Run-time Error: Bad value for the " + std::string(prop) +
                         " property of " + tag_ + ": " + v.describe() +
                         " (expected 'on' or 'off').");
    props_[p] = Value(w);
    return;
  }
  if (p == "value") {
    Mat m;
    if (v.isMatrix()) m = v.matrix();
    if (v.isText()) m = str2num(v.text());
    if (m.size() != 1)
      throw RuntimeError("Run-time Error: Bad value for the " + std::string(prop) +
                         " property of " + tag_ + ": " + v.describe() + " (expected a number).");
    props_[p] = Value(m(0, 0));
    return;
  }
  props_[p] = v;
}

namespace {
template <class T>
std::optional<T> pop(std::deque<std::optional<T>>& q) {
  if (q.empty()) return std::nullopt;
  auto v = std::move(q.front());
  q.pop_front();
  return v;
}
}  // namespace

// Open and save dialogs answer from the same queue and are recorded alike.
std::optional<FileChoice> ScriptedAnswers::uigetfile(std::string_view filter,
                                                     std::string_view title,
                                                     std::string_view folder) {
  fileDialogFilters.emplace_back(filter);
  fileDialogTitles.emplace_back(title);
  fileDialogFolders.emplace_back(folder);
  return pop(files);
}

std::optional<FileChoice> ScriptedAnswers::uiputfile(std::string_view filter,
                                                     std::string_view title,
                                                     std::string_view folder) {
  return uigetfile(filter, title, folder);
}

void ScriptedAnswers::msgbox(std::string_view text, std::string_view title) {
  messages.push_back({std::string(text), std::string(title)});
}

std::optional<std::vector<std::string>> ScriptedAnswers::inputdlg(
    const std::vector<std::string>&, std::string_view title,
    const std::vector<std::string>& defaults) {
  inputTitles.emplace_back(title);
  inputDefaults.push_back(defaults);
  return pop(inputs);
}

std::optional<Click> ScriptedAnswers::ginput() {
  return pop(clicks);
}

InMemoryWindow::InMemoryWindow() = default;

InMemoryControl& InMemoryWindow::add(std::string tag) {
  controls_.push_back(std::make_unique<InMemoryControl>(std::move(tag)));
  return *controls_.back();
}

std::vector<Control*> InMemoryWindow::findobj(std::string_view tag) {
  std::vector<Control*> out;
  for (auto& c : controls_)
    if (c->tag() == tag) out.push_back(c.get());
  return out;
}

}  // namespace varnok::window
