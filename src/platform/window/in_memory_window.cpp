#include "platform/window/in_memory_window.hpp"

#include "platform/matrix/runtime_error.hpp"

namespace varnok::window {

namespace {
bool knownProperty(std::string_view p) {
  return p == "String" || p == "Value" || p == "Enable" || p == "Checked" || p == "Label" ||
         p == "Visible" || p == "Tag";
}
}  // namespace

Value InMemoryControl::get(std::string_view prop) const {
  if (!knownProperty(prop))
    throw RuntimeError("Run-time Error: There is no " + std::string(prop) +
                       " property on the control \"" + tag_ + "\".");
  if (prop == "Tag") return tag_;
  auto it = props_.find(prop);
  if (it != props_.end()) return it->second;
  if (prop == "Value") return 0.0;
  if (prop == "Enable") return "on";
  if (prop == "Checked") return "off";
  return std::string();
}

void InMemoryControl::set(std::string_view prop, const Value& v) {
  if (!knownProperty(prop) || prop == "Tag")
    throw RuntimeError("Run-time Error: There is no " + std::string(prop) +
                       " property on the control \"" + tag_ + "\".");
  props_[std::string(prop)] = v;
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

std::optional<FileChoice> ScriptedAnswers::uigetfile(std::string_view, std::string_view title,
                                                     std::string_view folder) {
  fileDialogTitles.emplace_back(title);
  fileDialogFolders.emplace_back(folder);
  return pop(files);
}

std::optional<FileChoice> ScriptedAnswers::uiputfile(std::string_view, std::string_view title,
                                                     std::string_view folder) {
  fileDialogTitles.emplace_back(title);
  fileDialogFolders.emplace_back(folder);
  return pop(files);
}

void ScriptedAnswers::msgbox(std::string_view text, std::string_view title) {
  messages.push_back({std::string(text), std::string(title)});
}

std::optional<std::vector<std::string>> ScriptedAnswers::inputdlg(const std::vector<std::string>&,
                                                                  std::string_view,
                                                                  const std::vector<std::string>&) {
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
