#pragma once
// The file copy page of a fresh installation: joins the disk set into archives in the program
// folder, unpacks the archive of every component selected for the install kind into its
// destination (the engine's files only when the machine has no engine), offers the release notes
// after each program archive and removes the archives.
//
// A copy that fails (a required archive missing or unreadable) leaves the page open on the
// component that failed; Continue runs the whole copy again (the assembly starts every archive
// anew at its ".1" part).
#include "media/Copy.h"
#include "pages/CopyingPage.h"

class TCopy : public TCopyingPage {
  Q_OBJECT
 public:
  explicit TCopy(QWidget* parent = nullptr);

  // The copy: assembly, unpacking, removal.
  void BNextClick() override;
  // The copy of the installer state's folders and install kind.
  static TCopyJob Job();
};
