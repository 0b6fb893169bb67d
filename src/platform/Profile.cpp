#include "platform/Profile.h"

#include <optional>

#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/Paths.h"
#include "platform/WinError.h"

namespace win {
namespace {

QString ProfilePath(const QString& fileName) {
  if (ExtractFilePath(fileName).isEmpty()) return JoinPath(GetWindowsDirectory(), fileName);
  return fileName;
}

// The raw value of the key, or nothing when the file, section or key is missing.
std::optional<QString> Lookup(const QString& section, const QString& key, const QString& fileName) {
  QStringList lines;
  try {
    lines = ReadTextLines(ProfilePath(fileName));
  } catch (const Error&) {
    return std::nullopt;
  }
  bool inSection = false, seenSection = false;
  for (QString line : lines) {
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith(';')) continue;
    if (line.startsWith('[')) {
      if (seenSection) return std::nullopt;  // only the first section of that name counts
      int end = line.indexOf(']');
      QString name = (end < 0 ? line.mid(1) : line.mid(1, end - 1)).trimmed();
      inSection = QString::compare(name, section.trimmed(), Qt::CaseInsensitive) == 0;
      seenSection = inSection;
      continue;
    }
    if (!inSection) continue;
    int eq = line.indexOf('=');
    QString k = (eq < 0 ? line : line.left(eq)).trimmed();
    if (QString::compare(k, key.trimmed(), Qt::CaseInsensitive) != 0) continue;
    QString value = eq < 0 ? QString() : line.mid(eq + 1).trimmed();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
      value = value.mid(1, value.size() - 2);
    return value;
  }
  return std::nullopt;
}

}  // namespace

QString GetPrivateProfileString(const QString& section, const QString& key,
                                const QString& defaultValue, int size, const QString& fileName) {
  if (size <= 0) return {};
  // Trailing blanks of the default are dropped, as the platform does.
  QString def = defaultValue;
  while (!def.isEmpty() && (def.back() == ' ' || def.back() == '\t')) def.chop(1);
  QString value = Lookup(section, key, fileName).value_or(def);
  if (value.size() > size - 1) value.truncate(size - 1);
  return value;
}

int GetPrivateProfileInt(const QString& section, const QString& key, int defaultValue,
                         const QString& fileName) {
  auto value = Lookup(section, key, fileName);
  if (!value) return defaultValue;
  const QString& v = *value;
  int i = 0;
  bool negative = false;
  if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
  quint32 n = 0;
  for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i)
    n = n * 10 + quint32(v[i].unicode() - '0');
  return negative ? int(0u - n) : int(n);
}

QString GetProfileString(const QString& section, const QString& key, const QString& defaultValue,
                         int size) {
  return GetPrivateProfileString(section, key, defaultValue, size, "WIN.INI");
}

int GetProfileInt(const QString& section, const QString& key, int defaultValue) {
  return GetPrivateProfileInt(section, key, defaultValue, "WIN.INI");
}

}  // namespace win
