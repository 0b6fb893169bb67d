#pragma once
// The active label: the caption that names a control and hands it the focus.
#include <QPointer>
#include <QString>
#include <QWidget>

#include "kit/ControlBase.h"
#include "kit/GGlobals.h"

// A label that draws its accelerator letter in red, looks embossed when disabled and hands the
// focus to its FocusControl when clicked or when its accelerator is typed.
class TActiveLabel : public QWidget, public TControlColors {
  Q_OBJECT
 public:
  explicit TActiveLabel(QWidget* parent = nullptr);

  QString Caption() const { return caption_; }
  void SetCaption(const QString& value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool value);
  // Sizes the label to its caption when set (off by default).
  bool Autosize() const { return autosize_; }
  void SetAutosize(bool value);
  QWidget* FocusControl() const { return focusControl_; }
  void SetFocusControl(QWidget* value);

  TNotifyEvent OnClick;
  // What a click does: OnClick, then the focus to the focus control when it can take it.
  void Click();

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void ColorsChanged() override { update(); }

 private:
  void AdjustBounds();
  QString caption_;
  TAlignment alignment_ = taLeftJustify;
  bool transparent_ = false;
  bool showAccelChar_ = true;
  bool autosize_ = false;
  bool pressed_ = false;
  QPointer<QWidget> focusControl_;
  TAccelerator accel_;
};
