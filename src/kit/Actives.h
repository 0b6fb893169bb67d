#pragma once
// The kit's active controls and the formatted label.
#include <QAbstractButton>
#include <QFont>
#include <QImage>
#include <QLineEdit>
#include <QList>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "kit/Cliunit.h"
#include "kit/GGlobals.h"

class QPainter;
class QTimer;

// --- text drawing shared by the kit ---

// Flags of the platform's text drawing.
enum : unsigned {
  DT_LEFT = 0x0,
  DT_CENTER = 0x1,
  DT_RIGHT = 0x2,
  DT_VCENTER = 0x4,
  DT_BOTTOM = 0x8,
  DT_WORDBREAK = 0x10,
  DT_SINGLELINE = 0x20,
  DT_EXPANDTABS = 0x40,
  DT_CALCRECT = 0x400,
  DT_NOPREFIX = 0x800,
};

// A drawing surface as the kit's text routines see it: a painter (its font included) and the
// font's colour.
struct TCanvas {
  QPainter* Painter = nullptr;
  TColor FontColor = clWindowText;
};

// Draws text into a rectangle by the platform's rules ("&x" underlines x unless DT_NOPREFIX,
// output clipped to the rectangle). With DT_CALCRECT nothing is drawn and the rectangle's right
// and bottom edges are set to the text's extent. Returns the text's height.
int DrawText(TCanvas& canvas, const QString& text, QRect& rect, unsigned format);
// Draws a caption whose accelerator character (after the first "&") is shown in HighlightColor,
// underlined when Focused.
void DrawAccelCaption(TCanvas& canvas, const QString& text, const QRect& rect, bool focused,
                      TColor highlightColor, unsigned format);
// Draws text embossed: white one pixel right and down, then grey at the rectangle.
void DrawDisabledText(TCanvas& canvas, const QRect& rect, const QString& text, unsigned format);

// --- formatted label ---

// Where a formatted label places itself in its parent after drawing.
enum TMAlign : unsigned char { alMNone, alMTop, alMBottom, alMLeft, alMRight, alMCenter };

// One run of the parsed caption: text drawn in one font with one colour.
struct TFmtRun {
  QString Text;
  QFont Font;
  TColor Color = clBlack;
  bool Shadow = false;
  bool Blink = false;
};
using TFmtLine = QList<TFmtRun>;

// The colour of the mark-up's colour code n: 16 basic colours, then the 21 system colours; an
// n above 36 names no colour (returns false).
bool FmtColor(int n, TColor& color);
// Parses the mark-up of a caption into lines of runs, starting from the given font and colour:
// "$"n style, "&"n size, "@"n colour, "%" shadow, "~" blink, "\" escapes one of those five,
// a carriage return ends the line.
QList<TFmtLine> ParseFmtCaption(const QString& caption, const QFont& font, TColor color);

class TFmtLabel;

// A blinking run: redrawn hidden and shown on its own 300 ms timer.
class TBlinkObj {
 public:
  bool FBlinkOn = false;
  bool Umbra = false;
  TFmtLabel* ParentLabel = nullptr;
  QString aText;
  QTimer* Timer = nullptr;  // owned by the label
  int X = 0, Y = 0;
  QFont aFont;
  TColor aFontColor = clBlack;
  TColor aParentColor = clBtnFace;
  TColor ShadowColor = clBtnShadow;
  void OnBlink();
};

// A label whose caption carries inline mark-up. It grows to fit its text (never shrinks) and
// places itself in its parent by Align, each time it is drawn anew.
class TFmtLabel : public QWidget {
  Q_OBJECT
 public:
  explicit TFmtLabel(QWidget* parent = nullptr);
  ~TFmtLabel() override;

  const QString& Caption() const { return caption_; }
  void setCaption(const QString& caption);
  TColor Color() const { return color_; }
  void setColor(TColor color);
  TColor FontColor() const { return fontColor_; }
  void setFontColor(TColor color);
  bool Transparent() const { return transparent_; }
  void setTransparent(bool transparent);
  TAlignment Alignment() const { return alignment_; }
  void setAlignment(TAlignment alignment);
  TMAlign Align() const { return FAlign; }
  void setAlign(TMAlign align);
  TColor ShadowColor() const { return FShadowColor; }
  void setShadowColor(TColor color);

