#include "kit/Cliunit.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMessageBox>

TMForm::TMForm(QWidget* parent) : QDialog(parent) {}

int TMForm::ShowModal() {
  ModalResult = mrNone;
  setWindowModality(Qt::ApplicationModal);
  show();
  raise();
  activateWindow();
  while (ModalResult == mrNone) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (ModalResult == mrNone && !isVisible()) ModalResult = mrCancel;
  }
  hide();
  return ModalResult;
}

void TMForm::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (ModalResult == mrNone) ModalResult = mrCancel;
}

void TMForm::reject() {}

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
