#include "kit/Mbuttons.h"

#include <qdrawutil.h>

#include <QApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QStyleOptionFocusRect>
#include <QTimer>
#include <algorithm>

#include "kit/Actives.h"
#include "kit/Cliunit.h"
#include "kit/dlgform2.h"

// --- the kinds ---

namespace {

struct KindDefaults {
  TMButtonKind kind;
  const char* caption;
};
const KindDefaults kCaptions[] = {{mkFirst, "f"},          {mkPrev, "&p"},
                                  {mkNext, "&u"},          {mkAdd, "&Adaug"},
                                  {mkDelete, "&Sterg"},    {mkRecord, "&Jurnal"},
                                  {mkView, "&w"},          {mkPrint, "&Listare"},
                                  {mkOK, "O&K"},           {mkCancel, "&Renunt"},
                                  {mkHelp, "S&faturi"},    {mkYes, "&Da"},
                                  {mkNo, "&Nu"},           {mkClose, "I&esire"},
                                  {mkAbort, "&Abandon"},   {mkRetry, "&Retry"},
                                  {mkIgnore, "&Ignora"},   {mkAll, "&Toate"},
                                  {mkEdit, "&Modific"},    {mkAnalitic, "Analiti&c"},
                                  {mkDetalii, "&Detalii"}, {mkZorvan, "Zorv&an"},
                                  {mkSave, "Salve&z"},     {mkMail, "E&Mail"},
                                  {mkAction, "?"}};

QColor Q(TColor c) {
  return ToQColor(c);
}

const QImage& EmptyPicture() {
  static const QImage none;
  return EmptyBitmap ? *EmptyBitmap : none;
}

const QImage& KindPicture(TMButtonKind kind, bool nice) {
  return Mesaj ? Mesaj->KindGlyph(kind, nice) : EmptyPicture();
}

QString WithoutAmpersands(QString text) {
  return text.remove('&');
}

// A canvas for the shared caption routines over a painter.
TCanvas CanvasOf(QPainter& p, TColor fontColor) {
  TCanvas c;
  c.Painter = &p;
  c.FontColor = fontColor;
  return c;
}

}  // namespace

QString MButtonDefaultCaption(TMButtonKind kind) {
  for (const KindDefaults& d : kCaptions)
    if (d.kind == kind) return QString::fromLatin1(d.caption);
  return QString();
}

int MButtonDefaultResult(TMButtonKind kind) {
  switch (kind) {
    case mkOK:
      return mrOk;
    case mkCancel:
    case mkClose:
      return mrCancel;
    case mkAbort:
      return mrAbort;
    case mkRetry:
      return mrRetry;
    case mkIgnore:
      return mrIgnore;
    case mkYes:
      return mrYes;
    case mkNo:
      return mrNo;
    case mkAll:
      return mrAll;
    default:
      return mrNone;
  }
}

TColor Darken(TColor color, int n) {
  const TColor c = ColorToRGB(color);
  if (c == clBlack || n <= 0) return c;
  TColor out = 0;
  for (int shift : {0, 8, 16}) {
    const int v = int((c >> shift) & 0xFF);
    out |= TColor(std::max(0, v - v / n)) << shift;
  }
  return out;
}

TColor Lighten(TColor color, int n) {
  const TColor c = ColorToRGB(color);
  if (c == clWhite || n <= 0) return c;
  TColor out = 0;
  for (int shift : {0, 8, 16}) {
    const int v = int((c >> shift) & 0xFF);
    out |= TColor(std::min(255, v + (255 + v) / n)) << shift;
  }
  return out;
}

void HandModalResult(QWidget* button, int modalResult) {
  if (auto* form = qobject_cast<TMForm*>(button ? button->window() : nullptr))
    form->ModalResult = modalResult;
}

// --- the common part ---

TKitButton::TKitButton(QWidget* parent) : QPushButton(parent) {
  setAutoDefault(false);
  // Connected first, so the form has the modal result before any other click handler runs.
  connect(this, &QAbstractButton::clicked, this, &TKitButton::Click);
}

