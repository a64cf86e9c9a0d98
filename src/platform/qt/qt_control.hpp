// QtControl: one tagged widget or menu item of the Qt window seen as a Control.
//
// The widget's kind decides what its properties mean: line edits, labels and
// buttons have a String; check boxes and radio buttons a Value of 0 or 1;
// lists and combo boxes a Value that is the chosen row counted from 1; menu
// items a Checked mark and a Label. Every widget and menu item has Enable and
// Visible. Writing a property never fires the control's callback: only the
// user's own clicks and edits do that.
#pragma once

#include <QPointer>
#include <string>

#include "platform/window/window.hpp"

class QObject;

namespace varnok::qt {

class QtControl : public window::Control {
 public:
  QtControl(QObject* object, std::string tag);

  std::string tag() const override { return tag_; }
  Value get(std::string_view prop) const override;
  void set(std::string_view prop, const Value& v) override;
  // The layout's dynamic property "callback", empty when there is none.
  std::string callback() const override;
  // The layout's dynamic property "builtin": a switch of the window's own
  // that runs no callback (the live shape), empty when there is none.
  std::string builtin() const;

  // Null once the widget is gone (the window was destroyed).
  QObject* object() const { return object_.data(); }

 private:
  QObject& alive() const;

  QPointer<QObject> object_;
  std::string tag_;
};

// A property value as a control shows it: texts as they are, lists one item a
// line, numbers as the console writes them.
std::string valueToText(const Value& v);

}  // namespace varnok::qt
