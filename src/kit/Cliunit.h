#pragma once
// Kit forms: a dialog with an integer modal result and the modal loop of the form model.
#include <QDialog>
#include <exception>
#include <functional>

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

class TMForm : public QDialog {
  Q_OBJECT
 public:
  explicit TMForm(QWidget* parent = nullptr);

  // Setting it inside a handler closes the form once the handler has returned to the loop.
  int ModalResult = mrNone;
  // Shows the form modally: handles events until ModalResult is not 0, then hides the form and
  // returns it.
  int ShowModal();

 protected:
  void closeEvent(QCloseEvent* event) override;  // closing by the window manager: cancel
  void reject() override;                        // Escape does not close a kit form by itself
};

// Shows an error that escaped a handler in the standard error box.
void ShowException(const std::exception& e);
// Runs page code from a handler: an escaping error is shown and the handler returns normally.
void Guarded(const std::function<void()>& code);
