#include "kit/TextDraw.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

int DrawText(TCanvas& canvas, const QString& text, QRect& rect, unsigned format) {
  QPainter& p = *canvas.Painter;
  int flags = 0;
  if (format & DT_CENTER)
    flags |= Qt::AlignHCenter;
  else if (format & DT_RIGHT)
    flags |= Qt::AlignRight;
  else
    flags |= Qt::AlignLeft;
  if (format & DT_SINGLELINE) {
    flags |= Qt::TextSingleLine;
    if (format & DT_VCENTER)
      flags |= Qt::AlignVCenter;
    else if (format & DT_BOTTOM)
      flags |= Qt::AlignBottom;
    else
      flags |= Qt::AlignTop;
  } else {
    flags |= Qt::AlignTop;
    if (format & DT_WORDBREAK) flags |= Qt::TextWordWrap;
  }
  if (!(format & DT_NOPREFIX)) flags |= Qt::TextShowMnemonic;
  if (format & DT_EXPANDTABS) flags |= Qt::TextExpandTabs;
  // Measured on the device drawn on: a buffer image and the screen may differ in resolution.
  QFontMetrics fm(p.font(), p.device());
  if (format & DT_CALCRECT) {
    QRect bounds =
        (format & DT_SINGLELINE)
            ? fm.boundingRect(QRect(rect.x(), rect.y(), 100000, fm.height()), flags, text)
            : fm.boundingRect(QRect(rect.x(), rect.y(),
                                    (format & DT_WORDBREAK) ? rect.width() : 100000, 100000),
                              flags, text);
    rect.setWidth(text.isEmpty() ? 0 : bounds.width());
    rect.setHeight(std::max(bounds.height(), fm.height()));
    return rect.height();
  }
  p.save();
  p.setClipRect(rect, Qt::IntersectClip);
  p.setPen(ToQColor(canvas.FontColor));
  QRect drawn;
  p.drawText(rect, flags, text, &drawn);
  p.restore();
  return drawn.height();
}

void DrawAccelCaption(TCanvas& canvas, const QString& text, const QRect& rect, bool focused,
                      TColor highlightColor, unsigned format) {
  QPainter& p = *canvas.Painter;
  const int amp = text.indexOf('&');
  if (amp < 0) {
    QRect r = rect;
    DrawText(canvas, text, r, format);
    return;
  }
  // Edges as the platform counts them: right and bottom are just outside the rectangle.
  const int rectRight = rect.x() + rect.width();
  QRect r = rect;
  QString whole = text;
  whole.remove(amp, 1);
  DrawText(canvas, whole, r, DT_SINGLELINE | DT_CALCRECT);
  if (format & DT_VCENTER) {
    r.setTop(rect.top());
    r.setBottom(rect.bottom());
  }
  r.setWidth(r.width() + 2);
  if (format & DT_CENTER) {
    r.translate((rectRight - (r.x() + r.width())) / 2, 0);
    format &= ~DT_CENTER;
  } else if (format & DT_RIGHT) {
    r.translate(rectRight - (r.x() + r.width()), 0);
    format &= ~DT_RIGHT;
  }
  // Pieces are placed by their advance: a layout rectangle is rounded up, and the roundings of
  // three pieces would open gaps around the accelerator letter.
  auto advance = [&](const QString& piece) {
    return QFontMetrics(p.font(), p.device()).horizontalAdvance(piece);
  };
  auto drawPiece = [&](const QString& piece, unsigned pieceFormat) {
    QRect at = r;
    DrawText(canvas, piece, at, pieceFormat);
    r.setLeft(r.left() + advance(piece));
  };
  if (amp > 0) drawPiece(text.left(amp), format);
  const TColor oldColor = canvas.FontColor;
  const QFont oldFont = p.font();
  canvas.FontColor = highlightColor;
  if (highlightColor == oldColor) {
    QFont f = oldFont;
    f.setUnderline(!f.underline());
    p.setFont(f);
  }
  const QString accel = text.mid(amp + 1, 1);
  if (focused) {
    QRect at = r;
    DrawText(canvas, "&" + accel, at, format & ~DT_NOPREFIX);
    r.setLeft(r.left() + advance(accel));
  } else {
    drawPiece(accel, format | DT_NOPREFIX);
  }
  canvas.FontColor = oldColor;
  p.setFont(oldFont);
  QRect rest = r;
  DrawText(canvas, text.mid(amp + 2), rest, format);
}

void DrawDisabledText(TCanvas& canvas, const QRect& rect, const QString& text, unsigned format) {
  const TColor oldColor = canvas.FontColor;
  QRect shifted = rect.translated(1, 1);
  canvas.FontColor = clWhite;
  DrawText(canvas, text, shifted, format);
  QRect at = rect;
  canvas.FontColor = clGray;
  DrawText(canvas, text, at, format);
  canvas.FontColor = oldColor;
}
