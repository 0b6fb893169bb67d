#pragma once
// The backdrop window behind every page: product name, pictures, version, web address.
#include <QWidget>

class QLabel;
class QFont;

class TInstaller : public QWidget {
  Q_OBJECT
 public:
  explicit TInstaller(QWidget* parent = nullptr);
  ~TInstaller() override;

  QWidget* Client = nullptr;  // the window inside its 5-pixel border
  QLabel* Label1 = nullptr;
  QLabel* VerLbl = nullptr;
  QWidget* Panou = nullptr;
  QLabel* pasarele = nullptr;
  QLabel* software = nullptr;
  QLabel* lZarEDERAD = nullptr;
  QLabel* caciula_i = nullptr;
  QFont* fontuZorvan = nullptr;  // made from the embedded font, when it loads

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PlacePanel();
};

// The one backdrop of the process while the wizard runs.
extern TInstaller* Installer;

// Loads the embedded font (a resource found by name without regard to case) for this process
// only, once; true when it is loaded. The design name "Helvetica Black_r" then selects it.
bool LoadEmbeddedFont(const QString& resourceName);
// The handle of the loaded font, 0 when none.
int EmbeddedFontHandle();
// Gives the font back to the platform (at the end of the process).
void UnloadEmbeddedFont();
