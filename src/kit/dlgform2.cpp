#include "kit/dlgform2.h"

#include <QPainter>

#include "kit/KitPictures.h"

TMesaj* Mesaj = nullptr;

namespace {

// Pictures of the button kinds: the kind's name without "mk", but for these.
const std::pair<TMButtonKind, const char*> kKindExceptions[] = {{mkFirst, "Buget"},
                                                                {mkPrev, "Precedent"},
                                                                {mkNext, "Urmator"},
                                                                {mkRecord, "Jurnal"},
                                                                {mkView, "Vizual"},
                                                                {mkYes, "OK"},
                                                                {mkNo, "Nu"},
                                                                {mkClose, "Exit"},
                                                                {mkAbort, "Cancel"},
                                                                {mkUnelte, "BUnelte"},
                                                                {mkIntr, "BIntr"},
                                                                {mkTransf, "BSediu"},
                                                                {mkIes, "BIes"},
                                                                {mkBani, "BBani"},
                                                                {mkContr, "Contract"},
                                                                {mkExpl, "Explicatii"},
                                                                {mkAction, "UrmatorBlue"},
                                                                {mkAdvanced, "Avansat"},
                                                                {mkLast, ""},
                                                                {mkCustom, ""},
                                                                {mkIgnore, ""}};

const char* const kGlyphPictures[] = {
    "",          "Permis", "Interzis", "Surub",     "Linii",        "Check",     "Radio",
    "Anulat",    "GrupX",  "Grup0",    "crescator", "descrescator", "ToolbVert", "ToolbOriz",
    "EscapeImg", "SCLogo", "Pag",      "Zorvan",    "Buget"};

}  // namespace

QString KindPictureName(TMButtonKind kind, bool niceButton) {
  if (kind >= MButtonKindCount) return QString();
  if (niceButton && kind == mkIgnore) return "PrnSetup";
  for (const auto& [k, name] : kKindExceptions)
    if (k == kind) return QLatin1String(name);
  return QLatin1String(MButtonKindName(kind)).mid(2);
}

TMesaj::TMesaj() {
  setObjectName("Mesaj");
  setAttribute(Qt::WA_DontShowOnScreen);
  for (const TKitPicture& e : KitPictureCatalogue()) {
    names_ << QLatin1String(e.name);
    sizes_.insert(QString(e.name).toLower(), QSize(e.w, e.h));
    if (e.make) pictures_.insert(QString(e.name).toLower(), e.make(e.w, e.h));
  }
}

QImage& TMesaj::Picture(const QString& name) {
  auto it = pictures_.find(name.toLower());
  return it == pictures_.end() ? empty_ : *it;
}

bool TMesaj::HasPicture(const QString& name) const {
  return sizes_.contains(name.toLower());
}

QSize TMesaj::DesignSize(const QString& name) const {
  return sizes_.value(name.toLower());
}

QImage& TMesaj::MessageIcon(int kind) {
  static const char* const names[] = {"Warning", "Error", "Information", "Confirmation"};
  return kind >= 0 && kind < 4 ? Picture(names[kind]) : empty_;
}

QImage& TMesaj::KitGlyph(int glyph) {
  const int g = glyph & 0x7F;
  if (g <= glCustom || g > glBuget) return empty_;
  return Picture(kGlyphPictures[g]);
}

QImage& TMesaj::KindGlyph(TMButtonKind kind, bool niceButton) {
  const QString name = KindPictureName(kind, niceButton);
  return name.isEmpty() ? empty_ : Picture(name);
}

void DrawTransparentScaled(QPainter& painter, const QRect& target, const QImage& picture,
                           const QRect& source, bool transparent) {
  if (picture.isNull()) return;
  const QRect src = source.isNull() ? picture.rect() : source & picture.rect();
  if (src.isEmpty()) return;
  QImage part = picture.copy(src);
  if (transparent) {
    part = part.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = picture.pixel(0, 0) | 0xFF000000;
    for (int y = 0; y < part.height(); ++y) {
      QRgb* line = reinterpret_cast<QRgb*>(part.scanLine(y));
      for (int x = 0; x < part.width(); ++x)
        if ((line[x] | 0xFF000000) == key) line[x] = 0;
    }
  }
  painter.drawImage(target, part);
}

void DrawTransparent(QPainter& painter, const QPoint& at, const QImage& picture,
                     const QRect& source, bool transparent) {
  const QRect src = source.isNull() ? picture.rect() : source & picture.rect();
  DrawTransparentScaled(painter, QRect(at, src.size()), picture, src, transparent);
}
