#include "platform/qt/enable_mirror.hpp"

#include <QAction>
#include <QEvent>
#include <QWidget>

namespace varnok::qt {

EnableMirror::EnableMirror(const std::vector<std::pair<QObject*, std::string>>& controls) {
  std::map<std::string, Group> all;
  for (const auto& [object, callback] : controls) {
    if (callback.empty()) continue;
    if (auto* item = qobject_cast<QAction*>(object))
      all[callback].items.emplace_back(item);
    else if (auto* widget = qobject_cast<QWidget*>(object))
      all[callback].buttons.emplace_back(widget);
  }
  for (auto& [callback, group] : all) {
    if (group.buttons.empty() || group.items.empty()) continue;
    Group& kept = groups_[callback] = std::move(group);
    for (const auto& b : kept.buttons) {
      callbackOf_[b.data()] = callback;
      b->installEventFilter(this);
    }
    update(kept);
  }
}

bool EnableMirror::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::EnabledChange) {
    auto it = callbackOf_.find(watched);
    if (it != callbackOf_.end()) update(groups_[it->second]);
  }
  return QObject::eventFilter(watched, event);
}

void EnableMirror::update(Group& group) {
  bool on = false;
  // The button's own switch, not whether a parent happens to be disabled.
  for (const auto& b : group.buttons)
    if (b && !b->testAttribute(Qt::WA_ForceDisabled)) on = true;
  for (const auto& item : group.items)
    if (item) item->setEnabled(on);
}

}  // namespace varnok::qt
