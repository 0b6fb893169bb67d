#include "kit/Actives.h"

#include <QApplication>
#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QShortcutEvent>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>

#include "kit/dlgform2.h"

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
  // Measured on the device drawn on: a buffer image and the screen may differ in resolution.
  QFontMetrics fm(p.font(), p.device());
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

// --- active controls ---

namespace {

bool CanFocus(const QWidget* w) {
  return w && w->isVisible() && w->isEnabled() && w->focusPolicy() != Qt::NoFocus;
}

// A one-pixel frame just inside r.
void FrameRect(QPainter& p, const QRect& r, const QColor& c) {
  if (r.width() <= 0 || r.height() <= 0) return;
  p.fillRect(r.x(), r.y(), r.width(), 1, c);
  p.fillRect(r.x(), r.y() + r.height() - 1, r.width(), 1, c);
  p.fillRect(r.x(), r.y(), 1, r.height(), c);
  p.fillRect(r.x() + r.width() - 1, r.y(), 1, r.height(), c);
}

// A one-pixel 3-D frame: topLeft on the top and left edges, bottomRight on the others.
void Frame3D(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
  if (r.width() <= 0 || r.height() <= 0) return;
  p.fillRect(r.x(), r.y(), r.width() - 1, 1, topLeft);
  p.fillRect(r.x(), r.y(), 1, r.height() - 1, topLeft);
  p.fillRect(r.x(), r.y() + r.height() - 1, r.width(), 1, bottomRight);
  p.fillRect(r.x() + r.width() - 1, r.y(), 1, r.height(), bottomRight);
}

constexpr TColor cl3DDkShadow = clSystemColor | 21, cl3DLight = clSystemColor | 22;

void CopyStyle(QFont& to, const QFont& from) {
  to.setBold(from.bold());
  to.setItalic(from.italic());
  to.setUnderline(from.underline());
  to.setStrikeOut(from.strikeOut());
}

}  // namespace

void TAccelerator::Set(QWidget* owner, const QString& caption) {
  if (id_) owner->releaseShortcut(id_);
  id_ = 0;
  const QKeySequence key = QKeySequence::mnemonic(caption);
  if (!key.isEmpty()) id_ = owner->grabShortcut(key);
}

void TAccelerator::Enable(QWidget* owner, bool on) {
  if (id_) owner->setShortcutEnabled(id_, on);
}

bool TAccelerator::Matches(QEvent* event) const {
  return id_ && event->type() == QEvent::Shortcut &&
         static_cast<QShortcutEvent*>(event)->shortcutId() == id_;
}

TColor TColorSetting::Get(const QWidget* w) const {
  if (set_) return value_;
  const QWidget* parent = w->parentWidget();
  if (auto* form = qobject_cast<const TMForm*>(parent)) return form->Color();
  if (auto* group = qobject_cast<const TMCustomRadioGroup*>(parent)) return group->Color();
  if (parent) return ToTColor(parent->palette().color(parent->backgroundRole()));
  return clBtnFace;
}

// --- TActiveLabel ---

TActiveLabel::TActiveLabel(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  resize(65, 13);
}

void TActiveLabel::SetFocusControl(QWidget* value) {
  focusControl_ = value;
  accel_.Enable(this, value != nullptr);
}

void TActiveLabel::SetCaption(const QString& value) {
  caption_ = value;
  accel_.Set(this, showAccelChar_ ? value : QString());
  accel_.Enable(this, focusControl_ != nullptr);
  AdjustBounds();
  update();
}

void TActiveLabel::SetAlignment(TAlignment value) {
  alignment_ = value;
  update();
}

void TActiveLabel::SetTransparent(bool value) {
  transparent_ = value;
  update();
}

void TActiveLabel::SetShowAccelChar(bool value) {
  showAccelChar_ = value;
  SetCaption(caption_);
}

void TActiveLabel::SetAutosize(bool value) {
  autosize_ = value;
  AdjustBounds();
}

void TActiveLabel::SetColor(TColor value) {
  color_.Set(value);
  update();
}

void TActiveLabel::SetFontColor(TColor value) {
  fontColor_ = value;
  update();
}

