#include "kit/MsgDlg.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "kit/Actives.h"
#include "kit/Cliunit.h"
#include "kit/Mbuttons.h"
#include "kit/Title.h"
#include "kit/Transimg.h"
#include "kit/dlgform2.h"

QString MsgPrefix;
QPointer<TMessageForm> CurrentMessage;

QString PrefixedMessage(const QString& msg) {
  if (MsgPrefix.isEmpty()) return msg;
  return MsgPrefix.toUpper() + ",\r\r" + msg;
}

QString DefaultCaption(TMsgDlgType type) {
  switch (type) {
    case mtWarning:
      return "Atentie !";
    case mtError:
      return "EROARE !";
    case mtInformation:
      return "Informatie...";
    case mtConfirmation:
      return "Confirmare...";
    default:
      return "";
  }
}

namespace {

// The kit kind of each requested button, by bit.
const TMButtonKind kButtonKinds[] = {mkYes,    mkNo,  mkOK, mkCancel, mkAbort, mkRetry,
                                     mkIgnore, mkAll, mkNo, mkAll,    mkHelp,  mkClose};

// A bevel of shape "top line": a sunken line along its top edge.
class TBevel : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(0, 0, width() - 1, 0);
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(0, 1, width() - 1, 1);
  }
};

// A panel with a lowered outer bevel.
QFrame* LoweredPanel(QWidget* parent) {
  auto* panel = new QFrame(parent);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setLineWidth(1);
  return panel;
}

// Presses on the parts of the dialog go to the form's UseMouse, and no further.
class TReportPresses : public QObject {
 public:
  explicit TReportPresses(TMessageForm* form) : QObject(form), form_(form) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::MouseButtonPress) return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    Guarded([&] { form_->UseMouse(watched, mouse->button()); });
    return true;
  }

 private:
  TMessageForm* form_;
};

// The unattended modes: one kit-wide timer, stopped by its own second tick.
QTimer* UnattendedTimer = nullptr;
int CurrentTag = 0;
enum { umClose, umPress } UnattendedMode = umClose;

void UnattendedTick() {
  if (!CurrentMessage) {
    UnattendedTimer->stop();  // the dialog ended before the timer did
    return;
  }
  if (CurrentTag != 0) {
    --CurrentTag;
    return;
  }
  UnattendedTimer->stop();
  if (UnattendedMode == umClose) {
    CurrentMessage->close();  // ends the dialog with 2
    return;
  }
  for (QObject* child : CurrentMessage->findChildren<QObject*>()) {
    auto* b = qobject_cast<QPushButton*>(child);
    if (b && b->isDefault() && b->isVisible() && b->isEnabled()) {
      b->click();
      return;
    }
  }
}

void Arm(TMessageForm* form, bool press) {
  if (!UnattendedTimer) {
    UnattendedTimer = new QTimer(qApp);
    QObject::connect(UnattendedTimer, &QTimer::timeout, UnattendedTick);
  }
  CurrentTag = 1;
  CurrentMessage = form;
  UnattendedMode = press ? umPress : umClose;
  // AutoClose 0 asks for the shortest interval the platform keeps.
  UnattendedTimer->start(std::max(10, AutoClose * 300));
}

