// The kit image store: every picture at its size, real artwork, the lookups, a contact sheet.
#include <gtest/gtest.h>

#include <QPainter>
#include <QSet>

#include "KitArtifacts.h"
#include "kit/GGlobals.h"
#include "kit/dlgform2.h"

namespace {

struct Listed {
  const char* name;
  int w, h;
};
// The list the consumers of the store are written against.
const Listed kListed[] = {{"OK", 84, 28},
                          {"Help", 60, 30},
                          {"Nu", 90, 30},
                          {"Surub", 8, 8},
                          {"Interzis", 12, 12},
                          {"Permis", 12, 12},
                          {"Analitic", 57, 22},
                          {"Linii", 8, 8},
                          {"SpeedFace", 54, 16},
                          {"LookupFace", 120, 42},
                          {"Check", 66, 15},
                          {"Radio", 22, 11},
                          {"IconFace", 56, 30},
                          {"HatchB", 8, 8},
                          {"Precedent", 42, 14},
                          {"Urmator", 42, 14},
                          {"Plus", 42, 14},
                          {"crescator", 20, 15},
                          {"descrescator", 20, 15},
                          {"GrupX", 42, 15},
                          {"Grup0", 42, 15},
                          {"ToolbVert", 8, 26},
                          {"ToolbOriz", 26, 8},
                          {"EscapeImg", 84, 15},
                          {"SCLogo", 165, 25},
                          {"Pag", 20, 30},
                          {"PlusAdd", 30, 15},
                          {"MinusDel", 30, 15},
                          {"Mail", 72, 20},
                          {"Zorvan", 102, 32},
                          {"ImageListe", 160, 160},
                          {"ImageDate", 160, 160},
                          {"SaveAs", 72, 27},
                          {"Buget", 54, 17},
                          {"All", 81, 31},
                          {"PalmaDeMajorca", 78, 11},
                          {"ButtonFaceWZE", 180, 28},
                          {"ButtonFaceWZE120", 180, 35},
                          {"Hartie", 26, 96},
                          {"Mijloc", 26, 96},
                          {"Find", 60, 20},
                          {"FindNext", 60, 20},
                          {"MainTitleBarSliceE", 9, 35},
                          {"SiglaZarEderad2Img", 352, 35},
                          {"SiglaZarEderadImg", 352, 35},
                          {"MainExitImg", 75, 24},
                          {"PlusBlue", 30, 15},
                          {"PlusPorto", 30, 15},
                          {"Contract", 78, 11},
                          {"Explicatii", 72, 25},
                          {"PlusPeach", 30, 15},
                          {"PlusSnorkel", 30, 15},
                          {"UrmatorBlue", 48, 8},
                          {"BSediu", 90, 24},
                          {"BIntr", 105, 24},
                          {"BIes", 96, 24},
                          {"Sold", 84, 24},
                          {"BBani", 99, 32},
                          {"Stoc", 75, 24},
                          {"Edit", 99, 22},
                          {"Detalii", 90, 30},
                          {"Jurnal", 99, 32},
                          {"Print", 99, 31},
                          {"Constante", 99, 30},
                          {"Config", 105, 31},
                          {"Avansat", 105, 31},
                          {"PrnSetup", 99, 31},
                          {"Cancel", 70, 22},
                          {"Exit", 69, 26},
                          {"Save", 78, 23},
                          {"Vizual", 99, 31},
                          {"Retry", 99, 31},
                          {"BigExit", 78, 43},
                          {"Add", 90, 30},
                          {"Delete", 78, 32},
                          {"BUnelte", 99, 31},
                          {"Grafic", 99, 31},
                          {"Tab", 234, 34},
                          {"MenuTabCtrlFace120", 360, 31},
                          {"TabCtrlFace", 360, 28},
                          {"SagRight", 33, 13},
                          {"SagUp", 33, 13},
                          {"SagDown", 33, 13},
                          {"SagLeft", 33, 13},
                          {"nPrev", 30, 17},
                          {"nNext", 30, 17},
                          {"nLast", 48, 17},
                          {"nFirst", 45, 17},
                          {"FirstPag", 66, 9},
                          {"LastPag", 66, 9},
                          {"PrevPag", 54, 9},
                          {"NextPag", 54, 9},
                          {"StopModi", 68, 51},
                          {"Anulat", 92, 52},
                          {"Warning", 86, 53},
                          {"Information", 86, 53},
                          {"Error", 86, 53},
                          {"Confirmation", 86, 53},
                          {"SiglaWhiteL", 286, 40},
                          {"SiglaBlackL", 286, 40},
                          {"SiglaWhiteR", 76, 40},
                          {"SiglaBlackR", 76, 40},
                          {"Dosar", 48, 16}};

QSet<QRgb> Colours(const QImage& img, QRect r = QRect()) {
  if (r.isNull()) r = img.rect();
  QSet<QRgb> set;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) set.insert(img.pixel(x, y));
  return set;
}

}  // namespace

