#include "kit/Cliunit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>

#include "kit/Title.h"
#include "kit/Transimg.h"

// --- the button list ---

void TButtonList::Add(QAbstractButton* button, bool enabled) {
  if (items_.size() == items_.capacity()) items_.reserve(items_.capacity() + 16);
  items_.emplace_back(button, enabled);
}

QAbstractButton* TButtonList::GetButton(int index) const {
  if (index < 0 || index >= int(items_.size())) return nullptr;
  return items_[size_t(index)].first.data();
}

bool TButtonList::GetEnabled(int index) const {
  if (index < 0 || index >= int(items_.size())) return false;
  return items_[size_t(index)].second;
}

void TButtonList::SetEnabled(int index, bool enabled) {
  if (index < 0 || index >= int(items_.size())) return;
  items_[size_t(index)].second = enabled;
}

// --- modality and the kit's view of input ---

namespace {
std::vector<QPointer<TMForm>> ModalStack;  // forms in ShowModal, innermost last
QHash<QWidget*, int> BlockedWindows;       // top-level windows disabled by kit modal runs

bool IsInput(QEvent::Type t) {
  switch (t) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
      return true;
    default:
      return false;
  }
}
}  // namespace

namespace {
QPointer<QWidget> RegisteredMainForm;
}

void SetMainForm(QWidget* window) {
  RegisteredMainForm = window;
}

QWidget* MainForm() {
  if (RegisteredMainForm) return RegisteredMainForm.data();
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<QMainWindow*>(w)) return w;
  return nullptr;
}

TMessageForm* ActiveMessageForm() {
  const auto top = std::find_if(ModalStack.rbegin(), ModalStack.rend(),
                                [](const auto& form) { return !form.isNull(); });
  return top == ModalStack.rend() ? nullptr : qobject_cast<TMessageForm*>(top->data());
}

// One application-wide filter: blocks input to windows that a kit modal run has disabled,
// answers an open kit message on a right click over any kit form, and gives kit forms their key
// preview and wheel zoom before their controls.
class TKitFilter : public QObject {
 public:
  static TKitFilter* Instance() {
    static TKitFilter* filter = [] {
      auto* f = new TKitFilter;
      f->setParent(qApp);
      qApp->installEventFilter(f);
      return f;
    }();
    return filter;
  }

  bool eventFilter(QObject* obj, QEvent* event) override {
    if (!obj->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(obj);
    QWidget* window = widget->window();
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
      TMessageForm* message = ActiveMessageForm();
      auto* form = qobject_cast<TMForm*>(window);
      if (message && form && form != message) {
        // The open message answers with its default button; the click goes no further.
        QWidget* target = message->focusWidget() ? message->focusWidget() : message;
        QCoreApplication::postEvent(
            target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
        QCoreApplication::postEvent(
            target, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier));
        return true;
      }
    }
    if (BlockedWindows.contains(window)) {
      if (IsInput(type) || (type == QEvent::Close && event->spontaneous())) return true;
      if (type == QEvent::WindowActivate && widget == window && !ModalStack.empty() &&
          ModalStack.back()) {
        // A disabled window is not activated: the modal form is.
        QPointer<TMForm> top = ModalStack.back();
        QMetaObject::invokeMethod(
            qApp,
            [top] {
              if (top && top->isVisible()) {
                top->raise();
                top->activateWindow();
              }
            },
            Qt::QueuedConnection);
      }
      return false;
    }
    if (type == QEvent::KeyPress) {
      // A key propagating from a control to its parents passes here once per level.
      if (event == lastKey_ && lastKeyReceiver_ && widget != lastKeyReceiver_ &&
          widget->isAncestorOf(lastKeyReceiver_)) {
        lastKeyReceiver_ = widget;
        return false;
      }
      lastKey_ = event;
      lastKeyReceiver_ = widget;
      if (auto* form = qobject_cast<TTitleForm*>(window))
        return form->PreviewKey(static_cast<QKeyEvent*>(event));
      return false;
    }
    if (type == QEvent::Wheel) {
      auto* wheel = static_cast<QWheelEvent*>(event);
      if (lastWheelReceiver_ && widget != lastWheelReceiver_ &&
          widget->isAncestorOf(lastWheelReceiver_) && wheel->timestamp() == lastWheelTime_ &&
          wheel->globalPosition() == lastWheelPos_) {
        lastWheelReceiver_ = widget;
        return false;
      }
      lastWheelReceiver_ = widget;
      lastWheelTime_ = wheel->timestamp();
      lastWheelPos_ = wheel->globalPosition();
      if (auto* form = qobject_cast<TMForm*>(window)) return form->HandleWheel(wheel);
    }
    return false;
  }