void TActiveLabel::AdjustBounds() {
  if (!autosize_) return;
  QFontMetrics fm(font());
  int flags = Qt::TextSingleLine | Qt::TextExpandTabs;
  if (showAccelChar_) flags |= Qt::TextShowMnemonic;
  const QString text = caption_.isEmpty() ? QString(" ") : caption_;
  resize(fm.boundingRect(QRect(0, 0, 100000, 100000), flags, text).width(), fm.height());
}

void TActiveLabel::Click() {
  if (OnClick) OnClick(this);
  if (CanFocus(focusControl_)) focusControl_->setFocus(Qt::ShortcutFocusReason);
}

bool TActiveLabel::event(QEvent* event) {
  if (accel_.Matches(event)) {
    // The accelerator runs the same handler as a click, so errors are caught the same way.
    if (focusControl_ && isEnabled() && showAccelChar_ && CanFocus(focusControl_))
      Guarded([this] { Click(); });
    return true;
  }
  return QWidget::event(event);
}

void TActiveLabel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
}

void TActiveLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton &&
                     rect().contains(event->position().toPoint());
  pressed_ = false;
  if (click) Guarded([this] { Click(); });
}

void TActiveLabel::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) AdjustBounds();
  if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange) update();
  QWidget::changeEvent(event);
}

void TActiveLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!transparent_) p.fillRect(rect(), ToQColor(Color()));
  QString text = caption_.left(255);
  if (text.isEmpty() || (showAccelChar_ && text == "&")) text = " ";
  unsigned format = DT_SINGLELINE | DT_EXPANDTABS;
  if (alignment_ == taRightJustify) format |= DT_RIGHT;
  if (alignment_ == taCenter) format |= DT_CENTER;
  p.setFont(font());
  TCanvas canvas{&p, fontColor_};
  if (!isEnabled()) {
    DrawDisabledText(canvas, rect(), text, showAccelChar_ ? format : format | DT_NOPREFIX);
  } else if (showAccelChar_) {
    DrawAccelCaption(canvas, text, rect(), focusControl_ && focusControl_->hasFocus(), clRed,
                     format);
  } else {
    QRect r = rect();
    DrawText(canvas, text, r, format | DT_NOPREFIX);
  }
}

// --- the label link of the edit and the memo ---

void TLabelLink::SetLabel(TActiveLabel* label, QWidget* control) {
  FLabel = label;
  saved_ = false;
  if (label) label->SetFocusControl(control);
}

void TLabelLink::Enter(TColor labelColor) {
  if (!FLabel) return;
  FOldColor = FLabel->FontColor();
  FOldStyle = FLabel->font();
  saved_ = true;
  FLabel->SetFontColor(labelColor);
}

void TLabelLink::Exit() {
  if (!FLabel || !saved_) return;
  saved_ = false;
  FLabel->SetFontColor(FOldColor);
  QFont f = FLabel->font();
  CopyStyle(f, FOldStyle);
  if (f != FLabel->font()) FLabel->setFont(f);
}

// --- TActiveEdit ---

namespace {
// Shows the edit's own password character while it is edited.
class TPasswordStyle : public QProxyStyle {
 public:
  explicit TPasswordStyle(QChar c) : c_(c) {}
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* ret) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return c_.unicode();
    if (hint == SH_LineEdit_PasswordMaskDelay) return 0;
    return QProxyStyle::styleHint(hint, option, widget, ret);
  }

 private:
  QChar c_;
};
}  // namespace

TActiveEdit::TActiveEdit(QWidget* parent) : QLineEdit(parent) {
  color_.Set(clWindow);
  setFrame(false);
  resize(121, 21);
  UpdateFrame();
  UpdateTextMargin();
  ApplyColors();
  connect(this, &QLineEdit::textChanged, this, [this] {
    // Text put into an edit that is not being edited (not the one its window types into) is
    // shown from its start, as the platform's edit shows it: a long path keeps its drive and
    // first folders in sight.
    if (window()->focusWidget() != this) setCursorPosition(0);
    if (OnChange) Guarded([this] { OnChange(this); });
  });
}

TActiveEdit::~TActiveEdit() {
  if (passwordStyle_) setStyle(nullptr);
}

void TActiveEdit::UpdateTextMargin() {
  const int system = QFontMetrics(QApplication::font()).height();
  FTextMargin = std::min(system, QFontMetrics(font()).height()) / 4;
}

