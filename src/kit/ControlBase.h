#pragma once
// What the kit's active controls share: their event types, the accelerator of a caption and
// their colours.
#include <QString>
#include <functional>

#include "kit/GGlobals.h"

class QEvent;
class QObject;
class QWidget;

// Asks whether the user may change a control's value; a handler that clears CanModify refuses.
using TModifyEvent = std::function<void(QObject* sender, bool& CanModify)>;
using TNotifyEvent = std::function<void(QObject* sender)>;

// Whether a widget can take the focus now: shown, enabled and focusable.
bool CanTakeFocus(const QWidget* w);

// The Alt+letter accelerator of a caption ("&x", "&&" is a literal "&"), grabbed for a widget
// in its window; Matches() tells whether a QEvent::Shortcut is this one. (The check box and the
// radio button use the one their QAbstractButton caption grabs.)
class TAccelerator {
 public:
  void Set(QWidget* owner, const QString& caption);
  // A switched-off accelerator leaves its key to other controls.
  void Enable(QWidget* owner, bool on);
  bool Matches(QEvent* event) const;

 private:
  int id_ = 0;
};

// A control's colour: its own once set (ParentColor off), else its parent's background.
class TColorSetting {
 public:
  TColor Get(const QWidget* w) const;
  void Set(TColor value) {
    value_ = value;
    set_ = true;
  }
  bool ParentColor() const { return !set_; }
  void SetParentColor(bool value) { set_ = !value; }

 private:
  TColor value_ = clBtnFace;
  bool set_ = false;
};

// The colour and the font colour of a control, mixed into its class beside the widget base;
// a change of either calls ColorsChanged, which repaints or passes the colours on.
class TControlColors {
 public:
  TColor Color() const { return color_.Get(owner_); }
  void SetColor(TColor value) {
    color_.Set(value);
    ColorsChanged();
  }
  TColor FontColor() const { return fontColor_; }
  void SetFontColor(TColor value) {
    fontColor_ = value;
    ColorsChanged();
  }

 protected:
  explicit TControlColors(const QWidget* owner) : owner_(owner) {}
  virtual ~TControlColors() = default;
  // The control's own colour from the start, set before it can be painted.
  void InitColor(TColor value) { color_.Set(value); }
  virtual void ColorsChanged() = 0;

 private:
  const QWidget* owner_;
  TColorSetting color_;
  TColor fontColor_ = clWindowText;
};
