#pragma once
// Kit-wide kinds, colours and display state, and the kit's start-up. Start-up runs once per
// process right after the QApplication exists and before the first kit window.
#include <QColor>
#include <QImage>
#include <QString>

class QWidget;

enum TAlignment : unsigned char { taLeftJustify, taRightJustify, taCenter };

// How a control places itself in its parent.
enum TAlign : unsigned char { alNone, alTop, alBottom, alLeft, alRight, alClient };

// The kind of a kit button: default caption, modal result and glyph. The order is stored in form
// descriptions: do not reorder.
enum TMButtonKind : unsigned char {
  mkFirst,
  mkPrev,
  mkNext,
  mkLast,
  mkAdd,
  mkDelete,
  mkRecord,
  mkView,
  mkPrint,
  mkOK,
  mkCancel,
  mkHelp,
  mkCustom,
  mkYes,
  mkNo,
  mkClose,
  mkAbort,
  mkRetry,
  mkIgnore,
  mkAll,
  mkEdit,
  mkAnalitic,
  mkDetalii,
  mkZorvan,
  mkSave,
  mkPlus,
  mkUnelte,
  mkConfig,
  mkStoc,
  mkSold,
  mkIntr,
  mkTransf,
  mkIes,
  mkBani,
  mkMail,
  mkBigExit,
  mkPlusAdd,
  mkPlusBlue,
  mkPlusPorto,
  mkPlusPeach,
  mkPlusSnorkel,
  mkMinusDel,
  mkFirstPag,
  mkLastPag,
  mkPrevPag,
  mkNextPag,
  mknPrev,
  mknNext,
  mkFind,
  mkFindNext,
  mkGrafic,
  mkSaveAs,
  mknFirst,
  mknLast,
  mkContr,
  mkExpl,
  mkPermis,
  mkAction,
  mkAdvanced
};
constexpr int MButtonKindCount = mkAdvanced + 1;
// The kind's name as written in form descriptions ("mkOK").
const char* MButtonKindName(TMButtonKind kind);

// The kit's other glyphs (a glyph number is taken without its top bit).
enum TAlteGlife : unsigned char {
  glCustom,
  glPermis,
  glInterzis,
  glSurub,
  glLinii,
  glCheck,
  glRadio,
  glAnulat,
  glGrupX,
  glGrup0,
  glCrescator,
  glDescrescator,
  glToolVert,
  glToolOriz,
  glImgEsc,
  glSCLogo,
  glPag,
  glZorvan,
  glBuget
};

// Kinds of message, each with its title and icon.
enum TMsgDlgType : unsigned char { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// The module of the application family a form belongs to.
enum TWinZModuleKind : unsigned char {
  mDate,
  mListe,
  mDocument,
  mService,
  mRetail,
  mRestaurant,
  mDateSrv,
  mListeSrv,
  mDateArenda,
  mListeArenda,
  mDateDecl,
  mListeDecl,
  mDateCLI,
  mListeCLI
};

// --- colours ---
// Colours are 32-bit values $00BBGGRR; system colours carry the top byte $FF and name an entry
// of the palette.
using TColor = quint32;
constexpr TColor clSystemColor = 0xFF000000u;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
constexpr TColor RGB(int r, int g, int b) {
  return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16);
}

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;
constexpr TColor clBtnFace = clSystemColor | 15, clBtnShadow = clSystemColor | 16,
                 clGrayText = clSystemColor | 17, clBtnText = clSystemColor | 18,
                 clBtnHighlight = clSystemColor | 20, clHighlight = clSystemColor | 13,
                 clHighlightText = clSystemColor | 14, clWindow = clSystemColor | 5,
                 clWindowText = clSystemColor | 8, clWindowFrame = clSystemColor | 6,
                 clInfoBk = clSystemColor | 24, clInfoText = clSystemColor | 23;

// The named design colours of form descriptions.
constexpr TColor clMenuTracking = 0x003686FE, clTitleBarEnd = 0x001ECDF9, cl1 = 0x009C9C9D,
                 cl2 = 0x00A9A9A9, clPaper = 0x00B6B6B6, cl3 = 0x00CFCFCF, clGrid = 0x00DFDFDF,
                 clEdit = 0x00EFEFEF, clOther = 0x00A7792E, clActiveTitleBar = 0x008A4507,
                 clInactiveTitleBar = 0x009A9A9A;

// Name to value and value to name: the eleven design colours first, then the standard names.
bool IdentToColor(const QString& name, TColor& color);
bool ColorToIdent(TColor color, QString& name);
// A colour as written in a form description: a name, or a number (decimal or $hex).
bool StringToColor(const QString& text, TColor& color);

// Conversion to and from Qt: system colours come from the application's palette.
QColor ToQColor(TColor color);
TColor ToTColor(const QColor& color);
// The RGB value of a colour (system colours resolved), $00BBGGRR.
TColor ColorToRGB(TColor color);

// --- display state ---
// The folder of the running executable in Windows terms, with a trailing "\".
extern QString RunFolder;
// Owner-drawn buttons draw through an off-screen buffer when set (the program entry sets it).
extern bool Win10Style;
// High-colour drawing: a display of more than 8 bits per pixel and no "LowColor.dat" in the run
// folder.
extern bool HighColor;
// The application's hint colour: RGB(217, 226, 230) in high-colour mode, yellow otherwise.
extern TColor HintColor;
// Pictures shared by the title bar and the buttons, taken from the kit image store; nobody who
// reads them owns them. EmptyBitmap is the 0 x 0 picture the store answers for "no picture".
extern QImage* ButtonFace;  // ButtonFaceWZE
extern QImage* IconFace;    // IconFace
extern QImage* EmptyBitmap;

// The message dialog's unattended modes, switched by mouse gestures on a message's icon:
// AutoClose (not 0) closes one-button messages by themselves after AutoClose x 300 ms steps;
// AutoPress answers messages with several buttons with their default button.
extern int AutoClose;
extern bool AutoPress;

// Kit start-up and shutdown, once per process (a counter makes repeated calls do nothing).
void KitStartup();
void KitShutdown();
// Decides HighColor again from the screen depth and "LowColor.dat" (start-up does it once).
void DecideHighColor();

// --- pixels per inch ---
// Layout numbers are designed at 96 pixels per inch; a widget's scale is its logical DPI / 96.
double Scara(const QWidget* widget);
// Rounding to the nearest integer with halves going to the even neighbour.
int RoundEven(double value);
// a * b / c rounded to the nearest integer (halves away from zero), as layouts scale.
int MulDiv(int a, int b, int c);
