#include "platform/Fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace win {

// Qt's ids start at 0; the platform's handles are never 0, so they are ids + 1.

int AddFontMemResource(const QByteArray& data) {
  if (data.isEmpty()) return 0;
  int id = QFontDatabase::addApplicationFontFromData(data);
  return id < 0 ? 0 : id + 1;
}

QString FontFamily(int handle) {
  if (handle <= 0) return {};
  // A face may carry a shared family name ("Lato") and one of its own ("Lato Black"): the longer
  // one selects this face even where other faces of the family are installed.
  QString best;
  for (const QString& f : QFontDatabase::applicationFontFamilies(handle - 1))
    if (f.size() > best.size()) best = f;
  return best;
}

bool RemoveFontMemResource(int handle) {
  return handle > 0 && QFontDatabase::removeApplicationFont(handle - 1);
}

void BindFontName(const QString& designName, int handle) {
  QString family = FontFamily(handle);
  if (family.isEmpty()) return;
  QFont::removeSubstitutions(designName);
  QFont::insertSubstitution(designName, family);
}

}  // namespace win