void TActiveEdit::UpdateFrame() {
  const int b = borderStyle_ == bsSingle ? 2 : 0;
  setContentsMargins(b, b, b, b);
  update();
}

void TActiveEdit::ApplyColors() {
  QPalette pal = palette();
  pal.setColor(QPalette::Base, ToQColor(Color()));
  pal.setColor(QPalette::Text, ToQColor(fontColor_));
  setPalette(pal);
  update();
}

QRect TActiveEdit::ClientRect() const { return contentsRect(); }

void TActiveEdit::SetAlignment(TAlignment value) {
  // While editing, the new value waits for the focus to leave.
  if (FFocused)
    FOldAlignment = value;
  else
    FAlignment = value;
  update();
}

void TActiveEdit::SetBorderStyle(TBorderStyle value) {
  borderStyle_ = value == bsNone ? bsNone : bsSingle;
  UpdateFrame();
}

void TActiveEdit::SetCtl3D(bool value) {
  ctl3D_ = value;
  update();
}

void TActiveEdit::SetBorderColor(TColor value) {
  FBorderColor = value;
  update();
}

void TActiveEdit::SetBorderColorF(TColor value) {
  FBorderColorF = value;
  update();
}

void TActiveEdit::SetFlatStyle(bool value) {
  FFlatStyle = value;
  update();
}

void TActiveEdit::SetBevelOuter(TBevelCut value) {
  FBevelOuter = value;
  update();
}

void TActiveEdit::SetColor(TColor value) {
  color_.Set(value);
  ApplyColors();
}

void TActiveEdit::SetFontColor(TColor value) {
  fontColor_ = value;
  ApplyColors();
}

void TActiveEdit::SetPasswordChar(QChar value) {
  passwordChar_ = value;
  if (value.isNull()) {
    setEchoMode(Normal);
    if (passwordStyle_) setStyle(nullptr);
    passwordStyle_.reset();
  } else {
    auto style = std::make_unique<TPasswordStyle>(value);
    setStyle(style.get());
    passwordStyle_ = std::move(style);
    setEchoMode(Password);
  }
  ApplyColors();
}

void TActiveEdit::focusInEvent(QFocusEvent* event) {
  FFocused = true;
  QLineEdit::focusInEvent(event);
  FOldAlignment = FAlignment;
  FAlignment = taLeftJustify;
  link_.Enter(FLabelColor);
  update();
  if (OnEnter) Guarded([this] { OnEnter(this); });
}

void TActiveEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // Leaving the edit shows the text from its start again; a menu over it or another window
  // taking the activation is not leaving it.
  const Qt::FocusReason reason = event->reason();
  if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
    setCursorPosition(0);
  FAlignment = FOldAlignment;
  FFocused = false;
  link_.Exit();
  update();
  if (OnExit) Guarded([this] { OnExit(this); });
}

void TActiveEdit::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) UpdateTextMargin();
  if (event->type() == QEvent::StyleChange) ApplyColors();
  QLineEdit::changeEvent(event);
}

void TActiveEdit::SelfPaint(QPainter& p) {
  const QRect client = ClientRect();
  p.fillRect(rect(), ToQColor(Color()));
  QString text = this->text();
  if (!passwordChar_.isNull()) text = QString(text.size(), passwordChar_);
  QFontMetrics fm(font());
  const int m = borderStyle_ != bsNone ? FTextMargin - 2 : 0;
  const int tw = fm.horizontalAdvance(text);
  int x = 0;
  if (FAlignment == taRightJustify)
    x = client.width() - tw - m;
  else
    x = (client.width() - tw) / 2;
  p.save();
  p.setClipRect(client);
  p.setFont(font());
  p.setPen(ToQColor(isEnabled() ? fontColor_ : clGray));
  p.drawText(QPoint(client.x() + x, client.y() + m + fm.ascent()), text);
  p.restore();
}

void TActiveEdit::DrawFlatBorder(QPainter& p) {
  const QRect all = rect();
  switch (FBevelOuter) {
    case bvNone:
      FrameRect(p, all, ToQColor(FFocused ? FBorderColorF : FBorderColor));
      break;
    case bvRaised:
      Frame3D(p, all, ToQColor(clBtnHighlight), ToQColor(clBtnShadow));
      break;
    case bvLowered:
    case bvSpace:
      Frame3D(p, all, ToQColor(clBtnShadow), ToQColor(clBtnHighlight));
      break;
  }
  FrameRect(p, all.adjusted(1, 1, -1, -1), ToQColor(Color()));
}

