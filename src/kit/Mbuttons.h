#pragma once
// The kit's push buttons, both drawn entirely by themselves:
//  - TMButton: glyph and caption in the manner of a bitmap button, with a face colour and a flat
//    "light" mode that shows the face only under the pointer or with the focus;
//  - TNiceButton: a skinned face with a glyph column at its left, hot tracking (one hot button in
//    the whole process), a short pressed pulse for keyboard clicks and, with Buffered, cached
//    pictures of its four looks.
// Both take a default caption, modal result and glyph from their Kind. A click first hands the
// button's ModalResult to its kit form, then runs OnClick (which may change it).
#include <QImage>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <functional>

#include "kit/GGlobals.h"

class QShortcut;
class QTimer;

// The kind's default caption ("" for kinds without one), modal result and picture name.
QString MButtonDefaultCaption(TMButtonKind kind);
int MButtonDefaultResult(TMButtonKind kind);

// Colour helpers, per RGB channel, results truncated. Darken: v - v / n (black stays black).
// Lighten: v + (255 + v) / n capped at 255 (white stays white). System colours are resolved
// first; n of 0 or below leaves the colour as it is.
TColor Darken(TColor color, int n);
TColor Lighten(TColor color, int n);

// Hands a button's modal result to the kit form that contains it (no kit form: nothing).
void HandModalResult(QWidget* button, int modalResult);

enum TButtonStyle : unsigned char { bsAutoDetect, bsWin31, bsNew };
enum TButtonLayout : unsigned char { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// What the buttons share: kind, modal result, the click order, Escape for a cancel button, and
// the platform's Enter: it clicks the focused button, and otherwise only a button declared
// default (setDefault). Qt's auto-default, which would let Enter in a field click whatever
// button the dialog promotes, is off.
class TKitButton : public QPushButton {
  Q_OBJECT
 public:
  explicit TKitButton(QWidget* parent = nullptr);

  int ModalResult() const { return modalResult_; }
  void SetModalResult(int value);  // also sets MRAssigned
  bool MRAssigned = false;
  TMButtonKind Kind() const { return kind_; }
  virtual void SetKind(TMButtonKind value) = 0;
  // A cancel button is clicked by Escape anywhere in its window.
  bool Cancel() const { return cancel_ != nullptr; }
  void SetCancel(bool value);
  bool CaptionVisible() const { return captionVisible_; }
  virtual void SetCaptionVisible(bool value);
  int NumGlyphs() const { return numGlyphs_; }
  virtual void SetNumGlyphs(int value);
  const QImage& Glyph() const { return glyph_; }
  virtual void SetGlyph(const QImage& value);
  TColor Color() const { return color_; }
  virtual void SetColor(TColor value);

  // Runs after the modal result has been handed to the form; errors are shown, not thrown.
  std::function<void(QObject* sender)> OnClick;

 protected:
  // The click's own continuation after OnClick.
  virtual void Clicked() {}
  void keyPressEvent(QKeyEvent* event) override;
  void ModalResultFromKind(TMButtonKind kind);

  TMButtonKind kind_ = mkCustom;
  bool captionVisible_ = true;
  int numGlyphs_ = 3;
  QImage glyph_;
  TColor color_ = clBtnFace;

 private:
  void Click();
  int modalResult_ = 0;
  QShortcut* cancel_ = nullptr;
};

class TMButton : public TKitButton {
  Q_OBJECT
 public:
  explicit TMButton(QWidget* parent = nullptr);

  void SetKind(TMButtonKind value) override;
  TColor ColorOver() const { return colorOver_; }
  void SetColorOver(TColor value);
  bool LightButton() const { return lightButton_; }
  void SetLightButton(bool value);
  TButtonStyle Style() const { return style_; }
  void SetStyle(TButtonStyle value);
  int Margin() const { return margin_; }
  void SetMargin(int value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int value);
  TButtonLayout ButtonLayout() const { return layout_; }
  void SetButtonLayout(TButtonLayout value);
  int Delta = 0;  // stored only

  bool FDrawFace = false;             // the face is shown in light mode
  TColor FDisableColor = TColor(-1);  // caption colour of the disabled look, computed once

  // The glyph strip drawn: Glyph when it has a width, else the kind's picture.
  const QImage& GlyphStrip() const;
  // Glyph position and caption rectangle inside a content area, by Margin, Spacing and
  // ButtonLayout, for a glyph frame and a caption of these sizes.
  void CalcLayout(const QRect& content, QSize glyph, QSize caption, QPoint& glyphAt,
                  QRect& captionRect) const;
  // The caption's extent, "#" counted as a line break (0 x 0 when empty or hidden).
  QSize CaptionSize(const QFont& font, int width) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void SetDrawFace(bool value);
  TColor colorOver_ = clBtnFace;
  bool lightButton_ = true;
  TButtonStyle style_ = bsAutoDetect;
  int margin_ = -1;
  int spacing_ = 0;
  TButtonLayout layout_ = blGlyphLeft;
};

class TNiceButton : public TKitButton {
  Q_OBJECT
 public:
  explicit TNiceButton(QWidget* parent = nullptr);
  ~TNiceButton() override;

  enum TLook { lkNormal, lkHot, lkPressed, lkDisabled };

  void SetKind(TMButtonKind value) override;
  QString Caption() const { return text(); }
  void SetCaption(const QString& value);  // also sets CpAssigned
  bool CpAssigned = false;
  void SetCaptionVisible(bool value) override;
  void SetNumGlyphs(int value) override;
  void SetGlyph(const QImage& value) override;
  void SetColor(TColor value) override;
  bool ForcedDown() const { return forcedDown_; }
  void SetForcedDown(bool value);
  bool InsideDraw() const { return insideDraw_; }
  void SetInsideDraw(bool value);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value);
  bool Buffered() const { return buffered_; }
  void SetBuffered(bool value);
  TButtonLayout ButtonLayout = blGlyphLeft;  // stored only
  bool InvisibleClick = false;               // a click that shows no pressed pulse

  bool FMouseDown = false;              // a mouse button is down on the button
  bool FDrawFace = false;               // hot
  int GlyphWidth = 0, GlyphHeight = 0;  // the glyph frame of the last painting
  bool FBufferFilled = false;
  QTimer* FTimer = nullptr;  // the pressed pulse, absent when idle

  // The one hot button of the process, if any.
  static TNiceButton* HotButton();
  // The look a paint would show now.
  TLook CurrentLook() const;
  // The glyph strip: Glyph for mkCustom, else the kind's picture.
  const QImage& GlyphStrip() const;
  // Paints one look onto a picture of the button's size.
  QImage PaintLook(TLook look);
  // Whether a point (in the button) lies inside the part that takes the pointer.
  bool InActiveArea(const QPoint& at) const;
  // The four cached looks of a buffered button.
  const QImage& BufferPicture(TLook look) const { return buffer_[look]; }

 protected:
  void Clicked() override;
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void SetHot(bool value);
  void Invalidate();
  void PaintOne(QPainter& p, TLook look);
  bool forcedDown_ = false;
  bool insideDraw_ = false;
  bool stretch_ = false;
  bool buffered_ = false;
  QImage buffer_[4];
};
