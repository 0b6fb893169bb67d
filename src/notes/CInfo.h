#pragma once
// The release notes window: the new version's instructions, shown over the backdrop.
#include "kit/Cliunit.h"

class QPrinter;
class QTextBrowser;
class TMovePanel;
class TNiceButton;
class TTitleBar;

class TEditInfo : public TTitleForm {
  Q_OBJECT
 public:
  explicit TEditInfo(QWidget* parent = nullptr);

  TMovePanel* Panel1 = nullptr;
  TNiceButton* NiceButton3 = nullptr;
  TTitleBar* TitleBar1 = nullptr;
  QTextBrowser* FrameViewer = nullptr;
  QString FName;  // the notes file shown or to be shown, in Windows terms

  // Chooses the notes file of this version under folder\VerInfo\<version>: the unread
  // Instruct.htm, else the read Instruct.html (an unread copy next to a read one is deleted).
  bool FilePrepared(const QString& folder);
  // Prints the notes in black on the printer.
  void PrintNotes(QPrinter& printer);

  void FormKeyDown(QKeyEvent* event) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
};

// Shows the release notes when the program folder holds notes for this version; places the
// window against the backdrop and brings it to the front, loading the file only when the window
// was hidden.
void ShowReleaseNotes();
// Gives the installer state the hooks that make, destroy and show this window (the backdrop and
// the page keys reach the notes through them). Called at start-up.
void InstallReleaseNotes();