  // Stops and frees every blinking run.
  void Elibereaza_BlinkList();
  const QList<TBlinkObj*>& BlinkList() const { return FBlinkList; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  friend class TBlinkObj;
  void Invalidate();
  void DrawAnew();

  QList<TBlinkObj*> FBlinkList;
  bool FAcces = true;  // cleared while the label changes its own size or position
  TMAlign FAlign = alMNone;
  TColor FShadowColor = clBtnShadow;
  QString caption_;
  TColor color_ = clBtnFace;
  TColor fontColor_ = clWindowText;
  bool transparent_ = false;
  TAlignment alignment_ = taLeftJustify;
  // What the label drew last: a paint that follows no change shows it again, so that the
  // blinking runs keep their state; a change draws it anew.
  QImage canvas_;
  bool dirty_ = true;
};

// --- active controls ---

class QProxyStyle;

enum TBevelCut : unsigned char { bvNone, bvLowered, bvRaised, bvSpace };
// A control's border: bsNone or bsSingle of the form border styles.
using TBorderStyle = TFormBorderStyle;
enum TCheckBoxState : unsigned char { cbUnchecked, cbChecked, cbGrayed };
// Only the two sides; taCenter is not used with these.
using TLeftRight = TAlignment;

// Asks whether the user may change a control's value; a handler that clears CanModify refuses.
using TModifyEvent = std::function<void(QObject* sender, bool& CanModify)>;
using TNotifyEvent = std::function<void(QObject* sender)>;

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

// A label that draws its accelerator letter in red, looks embossed when disabled and hands the
// focus to its FocusControl when clicked or when its accelerator is typed.
class TActiveLabel : public QWidget {
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
  TColor Color() const { return color_.Get(this); }
  void SetColor(TColor value);
  TColor FontColor() const { return fontColor_; }
  void SetFontColor(TColor value);
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

 private:
  void AdjustBounds();
  QString caption_;
  TAlignment alignment_ = taLeftJustify;
  bool transparent_ = false;
  bool showAccelChar_ = true;
  bool autosize_ = false;
  bool pressed_ = false;
  TColorSetting color_;
  TColor fontColor_ = clWindowText;
  QPointer<QWidget> focusControl_;
  TAccelerator accel_;
};

// What the edit and the memo share: the linked label, recoloured while the control has the
// focus (its colour and font style saved on entry, restored on exit).
class TLabelLink {
 public:
  TActiveLabel* Label() const { return FLabel; }
  void SetLabel(TActiveLabel* label, QWidget* control);
  void Enter(TColor labelColor);
  void Exit();

 private:
  QPointer<TActiveLabel> FLabel;
  TColor FOldColor = clWindowText;
  QFont FOldStyle;
  bool saved_ = false;
};

// A single-line edit with a flat one-pixel border that follows the focus, a linked label, and
// its text right-aligned or centred while it does not have the focus (left-aligned, an
// unfocused edit shows its text from the start).
class TActiveEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TActiveEdit(QWidget* parent = nullptr);
  ~TActiveEdit() override;

  // The alignment shown while unfocused; editing is always left-aligned.
  TAlignment Alignment() const { return FFocused ? FOldAlignment : FAlignment; }
  void SetAlignment(TAlignment value);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool value);
  TActiveLabel* AssocLabel() const { return link_.Label(); }
  void SetAssocLabel(TActiveLabel* value) { link_.SetLabel(value, this); }
  TColor LabelColor() const { return FLabelColor; }
  void SetLabelColor(TColor value) { FLabelColor = value; }
  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor value);
  TColor BorderColorF() const { return FBorderColorF; }
  void SetBorderColorF(TColor value);
  bool FlatStyle() const { return FFlatStyle; }
  void SetFlatStyle(bool value);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut value);
  TColor Color() const { return color_.Get(this); }
  void SetColor(TColor value);
  TColor FontColor() const { return fontColor_; }
  void SetFontColor(TColor value);
  // 0: none; any other character shows once per character of the text.
  QChar PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(QChar value);
  QString Text() const { return text(); }
  void SetText(const QString& value) { setText(value); }

  int TextMargin() const { return FTextMargin; }
  bool Focused() const { return FFocused; }
  // The client area: inside the border.
  QRect ClientRect() const;

  TNotifyEvent OnChange, OnEnter, OnExit;

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void UpdateTextMargin();
  void UpdateFrame();
  void ApplyColors();
  void DrawFlatBorder(QPainter& p);
  void SelfPaint(QPainter& p);

  TLabelLink link_;
  TColor FLabelColor = clHighlightText;
  TAlignment FOldAlignment = taLeftJustify;
  TAlignment FAlignment = taLeftJustify;
  int FTextMargin = 0;
  TColor FBorderColor = clGray;
  TColor FBorderColorF = clWhite;
  bool FFlatStyle = false;
  TBevelCut FBevelOuter = bvNone;
  bool FFocused = false;
  TBorderStyle borderStyle_ = bsSingle;
  bool ctl3D_ = true;
  TColorSetting color_;
  TColor fontColor_ = clWindowText;
  QChar passwordChar_;
  std::unique_ptr<QProxyStyle> passwordStyle_;
};