void TKitButton::Click() {
  HandModalResult(this, modalResult_);
  QPointer<TKitButton> self(this);
  if (OnClick) Guarded([&] { OnClick(this); });
  if (self) Clicked();
}

void TKitButton::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    if (isEnabled()) click();
    event->accept();
    return;
  }
  QPushButton::keyPressEvent(event);
}

void TKitButton::SetModalResult(int value) {
  modalResult_ = value;
  MRAssigned = true;
}

void TKitButton::ModalResultFromKind(TMButtonKind kind) {
  if (!MRAssigned) modalResult_ = MButtonDefaultResult(kind);
}

void TKitButton::SetCancel(bool value) {
  if (value == Cancel()) return;
  if (value) {
    cancel_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    cancel_->setContext(Qt::WindowShortcut);
    connect(cancel_, &QShortcut::activated, this, [this] {
      if (isVisible() && isEnabled()) click();
    });
  } else {
    delete cancel_;
    cancel_ = nullptr;
  }
}

void TKitButton::SetCaptionVisible(bool value) {
  captionVisible_ = value;
  update();
}

void TKitButton::SetNumGlyphs(int value) {
  numGlyphs_ = std::max(1, value);
  update();
}

void TKitButton::SetGlyph(const QImage& value) {
  glyph_ = value;
  update();
}

void TKitButton::SetColor(TColor value) {
  color_ = value;
  update();
}

// --- TMButton ---

TMButton::TMButton(QWidget* parent) : TKitButton(parent) {
  resize(90, 40);
  setAttribute(Qt::WA_Hover);
}

void TMButton::SetKind(TMButtonKind value) {
  if (value == kind_) return;
  if (value >= mkFirst && value <= mkLast) captionVisible_ = false;
  if (text().isEmpty()) setText(MButtonDefaultCaption(value));
  ModalResultFromKind(value);
  kind_ = value;
  update();
}

void TMButton::SetColorOver(TColor value) {
  colorOver_ = value;
  update();
}

void TMButton::SetLightButton(bool value) {
  lightButton_ = value;
  update();
}

void TMButton::SetStyle(TButtonStyle value) {
  style_ = value;
  update();
}

void TMButton::SetMargin(int value) {
  margin_ = value;
  update();
}

void TMButton::SetSpacing(int value) {
  spacing_ = value;
  update();
}

void TMButton::SetButtonLayout(TButtonLayout value) {
  layout_ = value;
  update();
}

const QImage& TMButton::GlyphStrip() const {
  return glyph_.width() >= 1 ? glyph_ : KindPicture(kind_, false);
}

QSize TMButton::CaptionSize(const QFont& font, int width) const {
  const QString caption = text();
  if (caption.isEmpty() || !captionVisible_) return QSize(0, 0);
  // "#" breaks the caption into lines, unless the caption is just "#".
  const QStringList lines = caption == "#" ? QStringList{caption} : caption.split('#');
  const QFontMetrics fm(font);
  int w = 0;
  for (const QString& line : lines) {
    QString shown = line;
    shown.replace("&&", QString(QChar(1))).remove('&').replace(QChar(1), '&');
    w = std::max(w, fm.horizontalAdvance(shown));
  }
  Q_UNUSED(width);
  return QSize(w, fm.height() * int(lines.size()));
}

