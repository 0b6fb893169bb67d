#include "kit/ControlBase.h"

#include <QShortcutEvent>
#include <QWidget>

#include "kit/Checks.h"
#include "kit/Cliunit.h"

bool CanTakeFocus(const QWidget* w) {
  return w && w->isVisible() && w->isEnabled() && w->focusPolicy() != Qt::NoFocus;
}

void TAccelerator::Set(QWidget* owner, const QString& caption) {
  if (id_) owner->releaseShortcut(id_);
  id_ = 0;
  const QKeySequence key = QKeySequence::mnemonic(caption);
  if (!key.isEmpty()) id_ = owner->grabShortcut(key);
}

void TAccelerator::Enable(QWidget* owner, bool on) {
  if (id_) owner->setShortcutEnabled(id_, on);
}

bool TAccelerator::Matches(QEvent* event) const {
  return id_ && event->type() == QEvent::Shortcut &&
         static_cast<QShortcutEvent*>(event)->shortcutId() == id_;
}

TColor TColorSetting::Get(const QWidget* w) const {
  if (set_) return value_;
  const QWidget* parent = w->parentWidget();
  if (auto* form = qobject_cast<const TMForm*>(parent)) return form->Color();
  if (auto* group = qobject_cast<const TMCustomRadioGroup*>(parent)) return group->Color();
  if (parent) return ToTColor(parent->palette().color(parent->backgroundRole()));
  return clBtnFace;
}
