#include "kit/KitPrompt.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "kit/MsgDlg.h"
#include "prompt/Prompt.h"

namespace {
int ShowPrompt(const prompt::TPrompt& p) {
  if (p.Plain) {
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), p.Text,
                    QMessageBox::Ok);
    box.setObjectName(p.Id);
    box.exec();
    return prompt::aOK;
  }
  if (p.Prefix) MsgPrefix = *p.Prefix;
  // The prompt's kinds, alignments and buttons are the kit's, in the same order.
  const int answer = MMessageDlg(p.Text, p.Caption, TMsgDlgType(p.Kind), TAlignment(p.Align),
                                 TMsgDlgButtons(p.Buttons), TMsgDlgBtn(p.Default), 0);
  if (p.PrefixAfter) MsgPrefix = *p.PrefixAfter;
  return answer;
}
}  // namespace

void InstallKitPrompts() {
  prompt::SetHandler(ShowPrompt);
  prompt::SetPrefixSetter([](const QString& prefix) { MsgPrefix = prefix; });
}
