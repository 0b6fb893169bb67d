#include "kit/Edits.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QProxyStyle>
#include <QTextDocument>
#include <algorithm>

namespace {

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

TActiveEdit::TActiveEdit(QWidget* parent) : QLineEdit(parent), TControlColors(this) {
  InitColor(clWindow);
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
  pal.setColor(QPalette::Text, ToQColor(FontColor()));
  setPalette(pal);
  update();
}

QRect TActiveEdit::ClientRect() const {
  return contentsRect();
}

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
  if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) setCursorPosition(0);
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
  p.setPen(ToQColor(isEnabled() ? FontColor() : clGray));
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

TActiveMemo::TActiveMemo(QWidget* parent) : QPlainTextEdit(parent), TControlColors(this) {
  InitColor(clWindow);
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

void TActiveMemo::ApplyColors() {
  QPalette pal = palette();
  pal.setColor(QPalette::Base, ToQColor(Color()));
  pal.setColor(QPalette::Text, ToQColor(FontColor()));
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
