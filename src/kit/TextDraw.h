#pragma once
// Text drawing shared by the kit: the platform's rules for a caption in a rectangle, the
// accelerator letter and the embossed look of a disabled caption.
#include <QRect>
#include <QString>

#include "kit/GGlobals.h"

class QPainter;

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
