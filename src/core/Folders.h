#pragma once
// The destination folders rule: what Continue on the folders page accepts, creates and stores.
#include <QString>

struct TFolderChoice {
  bool Ok = true;      // false: the page stays
  QString ProgramDir;  // the program folder as typed
  QString DataDir;     // the data folder the installation uses
};

// Checks the folders for an install kind. LOCAL keeps the data beside the program; SERVER
// creates a missing data folder when its parent exists; CLIENT needs the server's data folder to
// exist and says so ("folders.client-database") when it does not; any other kind keeps
// currentDataDir. A missing program folder is created; one that cannot be made fails the check.
TFolderChoice CheckFolders(unsigned char installKind, const QString& programDir,
                           const QString& dataDir, const QString& currentDataDir);