 private:
  QEvent* lastKey_ = nullptr;
  QPointer<QWidget> lastKeyReceiver_;
  QPointer<QWidget> lastWheelReceiver_;
  quint64 lastWheelTime_ = 0;
  QPointF lastWheelPos_;
};

// --- TMForm ---

TMForm::TMForm(QWidget* parent) : QDialog(parent) {
  Init(true);
}

TMForm::TMForm(NoDesign, QWidget* parent) : QDialog(parent) {
  Init(false);
}

void TMForm::Init(bool designed) {
  designed_ = designed;
  TKitFilter::Instance();
  setAttribute(Qt::WA_KeyCompression, false);
  if (designed) {
    Botoane = new TButtonList;
    PrimaData = true;
  } else {
    PrimaData = false;
  }
  DPIScale = 0;
}

TMForm::~TMForm() {
  // A kit form that still blocks others (destroyed inside its own modal run) lets them go.
  for (auto& w : blocked_)
    if (w && --BlockedWindows[w] <= 0) {
      BlockedWindows.remove(w);
      QEvent unblocked(QEvent::WindowUnblocked);
      QCoreApplication::sendEvent(w, &unblocked);
    }
  ModalStack.erase(std::remove(ModalStack.begin(), ModalStack.end(), this), ModalStack.end());
  delete Botoane;
  Botoane = nullptr;
  try {
    const auto children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) delete child;
  } catch (...) {
    QMessageBox::information(nullptr, QCoreApplication::applicationName(),
                             "Eroare la inherited destroy TMForm: " + objectName());
  }
}

void TMForm::Loaded() {
  FormLoaded = true;
}

void TMForm::Created() {
  FormCreated = true;
}

void TMForm::SetXKind(int value) {
  if (value == xKind_ || value < 0 || value > 12) return;
  xKind_ = value;
  kind_ = TWinZModuleKind(value);
}

void TMForm::SetColor(TColor value) {
  color_ = value;
  colorSet_ = true;
  update();
}

void TMForm::SetBorderStyle(TFormBorderStyle value) {
  borderStyle_ = value;
  SetFrameless(value == bsNone);
}

void TMForm::SetFrameless(bool frameless) {
  // Changing the window flags re-creates (and hides) the window: only when they change.
  if (bool(windowFlags() & Qt::FramelessWindowHint) != frameless)
    setWindowFlag(Qt::FramelessWindowHint, frameless);
}

void TMForm::ApplyMinimumSize() {
  const TSizeConstraints& c = constraints_;
  setMinimumSize(c.MinWidth, c.MinHeight);
  setMaximumSize(c.MaxWidth > 0 ? c.MaxWidth : QWIDGETSIZE_MAX,
                 c.MaxHeight > 0 ? c.MaxHeight : QWIDGETSIZE_MAX);
}

void TMForm::SetConstraints(const TSizeConstraints& value) {
  constraints_ = value;
  if (DPIScale == 0) designedConstraints_ = value;
  ApplyMinimumSize();
}

QWidget* TMForm::FirstControl() {
  return focusWidget();
}

void TMForm::PaintBackground() {
  QApplication::beep();
}

int TMForm::ShowModal() {
  ModalResult = mrNone;
  if (!FormLoaded && designed_) Loaded();
  if (!FormCreated && designed_) Created();
  // Disable the windows that are up now; the release notes enable themselves again.
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w == this || !w->isVisible() || w->isHidden()) continue;
    if (w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip) continue;
    if (auto* f = qobject_cast<TMForm*>(w); f && f->StaysEnabled) continue;
    blocked_.emplace_back(w);
    if (BlockedWindows[w]++ == 0) {
      // A window destroyed while disabled must not leave its address behind.
      if (!w->property("kitBlockWatched").toBool()) {
        w->setProperty("kitBlockWatched", true);
        QObject::connect(w, &QObject::destroyed, qApp, [w] { BlockedWindows.remove(w); });
      }
      QEvent blocked(QEvent::WindowBlocked);
      QCoreApplication::sendEvent(w, &blocked);
    }
  }
  ModalStack.emplace_back(this);
  // Qt keeps the form on its list of modal windows (so it is the active modal widget) but does
  // not block anything itself: the kit does.
  setWindowModality(Qt::WindowModal);
  create();
  if (windowHandle()) windowHandle()->setTransientParent(nullptr);
  show();
  raise();
  activateWindow();
  while (ModalResult == mrNone) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (ModalResult == mrNone && (!isVisible() || QCoreApplication::closingDown()))
      ModalResult = mrCancel;
  }
  hide();
  setWindowModality(Qt::NonModal);
  ModalStack.erase(std::remove(ModalStack.begin(), ModalStack.end(), this), ModalStack.end());
  const auto blocked = std::move(blocked_);
  blocked_.clear();
  for (const auto& w : blocked) {
    if (!w) continue;
    if (--BlockedWindows[w] <= 0) {
      BlockedWindows.remove(w);
      QEvent unblocked(QEvent::WindowUnblocked);
      QCoreApplication::sendEvent(w, &unblocked);
    }
  }
  return ModalResult;
}

