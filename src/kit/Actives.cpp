#include "kit/Actives.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QTimer>

// --- text drawing shared by the kit ---

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
  QFontMetrics fm(p.font());
  if (format & DT_CALCRECT) {
    QRect bounds = (format & DT_SINGLELINE)
                       ? fm.boundingRect(QRect(rect.x(), rect.y(), 100000, fm.height()), flags, text)
                       : fm.boundingRect(QRect(rect.x(), rect.y(),
                                               (format & DT_WORDBREAK) ? rect.width() : 100000,
                                               100000),
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
  auto drawPiece = [&](const QString& piece, unsigned pieceFormat) {
    QRect at = r;
    DrawText(canvas, piece, at, pieceFormat);
    QRect measured = r;
    DrawText(canvas, piece, measured, pieceFormat | DT_CALCRECT);
    r.setLeft(r.left() + measured.width());
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
    QRect measured = r;
    DrawText(canvas, accel, measured, (format | DT_NOPREFIX | DT_CALCRECT));
    r.setLeft(r.left() + measured.width());
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

// --- formatted label ---

namespace {

const TColor kBasicColors[16] = {clBlack, clMaroon, clGreen,  clOlive, clNavy, clPurple,
                                 clTeal,  clGray,   clSilver, clRed,   clLime, clYellow,
                                 clBlue,  clFuchsia, clAqua,  clWhite};

bool IsCode(QChar c) { return c == '$' || c == '%' || c == '&' || c == '~' || c == '@'; }

// Draws a run's text with its top-left corner at (x, y).
void DrawRunText(QPainter& p, int x, int y, const QString& text, const QFont& font,
                 const QColor& color) {
  p.setFont(font);
  p.setPen(color);
  p.drawText(QPoint(x, y + QFontMetrics(font).ascent()), text);
}

}  // namespace

bool FmtColor(int n, TColor& color) {
  if (n < 0 || n > 36) return false;
  color = n < 16 ? kBasicColors[n] : TColor(clSystemColor | (n - 16));
  return true;
}

QList<TFmtLine> ParseFmtCaption(const QString& caption, const QFont& font, TColor color) {
  QList<TFmtLine> lines;
  TFmtRun current;
  current.Font = font;
  current.Color = color;
  TFmtLine line;
  // A change of font or flag starts a new run unless the current one is still empty.
  auto change = [&](auto apply) {
    if (!current.Text.isEmpty()) {
      line.append(current);
      current.Text.clear();
    }
    apply(current);
  };
  const int n = caption.size();
  for (int i = 0; i < n; ++i) {
    QChar c = caption[i];
    if (c == '\\' && i + 1 < n && IsCode(caption[i + 1])) {
      current.Text += caption[++i];
      continue;
    }
    if (c == '\r') {
      line.append(current);
      lines.append(line);
      line.clear();
      current.Text.clear();
      continue;
    }
    if (c == '%') {
      change([](TFmtRun& r) { r.Shadow = !r.Shadow; });
      continue;
    }
    if (c == '~') {
      change([](TFmtRun& r) { r.Blink = !r.Blink; });
      continue;
    }
    if (c == '$' || c == '&' || c == '@') {
      int j = i + 1;
      while (j < n && caption[j] >= '0' && caption[j] <= '9') ++j;
      if (j == i + 1) continue;  // no number: the code is dropped
      bool ok = false;
      int value = caption.mid(i + 1, j - i - 1).toInt(&ok);
      if (!ok) value = -1;  // too long to be any size, style or colour
      i = j - 1;
      if (c == '$') {
        if (value < 0 || value > 3) continue;
        change([value](TFmtRun& r) {
          r.Font.setItalic(value & 1);
          r.Font.setBold(value & 2);
        });
      } else if (c == '&') {
        if (value <= 0) continue;
        change([value](TFmtRun& r) { r.Font.setPointSize(value); });
      } else {
        TColor col;
        if (!FmtColor(value, col)) continue;  // past the table: ignored
        change([col](TFmtRun& r) { r.Color = col; });
      }
      continue;
    }
    current.Text += c;
  }
  line.append(current);
  lines.append(line);
  return lines;
}

void TBlinkObj::OnBlink() {
  if (!ParentLabel->isVisible()) return;
  QImage& canvas = ParentLabel->canvas_;
  if (canvas.isNull()) return;
  QPainter p(&canvas);
  // Hiding on a transparent label erases the glyphs instead of painting a colour over them.
  bool erase = !FBlinkOn && ParentLabel->Transparent();
  if (erase) p.setCompositionMode(QPainter::CompositionMode_Clear);
  if (Umbra)
    DrawRunText(p, X + 1, Y + 1, aText, aFont, ToQColor(FBlinkOn ? ShadowColor : aParentColor));
  DrawRunText(p, X, Y, aText, aFont, ToQColor(FBlinkOn ? aFontColor : aParentColor));
  p.end();
  FBlinkOn = !FBlinkOn;
  ParentLabel->update();
}

TFmtLabel::TFmtLabel(QWidget* parent) : QWidget(parent) {}

TFmtLabel::~TFmtLabel() { Elibereaza_BlinkList(); }

void TFmtLabel::Elibereaza_BlinkList() {
  for (TBlinkObj* b : FBlinkList) {
    delete b->Timer;
    delete b;
  }
  FBlinkList.clear();
}

void TFmtLabel::Invalidate() {
  dirty_ = true;
  update();
}

void TFmtLabel::setCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Invalidate();
}

void TFmtLabel::setColor(TColor color) {
  color_ = color;
  Invalidate();
}

void TFmtLabel::setFontColor(TColor color) {
  fontColor_ = color;
  Invalidate();
}

void TFmtLabel::setTransparent(bool transparent) {
  transparent_ = transparent;
  Invalidate();
}

void TFmtLabel::setAlignment(TAlignment alignment) {
  alignment_ = alignment;
  Invalidate();
}

void TFmtLabel::setAlign(TMAlign align) {
  FAlign = align;
  Invalidate();
}

void TFmtLabel::setShadowColor(TColor color) {
  FShadowColor = color;
  Invalidate();
}

void TFmtLabel::resizeEvent(QResizeEvent*) {
  if (FAcces) dirty_ = true;
}

void TFmtLabel::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange ||
      event->type() == QEvent::EnabledChange)
    Invalidate();
  QWidget::changeEvent(event);
}