void TActiveEdit::paintEvent(QPaintEvent* event) {
  if (FAlignment == taLeftJustify || FFocused) {
    QLineEdit::paintEvent(event);
  } else {
    QPainter p(this);
    SelfPaint(p);
  }
  QPainter p(this);
  if (borderStyle_ != bsSingle) return;
  if (!ctl3D_) {
    // The plain window border, and the client area framed in BorderColor.
    FrameRect(p, rect(), ToQColor(clWindowFrame));
    FrameRect(p, rect().adjusted(1, 1, -1, -1), ToQColor(FBorderColor));
  } else if (FFlatStyle) {
    DrawFlatBorder(p);
  } else {
    // The sunken client edge.
    Frame3D(p, rect(), ToQColor(clBtnShadow), ToQColor(clBtnHighlight));
    Frame3D(p, rect().adjusted(1, 1, -1, -1), ToQColor(cl3DDkShadow), ToQColor(cl3DLight));
  }
}

// --- TActiveMemo ---

TActiveMemo::TActiveMemo(QWidget* parent) : QPlainTextEdit(parent) {
  color_.Set(clWindow);
  resize(185, 89);
  // No scroll bars unless asked for, as a plain memo.
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  SetBorderStyle(bsNone);
  ApplyColors();
}

void TActiveMemo::SetBorderStyle(TBorderStyle value) {
  borderStyle_ = value == bsNone ? bsNone : bsSingle;
  if (borderStyle_ == bsNone) {
    setFrameStyle(QFrame::NoFrame);
  } else {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
  }
}

void TActiveMemo::SetAlignment(TAlignment value) {
  alignment_ = value;
  QTextOption option = document()->defaultTextOption();
  option.setAlignment(value == taRightJustify ? Qt::AlignRight
                      : value == taCenter     ? Qt::AlignHCenter
                                              : Qt::AlignLeft);
  document()->setDefaultTextOption(option);
  viewport()->update();
}

void TActiveMemo::SetColor(TColor value) {
  color_.Set(value);
  ApplyColors();
}

void TActiveMemo::SetFontColor(TColor value) {
  fontColor_ = value;
  ApplyColors();
}

void TActiveMemo::ApplyColors() {
  QPalette pal = palette();
  pal.setColor(QPalette::Base, ToQColor(Color()));
  pal.setColor(QPalette::Text, ToQColor(fontColor_));
  setPalette(pal);
}

void TActiveMemo::SetText(const QString& value) {
  QString text = value;
  text.replace("\r\n", "\n");
  text.replace('\r', '\n');
  setPlainText(text);
  // setPlainText keeps the document but not always its alignment: apply it again.
  SetAlignment(alignment_);
}

void TActiveMemo::focusInEvent(QFocusEvent* event) {
  QPlainTextEdit::focusInEvent(event);
  link_.Enter(FLabelColor);
}

void TActiveMemo::focusOutEvent(QFocusEvent* event) {
  QPlainTextEdit::focusOutEvent(event);
  link_.Exit();
}

void TActiveMemo::changeEvent(QEvent* event) {
  if (event->type() == QEvent::StyleChange) ApplyColors();
  QPlainTextEdit::changeEvent(event);
}

// --- TMCustomCheckBox ---

TMCustomCheckBox::TMCustomCheckBox(QWidget* parent) : QAbstractButton(parent) {
  resize(97, 17);
  setFocusPolicy(Qt::StrongFocus);
  connect(this, &QAbstractButton::clicked, this, [this] { Guarded([this] { Toggle(); }); });
}

TMCustomCheckBox::~TMCustomCheckBox() = default;

void TMCustomCheckBox::SetCaption(const QString& value) {
  setText(value);
  update();
}

void TMCustomCheckBox::SetAlignment(TLeftRight value) {
  FAlignment = value == taLeftJustify ? taLeftJustify : taRightJustify;
  update();
}

void TMCustomCheckBox::SetState(TCheckBoxState value) {
  if (value == FState) return;
  FState = value;
  update();
  if (OnClick) OnClick(this);
}