bool TMForm::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::Polish:
      if (designed_ && !FormLoaded) Loaded();
      if (designed_ && !FormCreated) Created();
      break;
    case QEvent::WindowBlocked:
      if (blockCount_++ == 0) FormDisabled();
      break;
    case QEvent::WindowUnblocked:
      if (blockCount_ > 0 && --blockCount_ == 0) FormEnabled();
      break;
    default:
      break;
  }
  return QDialog::event(event);
}

void TMForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  FormShow();
  if (PrimaData && Botoane) {
    for (QPushButton* b : findChildren<QPushButton*>()) Botoane->Add(b, b->isEnabled());
    PrimaData = false;
  }
}

void TMForm::FormDisabled() {
  if (!Botoane || Botoane->Count() == 0) return;
  FocusButton = nullptr;
  QWidget* focus = focusWidget();
  for (int i = 0; i < Botoane->Count(); ++i) {
    QAbstractButton* b = Botoane->GetButton(i);
    if (!b) continue;
    Botoane->SetEnabled(i, b->isEnabled());
    if (b == focus) FocusButton = b;
    b->setEnabled(false);
  }
}

void TMForm::FormEnabled() {
  if (!Botoane || Botoane->Count() == 0) return;
  for (int i = 0; i < Botoane->Count(); ++i)
    if (QAbstractButton* b = Botoane->GetButton(i)) b->setEnabled(Botoane->GetEnabled(i));
  if (FocusButton && FocusButton->isVisible()) FocusButton->setFocus(Qt::OtherFocusReason);
}

void TMForm::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (event->spontaneous()) return;  // the window system's request
  if (ModalResult == mrNone) ModalResult = mrCancel;
}

void TMForm::reject() {}

void TMForm::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (FormLoaded && FormCreated && OnResize) OnResize(this);
}

void TMForm::paintEvent(QPaintEvent* event) {
  if (!colorSet_) return QDialog::paintEvent(event);
  QPainter p(this);
  p.fillRect(rect(), ToQColor(color_));
}

// The top 50 pixels of the form count as its caption: they drag the form, and a right click
// there opens the system menu.
void TMForm::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (at.y() >= 0 && at.y() < 50 && !isMaximized()) {
    if (event->button() == Qt::LeftButton) {
      dragging_ = true;
      dragOffset_ = event->globalPosition().toPoint() - pos();
      event->accept();
      return;
    }
    if (event->button() == Qt::RightButton && SystemMenu()) {
      PopupSystemMenu(event->globalPosition().toPoint());
      event->accept();
      return;
    }
  }
  QDialog::mousePressEvent(event);
}

void TMForm::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton)) {
    move(event->globalPosition().toPoint() - dragOffset_);
    event->accept();
    return;
  }
  QDialog::mouseMoveEvent(event);
}

void TMForm::mouseReleaseEvent(QMouseEvent* event) {
  if (dragging_ && event->button() == Qt::LeftButton) {
    dragging_ = false;
    event->accept();
    return;
  }
  QDialog::mouseReleaseEvent(event);
}

// --- zoom ---

void TMForm::ScaleBy(int m, int d) {
  auto scaleFont = [m, d](QWidget* w) {
    QFont f = w->font();
    if (f.pixelSize() > 0)
      f.setPixelSize(std::max(1, MulDiv(f.pixelSize(), m, d)));
    else if (f.pointSizeF() > 0)
      f.setPointSizeF(f.pointSizeF() * m / d);
    w->setFont(f);
  };
  const QSize size(MulDiv(width(), m, d), MulDiv(height(), m, d));
  std::function<void(QWidget*)> scaleChildren = [&](QWidget* parent) {
    for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (child->isWindow()) continue;
      const QRect g = child->geometry();
      child->setGeometry(MulDiv(g.x(), m, d), MulDiv(g.y(), m, d), MulDiv(g.width(), m, d),
                         MulDiv(g.height(), m, d));
      if (child->testAttribute(Qt::WA_SetFont)) scaleFont(child);
      scaleChildren(child);
    }
  };
  scaleChildren(this);
  scaleFont(this);
  if (minimumSize() == maximumSize())
    setFixedSize(size);  // a form of fixed size keeps it fixed
  else
    resize(size);
}

