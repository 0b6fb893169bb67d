#include "core/Main.h"

#include <QLabel>

// A plain dark full-screen window with the product's name; the designed backdrop replaces it.
TInstaller* Installer = nullptr;

TInstaller::TInstaller(QWidget* parent) : QMainWindow(parent) {
  setObjectName("Installer");
  setWindowTitle("ZarEDERAD");
  auto* label = new QLabel("ZarEDERAD", this);
  label->setAlignment(Qt::AlignCenter);
  label->setStyleSheet("QLabel { background: #1a2233; color: white; font: bold 40px; }");
  setCentralWidget(label);
}
