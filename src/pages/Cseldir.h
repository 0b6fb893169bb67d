#pragma once
// The folder picker of the destination folders page: a drive list and a folder tree list over the
// machine's drives, in Windows terms. The result is the folder list's current folder.
#include <QString>
#include <QStringList>

#include "kit/Cliunit.h"

class QComboBox;
class QTreeWidget;
class QTreeWidgetItem;
class TActiveLabel;
class TNiceButton;
class TTitleBar;

class TDirDialog : public TTitleForm {
  Q_OBJECT
 public:
  // Opens on the process's current folder (or on the first drive when that cannot be shown).
  explicit TDirDialog(QWidget* parent = nullptr);

  TTitleBar* TitleBar1 = nullptr;
  TActiveLabel* ActiveLabel1 = nullptr;
  QComboBox* DriveComboBox1 = nullptr;
  TActiveLabel* ActiveLabel2 = nullptr;
  QTreeWidget* dirs = nullptr;
  TNiceButton* NiceButton1 = nullptr;
  TNiceButton* NiceButton2 = nullptr;

  // The folder list's current folder: "C:\Program Files\App", a root as "C:\".
  QString Directory() const { return directory_; }
  // Moves the folder list (and the drive list) to a folder: as far down the path as folders
  // exist, with the names as they are on the drive. False when the path's root cannot be shown.
  bool SetDirectory(const QString& path);
  // The item of a folder in the list, or null.
  QTreeWidgetItem* ItemOf(const QString& folder) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FillDrives();
  void FillDirs();
  void SyncDriveList();
  void DriveChosen(int index);
  QString directory_;
};

// The subfolders of a folder, in Windows terms (names only, without "." and "..").
QStringList SubFolders(const QString& folder);