TEST(ImageStore, EveryPictureAtItsListedSizeWithRealArtwork) {
  ASSERT_NE(Mesaj, nullptr);
  EXPECT_EQ(Mesaj->Names().size(), int(std::size(kListed)) + 1);  // and the empty ButtonFace2
  for (const Listed& l : kListed) {
    SCOPED_TRACE(l.name);
    const QImage& img = Mesaj->Picture(l.name);
    ASSERT_EQ(img.size(), QSize(l.w, l.h));
    // Real pictures: several colours, and not just a frame around one colour.
    EXPECT_GE(Colours(img).size(), 3) << "a picture of at most two colours";
  }
  EXPECT_TRUE(Mesaj->Picture("ButtonFace2").isNull());
  EXPECT_EQ(Mesaj->DesignSize("ButtonFace2"), QSize(146, 23));
  EXPECT_TRUE(Mesaj->Picture("NoSuchPicture").isNull());
  EXPECT_EQ(&Mesaj->Picture("check"), &Mesaj->Picture("Check")) << "names ignore case";
}

// Glyph strips: each frame shows something on the transparent colour, and the disabled frame is
// grey where the normal one has colour.
TEST(ImageStore, GlyphStripsHaveNormalDisabledAndPressedFrames) {
  QStringList strips;
  for (int k = 0; k < MButtonKindCount; ++k) strips << KindPictureName(TMButtonKind(k));
  strips << "Dosar";  // the folder pickers' buttons
  for (const QString& name : strips) {
    // Permis is a one-frame picture that doubles as a kit glyph.
    if (name.isEmpty() || name == "Permis") continue;
    SCOPED_TRACE(name.toStdString());
    const QImage& strip = Mesaj->Picture(name);
    const QRgb key = strip.pixel(0, 0);
    const int fw = strip.width() / 3;
    for (int f = 0; f < 3; ++f) {
      const QRect frame(f * fw, 0, fw, strip.height());
      EXPECT_EQ(strip.pixel(frame.topLeft()), key) << "frame " << f << " starts transparent";
      EXPECT_GE(Colours(strip, frame).size(), 3) << "frame " << f;
    }
    for (QRgb c : Colours(strip, QRect(fw, 0, fw, strip.height()))) {
      if (c == key) continue;
      EXPECT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) << "disabled is grey";
    }
  }
}

// The folder glyph reads as a folder at 16 pixels: a dark outline around a light front flap
// and a darker back, filling most of its frame.
TEST(ImageStore, FolderGlyphFillsItsFrame) {
  const QImage& strip = Mesaj->Picture("Dosar");
  const QRgb key = strip.pixel(0, 0);
  QRect ink;
  int light = 0, dark = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const QRgb c = strip.pixel(x, y);
      if (c == key) continue;
      ink |= QRect(x, y, 1, 1);
      if (qGray(c) >= 180) ++light;
      if (qGray(c) < 110) ++dark;
    }
  EXPECT_GE(ink.width(), 14);
  EXPECT_GE(ink.height(), 13);
  EXPECT_GE(light, 30) << "the front flap";
  EXPECT_GE(dark, 30) << "the outline";
}

