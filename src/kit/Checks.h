#pragma once
// The owner-drawn check box and radio button, and the radio group made of radio buttons.
#include <QAbstractButton>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

#include "kit/ControlBase.h"
#include "kit/GGlobals.h"

class QPainter;

enum TCheckBoxState : unsigned char { cbUnchecked, cbChecked, cbGrayed };
// Only the two sides; taCenter is not used with these.
using TLeftRight = TAlignment;

// What the check box and the radio button share: a focusable owner-drawn button whose caption
// sits beside a glyph, on the side Alignment names, in the kit's colours.
class TMGlyphButton : public QAbstractButton, public TControlColors {
  Q_OBJECT
 public:
  QString Caption() const { return text(); }
  void SetCaption(const QString& value);
  TLeftRight Alignment() const { return FAlignment; }
  void SetAlignment(TLeftRight value);
  bool TabStop() const { return focusPolicy() & Qt::TabFocus; }
  void SetTabStop(bool value);

 protected:
  explicit TMGlyphButton(QWidget* parent);
  void ColorsChanged() override { update(); }
  QSize sizeHint() const override { return size(); }
  // Draws frame `frame` of a strip of `frames` glyphs beside the caption, the caption in red
  // while focused and grey while disabled. A glyph lower than the text is centred on it when
  // centreGlyph is set; else the caption is centred on the glyph.
  void PaintGlyphAndCaption(QPainter& p, const QImage& strip, int frames, int frame,
                            unsigned format, bool centreGlyph);

 private:
  TLeftRight FAlignment = taRightJustify;
};

// An owner-drawn check box: its box from a glyph strip (checked, unchecked, grayed), its
// caption with the kit's accelerator drawing. Its accelerator focuses and toggles it.
class TMCustomCheckBox : public TMGlyphButton {
  Q_OBJECT
 public:
  explicit TMCustomCheckBox(QWidget* parent = nullptr);
  ~TMCustomCheckBox() override;

  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool value) { FAllowGrayed = value; }
  TCheckBoxState State() const { return FState; }
  void SetState(TCheckBoxState value);
  bool Checked() const { return FState == cbChecked; }
  void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
  // A strip of three frames used instead of the kit glyph when CustomGlyph is set.
  const QImage& Glyph() const { return FGlyph; }
  void SetGlyph(const QImage& value);
  bool CustomGlyph() const { return FCustomGlyph; }
  void SetCustomGlyph(bool value);

  // The next state: unchecked, then grayed when allowed, then checked.
  void Toggle();
  TNotifyEvent OnClick;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool FAllowGrayed = false;
  bool FCustomGlyph = false;
  TCheckBoxState FState = cbUnchecked;
  QImage FGlyph;
};

class TActiveCheckBox : public TMCustomCheckBox {
  Q_OBJECT
 public:
  using TMCustomCheckBox::TMCustomCheckBox;
};

// An owner-drawn radio button. Checking it unchecks its sibling radio buttons; its accelerator
// only focuses it.
class TMRadioButton : public TMGlyphButton {
  Q_OBJECT
 public:
  explicit TMRadioButton(QWidget* parent = nullptr);

  bool Checked() const { return FChecked; }
  void SetChecked(bool value);

  TNotifyEvent OnClick, OnDblClick;

 protected:
  // The platform's button notifications: clicked (mouse or Space) and double-clicked.
  virtual void ClickedNotification();
  virtual void DblClickedNotification();
  // Raises the click: OnClick for a plain radio button.
  virtual void RaiseClick();
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  bool FChecked = false;
};

class TMCustomRadioGroup;

// One button of a radio group, made and owned by the group.
class TMGroupButton : public TMRadioButton {
  Q_OBJECT
 public:
  explicit TMGroupButton(TMCustomRadioGroup* group);
  ~TMGroupButton() override;

 protected:
  void ClickedNotification() override;
  void DblClickedNotification() override;
  void RaiseClick() override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  TMCustomRadioGroup* group_;
  bool spaceAllowed_ = false;  // the group has allowed the click that this Space press makes
};

// A radio group: its buttons fill the whole group in a grid of Columns columns, with no frame
// and no caption drawn. OnModify may refuse the user's changes of the selection.
class TMCustomRadioGroup : public QWidget {
  Q_OBJECT
 public:
  explicit TMCustomRadioGroup(QWidget* parent = nullptr);
  ~TMCustomRadioGroup() override;

  const QStringList& Items() const { return FItems; }
  void SetItems(const QStringList& value);
  void AddItem(const QString& item);
  void DeleteItem(int index);
  void ClearItems() { SetItems({}); }
  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int value);
  int Columns() const { return FColumns; }
  void SetColumns(int value);
  QString Caption() const { return caption_; }
  void SetCaption(const QString& value) { caption_ = value; }
  TColor Color() const { return color_.Get(this); }
  void SetColor(TColor value);
  const QList<TMGroupButton*>& Buttons() const { return FButtons; }

  // Loading the group from a description: while it runs, ItemIndex is stored as given and the
  // buttons wait; EndReading rebuilds them.
  void BeginReading() { FReading = true; }
  void EndReading();

  // True unless OnModify refuses.
  bool CanModify();
  // The group's key handling of its buttons' keys: Home, End, Page Up, Page Down, arrows.
  void GroupKeyDown(QKeyEvent* event);

  TModifyEvent OnModify;
  TNotifyEvent OnClick;
  std::function<void(QObject* sender, QChar& key)> OnKeyPress;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  friend class TMGroupButton;
  void ButtonClick(TMGroupButton* button);
  void ItemsChange();
  void UpdateButtons();
  void ArrangeButtons();

  QList<TMGroupButton*> FButtons;
  QStringList FItems;
  int FItemIndex = -1;
  int FColumns = 1;
  bool FReading = false;
  bool FUpdating = false;
  QString caption_;
  TColorSetting color_;
};

class TMRadioGroup : public TMCustomRadioGroup {
  Q_OBJECT
 public:
  using TMCustomRadioGroup::TMCustomRadioGroup;
};
