#include "kit/FmtLabel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QTimer>
#include <algorithm>

namespace {

const TColor kBasicColors[16] = {clBlack, clMaroon,  clGreen,  clOlive, clNavy, clPurple,
                                 clTeal,  clGray,    clSilver, clRed,   clLime, clYellow,
                                 clBlue,  clFuchsia, clAqua,   clWhite};

bool IsCode(QChar c) {
  return c == '$' || c == '%' || c == '&' || c == '~' || c == '@';
}

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
        const int size = std::min(value, kFmtMaxPointSize);
        change([size](TFmtRun& r) { r.Font.setPointSize(size); });
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

TFmtLabel::~TFmtLabel() {
  Elibereaza_BlinkList();
}

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
        case alMTop:
          move(x(), 1);
          break;
        case alMBottom:
          move(x(), H - height() - 1);
          break;
        case alMLeft:
          move(1, y());
          break;
        case alMRight:
          move(W - width() - 2, y());
          break;
        case alMCenter:
          move((fullWidth - width()) / 2, (H - height()) / 2);
          break;
        case alMNone:
          break;
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
