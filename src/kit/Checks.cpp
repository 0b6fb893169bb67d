#include "kit/Checks.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <algorithm>

#include "kit/Cliunit.h"
#include "kit/TextDraw.h"
#include "kit/dlgform2.h"

namespace {

// A glyph strip of the kit; none before the kit has started.
const QImage& KitStrip(int glyph) {
  static const QImage none;
  return Mesaj ? Mesaj->KitGlyph(glyph) : none;
}

}  // namespace

// --- TMGlyphButton ---

TMGlyphButton::TMGlyphButton(QWidget* parent) : QAbstractButton(parent), TControlColors(this) {}

void TMGlyphButton::SetCaption(const QString& value) {
  setText(value);
  update();
}

void TMGlyphButton::SetAlignment(TLeftRight value) {
  FAlignment = value == taLeftJustify ? taLeftJustify : taRightJustify;
  update();
}

void TMGlyphButton::SetTabStop(bool value) {
  // Without a tab stop it still takes the focus from a click, its accelerator or the keys.
  setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

void TMGlyphButton::PaintGlyphAndCaption(QPainter& p, const QImage& strip, int frames, int frame,
                                         unsigned format, bool centreGlyph) {
  const int w = strip.width() / frames, gh = strip.height();
  QRect textArea = rect();
  QPoint glyphAt(0, 0);
  if (FAlignment == taLeftJustify) {
    textArea.setRight(width() - w - 1);
    glyphAt.setX(width() - w);
  } else {
    textArea.setLeft(w);
  }
  p.setFont(font());
  const int th = QFontMetrics(font()).height();  // the height of "Wg"
  if (centreGlyph && gh - th < 1)
    glyphAt.ry() += (th - gh) / 2;
  else
    textArea.translate(0, (gh - th) / 2);
  if (w > 0) DrawTransparent(p, glyphAt, strip, QRect(frame * w, 0, w, gh));
  TCanvas canvas{&p, FontColor()};
  TColor highlight = clRed;
  if (!isEnabled())
    canvas.FontColor = highlight = clGrayText;
  else if (hasFocus())
    canvas.FontColor = clRed;
  DrawAccelCaption(canvas, text(), textArea, hasFocus(), highlight, format);
}

// --- TMCustomCheckBox ---

TMCustomCheckBox::TMCustomCheckBox(QWidget* parent) : TMGlyphButton(parent) {
  resize(97, 17);
  setFocusPolicy(Qt::StrongFocus);
  connect(this, &QAbstractButton::clicked, this, [this] { Guarded([this] { Toggle(); }); });
}

TMCustomCheckBox::~TMCustomCheckBox() = default;

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

void TMCustomCheckBox::Toggle() {
  switch (FState) {
    case cbUnchecked:
      SetState(FAllowGrayed ? cbGrayed : cbChecked);
      break;
    case cbChecked:
      SetState(cbUnchecked);
      break;
    case cbGrayed:
      SetState(cbChecked);
      break;
  }
}

bool TMCustomCheckBox::event(QEvent* event) {
  if (event->type() == QEvent::Shortcut) {
    // The caption's accelerator: focus, then toggle once the focus is here.
    if (CanTakeFocus(this)) {
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
  const QImage& strip = FCustomGlyph ? FGlyph : KitStrip(glCheck);
  const int frame = FState == cbChecked ? 0 : FState == cbUnchecked ? 1 : 2;
  PaintGlyphAndCaption(p, strip, 3, frame, 0, true);
}

// --- TMRadioButton ---

TMRadioButton::TMRadioButton(QWidget* parent) : TMGlyphButton(parent) {
  resize(113, 17);
  SetTabStop(false);
  connect(this, &QAbstractButton::clicked, this,
          [this] { Guarded([this] { ClickedNotification(); }); });
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

void TMRadioButton::ClickedNotification() {
  SetChecked(true);
}

void TMRadioButton::DblClickedNotification() {
  if (OnDblClick) OnDblClick(this);
}

void TMRadioButton::RaiseClick() {
  if (OnClick) OnClick(this);
}

bool TMRadioButton::event(QEvent* event) {
  if (event->type() == QEvent::Shortcut) {
    // The caption's accelerator only focuses: Space then checks.
    if (CanTakeFocus(this)) setFocus(Qt::ShortcutFocusReason);
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
    PaintGlyphAndCaption(p, KitStrip(glRadio), 2, FChecked ? 1 : 0,
                         Alignment() == taLeftJustify ? DT_RIGHT : DT_LEFT, false);
  }
  QPainter(this).drawImage(0, 0, buffer);
}

// --- TMGroupButton ---

TMGroupButton::TMGroupButton(TMCustomRadioGroup* group) : TMRadioButton(group), group_(group) {
  group->FButtons.append(this);
  setVisible(false);
}

TMGroupButton::~TMGroupButton() {
  group_->FButtons.removeOne(this);
}

void TMGroupButton::ClickedNotification() {
  const bool allowed = spaceAllowed_ || group_->CanModify();
  spaceAllowed_ = false;
  if (allowed) TMRadioButton::ClickedNotification();
}

void TMGroupButton::DblClickedNotification() {
  if (group_->CanModify()) TMRadioButton::DblClickedNotification();
}

void TMGroupButton::RaiseClick() {
  group_->ButtonClick(this);
}

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

void TMCustomRadioGroup::resizeEvent(QResizeEvent*) {
  ArrangeButtons();
}

void TMCustomRadioGroup::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) ArrangeButtons();
  QWidget::changeEvent(event);
}