void TMForm::Zoom(int direction) {
  TSizeConstraints c = constraints_;
  if (direction > 0 || direction < 0) {
    const int factor = direction > 0 ? ZoomStep : 200 - ZoomStep;
    if (DPIScale == 0) designedConstraints_ = constraints_;
    for (int* v : {&c.MinWidth, &c.MinHeight, &c.MaxWidth, &c.MaxHeight}) *v = *v * factor / 100;
    constraints_ = c;
    if (!(c == TSizeConstraints())) ApplyMinimumSize();
    DPIScale = qint16(DPIScale + (direction > 0 ? 1 : -1));
    if (direction > 0)
      ScaleBy(ZoomStep, 100);
    else
      ScaleBy(100, ZoomStep);
    return;
  }
  if (DPIScale == 0) return;
  // Back to the designed constraints: dividing by the steps again would not give them back.
  constraints_ = designedConstraints_;
  if (!(constraints_ == TSizeConstraints())) ApplyMinimumSize();
  for (int i = 0; i < std::abs(DPIScale); ++i) {
    if (DPIScale > 0)
      ScaleBy(100, ZoomStep);
    else
      ScaleBy(ZoomStep, 100);
  }
  DPIScale = 0;
}

bool TMForm::HandleWheel(QWheelEvent* event) {
  const QPoint delta = event->angleDelta();
  const int amount = delta.y() != 0 ? delta.y() : delta.x();
  if (amount == 0) return false;
  const Qt::KeyboardModifiers mods = event->modifiers();
  bool handled = false;
  if ((mods & Qt::ControlModifier) && (mods & Qt::AltModifier)) {
    Zoom((mods & Qt::ShiftModifier) ? 0 : (amount > 0 ? 1 : -1));
    handled = true;
  }
  const auto& handler = amount > 0 ? OnMouseWheelUp : OnMouseWheelDown;
  if (handler) {
    bool own = false;
    Guarded([&] { handler(this, mods, mapFromGlobal(event->globalPosition().toPoint()), own); });
    handled = handled || own;
  }
  return handled;
}

// --- the system menu ---

QMenu* TMForm::SystemMenu() {
  if (borderStyle_ == bsNone || !(BorderIcons & biSystemMenu)) return nullptr;
  if (!systemMenu_) {
    systemMenu_ = new QMenu(this);
    systemMenu_->setObjectName("SystemMenu");
    auto add = [this](const QString& text, const char* name, const std::function<void()>& run) {
      QAction* a = systemMenu_->addAction(text);
      a->setObjectName(name);
      connect(a, &QAction::triggered, this, [run] { run(); });
    };
    add("&Restaureaza", "Restore", [this] { showNormal(); });
    add("&Muta", "Move", [this] {
      if (windowHandle()) windowHandle()->startSystemMove();
    });
    add("&Dimensioneaza", "Size", [this] {
      if (windowHandle()) windowHandle()->startSystemResize(Qt::BottomEdge | Qt::RightEdge);
    });
    systemMenu_->addSeparator();
    add("Mi&nimizeaza", "Minimize", [this] { showMinimized(); });
    add("Ma&ximizeaza", "Maximize", [this] { showMaximized(); });
    systemMenu_->addSeparator();
    add("&Inchide    ALT+F4", "Close", [this] { close(); });
    connect(systemMenu_, &QMenu::aboutToShow, this, &TMForm::UpdateSystemMenu);
  }
  UpdateSystemMenu();
  return systemMenu_;
}

void TMForm::UpdateSystemMenu() {
  if (!systemMenu_) return;
  const bool sizeable = borderStyle_ == bsSizeable || borderStyle_ == bsSizeToolWin;
  const bool normal = !isMaximized() && !isMinimized();
  for (QAction* a : systemMenu_->actions()) {
    const QString n = a->objectName();
    if (n == "Restore")
      a->setEnabled(!normal);
    else if (n == "Move")
      a->setEnabled(!isMaximized());
    else if (n == "Size")
      a->setEnabled(sizeable && normal);
    else if (n == "Minimize")
      a->setEnabled((BorderIcons & biMinimize) && !isMinimized());
    else if (n == "Maximize")
      a->setEnabled((BorderIcons & biMaximize) && !isMaximized());
    else if (n == "Close")
      a->setEnabled(false);
  }
}

