#pragma once
// The kit image store: one hidden window, created at kit start-up and never shown, that holds
// every named picture of the kit (message icons, button faces, glyph strips, logos). The
// pictures are shared: callers read them (and owner-drawn buttons may recolour a strip's
// transparent colour in place) but never free them.
//
// Glyph strips are equal frames side by side: normal, disabled, then pressed (or hot). The
// colour of a picture's top-left pixel is its transparent colour.
#include <QHash>
#include <QImage>
#include <QStringList>
#include <QWidget>

#include "kit/GGlobals.h"

class TMesaj : public QWidget {
  Q_OBJECT
 public:
  TMesaj();

  // The picture of that name (names compare without regard to case); the empty picture when no
  // picture has that name.
  QImage& Picture(const QString& name);
  bool HasPicture(const QString& name) const;
  // Every name, in the store's order.
  const QStringList& Names() const { return names_; }
  // The size a picture is designed at (the empty ButtonFace2 has a size but no picture).
  QSize DesignSize(const QString& name) const;
  QImage& Empty() { return empty_; }

  // The message icon of a kind: Warning, Error, Information, Confirmation for 0 to 3, else the
  // empty picture.
  QImage& MessageIcon(int kind);
  // A kit glyph by number; the top bit of the number is ignored.
  QImage& KitGlyph(int glyph);
  // The glyph picture of a button kind; the skinned button gives mkIgnore a picture of its own.
  QImage& KindGlyph(TMButtonKind kind, bool niceButton = false);

 private:
  QStringList names_;
  QHash<QString, QImage> pictures_;  // by lower-case name
  QHash<QString, QSize> sizes_;
  QImage empty_;
};

// The store, from kit start-up to kit shutdown.
extern TMesaj* Mesaj;

// The name of the picture a button kind shows; empty when the kind has none.
QString KindPictureName(TMButtonKind kind, bool niceButton = false);

// Draws a picture (or the part source of it) at a point with the colour of its top-left pixel
// left out when transparent.
void DrawTransparent(class QPainter& painter, const QPoint& at, const QImage& picture,
                     const QRect& source = QRect(), bool transparent = true);
// The same, stretched over target.
void DrawTransparentScaled(class QPainter& painter, const QRect& target, const QImage& picture,
                           const QRect& source = QRect(), bool transparent = true);