void TMButton::CalcLayout(const QRect& content, QSize glyph, QSize caption, QPoint& glyphAt,
                          QRect& captionRect) const {
  const bool horizontal = layout_ == blGlyphLeft || layout_ == blGlyphRight;
  const int extent = horizontal ? content.width() : content.height();
  const int glyphExtent = horizontal ? glyph.width() : glyph.height();
  const int captionExtent = horizontal ? caption.width() : caption.height();
  // Across the layout axis both are centred.
  QPoint g, c;
  if (horizontal) {
    g.setY(content.height() / 2 - glyph.height() / 2);
    c.setY(content.height() / 2 - caption.height() / 2);
  } else {
    g.setX(content.width() / 2 - glyph.width() / 2);
    c.setX(content.width() / 2 - caption.width() / 2);
  }
  int margin = margin_;
  int spacing = spacing_;
  if (caption.width() == 0 || glyph.width() == 0) spacing = 0;
  if (margin == -1 && spacing == -1) {
    margin = (extent - glyphExtent - captionExtent) / 3;
    spacing = margin;
  } else if (margin == -1) {
    margin = extent / 2 - (glyphExtent + spacing + captionExtent) / 2;
  } else if (spacing == -1) {
    spacing = (extent - margin - glyphExtent) / 2 - captionExtent / 2;
  }
  int glyphPos = 0, captionPos = 0;
  switch (layout_) {
    case blGlyphLeft:
    case blGlyphTop:
      glyphPos = margin;
      captionPos = margin + glyphExtent + spacing;
      break;
    case blGlyphRight:
    case blGlyphBottom:
      glyphPos = extent - margin - glyphExtent;
      captionPos = glyphPos - spacing - captionExtent;
      break;
  }
  if (horizontal) {
    g.setX(glyphPos);
    c.setX(captionPos);
  } else {
    g.setY(glyphPos);
    c.setY(captionPos);
  }
  glyphAt = content.topLeft() + g;
  captionRect = QRect(content.topLeft() + c, caption);
}

void TMButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const bool enabled = isEnabled();
  const bool pressed = enabled && isDown();
  const bool newLook = style_ != bsWin31;
  const bool focused = hasFocus();
  QFont font = this->font();
  if (newLook && !lightButton_ && (focused || isDefault())) font.setBold(true);
  p.setFont(font);

  const QRect client = rect();
  QRect content = client;
  TColor brush = color_;
  auto classicContent = [&] {
    content = client.adjusted(1, 1, -2, -2);
    if (pressed) content.translate(1, 1);
  };
  if (!lightButton_ || FDrawFace) {
    brush = colorOver_;
    const QColor face = Q(colorOver_);
    if (newLook) {
      qDrawWinButton(&p, client, palette(), pressed, nullptr);
      p.fillRect(client.adjusted(2, 2, -2, -2), face);
    } else {
      p.fillRect(client, face);
      p.setPen(Q(clWindowFrame));
      p.drawRect(client.adjusted(0, 0, -1, -1));
      if (!lightButton_ && focused) p.drawRect(client.adjusted(1, 1, -2, -2));
      if (!lightButton_) {
        p.setPen(face);
        for (QPoint corner :
             {client.topLeft(), client.topRight(), client.bottomLeft(), client.bottomRight()})
          p.drawPoint(corner);
      }
      const QRect inner = client.adjusted(1, 1, -1, -1);
      if (pressed) {
        p.setPen(Q(clBtnShadow));
        p.drawLine(inner.topLeft(), inner.topRight());
        p.drawLine(inner.topLeft(), inner.bottomLeft());
      } else {
        qDrawShadePanel(&p, inner, palette(), false, 2);
      }
    }
    classicContent();
  } else {
    p.fillRect(client, Q(color_));
  }

  // Glyph frame: normal, disabled, or for pressed the strip from the third frame on.
  const QImage& strip = GlyphStrip();
  QRect frame;
  if (!strip.isNull() && strip.width() >= 1) {
    const int fw = strip.width() / std::max(1, numGlyphs_);
    if (!enabled && numGlyphs_ > 1)
      frame = QRect(fw, 0, fw, strip.height());
    else if (pressed && numGlyphs_ > 2)
      frame = QRect(2 * fw, 0, strip.width() - 2 * fw, strip.height());
    else
      frame = QRect(0, 0, fw, strip.height());
  }
  const QSize caption = CaptionSize(font, content.width());
  QPoint glyphAt;
  QRect captionRect;
  CalcLayout(content, frame.size(), caption, glyphAt, captionRect);
  // The strip's transparent colour shows the face (or the background) under the glyph; the
  // shared picture itself is left as it is.
  if (!frame.isEmpty()) DrawTransparent(p, glyphAt, strip, frame);
  Q_UNUSED(brush);

  if (captionVisible_ && !text().isEmpty()) {
    const QStringList lines = text() == "#" ? QStringList{text()} : text().split('#');
    const int lineHeight = QFontMetrics(font).height();
    QRect line(captionRect.left(), captionRect.top(), captionRect.width() + 2, lineHeight);
    for (const QString& l : lines) {
      if (enabled) {
        TCanvas canvas = CanvasOf(p, ToTColor(palette().color(QPalette::ButtonText)));
        p.setPen(Q(canvas.FontColor));
        DrawAccelCaption(canvas, l, line, false, clRed, DT_CENTER | DT_SINGLELINE);
      } else {
        if (FDisableColor == TColor(-1)) FDisableColor = Darken(color_, 3);
        TCanvas canvas = CanvasOf(p, FDisableColor);
        p.setPen(Q(FDisableColor));
        DrawAccelCaption(canvas, WithoutAmpersands(l), line, false, FDisableColor,
                         DT_CENTER | DT_SINGLELINE);
      }
      line.translate(0, lineHeight);
    }
  }

  if (!lightButton_ && focused) {
    QRect r;
    if (newLook) {
      r = content.adjusted(2, 2, -2, -2);
      if (pressed) r.translate(-1, -1);
    } else {
      r = captionRect.adjusted(-1, -1, 1, 1);
    }
    p.setPen(QPen(Q(clWindowText), 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
  }
}

void TMButton::SetDrawFace(bool value) {
  if (FDrawFace == value) return;
  FDrawFace = value;
  update();
}

void TMButton::enterEvent(QEnterEvent* event) {
  TKitButton::enterEvent(event);
  // A light button under the pointer takes the focus from another light button.
  if (lightButton_ && isEnabled()) {
    auto* other = qobject_cast<TMButton*>(QApplication::focusWidget());
    if (other && other != this && other->LightButton() && other->window() == window())
      setFocus(Qt::MouseFocusReason);
  }
  SetDrawFace(true);
}

void TMButton::leaveEvent(QEvent* event) {
  TKitButton::leaveEvent(event);
  if (!hasFocus()) SetDrawFace(false);
}

void TMButton::focusInEvent(QFocusEvent* event) {
  TKitButton::focusInEvent(event);
  SetDrawFace(true);
}

void TMButton::focusOutEvent(QFocusEvent* event) {
  TKitButton::focusOutEvent(event);
  SetDrawFace(false);
}

void TMButton::changeEvent(QEvent* event) {
  TKitButton::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) update();
}

// --- TNiceButton ---

namespace {
QPointer<TNiceButton> Hot;

const QImage& FacePicture() {
  static const QImage none;
  return ButtonFace ? *ButtonFace : none;
}
}  // namespace

TNiceButton* TNiceButton::HotButton() {
  return Hot.data();
}

TNiceButton::TNiceButton(QWidget* parent) : TKitButton(parent) {
  resize(100, 28);
  setMouseTracking(true);
}

TNiceButton::~TNiceButton() {
  if (Hot == this) Hot = nullptr;
  delete FTimer;
}

void TNiceButton::Invalidate() {
  FBufferFilled = false;
  update();
}

void TNiceButton::SetKind(TMButtonKind value) {
  if (value == kind_) return;
  if (!CpAssigned) setText(MButtonDefaultCaption(value));
  ModalResultFromKind(value);
  kind_ = value;
  Invalidate();
}

void TNiceButton::SetCaption(const QString& value) {
  CpAssigned = true;
  setText(value);
  Invalidate();
}

void TNiceButton::SetCaptionVisible(bool value) {
  captionVisible_ = value;
  Invalidate();
}

void TNiceButton::SetNumGlyphs(int value) {
  numGlyphs_ = std::max(1, value);
  Invalidate();
}

