#include "kit/GGlobals.h"

#include <QApplication>
#include <QPalette>
#include <QScreen>
#include <QToolTip>
#include <QWidget>
#include <cmath>
#include <exception>

#include "kit/dlgform2.h"
#include "platform/Files.h"
#include "platform/Paths.h"

QString RunFolder;
bool Win10Style = false;
bool HighColor = false;
TColor HintColor = clYellow;
QImage* ButtonFace = nullptr;
QImage* IconFace = nullptr;
QImage* EmptyBitmap = nullptr;
int AutoClose = 0;
bool AutoPress = false;

namespace {
int StartupCount = 0;

const char* const kKindNames[MButtonKindCount] = {
    "mkFirst",    "mkPrev",     "mkNext",      "mkLast",      "mkAdd",         "mkDelete",
    "mkRecord",   "mkView",     "mkPrint",     "mkOK",        "mkCancel",      "mkHelp",
    "mkCustom",   "mkYes",      "mkNo",        "mkClose",     "mkAbort",       "mkRetry",
    "mkIgnore",   "mkAll",      "mkEdit",      "mkAnalitic",  "mkDetalii",     "mkZorvan",
    "mkSave",     "mkPlus",     "mkUnelte",    "mkConfig",    "mkStoc",        "mkSold",
    "mkIntr",     "mkTransf",   "mkIes",       "mkBani",      "mkMail",        "mkBigExit",
    "mkPlusAdd",  "mkPlusBlue", "mkPlusPorto", "mkPlusPeach", "mkPlusSnorkel", "mkMinusDel",
    "mkFirstPag", "mkLastPag",  "mkPrevPag",   "mkNextPag",   "mknPrev",       "mknNext",
    "mkFind",     "mkFindNext", "mkGrafic",    "mkSaveAs",    "mknFirst",      "mknLast",
    "mkContr",    "mkExpl",     "mkPermis",    "mkAction",    "mkAdvanced"};

struct NamedColor {
  const char* name;
  TColor value;
};
// The design colours come first so that a value shared with a standard name reads back as the
// design name.
const NamedColor kColors[] = {
    {"clMenuTracking", clMenuTracking},
    {"clTitleBarEnd", clTitleBarEnd},
    {"cl1", cl1},
    {"cl2", cl2},
    {"clPaper", clPaper},
    {"cl3", cl3},
    {"clGrid", clGrid},
    {"clEdit", clEdit},
    {"clOther", clOther},
    {"clActiveTitleBar", clActiveTitleBar},
    {"clInactiveTitleBar", clInactiveTitleBar},
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clLtGray", 0xC0C0C0},
    {"clDkGray", 0x808080},
    {"clScrollBar", clSystemColor | 0},
    {"clBackground", clSystemColor | 1},
    {"clActiveCaption", clSystemColor | 2},
    {"clInactiveCaption", clSystemColor | 3},
    {"clMenu", clSystemColor | 4},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clMenuText", clSystemColor | 7},
    {"clWindowText", clWindowText},
    {"clCaptionText", clSystemColor | 9},
    {"clActiveBorder", clSystemColor | 10},
    {"clInactiveBorder", clSystemColor | 11},
    {"clAppWorkSpace", clSystemColor | 12},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clInactiveCaptionText", clSystemColor | 19},
    {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", clSystemColor | 21},
    {"cl3DLight", clSystemColor | 22},
    {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
    {"clHotLight", clSystemColor | 26},
    {"clGradientActiveCaption", clSystemColor | 27},
    {"clGradientInactiveCaption", clSystemColor | 28},
    {"clMenuHighlight", clSystemColor | 29},
    {"clMenuBar", clSystemColor | 30},
    {"clNone", clNone},
    {"clDefault", clDefault},
};

// Classic values of the system colours that have no palette role.
const TColor kSystemDefaults[31] = {
    0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
    0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xFF9933, 0xFFFFFF, 0xF0F0F0,
    0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
    0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xFF9933, 0xF0F0F0};

QColor FromRGB(TColor c) {
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}
}  // namespace

const char* MButtonKindName(TMButtonKind kind) {
  return kind < MButtonKindCount ? kKindNames[kind] : "";
}

bool IdentToColor(const QString& name, TColor& color) {
  for (const NamedColor& c : kColors)
    if (name.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
      color = c.value;
      return true;
    }
  return false;
}

bool ColorToIdent(TColor color, QString& name) {
  for (const NamedColor& c : kColors)
    if (c.value == color) {
      name = QLatin1String(c.name);
      return true;
    }
  return false;
}

bool StringToColor(const QString& text, TColor& color) {
  QString t = text.trimmed();
  if (IdentToColor(t, color)) return true;
  bool ok = false;
  qint64 v = t.startsWith('$') ? t.mid(1).toLongLong(&ok, 16) : t.toLongLong(&ok, 10);
  if (!ok || v < INT32_MIN || v > qint64(UINT32_MAX)) return false;
  color = TColor(quint32(v));
  return true;
}

QColor ToQColor(TColor color) {
  if (TColor(color & 0xFF000000) != clSystemColor) return FromRGB(color);
  const int index = color & 0xFF;
  const QPalette pal = QApplication::palette();
  switch (index) {
    case 5:
      return pal.color(QPalette::Base);
    case 8:
      return pal.color(QPalette::WindowText);
    case 13:
      return pal.color(QPalette::Highlight);
    case 14:
      return pal.color(QPalette::HighlightedText);
    case 15:
      return pal.color(QPalette::Button);
    case 16:
      return pal.color(QPalette::Dark);
    case 17:
      return pal.color(QPalette::Disabled, QPalette::Text);
    case 18:
      return pal.color(QPalette::ButtonText);
    case 20:
      return pal.color(QPalette::Light);
    case 21:
      return pal.color(QPalette::Shadow);
    case 22:
      return pal.color(QPalette::Midlight);
    case 23:
      return pal.color(QPalette::ToolTipText);
    case 24:
      return pal.color(QPalette::ToolTipBase);
    default:
      return index < 31 ? FromRGB(kSystemDefaults[index]) : QColor(Qt::black);
  }
}

TColor ToTColor(const QColor& color) {
  QColor c = color.toRgb();
  return RGB(c.red(), c.green(), c.blue());
}

TColor ColorToRGB(TColor color) {
  if (TColor(color & 0xFF000000) == clSystemColor) return ToTColor(ToQColor(color));
  return color & 0x00FFFFFF;
}

double Scara(const QWidget* widget) {
  const double dpi = widget ? widget->logicalDpiX() : 96.0;
  return dpi / 96.0;
}

int RoundEven(double value) {
  return int(std::nearbyint(value));
}

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const qint64 p = qint64(a) * b;
  const qint64 half = std::abs(qint64(c)) / 2;
  const qint64 q = (p >= 0) == (c > 0) ? (std::abs(p) + half) / std::abs(qint64(c))
                                       : -((std::abs(p) + half) / std::abs(qint64(c)));
  return int(q);
}

void DecideHighColor() {
  HighColor = false;
  bool forced = false;
  try {
    forced = !RunFolder.isEmpty() && win::FileExists(RunFolder + "LowColor.dat");
  } catch (const std::exception&) {
    // Nothing at start-up is reported: a run folder the machine cannot resolve has no file.
  }
  if (!forced) {
    QScreen* screen = QGuiApplication::primaryScreen();
    HighColor = screen && screen->depth() > 8;
  }
  HintColor = HighColor ? RGB(217, 226, 230) : clYellow;
  QPalette tips = QToolTip::palette();
  tips.setColor(QPalette::ToolTipBase, ToQColor(HintColor));
  QToolTip::setPalette(tips);
}

void KitStartup() {
  if (StartupCount++ > 0) return;
  const QString folder = win::ExecutableFolder();
  RunFolder = folder.isEmpty() ? QString() : win::IncludeTrailingBackslash(folder);
  DecideHighColor();
  Mesaj = new TMesaj;
  EmptyBitmap = &Mesaj->Empty();
  ButtonFace = &Mesaj->Picture("ButtonFaceWZE");
  IconFace = &Mesaj->Picture("IconFace");
}

void KitShutdown() {
  if (StartupCount == 0 || --StartupCount > 0) return;
  ButtonFace = IconFace = EmptyBitmap = nullptr;
  delete Mesaj;
  Mesaj = nullptr;
}