void TMForm::PopupSystemMenu(const QPoint& globalPos) {
  if (QMenu* menu = SystemMenu()) menu->popup(globalPos);
}

// --- TTitleForm ---

TTitleForm::TTitleForm(QWidget* parent) : TPaintedForm(parent) {
  InitTitle();
}

TTitleForm::TTitleForm(NoDesign, QWidget* parent) : TPaintedForm(NoDesign{}, parent) {
  InitTitle();
}

void TTitleForm::InitTitle() {
  // The kit title bar replaces the window manager's caption.
  TMForm::SetFrameless(true);
}

void TTitleForm::SetFrameless(bool) {
  TMForm::SetFrameless(true);
}

void TTitleForm::Loaded() {
  TMForm::Loaded();
  if (auto* bar = findChild<TTitleBar*>("TitleBar1")) TitleBar = bar;
  if (TitleBar) setMinimumHeight(std::max(minimumHeight(), 25));
}

void TTitleForm::ApplyMinimumSize() {
  TMForm::ApplyMinimumSize();
  if (TitleBar) setMinimumHeight(std::max(minimumHeight(), 25));
}

QString TTitleForm::Caption() const {
  return TitleBar ? TitleBar->Caption() : windowTitle();
}

void TTitleForm::SetCaption(const QString& value) {
  setWindowTitle(value);
}

bool TTitleForm::event(QEvent* event) {
  if (event->type() == QEvent::WindowTitleChange && TitleBar) TitleBar->SetCaption(windowTitle());
  return TMForm::event(event);
}

void TTitleForm::FormDisabled() {
  TMForm::FormDisabled();
  if (TitleBar) TitleBar->SetGrayed(true);
}

void TTitleForm::FormEnabled() {
  TMForm::FormEnabled();
  if (TitleBar) TitleBar->SetGrayed(false);
}

void TTitleForm::FormKeyDown(QKeyEvent* event) {
  event->ignore();
}

bool TTitleForm::PreviewKey(QKeyEvent* event) {
  previewed_ = event;
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if (event->key() == Qt::Key_F4 && mods == Qt::AltModifier) return true;  // not closed
  if (event->key() == Qt::Key_M && mods == (Qt::ControlModifier | Qt::AltModifier)) {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && w->windowType() != Qt::Popup && w->windowType() != Qt::ToolTip)
        w->showMinimized();
    return true;
  }
  if (event->key() == Qt::Key_Space && mods == Qt::AltModifier && SystemMenu()) {
    PopupSystemMenu(mapToGlobal(QPoint(0, TitleBar ? TitleBar->height() : 0)));
    return true;
  }
  event->ignore();
  bool consumed = false;
  Guarded([&] {
    FormKeyDown(event);
    consumed = event->isAccepted();
  });
  // Not consumed: the control gets the key as it would have.
  event->accept();
  return consumed;
}

void TTitleForm::keyPressEvent(QKeyEvent* event) {
  // Keys that came through the preview are not handed to FormKeyDown a second time.
  if (event != previewed_) {
    event->ignore();
    Guarded([&] { FormKeyDown(event); });
    if (event->isAccepted()) return;
    event->accept();
  }
  TMForm::keyPressEvent(event);
}

// --- TMessageForm ---

TMessageForm::TMessageForm(QWidget* parent) : TTitleForm(NoDesign{}, parent) {
  setObjectName("Message");
}

void TMessageForm::ClickDefaultButtons() {
  for (QPushButton* b : findChildren<QPushButton*>())
    if (b->isDefault()) b->click();
}

void TMessageForm::UseMouse(QObject* sender, Qt::MouseButton button) {
  if (button == Qt::RightButton) {
    ClickDefaultButtons();
    return;
  }
  if (!qobject_cast<TTransImage*>(sender)) return;
  if (++Clickuri < 3) return;
  if (findChildren<QPushButton*>().size() < 2) {
    ModalResult = mrIgnore;
    AutoClose = AutoClose == 0 ? 1 : 0;
  } else {
    AutoPress = !AutoPress;
    ClickDefaultButtons();
  }
}

void TMessageForm::mousePressEvent(QMouseEvent* event) {
  if (!SkipRightClick) UseMouse(this, event->button());
  TTitleForm::mousePressEvent(event);
}

// --- errors escaping handlers ---

void ShowException(const std::exception& e) {
  QMessageBox::critical(nullptr, QCoreApplication::applicationName(), QString::fromUtf8(e.what()));
}

void Guarded(const std::function<void()>& code) {
  try {
    code();
  } catch (const std::exception& e) {
    ShowException(e);
  }
}
