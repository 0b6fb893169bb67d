#pragma once
// The single-line edit and the memo, each with a linked label.
#include <QFont>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>

#include "kit/ActiveLabel.h"
#include "kit/Cliunit.h"
#include "kit/ControlBase.h"
#include "kit/GGlobals.h"

class QProxyStyle;

enum TBevelCut : unsigned char { bvNone, bvLowered, bvRaised, bvSpace };
// A control's border: bsNone or bsSingle of the form border styles.
using TBorderStyle = TFormBorderStyle;

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
class TActiveEdit : public QLineEdit, public TControlColors {
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
  void ColorsChanged() override { ApplyColors(); }

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
  QChar passwordChar_;
  std::unique_ptr<QProxyStyle> passwordStyle_;
};

// A memo with a linked label, borderless by default.
class TActiveMemo : public QPlainTextEdit, public TControlColors {
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
  void ColorsChanged() override { ApplyColors(); }

 private:
  void ApplyColors();
  TLabelLink link_;
  TColor FLabelColor = clHighlightText;
  TBorderStyle borderStyle_ = bsNone;
  TAlignment alignment_ = taLeftJustify;
};
