#pragma once
// The formatted label: a caption with inline mark-up for style, size, colour, shadow and
// blinking.
#include <QFont>
#include <QImage>
#include <QList>
#include <QString>
#include <QWidget>

#include "kit/GGlobals.h"

class QTimer;

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

// The largest size a caption's size code gives: the program's texts stay far below it, and a
// mistyped or hostile code ("&7528") would otherwise grow the label to hundreds of megabytes.
constexpr int kFmtMaxPointSize = 72;

// The colour of the mark-up's colour code n: 16 basic colours, then the 21 system colours; an
// n above 36 names no colour (returns false).
bool FmtColor(int n, TColor& color);
// Parses the mark-up of a caption into lines of runs, starting from the given font and colour:
// "$"n style, "&"n size (at most kFmtMaxPointSize), "@"n colour, "%" shadow, "~" blink, "\"
// escapes one of those five, a carriage return ends the line.
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