// Restores the cursor however the dialog ends.
struct ArrowCursor {
  ArrowCursor() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
  ~ArrowCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

TMessageForm* CreateMessageDialog(const QString& Msg, const QString& Caption, TMsgDlgType DlgType,
                                  TAlignment Alignment, TMsgDlgButtons Buttons,
                                  TMsgDlgBtn DefaultButton, int HelpCtx) {
  const QString text = PrefixedMessage(Msg);
  auto form = std::make_unique<TMessageForm>();
  form->SetBorderStyle(bsDialog);
  form->BorderIcons = biSystemMenu;
  QFont font("MS Sans Serif");
  font.setPixelSize(11);
  form->setFont(font);

  auto* bar = new TTitleBar(form.get());
  bar->setObjectName(QString());
  bar->SetStartColor(RGB(6, 81, 130));
  bar->resize(bar->width(), 25);
  bar->SetAlign(alTop);
  form->TitleBar = bar;
  const int barHeight = bar->height();

  QFrame* panel = LoweredPanel(form.get());
  panel->setObjectName("Panel");
  panel->move(16, barHeight + 16);
  auto* bevel = new TBevel(form.get());
  bevel->setObjectName("Bevel");
  bevel->setGeometry(0, 0, 0, 5);

  // The text's word-wrapped bounds in the bold font, within half the screen's width.
  QFont bold = font;
  bold.setBold(true);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize screenSize = screen ? screen->size() : QSize(1024, 768);
  QString plain = text;
  plain.replace("\r\n", "\n").replace('\r', '\n');
  const int limit = std::max(1, screenSize.width() / 2);
  const QRect bounds =
      QFontMetrics(bold).boundingRect(QRect(0, 0, limit, 0), Qt::TextWordWrap, plain);
  // The label breaks lines only where the text does: a line wider than the limit keeps its
  // width, so the dialog is made wide enough to show all of it rather than cut it.
  int naturalWidth = 0, naturalHeight = 0;
  for (const TFmtLine& line : ParseFmtCaption(text, bold, clWindowText)) {
    int w = 0, h = 0;
    for (const TFmtRun& run : line) {
      const QFontMetrics fm(run.Font);
      w += fm.horizontalAdvance(run.Text);
      h = std::max(h, fm.height());
    }
    naturalWidth = std::max(naturalWidth, w);
    naturalHeight += h;
  }
  int tw = std::max(bounds.width(), naturalWidth);
  int th = naturalWidth > limit ? naturalHeight : std::max(bounds.height(), naturalHeight);

  auto* label = new TFmtLabel(panel);
  label->setObjectName("Message");
  label->setTransparent(true);
  label->setAlignment(Alignment);
  label->setFont(bold);
  label->setCaption(text);
  label->resize(tw, th);

  static const QImage noIcon;
  const QImage& icon = Mesaj ? Mesaj->MessageIcon(DlgType) : noIcon;
  auto* image = new TTransImage(panel);
  image->setObjectName("Image");
  image->SetBitmap(icon);
  const int iw = icon.width(), ih = icon.height();
  image->setGeometry(10, 0, iw, ih);

  const int contentWidth = tw + 32 + iw + 10;
  const int contentHeight = std::max(ih + 20, th + 32);

  QFrame* row = LoweredPanel(form.get());
  std::vector<TNiceButton*> buttons;
  TNiceButton* noButton = nullptr;
  TNiceButton* okButton = nullptr;
  TNiceButton* cancelButton = nullptr;
  for (int bit = 0; bit <= mbClose; ++bit) {
    if (!(Buttons & (1u << bit))) continue;
    auto* b = new TNiceButton(row);
    b->SetKind(kButtonKinds[bit]);
    if (bit == DefaultButton) {
      b->setDefault(true);
      b->setFocus(Qt::OtherFocusReason);
    } else {
      b->setDefault(false);
    }
    b->setObjectName("Btn" + b->Caption().remove('&').remove(' '));
    if (bit == mbNo) noButton = b;
    if (bit == mbOK) okButton = b;
    if (bit == mbCancel) cancelButton = b;
    buttons.push_back(b);
  }
  if (noButton && cancelButton) {
    noButton->SetCancel(false);
    cancelButton->SetCancel(true);
  } else if (okButton && !cancelButton) {
    okButton->SetCancel(true);
  }

  const int n = int(buttons.size());
  const int rowWidth = n * 100 + 32;
  row->resize(rowWidth, 43);
  const int clientWidth = std::max({150, contentWidth, rowWidth});
  const int clientHeight = std::max(55, contentHeight);
  panel->resize(clientWidth, clientHeight);
  const int formWidth = clientWidth + 32;
  const int formHeight = barHeight + clientHeight + 90;
  form->setFixedSize(formWidth, formHeight);
  bar->resize(formWidth, barHeight);
  bevel->setGeometry(0, barHeight + clientHeight + 32, formWidth, 5);
  row->move((formWidth - rowWidth) / 2, bevel->y() + 8);

  int iconTop, labelTop;
  if (ih > th) {
    iconTop = 10;
    labelTop = iconTop + ih / 2 - th / 2;
  } else {
    labelTop = 16;
    iconTop = labelTop + th / 2 - ih / 2;
  }
  image->move(10, iconTop);
  label->move(10 + iw + (clientWidth - 10 - iw - tw) / 2, labelTop);
  for (int i = 0; i < n; ++i) buttons[size_t(i)]->move(16 + i * 100, 8);

  form->setWindowTitle(Caption.isEmpty() ? DefaultCaption(DlgType) : Caption);
  form->move(screenSize.width() / 2 - formWidth / 2, screenSize.height() / 2 - formHeight / 2);
  form->setProperty("HelpContext", HelpCtx);
  const int dpi = form->logicalDpiX();
  if (dpi != 96 && dpi > 0) form->ScaleBy(dpi, 96);

  auto* reporter = new TReportPresses(form.get());
  for (QObject* part :
       {static_cast<QObject*>(panel), static_cast<QObject*>(label), static_cast<QObject*>(row)})
    part->installEventFilter(reporter);
  TMessageForm* raw = form.get();
  image->OnMouseDown = [raw](TTransImage* sender, Qt::MouseButton button, Qt::KeyboardModifiers,
                             int, int) { raw->UseMouse(sender, button); };
  return form.release();
}

unsigned short MMessageDlg(const QString& Msg, const QString& Caption, TMsgDlgType DlgType,
                           TAlignment Alignment, TMsgDlgButtons Buttons, TMsgDlgBtn DefaultButton,
                           int HelpCtx) {
  ArrowCursor cursor;
  std::unique_ptr<TMessageForm> form;
  unsigned short result = 0;
  try {
    form.reset(
        CreateMessageDialog(Msg, Caption, DlgType, Alignment, Buttons, DefaultButton, HelpCtx));
    const int n = int(form->findChildren<TNiceButton*>().size());
    if (MainForm()) {
      if (AutoClose != 0 && n == 1)
        Arm(form.get(), false);
      else if (AutoPress && n >= 1)
        Arm(form.get(), true);
    }
    result = static_cast<unsigned short>(form->ShowModal());
  } catch (...) {
    result = 0;
  }
  CurrentMessage = nullptr;
  return result;
}
