#include "platform/qt/qt_control.hpp"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSignalBlocker>
#include <QWidget>
#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::qt {

namespace {

// Dynamic properties of a control: the tooltip the layout gave it, and why it
// is off (shown after that tooltip).
constexpr const char* kOwnTip = "varnokOwnToolTip";
constexpr const char* kDisabledTip = "varnokDisabledTip";

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}
std::string ss(const QString& s) {
  return s.toStdString();
}

// "on"/"off" in any case; anything else is refused with the property named.
bool onOff(const Value& v, std::string_view prop, const std::string& tag) {
  if (v.isText()) {
    const std::string w = lowerCase(v.text());
    if (w == "on") return true;
    if (w == "off") return false;
  }
  throw RuntimeError("Run-time Error: Bad value for the " + std::string(prop) + " property of " +
                     tag + ": " + v.describe() + " (expected 'on' or 'off').");
}

double number(const Value& v, std::string_view prop, const std::string& tag) {
  if (v.isMatrix() && v.matrix().size() == 1) return v.scalar();
  if (v.isText()) {
    const Mat m = str2num(v.text());
    if (m.size() == 1) return m(0, 0);
  }
  throw RuntimeError("Run-time Error: Bad value for the " + std::string(prop) + " property of " +
                     tag + ": " + v.describe() + " (expected a number).");
}

std::vector<std::string> items(const Value& v) {
  if (v.isTextList()) return v.textList();
  std::vector<std::string> out;
  const std::string text = valueToText(v);
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = text.find('\n', start);
    out.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

Value textList(const QStringList& l) {
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(l.size()));
  for (const QString& s : l) out.push_back(ss(s));
  return Value(std::move(out));
}

}  // namespace

std::string valueToText(const Value& v) {
  if (v.isText()) return v.text();
  if (v.isTextList()) {
    std::string out;
    for (std::size_t i = 0; i < v.textList().size(); ++i) {
      if (i) out += '\n';
      out += v.textList()[i];
    }
    return out;
  }
  if (v.isEmpty()) return {};
  const Mat& m = v.matrix();
  if (m.size() == 1) return num2str(m(0, 0));
  return num2str(m);
}

QtControl::QtControl(QObject* object, std::string tag) : object_(object), tag_(std::move(tag)) {}

QObject& QtControl::alive() const {
  if (!object_)
    throw RuntimeError("Run-time Error: The control \"" + tag_ + "\" no longer exists.");
  return *object_;
}

std::string QtControl::callback() const {
  return object_ ? ss(object_->property("callback").toString()) : std::string();
}

std::string QtControl::builtin() const {
  return object_ ? ss(object_->property("builtin").toString()) : std::string();
}

Value QtControl::get(std::string_view prop) const {
  QObject& o = alive();
  const std::string p = lowerCase(prop);
  auto* widget = qobject_cast<QWidget*>(&o);
  auto* action = qobject_cast<QAction*>(&o);

  if (p == "tag") return Value(tag_);
  if (p == "enable") {
    // The control's own setting, not whether a disabled parent greys it out.
    const bool on = widget ? !widget->testAttribute(Qt::WA_ForceDisabled)
                           : (action ? action->isEnabled() : true);
    return Value(on ? "on" : "off");
  }
  if (p == "disabledtip") return Value(ss(o.property(kDisabledTip).toString()));
  if (p == "visible") {
    const bool on = widget ? !widget->isHidden() : (action ? action->isVisible() : true);
    return Value(on ? "on" : "off");
  }
  if (p == "string") {
    if (auto* e = qobject_cast<QLineEdit*>(&o)) return Value(ss(e->text()));
    if (auto* l = qobject_cast<QLabel*>(&o)) return Value(ss(l->text()));
    if (auto* b = qobject_cast<QAbstractButton*>(&o)) return Value(ss(b->text()));
    if (auto* g = qobject_cast<QGroupBox*>(&o)) return Value(ss(g->title()));
    if (auto* c = qobject_cast<QComboBox*>(&o)) {
      QStringList l;
      for (int i = 0; i < c->count(); ++i) l << c->itemText(i);
      return textList(l);
    }
    if (auto* lw = qobject_cast<QListWidget*>(&o)) {
      QStringList l;
      for (int i = 0; i < lw->count(); ++i) l << lw->item(i)->text();
      return textList(l);
    }
    if (action) return Value(ss(action->text()));
    if (widget) return Value(ss(widget->windowTitle()));
  }
  if (p == "value") {
    if (auto* b = qobject_cast<QAbstractButton*>(&o))
      return Value(b->isCheckable() && b->isChecked() ? 1.0 : 0.0);
    if (auto* c = qobject_cast<QComboBox*>(&o))
      return c->currentIndex() >= 0 ? Value(c->currentIndex() + 1.0) : Value();
    if (auto* lw = qobject_cast<QListWidget*>(&o))
      return lw->currentRow() >= 0 ? Value(lw->currentRow() + 1.0) : Value();
    if (widget) return Value(0.0);
  }
  if (p == "checked") {
    if (action) return Value(action->isChecked() ? "on" : "off");
    if (auto* b = qobject_cast<QAbstractButton*>(&o)) return Value(b->isChecked() ? "on" : "off");
  }
  if (p == "label") {
    if (action) return Value(ss(action->text()));
    if (auto* m = qobject_cast<QMenu*>(&o)) return Value(ss(m->title()));
    if (auto* b = qobject_cast<QAbstractButton*>(&o)) return Value(ss(b->text()));
  }
  throw RuntimeError("Run-time Error: There is no " + std::string(prop) +
                     " property on the control \"" + tag_ + "\".");
}

