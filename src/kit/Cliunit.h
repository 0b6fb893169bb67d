#pragma once
// Kit forms: a dialog with an integer modal result and the modal loop of the form model, the
// protection of the buttons' enabled states while another modal window is up, dragging by the
// top strip, the Ctrl+Alt+wheel zoom and the kit's key rules.
//
// Modality. A form shown with ShowModal blocks every top-level window that is visible at that
// moment, except windows that stay usable (StaysEnabled, the release notes) and windows shown
// later (popups, the standard error box). Blocked windows receive QEvent::WindowBlocked and,
// when the modal form closes, QEvent::WindowUnblocked; kit forms treat them as "disabled" and
// "enabled again". The kit does the blocking itself rather than through Qt's modality so that a
// right click on a blocked kit form can still answer an open kit message dialog.
#include <QDialog>
#include <QPointer>
#include <exception>
#include <functional>
#include <vector>

#include "kit/GGlobals.h"

class QAbstractButton;
class QMenu;
class TTitleBar;

// Modal results.
enum : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7,
  mrAll = 12,
};

enum TFormBorderStyle : unsigned char {
  bsNone,
  bsSingle,
  bsSizeable,
  bsDialog,
  bsToolWindow,
  bsSizeToolWin
};
enum : unsigned char { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };

// The zoom step of Ctrl+Alt+wheel, in percent.
constexpr int ZoomStep = 101;

// A form's buttons with their saved enabled states.
class TButtonList {
 public:
  void Add(QAbstractButton* button, bool enabled);
  // The button at index, or none when the index is out of range (or the button is gone).
  QAbstractButton* GetButton(int index) const;
  bool GetEnabled(int index) const;          // false when out of range
  void SetEnabled(int index, bool enabled);  // ignored when out of range
  qint16 Count() const { return qint16(items_.size()); }
  int Capacity() const { return int(items_.capacity()); }

 private:
  std::vector<std::pair<QPointer<QAbstractButton>, bool>> items_;
};

struct TSizeConstraints {
  int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;  // 0: none
  bool operator==(const TSizeConstraints&) const = default;
};

class TMForm : public QDialog {
  Q_OBJECT
 public:
  explicit TMForm(QWidget* parent = nullptr);
  // A form built in code without a design (the message dialog): it has no button list and no
  // first-showing step.
  struct NoDesign {};
  TMForm(NoDesign, QWidget* parent = nullptr);
  ~TMForm() override;

  // Setting it inside a handler closes the form once the handler has returned to the loop.
  int ModalResult = mrNone;
  // Shows the form modally: handles events until ModalResult is not 0, then hides the form and
  // returns it.
  int ShowModal();

  bool FormLoaded = false;   // the form's controls are built (Loaded has run)
  bool FormCreated = false;  // the form's creation handler has run (Created has run)
  bool PrimaData = true;     // true until the first showing
  TButtonList* Botoane = nullptr;
  QPointer<QAbstractButton> FocusButton;  // the button that had the focus when disabled
  qint16 DPIScale = 0;                    // zoom steps applied
  // A window that enables itself again whenever a modal window would disable it.
  bool StaysEnabled = false;

  // End of building the controls; called before the first showing when the form has not.
  virtual void Loaded();
  // End of the creation handler.
  void Created();

  TWinZModuleKind Kind() const { return kind_; }
  void SetKind(TWinZModuleKind value) { kind_ = value; }
  int XKind() const { return xKind_; }
  void SetXKind(int value);