// A memo with a linked label, borderless by default.
class TActiveMemo : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit TActiveMemo(QWidget* parent = nullptr);

  TActiveLabel* AssocLabel() const { return link_.Label(); }
  void SetAssocLabel(TActiveLabel* value) { link_.SetLabel(value, this); }
  TColor LabelColor() const { return FLabelColor; }
  void SetLabelColor(TColor value) { FLabelColor = value; }
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TColor Color() const { return color_.Get(this); }
  void SetColor(TColor value);
  TColor FontColor() const { return fontColor_; }
  void SetFontColor(TColor value);
  bool ReadOnly() const { return isReadOnly(); }
  void SetReadOnly(bool value) { setReadOnly(value); }
  // The text; CR LF and lone CR break lines as LF does.
  QString Text() const { return toPlainText(); }
  void SetText(const QString& value);
  QStringList Lines() const { return toPlainText().split('\n'); }
  void SetLines(const QStringList& value) { SetText(value.join('\n')); }

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void ApplyColors();
  TLabelLink link_;
  TColor FLabelColor = clHighlightText;
  TBorderStyle borderStyle_ = bsNone;
  TAlignment alignment_ = taLeftJustify;
  TColorSetting color_;
  TColor fontColor_ = clWindowText;
};

// An owner-drawn check box: its box from a glyph strip (checked, unchecked, grayed), its
// caption with the kit's accelerator drawing. Its accelerator focuses and toggles it.
class TMCustomCheckBox : public QAbstractButton {
  Q_OBJECT
 public:
  explicit TMCustomCheckBox(QWidget* parent = nullptr);
  ~TMCustomCheckBox() override;

  QString Caption() const { return text(); }
  void SetCaption(const QString& value);
  TLeftRight Alignment() const { return FAlignment; }
  void SetAlignment(TLeftRight value);
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
  TColor Color() const { return color_.Get(this); }
  void SetColor(TColor value);
  TColor FontColor() const { return fontColor_; }
  void SetFontColor(TColor value);
  bool TabStop() const { return focusPolicy() & Qt::TabFocus; }
  void SetTabStop(bool value);

  // The next state: unchecked, then grayed when allowed, then checked.
  void Toggle();
  TNotifyEvent OnClick;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  QSize sizeHint() const override { return size(); }

 private:
  TLeftRight FAlignment = taRightJustify;
  bool FAllowGrayed = false;
  bool FCustomGlyph = false;
  TCheckBoxState FState = cbUnchecked;
  QImage FGlyph;
  TColorSetting color_;
  TColor fontColor_ = clWindowText;
};

class TActiveCheckBox : public TMCustomCheckBox {
  Q_OBJECT
 public:
  using TMCustomCheckBox::TMCustomCheckBox;
};

// An owner-drawn radio button. Checking it unchecks its sibling radio buttons; its accelerator
// only focuses it.
class TMRadioButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit TMRadioButton(QWidget* parent = nullptr);

  QString Caption() const { return text(); }
  void SetCaption(const QString& value);
  TLeftRight Alignment() const { return FAlignment; }
  void SetAlignment(TLeftRight value);
  bool Checked() const { return FChecked; }
  void SetChecked(bool value);
  TColor Color() const { return color_.Get(this); }
  void SetColor(TColor value);
  TColor FontColor() const { return fontColor_; }
  void SetFontColor(TColor value);
  bool TabStop() const { return focusPolicy() & Qt::TabFocus; }
  void SetTabStop(bool value);

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
  QSize sizeHint() const override { return size(); }

 private:
  TLeftRight FAlignment = taRightJustify;
  bool FChecked = false;
  TColorSetting color_;
  TColor fontColor_ = clWindowText;
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