void TMCustomCheckBox::SetGlyph(const QImage& value) {
  FGlyph = value.copy();
  update();
}

void TMCustomCheckBox::SetCustomGlyph(bool value) {
  FCustomGlyph = value;
  update();
}

void TMCustomCheckBox::SetColor(TColor value) {
  color_.Set(value);
  update();
}

void TMCustomCheckBox::SetFontColor(TColor value) {
  fontColor_ = value;
  update();
}

void TMCustomCheckBox::SetTabStop(bool value) {
  setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

void TMCustomCheckBox::Toggle() {
  switch (FState) {
    case cbUnchecked: SetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
  }
}

bool TMCustomCheckBox::event(QEvent* event) {
  if (event->type() == QEvent::Shortcut) {
    // The caption's accelerator: focus, then toggle once the focus is here.
    if (CanFocus(this)) {
      setFocus(Qt::ShortcutFocusReason);
      if (hasFocus() && !static_cast<QShortcutEvent*>(event)->isAmbiguous())
        Guarded([this] { Toggle(); });
    }
    return true;
  }
  return QAbstractButton::event(event);
}

void TMCustomCheckBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), ToQColor(Color()));
  static const QImage none;
  const QImage& strip = FCustomGlyph ? FGlyph : Mesaj ? Mesaj->KitGlyph(glCheck) : none;
  const int w = strip.width() / 3, gh = strip.height();
  QRect textArea = rect();
  QPoint glyphAt(0, 0);
  if (FAlignment == taLeftJustify) {
    textArea.setRight(width() - w - 1);
    glyphAt.setX(width() - w);
  } else {
    textArea.setLeft(w);
  }
  const int frame = FState == cbChecked ? 0 : FState == cbUnchecked ? 1 : 2;
  p.setFont(font());
  const int th = QFontMetrics(font()).height();  // the height of "Wg"
  if (gh - th < 1)
    glyphAt.ry() += (th - gh) / 2;
  else
    textArea.translate(0, (gh - th) / 2);
  if (w > 0) DrawTransparent(p, glyphAt, strip, QRect(frame * w, 0, w, gh));
  TCanvas canvas{&p, fontColor_};
  TColor highlight = clRed;
  if (!isEnabled())
    canvas.FontColor = highlight = clGrayText;
  else if (hasFocus())
    canvas.FontColor = clRed;
  DrawAccelCaption(canvas, text(), textArea, hasFocus(), highlight, 0);
}

// --- TMRadioButton ---

TMRadioButton::TMRadioButton(QWidget* parent) : QAbstractButton(parent) {
  resize(113, 17);
  SetTabStop(false);
  connect(this, &QAbstractButton::clicked, this,
          [this] { Guarded([this] { ClickedNotification(); }); });
}

void TMRadioButton::SetCaption(const QString& value) {
  setText(value);
  update();
}

void TMRadioButton::SetAlignment(TLeftRight value) {
  FAlignment = value == taLeftJustify ? taLeftJustify : taRightJustify;
  update();
}

void TMRadioButton::SetChecked(bool value) {
  if (value == FChecked) return;
  FChecked = value;
  SetTabStop(value);
  update();
  if (!value) return;
  if (QWidget* parent = parentWidget()) {
    for (QObject* child : parent->children()) {
      auto* sibling = qobject_cast<TMRadioButton*>(child);
      if (sibling && sibling != this) sibling->SetChecked(false);
    }
  }
  RaiseClick();
}

void TMRadioButton::SetColor(TColor value) {
  color_.Set(value);
  update();
}

void TMRadioButton::SetFontColor(TColor value) {
  fontColor_ = value;
  update();
}

void TMRadioButton::SetTabStop(bool value) {
  // Without a tab stop it still takes the focus from a click, its accelerator or the keys.
  setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

void TMRadioButton::ClickedNotification() { SetChecked(true); }

void TMRadioButton::DblClickedNotification() {
  if (OnDblClick) OnDblClick(this);
}

void TMRadioButton::RaiseClick() {
  if (OnClick) OnClick(this);
}

bool TMRadioButton::event(QEvent* event) {
  if (event->type() == QEvent::Shortcut) {
    // The caption's accelerator only focuses: Space then checks.
    if (CanFocus(this)) setFocus(Qt::ShortcutFocusReason);
    return true;
  }
  return QAbstractButton::event(event);
}

void TMRadioButton::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractButton::mouseDoubleClickEvent(event);
  Guarded([this] { DblClickedNotification(); });
}

