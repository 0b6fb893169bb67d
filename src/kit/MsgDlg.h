#pragma once
// The kit's message dialog: every question and error of the program goes through it.
#include <QPointer>
#include <QString>
#include <initializer_list>

#include "kit/GGlobals.h"

enum TMsgDlgBtn : unsigned char {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp,
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

class TMessageForm;

// The dialog on screen while one of the unattended modes (AutoClose, AutoPress) runs for it.
extern QPointer<TMessageForm> CurrentMessage;

// Builds the dialog that MMessageDlg shows (the caller owns it): title bar, the framed text and
// icon ("Panel", "Message", "Image"), the bevel and a row of kit buttons named "Btn" + caption.
TMessageForm* CreateMessageDialog(const QString& Msg, const QString& Caption, TMsgDlgType DlgType,
                                  TAlignment Alignment, TMsgDlgButtons Buttons,
                                  TMsgDlgBtn DefaultButton, int HelpCtx);

// Shows the message modally in the middle of the screen; returns the modal result of the button
// pressed, 2 when the dialog is closed otherwise (its system menu, the unattended close), 0 when
// it could not be built or shown.
unsigned short MMessageDlg(const QString& Msg, const QString& Caption, TMsgDlgType DlgType,
                           TAlignment Alignment, TMsgDlgButtons Buttons, TMsgDlgBtn DefaultButton,
                           int HelpCtx);