  TColor Color() const { return color_; }
  void SetColor(TColor value);
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle value);
  unsigned char BorderIcons = biSystemMenu | biMinimize | biMaximize;
  const TSizeConstraints& Constraints() const { return constraints_; }
  void SetConstraints(const TSizeConstraints& value);

  std::function<void(TMForm* sender)> OnResize;
  std::function<void(TMForm*sender, Qt::KeyboardModifiers shift, QPoint at, bool&handled)>
      OnMouseWheelDown, OnMouseWheelUp;

  virtual QWidget* FirstControl();  // the form's active control
  virtual void PaintBackground();   // the default beep
  virtual void ApplyDesign() {}
  virtual void InitDesign() {}

  // Scales the form's size and every control's bounds and font by m / d.
  void ScaleBy(int m, int d);
  // One zoom step up (+1) or down (-1), or back to the designed size (0).
  void Zoom(int direction);

  // Whether a modal window has disabled the form.
  bool IsDisabled() const { return blockCount_ > 0; }

  // The system menu with the kit's texts; null when the form has no border or no system menu.
  QMenu* SystemMenu();
  void PopupSystemMenu(const QPoint& globalPos);

 protected:
  // Hooks for the form's own handlers.
  virtual void FormShow() {}
  virtual void FormDisabled();
  virtual void FormEnabled();
  virtual void ApplyMinimumSize();
  virtual void SetFrameless(bool frameless);

  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // A close request of the window system (Alt+F4 on a desktop, a title bar's close) is ignored,
  // as the kit ignores Alt+F4; a form closed by code (close()) ends with cancel.
  void closeEvent(QCloseEvent* event) override;
  void reject() override;  // Escape does not close a kit form by itself
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  friend class TKitFilter;
  void Init(bool designed);
  bool HandleWheel(QWheelEvent* event);
  void UpdateSystemMenu();

  bool designed_ = true;
  int blockCount_ = 0;
  TWinZModuleKind kind_ = mDate;
  int xKind_ = 0;
  TColor color_ = clBtnFace;
  bool colorSet_ = false;
  TFormBorderStyle borderStyle_ = bsSizeable;
  TSizeConstraints constraints_;
  TSizeConstraints designedConstraints_;
  bool dragging_ = false;
  QPoint dragOffset_;
  QMenu* systemMenu_ = nullptr;
  std::vector<QPointer<QWidget>> blocked_;  // windows this form's modal run has disabled
};

// The kit's intermediate form level.
class TPaintedForm : public TMForm {
  Q_OBJECT
 public:
  using TMForm::TMForm;
};

// A form whose caption is shown by its kit title bar (the child named "TitleBar1"), without a
// window-manager caption. It sees every key before its controls (FormKeyDown).
class TTitleForm : public TPaintedForm {
  Q_OBJECT
 public:
  explicit TTitleForm(QWidget* parent = nullptr);
  TTitleForm(NoDesign, QWidget* parent = nullptr);

  TTitleBar* TitleBar = nullptr;
  void Loaded() override;
  // The caption is the title bar's.
  QString Caption() const;
  void SetCaption(const QString& value);

  // Key preview: every key pressed in the form comes here first; accepting the event keeps it
  // from the control. Alt+F4 and Ctrl+Alt+M never reach it.
  virtual void FormKeyDown(QKeyEvent* event);
  // Returns true when the key was consumed before the controls.
  bool PreviewKey(QKeyEvent* event);

 protected:
  void FormDisabled() override;
  void FormEnabled() override;
  void ApplyMinimumSize() override;
  void SetFrameless(bool frameless) override;  // always: the title bar is the caption
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void InitTitle();
  QKeyEvent* previewed_ = nullptr;
};

// The kit's message dialog form. Mouse presses on the dialog (and on its parts that report to
// it) come to UseMouse: a right press answers with the default button; from the third press on
// the icon on, a one-button message closes with Ignore and switches AutoClose, a message with
// more buttons switches AutoPress and answers with its default button.
class TMessageForm : public TTitleForm {
  Q_OBJECT
 public:
  explicit TMessageForm(QWidget* parent = nullptr);

  bool SkipRightClick = false;
  int Clickuri = 0;  // presses on the icon so far
  void UseMouse(QObject* sender, Qt::MouseButton button);

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void ClickDefaultButtons();
};

// The kit message dialog that is up now, if any.
TMessageForm* ActiveMessageForm();

// The application's main window: the one its maker registered (the backdrop while the wizard
// runs), else a QMainWindow among the top-level windows; null when there is none. Registering
// null (or destroying the window) forgets it.
void SetMainForm(QWidget* window);
QWidget* MainForm();

// Shows an error that escaped a handler in the standard error box.
void ShowException(const std::exception& e);
// Runs page code from a handler: an escaping error is shown and the handler returns normally.
void Guarded(const std::function<void()>& code);
