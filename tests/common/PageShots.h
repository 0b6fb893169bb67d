#pragma once
// The backdrop behind the pages in tests, and pictures of pages over it for review.
#include <QPoint>
#include <QString>

#include "core/Main.h"

class QWidget;

// The backdrop as the program entry makes it (1024 x 768, shown), the program's Installer while
// it lives.
struct TestBackdrop {
  TestBackdrop();
  ~TestBackdrop();
  TInstaller window;
};

// Saves backdrop + window to ArtifactPath(name); `at` defaults to the driver's placement.
void GrabOverBackdrop(QWidget* backdrop, QWidget* window, const QString& name,
                      QPoint at = QPoint(-1, -1));