void QtControl::set(std::string_view prop, const Value& v) {
  QObject& o = alive();
  const std::string p = lowerCase(prop);
  auto* widget = qobject_cast<QWidget*>(&o);
  auto* action = qobject_cast<QAction*>(&o);
  const QSignalBlocker quiet(&o);

  if (p == "enable") {
    const bool on = onOff(v, prop, tag_);
    if (widget) widget->setEnabled(on);
    if (action) action->setEnabled(on);
    if (widget || action) return;
  }
  if (p == "disabledtip" && (widget || action)) {
    // Said after the control's own tooltip, which is kept to come back to.
    if (!o.property(kOwnTip).isValid())
      o.setProperty(kOwnTip, widget ? widget->toolTip() : action->toolTip());
    const QString own = o.property(kOwnTip).toString();
    const QString why = qs(valueToText(v));
    o.setProperty(kDisabledTip, why);
    const QString tip = why.isEmpty()   ? own
                        : own.isEmpty() ? why
                                        : own + QStringLiteral("\n") + why;
    if (widget) widget->setToolTip(tip);
    if (action) action->setToolTip(tip);
    return;
  }
  if (p == "visible") {
    const bool on = onOff(v, prop, tag_);
    if (widget) widget->setVisible(on);
    if (action) action->setVisible(on);
    if (widget || action) return;
  }
  if (p == "string") {
    if (auto* e = qobject_cast<QLineEdit*>(&o)) {
      e->setText(qs(valueToText(v)));
      e->setCursorPosition(0);  // show the start of a long text, not its end
      return;
    }
    if (auto* l = qobject_cast<QLabel*>(&o)) return l->setText(qs(valueToText(v)));
    if (auto* b = qobject_cast<QAbstractButton*>(&o)) return b->setText(qs(valueToText(v)));
    if (auto* g = qobject_cast<QGroupBox*>(&o)) return g->setTitle(qs(valueToText(v)));
    if (auto* c = qobject_cast<QComboBox*>(&o)) {
      const int keep = c->currentIndex();
      c->clear();
      for (const std::string& s : items(v)) c->addItem(qs(s));
      c->setCurrentIndex(std::min(std::max(keep, 0), c->count() - 1));
      return;
    }
    if (auto* lw = qobject_cast<QListWidget*>(&o)) {
      const int keep = lw->currentRow();
      lw->clear();
      for (const std::string& s : items(v)) lw->addItem(qs(s));
      if (lw->count() > 0) lw->setCurrentRow(std::min(std::max(keep, 0), lw->count() - 1));
      return;
    }
    if (action) return action->setText(qs(valueToText(v)));
  }
  if (p == "value") {
    const double x = number(v, prop, tag_);
    if (auto* b = qobject_cast<QAbstractButton*>(&o)) {
      if (b->isCheckable()) b->setChecked(x != 0);
      return;
    }
    auto row = [&](int count) {
      const double r = std::round(x) - 1;
      if (!(r >= 0 && r < count))
        throw RuntimeError("Run-time Error: Value " + num2str(x) + " is out of range for " + tag_ +
                           " (1 to " + std::to_string(count) + ").");
      return static_cast<int>(r);
    };
    if (auto* c = qobject_cast<QComboBox*>(&o)) return c->setCurrentIndex(row(c->count()));
    if (auto* lw = qobject_cast<QListWidget*>(&o)) return lw->setCurrentRow(row(lw->count()));
    if (widget) return;  // a text or push button has no value to show
  }
  if (p == "checked") {
    const bool on = onOff(v, prop, tag_);
    if (action) {
      action->setCheckable(true);
      return action->setChecked(on);
    }
    if (auto* b = qobject_cast<QAbstractButton*>(&o)) {
      b->setCheckable(true);
      return b->setChecked(on);
    }
  }
  if (p == "label") {
    if (action) return action->setText(qs(valueToText(v)));
    if (auto* m = qobject_cast<QMenu*>(&o)) return m->setTitle(qs(valueToText(v)));
    if (auto* b = qobject_cast<QAbstractButton*>(&o)) return b->setText(qs(valueToText(v)));
  }
  throw RuntimeError("Run-time Error: There is no " + std::string(prop) +
                     " property on the control \"" + tag_ + "\".");
}

}  // namespace varnok::qt
