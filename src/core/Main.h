#pragma once
// The backdrop window behind every page.
#include <QMainWindow>

class TInstaller : public QMainWindow {
  Q_OBJECT
 public:
  explicit TInstaller(QWidget* parent = nullptr);
};

// The one backdrop of the process while the wizard runs.
extern TInstaller* Installer;
