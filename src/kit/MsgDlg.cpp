#include "kit/MsgDlg.h"

#include <QAbstractButton>
#include <QMap>
#include <QMessageBox>
#include <QPushButton>

#include "kit/Cliunit.h"

// For now the dialog is the platform's standard message box with the kit's captions and modal
// results; the kit's own dialog replaces the body of MMessageDlg.

QString MsgPrefix;

QString PrefixedMessage(const QString& msg) {
  if (MsgPrefix.isEmpty()) return msg;
  return MsgPrefix.toUpper() + ",\r\r" + msg;
}

QString DefaultCaption(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return "Atentie !";
    case mtError: return "EROARE !";
    case mtInformation: return "Informatie...";
    case mtConfirmation: return "Confirmare...";
    default: return "";
  }
}

namespace {
struct ButtonKind {
  const char* caption;
  int result;
};
const ButtonKind kButtons[] = {
    {"&Da", mrYes},      {"&Nu", mrNo},        {"O&K", mrOk},     {"&Renunt", mrCancel},
    {"&Abandon", mrAbort}, {"&Retry", mrRetry}, {"&Ignora", mrIgnore}, {"&Toate", mrAll},
    {"&Nu", mrNo},       {"&Toate", mrAll},    {"S&faturi", 0},   {"I&esire", mrCancel},
};
}  // namespace

unsigned short MMessageDlg(const QString& Msg, const QString& Caption, TMsgDlgType DlgType,
                           TAlignment Alignment, TMsgDlgButtons Buttons,
                           TMsgDlgBtn DefaultButton, int HelpCtx) {
  try {
    QMessageBox box;
    box.setObjectName("Message");
    box.setWindowTitle(Caption.isEmpty() ? DefaultCaption(DlgType) : Caption);
    QString text = PrefixedMessage(Msg);
    text.replace("\r\n", "\n").replace('\r', '\n');
    box.setText(text);
    static const QMessageBox::Icon icons[] = {QMessageBox::Warning, QMessageBox::Critical,
                                              QMessageBox::Information, QMessageBox::Question,
                                              QMessageBox::NoIcon};
    box.setIcon(icons[DlgType <= mtCustom ? DlgType : mtCustom]);
    QMap<QAbstractButton*, int> results;
    QAbstractButton* single = nullptr;
    int count = 0;
    for (int bit = 0; bit <= mbClose; ++bit) {
      if (!(Buttons & (1u << bit))) continue;
      QPushButton* b = box.addButton(kButtons[bit].caption, QMessageBox::ActionRole);
      b->setObjectName(QString("Btn") + QString(kButtons[bit].caption).remove('&').remove(' '));
      results[b] = kButtons[bit].result;
      if (bit == DefaultButton) box.setDefaultButton(b);
      single = b;
      ++count;
    }
    if (count == 1) box.setEscapeButton(single);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    return static_cast<unsigned short>(clicked ? results.value(clicked, mrCancel) : mrCancel);
  } catch (...) {
    return 0;
  }
}