void TNiceButton::SetGlyph(const QImage& value) {
  glyph_ = value;
  Invalidate();
}

void TNiceButton::SetColor(TColor value) {
  color_ = value;
  Invalidate();
}

void TNiceButton::SetInsideDraw(bool value) {
  insideDraw_ = value;
  Invalidate();
}

void TNiceButton::SetStretch(bool value) {
  stretch_ = value;
  Invalidate();
}

void TNiceButton::SetBuffered(bool value) {
  buffered_ = value;
  Invalidate();
}

void TNiceButton::SetForcedDown(bool value) {
  if (value) {
    // The pressed look lasts 20 ms unless a mouse button holds it.
    if (!FMouseDown) {
      delete FTimer;
      FTimer = new QTimer;
      FTimer->setSingleShot(true);
      FTimer->setInterval(20);
      QObject::connect(FTimer, &QTimer::timeout, this, [this] { SetForcedDown(false); });
      FTimer->start();
    }
  } else if (FTimer) {
    FTimer->deleteLater();  // may be the timer that is firing now
    FTimer = nullptr;
  }
  forcedDown_ = value;
  repaint();
}

void TNiceButton::SetHot(bool value) {
  if (value) {
    if (Hot && Hot != this) {
      TNiceButton* previous = Hot;
      previous->FDrawFace = false;
      previous->update();
    }
    Hot = this;
  } else if (Hot == this) {
    Hot = nullptr;
  }
  if (FDrawFace == value) return;
  FDrawFace = value;
  update();
}

const QImage& TNiceButton::GlyphStrip() const {
  return kind_ == mkCustom ? glyph_ : KindPicture(kind_, true);
}

TNiceButton::TLook TNiceButton::CurrentLook() const {
  if (!isEnabled()) return lkDisabled;
  if (forcedDown_ || isDown()) return lkPressed;
  if (FDrawFace) return lkHot;
  return lkNormal;
}