TEST(ImageStore, Lookups) {
  EXPECT_EQ(&Mesaj->KitGlyph(glCheck + 128), &Mesaj->Picture("Check"));
  EXPECT_EQ(&Mesaj->KitGlyph(glRadio), &Mesaj->Picture("Radio"));
  EXPECT_EQ(&Mesaj->KitGlyph(glBuget), &Mesaj->Picture("Buget"));
  EXPECT_EQ(&Mesaj->KitGlyph(glCustom), EmptyBitmap);
  EXPECT_EQ(&Mesaj->KitGlyph(99), EmptyBitmap);
  EXPECT_EQ(&Mesaj->KitGlyph(glCustom + 128), EmptyBitmap);
  EXPECT_EQ(&Mesaj->MessageIcon(mtError), &Mesaj->Picture("Error"));
  EXPECT_EQ(&Mesaj->MessageIcon(mtConfirmation), &Mesaj->Picture("Confirmation"));
  EXPECT_EQ(&Mesaj->MessageIcon(mtCustom), EmptyBitmap);
  EXPECT_EQ(EmptyBitmap->size(), QSize(0, 0));
  EXPECT_EQ(ButtonFace, &Mesaj->Picture("ButtonFaceWZE"));
  EXPECT_EQ(IconFace->width(), 56);
}

TEST(ImageStore, PictureOfEachButtonKind) {
  const std::pair<TMButtonKind, const char*> cases[] = {{mkAdd, "Add"},
                                                        {mknPrev, "nPrev"},
                                                        {mkZorvan, "Zorvan"},
                                                        {mkFirst, "Buget"},
                                                        {mkPrev, "Precedent"},
                                                        {mkNext, "Urmator"},
                                                        {mkYes, "OK"},
                                                        {mkOK, "OK"},
                                                        {mkNo, "Nu"},
                                                        {mkClose, "Exit"},
                                                        {mkAbort, "Cancel"},
                                                        {mkTransf, "BSediu"},
                                                        {mkContr, "Contract"},
                                                        {mkExpl, "Explicatii"},
                                                        {mkAction, "UrmatorBlue"},
                                                        {mkAdvanced, "Avansat"},
                                                        {mkPlusSnorkel, "PlusSnorkel"},
                                                        {mkFindNext, "FindNext"},
                                                        {mkLast, ""},
                                                        {mkCustom, ""},
                                                        {mkIgnore, ""}};
  for (auto [kind, name] : cases) EXPECT_EQ(KindPictureName(kind), name) << int(kind);
  EXPECT_EQ(KindPictureName(mkIgnore, true), "PrnSetup");
  // Every kind with a picture names one the store has.
  for (int k = 0; k < MButtonKindCount; ++k) {
    const QString name = KindPictureName(TMButtonKind(k));
    if (!name.isEmpty()) {
      EXPECT_TRUE(Mesaj->HasPicture(name)) << name.toStdString();
    }
  }
  EXPECT_EQ(&Mesaj->KindGlyph(mkCustom), EmptyBitmap);
}

// All pictures on one sheet, each twice its size (small glyphs stay readable) on a checkered
// ground where it is transparent, under its name: for review.
TEST(ImageStore, ContactSheet) {
  const int cols = 5, cellW = 740, cellH = 360;
  const int rows = (Mesaj->Names().size() + cols - 1) / cols;
  QImage sheet(cols * cellW, rows * cellH, QImage::Format_RGB32);
  sheet.fill(Qt::white);
  QPainter p(&sheet);
  QFont font("DejaVu Sans");
  font.setPixelSize(18);
  p.setFont(font);
  int i = 0;
  for (const QString& name : Mesaj->Names()) {
    const QRect cell((i % cols) * cellW, (i / cols) * cellH, cellW, cellH);
    const QImage& img = Mesaj->Picture(name);
    const QSize s = Mesaj->DesignSize(name);
    p.setPen(Qt::black);
    p.drawText(cell.adjusted(8, 4, 0, 0), Qt::AlignTop | Qt::AlignLeft,
               QString("%1  %2 x %3").arg(name).arg(s.width()).arg(s.height()));
    const QRect at(cell.left() + 8, cell.top() + 32, 2 * img.width(), 2 * img.height());
    for (int y = 0; y < at.height(); y += 8)
      for (int x = 0; x < at.width(); x += 8)
        p.fillRect(at.left() + x, at.top() + y, 8, 8,
                   ((x + y) / 8) % 2 ? QColor(200, 200, 200) : QColor(240, 240, 240));
    DrawTransparentScaled(p, at, img);
    ++i;
  }
  p.end();
  EXPECT_TRUE(sheet.save(KitArtifact("contact-sheet.png")));
}
