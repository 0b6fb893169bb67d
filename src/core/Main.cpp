#include "core/Main.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>

#include "core/Iglobals.h"
#include "core/uZORVAN_VER.h"
#include "kit/Cliunit.h"
#include "platform/Fonts.h"

TInstaller* Installer = nullptr;

// The resources live in a static library: they must be registered by hand, from outside any
// namespace.
static void InitResources() {
  static bool done = false;
  if (!done) {
    Q_INIT_RESOURCE(resources);
    done = true;
  }
}

namespace {

int FontHandle = 0;
const TColor kBackdropColor = 9193992;  // red 8, green 74, blue 140
const char kDesignFont[] = "Helvetica Black_r";

QLabel* Picture(const QString& name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  QPixmap pixmap(":/" + name + ".png");
  label->setPixmap(pixmap);
  label->resize(pixmap.size());
  label->setAttribute(Qt::WA_TranslucentBackground);
  return label;
}

QLabel* WhiteLabel(const QString& name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  QFont f = label->font();
  f.setPixelSize(13);
  label->setFont(f);
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, Qt::white);
  label->setPalette(pal);
  return label;
}

}  // namespace

bool LoadEmbeddedFont(const QString& resourceName) {
  if (FontHandle) return true;
  InitResources();
  QString path;
  for (const QString& entry : QDir(":/").entryList(QDir::Files))
    if (QString::compare(entry, resourceName, Qt::CaseInsensitive) == 0) path = ":/" + entry;
  QFile file(path);
  if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) return false;
  FontHandle = win::AddFontMemResource(file.readAll());
  if (!FontHandle) return false;
  win::BindFontName(kDesignFont, FontHandle);
  qAddPostRoutine(UnloadEmbeddedFont);
  return true;
}

int EmbeddedFontHandle() {
  return FontHandle;
}

void UnloadEmbeddedFont() {
  if (!FontHandle) return;
  win::RemoveFontMemResource(FontHandle);
  FontHandle = 0;
}

TInstaller::TInstaller(QWidget* parent) : QWidget(parent) {
  InitResources();
  setObjectName("Installer");
  setWindowTitle("ZarEDERAD");
  SetMainForm(this);  // the application's main window, which the kit's unattended modes need
  setWindowFlag(Qt::FramelessWindowHint);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, ToQColor(kBackdropColor));
  setPalette(pal);
  setAutoFillBackground(true);

  // The border of 5 pixels on every side: the controls live inside it.
  Client = new QWidget(this);
  Client->setObjectName("Client");
  Client->installEventFilter(this);

  Label1 = WhiteLabel("Label1", "www.zarederad.ro   ", Client);
  Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  VerLbl = WhiteLabel("VerLbl", "ver", Client);

  Panou = new QWidget(Client);
  Panou->setObjectName("Panou");
  Panou->resize(750, 499);
  pasarele = Picture("pasarele", Panou);
  pasarele->move((750 - pasarele->width()) / 2, 0);

  lZarEDERAD = new QLabel("ZarEDERAD", Panou);
  lZarEDERAD->setObjectName("lZarEDERAD");
  lZarEDERAD->setAttribute(Qt::WA_TranslucentBackground);
  QFont designed(kDesignFont);
  designed.setPixelSize(104);
  designed.setBold(true);
  lZarEDERAD->setFont(designed);
  QPalette white = lZarEDERAD->palette();
  white.setColor(QPalette::WindowText, Qt::white);
  lZarEDERAD->setPalette(white);
  if (LoadEmbeddedFont("HelveticaR")) {
    fontuZorvan = new QFont(kDesignFont);
    fontuZorvan->setBold(false);
    fontuZorvan->setItalic(false);
    fontuZorvan->setPointSize(78);
    lZarEDERAD->setFont(*fontuZorvan);
  }
  lZarEDERAD->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  lZarEDERAD->setGeometry(0, 206, 750, 150);

  software = Picture("software", Panou);
  software->move((750 - software->width()) / 2, 330);
  caciula_i = Picture("caciula_i", Panou);
  caciula_i->move(566, 190);
  caciula_i->setCursor(Qt::PointingHandCursor);
  caciula_i->installEventFilter(this);

  ReleaseNotes = ReleaseNotesHooks.Make ? ReleaseNotesHooks.Make() : nullptr;
}

TInstaller::~TInstaller() {
  delete fontuZorvan;
  if (ReleaseNotes && ReleaseNotesHooks.Destroy) ReleaseNotesHooks.Destroy(ReleaseNotes);
  ReleaseNotes = nullptr;
}

void TInstaller::showEvent(QShowEvent* event) {
  VerLbl->setText("ver." + ZorvanVersionText());
  VerLbl->adjustSize();
  PlacePanel();
  QWidget::showEvent(event);
}

void TInstaller::resizeEvent(QResizeEvent* event) {
  Client->setGeometry(5, 5, std::max(0, width() - 10), std::max(0, height() - 10));
  PlacePanel();
  QWidget::resizeEvent(event);
}

void TInstaller::PlacePanel() {
  const int w = Client->width(), h = Client->height();
  Panou->move((w - Panou->width()) / 2, (h - Panou->height()) / 2 - 15);
  Label1->setGeometry(0, h - 16, w, 16);
  VerLbl->move(16, h - 16 + (16 - VerLbl->height()) / 2);
}

bool TInstaller::eventFilter(QObject* watched, QEvent* event) {
  if (watched == caciula_i && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    OfferReleaseNotes();
    return true;
  }
  if (watched == Client && event->type() == QEvent::Resize) PlacePanel();
  return QWidget::eventFilter(watched, event);
}
