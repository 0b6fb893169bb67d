#pragma once
// The system's ANSI code page, Windows-1250: text files and the strings handed to outside
// components are converted at this boundary only.
#include <QByteArray>
#include <QString>

namespace win {

QString AnsiToUnicode(const QByteArray& ansi);
// Characters that the code page cannot hold become "?", as the platform does.
QByteArray UnicodeToAnsi(const QString& text);

}  // namespace win