void TMRadioButton::paintEvent(QPaintEvent*) {
  // Drawn off-screen and copied at once, so that it never flickers.
  QImage buffer(size(), QImage::Format_ARGB32_Premultiplied);
  buffer.fill(ToQColor(Color()));
  {
    QPainter p(&buffer);
    static const QImage none;
    const QImage& strip = Mesaj ? Mesaj->KitGlyph(glRadio) : none;
    const int w = strip.width() / 2, gh = strip.height();
    QRect textArea = buffer.rect();
    QPoint glyphAt(0, 0);
    unsigned format = DT_LEFT;
    if (FAlignment == taLeftJustify) {
      textArea.setRight(width() - w - 1);
      glyphAt.setX(width() - w);
      format = DT_RIGHT;
    } else {
      textArea.setLeft(w);
    }
    if (w > 0) DrawTransparent(p, glyphAt, strip, QRect(FChecked ? w : 0, 0, w, gh));
    p.setFont(font());
    textArea.translate(0, (gh - QFontMetrics(font()).height()) / 2);
    TCanvas canvas{&p, fontColor_};
    TColor highlight = clRed;
    if (!isEnabled())
      canvas.FontColor = highlight = clGrayText;
    else if (hasFocus())
      canvas.FontColor = clRed;
    DrawAccelCaption(canvas, text(), textArea, hasFocus(), highlight, format);
  }
  QPainter(this).drawImage(0, 0, buffer);
}

// --- TMGroupButton ---

TMGroupButton::TMGroupButton(TMCustomRadioGroup* group) : TMRadioButton(group), group_(group) {
  group->FButtons.append(this);
  setVisible(false);
}

TMGroupButton::~TMGroupButton() { group_->FButtons.removeOne(this); }

void TMGroupButton::ClickedNotification() {
  const bool allowed = spaceAllowed_ || group_->CanModify();
  spaceAllowed_ = false;
  if (allowed) TMRadioButton::ClickedNotification();
}

void TMGroupButton::DblClickedNotification() {
  if (group_->CanModify()) TMRadioButton::DblClickedNotification();
}

void TMGroupButton::RaiseClick() { group_->ButtonClick(this); }

void TMGroupButton::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
      Guarded([&] { group_->GroupKeyDown(event); });
      return;
    default:
      break;
  }
  const QString text = event->text();
  QChar key = text.size() == 1 ? text[0] : QChar();
  if (!key.isNull() && group_->OnKeyPress) Guarded([&] { group_->OnKeyPress(group_, key); });
  if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Backspace) {
    if (event->isAutoRepeat()) return;
    bool allowed = false;
    Guarded([&] { allowed = group_->CanModify(); });
    if (!allowed) {
      event->accept();  // discarded: the button is not pressed, so its release clicks nothing
      return;
    }
    spaceAllowed_ = event->key() == Qt::Key_Space;
  }
  TMRadioButton::keyPressEvent(event);
}

void TMGroupButton::keyReleaseEvent(QKeyEvent* event) {
  TMRadioButton::keyReleaseEvent(event);
  if (!event->isAutoRepeat()) spaceAllowed_ = false;
}

void TMGroupButton::focusOutEvent(QFocusEvent* event) {
  spaceAllowed_ = false;
  TMRadioButton::focusOutEvent(event);
}

// --- TMCustomRadioGroup ---

TMCustomRadioGroup::TMCustomRadioGroup(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  resize(185, 105);
}

TMCustomRadioGroup::~TMCustomRadioGroup() {
  while (!FButtons.isEmpty()) delete FButtons.last();
}

void TMCustomRadioGroup::SetItems(const QStringList& value) {
  FItems = value;
  ItemsChange();
}

void TMCustomRadioGroup::AddItem(const QString& item) {
  FItems.append(item);
  ItemsChange();
}

void TMCustomRadioGroup::DeleteItem(int index) {
  if (index < 0 || index >= FItems.size()) return;
  FItems.removeAt(index);
  ItemsChange();
}

void TMCustomRadioGroup::SetColor(TColor value) {
  color_.Set(value);
  for (TMGroupButton* b : FButtons) b->update();
}