void TFmtLabel::DrawAnew() {
  struct Measured {
    int width = 0, ascent = 0, height = 0;
  };
  QList<TFmtLine> lines;
  QList<Measured> sizes;
  int blockWidth = 0, blockHeight = 0;
  if (!caption_.isEmpty()) {
    lines = ParseFmtCaption(caption_, font(), fontColor_);
    for (const TFmtLine& line : lines) {
      Measured m;
      for (const TFmtRun& run : line) {
        QFontMetrics fm(run.Font);
        m.width += fm.horizontalAdvance(run.Text);
        m.ascent = std::max(m.ascent, fm.ascent());
        m.height = std::max(m.height, fm.height());
      }
      sizes.append(m);
      blockWidth = std::max(blockWidth, m.width);
      blockHeight += m.height;
    }
    FAcces = false;
    if (height() < blockHeight || width() < blockWidth)
      resize(std::max(width(), blockWidth), std::max(height(), blockHeight));
    if (QWidget* parent = parentWidget()) {
      const int W = parent->width(), H = parent->height();
      const int fullWidth = parent->isWindow() ? parent->frameGeometry().width() : W;
      switch (FAlign) {
        case alMTop: move(x(), 1); break;
        case alMBottom: move(x(), H - height() - 1); break;
        case alMLeft: move(1, y()); break;
        case alMRight: move(W - width() - 2, y()); break;
        case alMCenter: move((fullWidth - width()) / 2, (H - height()) / 2); break;
        case alMNone: break;
      }
    }
    FAcces = true;
  }
  // The blinking runs of the previous drawing go; an empty caption leaves none behind.
  Elibereaza_BlinkList();

  canvas_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
  canvas_.fill(transparent_ ? QColor(Qt::transparent) : ToQColor(color_));
  QPainter p(&canvas_);
  int y = 0;
  for (int l = 0; l < lines.size(); ++l) {
    const Measured& m = sizes[l];
    int x = 0;
    if (alignment_ == taRightJustify) x = width() - m.width;
    if (alignment_ == taCenter) x = (width() - m.width) / 2;
    for (const TFmtRun& run : lines[l]) {
      QFontMetrics fm(run.Font);
      const int top = y + m.ascent - fm.ascent();
      if (run.Shadow) DrawRunText(p, x + 1, top + 1, run.Text, run.Font, ToQColor(FShadowColor));
      DrawRunText(p, x, top, run.Text, run.Font, ToQColor(run.Color));
      if (run.Blink && !run.Text.isEmpty()) {
        auto* b = new TBlinkObj;
        b->Umbra = run.Shadow;
        b->ParentLabel = this;
        b->aText = run.Text;
        b->X = x;
        b->Y = top;
        b->aFont = run.Font;
        b->aFontColor = run.Color;
        b->aParentColor = color_;
        b->ShadowColor = FShadowColor;
        b->Timer = new QTimer(this);
        QObject::connect(b->Timer, &QTimer::timeout, this, [b] { b->OnBlink(); });
        b->Timer->start(300);
        FBlinkList.append(b);
      }
      x += fm.horizontalAdvance(run.Text);
    }
    y += m.height;
  }
  dirty_ = false;
}

void TFmtLabel::paintEvent(QPaintEvent*) {
  if (!FAcces) return;
  if (dirty_ || canvas_.size() != size()) DrawAnew();
  QPainter p(this);
  p.drawImage(0, 0, canvas_);
}
