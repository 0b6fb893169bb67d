#pragma once
// The destination folders page: the program folder and, for SERVER and CLIENT, the data folder;
// Continue checks them, creates what may be created and stores them in the installer state.
#include "pages/PageLook.h"

class TActiveEdit;
class TActiveLabel;
class TActiveMemo;
class TMButton;
class TNiceButton;

class TDirs : public TWizardPage {
  Q_OBJECT
 public:
  explicit TDirs(QWidget* parent = nullptr);

  TActiveLabel* LProgram = nullptr;
  TActiveEdit* RProgram = nullptr;
  TMButton* BProgram = nullptr;
  TActiveLabel* LDate = nullptr;
  TActiveEdit* RDate = nullptr;
  TMButton* BDate = nullptr;
  TActiveMemo* netmemo = nullptr;
  TMButton* BBack = nullptr;
  TMButton* BNext = nullptr;
  TNiceButton* BCancel = nullptr;

  void BProgramClick(QObject* sender);
  void BDateClick(QObject* sender);
  void RDateChange(QObject* sender);
  void BNextClick(QObject* sender);

 private:
  // Shows the folder picker; with OK its folder, ending in "\", goes into the edit.
  void ChooseFolder(TActiveEdit* edit);
};
