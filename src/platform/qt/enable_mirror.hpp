// EnableMirror: menu items follow the Enable of the buttons that send the
// same callback.
//
// Actions switch buttons on and off by tag (the analysis buttons start off
// and loading data switches them on); a menu item doing the same thing must
// not stay usable while its button is not. Whenever such a button's Enable
// changes, the menu items with its callback string take the same Enable (on
// when any of the buttons with that callback is on).
#pragma once

#include <QObject>
#include <QPointer>
#include <map>
#include <string>
#include <vector>

class QAction;
class QWidget;

namespace varnok::qt {

class EnableMirror : public QObject {
 public:
  // pairs: every control's object with its callback string (empty: none).
  explicit EnableMirror(const std::vector<std::pair<QObject*, std::string>>& controls);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Group {
    std::vector<QPointer<QWidget>> buttons;
    std::vector<QPointer<QAction>> items;
  };
  void update(Group& group);

  std::map<std::string, Group> groups_;
  std::map<QObject*, std::string> callbackOf_;
};

}  // namespace varnok::qt
