#pragma once
// The kit's message dialog: every question and error of the program goes through it.
#include <QString>
#include <initializer_list>

#include "kit/GGlobals.h"

enum TMsgDlgBtn : unsigned char {
  mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp,
  mbClose
};
using TMsgDlgButtons = unsigned short;  // bit i requests button i
constexpr TMsgDlgButtons Buttons(std::initializer_list<TMsgDlgBtn> list) {
  TMsgDlgButtons set = 0;
  for (TMsgDlgBtn b : list) set |= TMsgDlgButtons(1u << b);
  return set;
}

// When not empty, put upper-cased in front of every message, followed by "," and two breaks.
extern QString MsgPrefix;

// The message as the dialog shows it, with the prefix when one is set.
QString PrefixedMessage(const QString& msg);
// The dialog's title for a kind when the caller gives none.
QString DefaultCaption(TMsgDlgType type);

// Shows the message modally; returns the modal result of the button pressed, 2 when the dialog
// is closed otherwise, 0 when it could not be shown.
unsigned short MMessageDlg(const QString& Msg, const QString& Caption, TMsgDlgType DlgType,
                           TAlignment Alignment, TMsgDlgButtons Buttons,
                           TMsgDlgBtn DefaultButton, int HelpCtx);