void TNiceButton::PaintOne(QPainter& p, TLook look) {
  const bool pressed = look == lkPressed;
  const bool enabled = look != lkDisabled;
  const bool hot = look == lkHot || look == lkPressed;
  const int w = width(), h = height();
  const QImage& face = FacePicture();
  const int F = face.height();
  const int s = face.width() / 9;
  const QImage& strip = GlyphStrip();
  const bool hasGlyph = strip.width() >= 1;
  const int x0 = hasGlyph ? 35 : 0;
  const int y0 = (h - F) / 2;

  p.fillRect(QRect(0, 0, w, h), Q(color_));
  if (captionVisible_) {
    if (HighColor && !face.isNull() && s > 0) {
      const int column = 3 * (pressed ? 2 : (hot ? 1 : 0));
      const QRect left(column * s, 0, s, F), middle((column + 1) * s, 0, s, F),
          right((column + 2) * s, 0, s, F);
      const int start = insideDraw_ ? 0 : x0;
      if (stretch_) {
        // Three bands: top and bottom thirds as they are, the middle third stretched.
        const int third = F / 3;
        auto band = [&](const QRect& src, int x, int width, bool transparent) {
          const QRect top(src.x(), 0, src.width(), third),
              mid(src.x(), third, src.width(), F - 2 * third),
              bottom(src.x(), F - third, src.width(), third);
          DrawTransparentScaled(p, QRect(x, 0, width, third), face, top, transparent);
          DrawTransparentScaled(p, QRect(x, third, width, h - 2 * third), face, mid, transparent);
          DrawTransparentScaled(p, QRect(x, h - third, width, third), face, bottom, transparent);
        };
        band(left, start, s, true);
        for (int x = start + s; x < w - s; x += s) band(middle, x, std::min(s, w - s - x), false);
        band(right, w - s, s, true);
      } else {
        DrawTransparent(p, QPoint(start, y0), face, left, true);
        for (int x = start + s; x < w - s; x += s)
          DrawTransparent(p, QPoint(x, y0), face, QRect(middle.x(), 0, std::min(s, w - s - x), F),
                          false);
        DrawTransparent(p, QPoint(w - s, y0), face, right, true);
      }
    } else if (!HighColor) {
      QColor fill = Q(Lighten(color_, 20));
      if (hot) fill = pressed ? QColor(128, 128, 128) : QColor(223, 223, 223);
      p.setPen(QColor(169, 169, 169));
      p.setBrush(fill);
      p.setRenderHint(QPainter::Antialiasing, false);
      if (insideDraw_) {
        p.drawRect(QRect(QPoint(0, y0), QPoint(w - 1, h - 1)));
      } else {
        const int r = h / 3;
        p.drawRoundedRect(QRect(QPoint(x0, y0), QPoint(w - 1, h - 1)), r, r);
      }
      p.setBrush(Qt::NoBrush);
    }

    QFont font = this->font();
    font.setBold(true);
    p.setFont(font);
    const int t = QFontMetrics(font).boundingRect("Wg").height();
    const int top = stretch_ ? (h - t) / 2 : y0 + (F - t) / 2;
    const int left = insideDraw_ ? t + 4 + s / 2 : x0 + s / 2;
    QRect band(QPoint(left, top), QPoint(w - s / 2 - 1, top + t - 1));
    const unsigned format = DT_CENTER | DT_SINGLELINE | DT_VCENTER;
    if (!enabled) {
      const TColor grey = RGB(192, 192, 192);
      TCanvas canvas = CanvasOf(p, grey);
      p.setPen(Q(grey));
      DrawAccelCaption(canvas, WithoutAmpersands(text()), band, false, grey, format);
    } else if (!hot) {
      TCanvas canvas = CanvasOf(p, ToTColor(palette().color(QPalette::ButtonText)));
      p.setPen(Q(canvas.FontColor));
      DrawAccelCaption(canvas, text(), band, hasFocus(), clRed, format);
    } else {
      if (pressed) band.translate(1, 1);
      TCanvas canvas = CanvasOf(p, clRed);
      p.setPen(Q(clRed));
      DrawAccelCaption(canvas, text(), band, true, clRed, format);
    }
  }

  if (!hasGlyph) {
    GlyphWidth = GlyphHeight = 0;
    return;
  }
  GlyphWidth = strip.width() / std::max(1, numGlyphs_);
  GlyphHeight = strip.height();
  const int gy = (h - GlyphHeight) / 2;
  int gx;
  if (captionVisible_)
    gx = insideDraw_ ? 4 : 34 - GlyphWidth;
  else
    gx = (w - GlyphWidth) / 2;
  int frame = 0;
  if (numGlyphs_ > 1 && !enabled)
    frame = 1;
  else if (hot && numGlyphs_ > 2)
    frame = numGlyphs_ - 1;
  const QRect source(frame * GlyphWidth, 0, GlyphWidth, GlyphHeight);
  if (stretch_ && !captionVisible_)
    DrawTransparentScaled(p, QRect(0, 0, w, h), strip, source);
  else
    DrawTransparent(p, QPoint(gx, gy), strip, source);
}

QImage TNiceButton::PaintLook(TLook look) {
  QImage picture(size(), QImage::Format_ARGB32_Premultiplied);
  picture.fill(Q(color_));
  QPainter p(&picture);
  PaintOne(p, look);
  return picture;
}

void TNiceButton::paintEvent(QPaintEvent*) {
  try {
    QPainter p(this);
    if (!buffered_) {
      PaintOne(p, CurrentLook());
      return;
    }
    if (buffer_[0].size() != size()) FBufferFilled = false;
    if (!FBufferFilled) {
      // Each look with the background colour left out, so the parent shows there.
      const QRgb key = Q(color_).rgb();
      for (int look = lkNormal; look <= lkDisabled; ++look) {
        QImage picture = PaintLook(TLook(look)).convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < picture.height(); ++y) {
          QRgb* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
          for (int x = 0; x < picture.width(); ++x)
            if ((line[x] | 0xFF000000) == (key | 0xFF000000)) line[x] = 0;
        }
        buffer_[look] = picture;
      }
      FBufferFilled = true;
      p.fillRect(rect(), Q(color_));
    }
    p.drawImage(0, 0, buffer_[CurrentLook()]);
  } catch (...) {
    // A failed paint leaves the button as it was.
  }
}

