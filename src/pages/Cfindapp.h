#pragma once
// The locate installation page, the first page of an upgrade: the first Continue searches for the
// installed application (WIN.INI, then the fixed drives), the user confirms or picks the program
// folder, and the second Continue stores it. Where the alias's database lives decides between a
// LOCAL installation and a CLIENT of a network installation.
#include "pages/PageLook.h"

class TActiveEdit;
class TActiveLabel;
class TFmtLabel;
class TMButton;
class TNiceButton;

class TFindApp : public TWizardPage {
  Q_OBJECT
 public:
  explicit TFindApp(QWidget* parent = nullptr);

  TActiveLabel* LProgram = nullptr;
  TActiveEdit* RProgram = nullptr;
  TMButton* BProgram = nullptr;
  TActiveLabel* LDate = nullptr;
  TActiveEdit* RDate = nullptr;
  TMButton* BDate = nullptr;
  TFmtLabel* dirlabel = nullptr;
  TMButton* BBack = nullptr;
  TMButton* BNext = nullptr;
  TNiceButton* BCancel = nullptr;

  bool Activated = false;    // the search has run
  bool AskToStop = false;    // the user asked to stop the search
  bool CanContinue = false;  // an installation is shown

  void FormCreate();
  // The search; it runs once, on the first Continue.
  void FormActivate();
  void BNextClick(QObject* sender);
  void BProgramClick(QObject* sender);
  void BCancelClick(QObject* sender);
};