bool TMCustomRadioGroup::CanModify() {
  bool can = true;
  if (OnModify) OnModify(this, can);
  return can;
}

void TMCustomRadioGroup::ButtonClick(TMGroupButton* button) {
  if (FUpdating) return;
  FItemIndex = int(FButtons.indexOf(button));
  if (OnClick) OnClick(this);
}

void TMCustomRadioGroup::SetItemIndex(int value) {
  if (FReading) {
    FItemIndex = value;
    return;
  }
  value = std::clamp(value, -1, int(FButtons.size()) - 1);
  if (value == FItemIndex) return;
  if (FItemIndex >= 0 && FItemIndex < FButtons.size()) FButtons[FItemIndex]->SetChecked(false);
  FItemIndex = value;
  if (value >= 0) FButtons[value]->SetChecked(true);
}

void TMCustomRadioGroup::SetColumns(int value) {
  value = std::clamp(value, 1, 16);
  if (value == FColumns) return;
  FColumns = value;
  ArrangeButtons();
}

void TMCustomRadioGroup::EndReading() {
  FReading = false;
  // A stored index past the items selects the last one, as setting it would.
  FItemIndex = std::clamp(FItemIndex, -1, int(FItems.size()) - 1);
  UpdateButtons();
}

void TMCustomRadioGroup::ItemsChange() {
  if (FReading) return;
  if (FItemIndex >= FItems.size()) SetItemIndex(int(FItems.size()) - 1);
  UpdateButtons();
}

void TMCustomRadioGroup::UpdateButtons() {
  const int n = int(FItems.size());
  while (FButtons.size() < n) new TMGroupButton(this);
  while (FButtons.size() > n) delete FButtons.last();
  for (int i = 0; i < n; ++i) FButtons[i]->SetCaption(FItems[i]);
  if (FItemIndex >= 0 && FItemIndex < n) {
    FUpdating = true;
    FButtons[FItemIndex]->SetChecked(true);
    FUpdating = false;
  }
  ArrangeButtons();
}

void TMCustomRadioGroup::ArrangeButtons() {
  if (FButtons.isEmpty() || FReading) return;
  const int n = int(FButtons.size()), c = FColumns;
  const int k = (n + c - 1) / c;
  const int bw = width() / c;
  int bh = height() / k;
  if (k != 1) bh += (bh - QFontInfo(font()).pixelSize()) / (k - 1);
  for (int i = 0; i < n; ++i) {
    FButtons[i]->setGeometry((i / k) * bw, (i % k) * bh, bw, bh);
    FButtons[i]->show();
  }
}

void TMCustomRadioGroup::GroupKeyDown(QKeyEvent* event) {
  if (!isVisible() || !isEnabled() || FButtons.isEmpty()) return event->ignore();
  const int last = int(FButtons.size()) - 1;
  const int key = event->key();
  if (key == Qt::Key_Up || key == Qt::Key_Left || key == Qt::Key_Down || key == Qt::Key_Right) {
    // The arrows move the focus between the buttons; Space then chooses.
    const int step = (key == Qt::Key_Up || key == Qt::Key_Left) ? -1 : 1;
    int at = int(FButtons.indexOf(qobject_cast<TMGroupButton*>(focusWidget())));
    at = at < 0 ? 0 : (at + step + last + 1) % (last + 1);
    FButtons[at]->setFocus(Qt::OtherFocusReason);
    return event->accept();
  }
  int target = FItemIndex;
  if (key == Qt::Key_Home) target = 0;
  if (key == Qt::Key_End) target = last;
  if (key == Qt::Key_PageUp && FItemIndex > 0) target = FItemIndex - 1;
  if (key == Qt::Key_PageDown && FItemIndex < last) target = FItemIndex + 1;
  // A change by these keys is the user's as much as a click, so the owner is asked as well.
  if (target != FItemIndex && CanModify()) SetItemIndex(target);
  if (FItemIndex >= 0 && !FButtons[FItemIndex]->hasFocus())
    FButtons[FItemIndex]->setFocus(Qt::OtherFocusReason);
  event->accept();
}

void TMCustomRadioGroup::resizeEvent(QResizeEvent*) { ArrangeButtons(); }

void TMCustomRadioGroup::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) ArrangeButtons();
  QWidget::changeEvent(event);
}