bool TNiceButton::InActiveArea(const QPoint& at) const {
  const bool caption = captionVisible_;
  if (stretch_ || (GlyphWidth == 0 && !caption)) return rect().contains(at);
  const int h = height();
  const int F = FacePicture().height();
  const int y0 = (h - F) / 2;
  QRect glyph;
  if (GlyphWidth > 0) {
    const int gy = (h - GlyphHeight) / 2;
    if (caption)
      glyph = QRect(QPoint(34 - GlyphWidth, gy), QPoint(34, gy + GlyphHeight - 1));
    else
      glyph = QRect((width() - GlyphWidth) / 2, gy, GlyphWidth, GlyphHeight);
  }
  QRect band;
  if (caption) {
    const int left = GlyphWidth > 0 ? 35 : 0;
    band = QRect(QPoint(left, y0), QPoint(width() - 1, y0 + F - 1));
  }
  return glyph.contains(at) || band.contains(at);
}

bool TNiceButton::hitButton(const QPoint& pos) const {
  return TKitButton::hitButton(pos) && InActiveArea(pos);
}

bool TNiceButton::event(QEvent* event) {
  if (event->type() == QEvent::Polish && Win10Style) buffered_ = true;
  return TKitButton::event(event);
}

void TNiceButton::mousePressEvent(QMouseEvent* event) {
  // Outside the glyph and the caption band the button is not there.
  if (!InActiveArea(event->position().toPoint())) {
    event->accept();
    return;
  }
  FMouseDown = true;
  TKitButton::mousePressEvent(event);
}

void TNiceButton::mouseReleaseEvent(QMouseEvent* event) {
  QPointer<TNiceButton> self(this);
  TKitButton::mouseReleaseEvent(event);  // the click, if any, runs in here
  if (self) FMouseDown = false;
}

void TNiceButton::mouseMoveEvent(QMouseEvent* event) {
  const bool inside = InActiveArea(event->position().toPoint());
  if (inside && !FDrawFace && isEnabled()) {
    auto* other = qobject_cast<TNiceButton*>(QApplication::focusWidget());
    if (other && other != this) setFocus(Qt::MouseFocusReason);
    SetHot(true);
  } else if (!inside && FDrawFace) {
    SetHot(false);
  }
  TKitButton::mouseMoveEvent(event);
}

void TNiceButton::enterEvent(QEnterEvent* event) {
  TKitButton::enterEvent(event);
  if (isEnabled() && InActiveArea(event->position().toPoint()) && !FDrawFace) {
    auto* other = qobject_cast<TNiceButton*>(QApplication::focusWidget());
    if (other && other != this) setFocus(Qt::MouseFocusReason);
    SetHot(true);
  }
}

void TNiceButton::leaveEvent(QEvent* event) {
  TKitButton::leaveEvent(event);
  if (isEnabled() && !hasFocus()) SetHot(false);
}

void TNiceButton::focusInEvent(QFocusEvent* event) {
  TKitButton::focusInEvent(event);
  SetHot(true);
}

void TNiceButton::focusOutEvent(QFocusEvent* event) {
  TKitButton::focusOutEvent(event);
  SetHot(false);
}

void TNiceButton::changeEvent(QEvent* event) {
  TKitButton::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) {
    if (!isEnabled()) SetHot(false);
    update();
  } else if (event->type() == QEvent::FontChange) {
    Invalidate();
  }
}

void TNiceButton::Clicked() {
  if (!FMouseDown && !InvisibleClick) SetForcedDown(true);
  if (hasFocus()) SetHot(true);
}
