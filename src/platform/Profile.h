#pragma once
// Private-profile (INI) reading with the platform's rules, and the per-user profile WIN.INI.
#include <QString>

namespace win {

// The value of [section] key in an INI file read in the ANSI code page. Section and key names
// compare without regard to case; blanks around keys and values and one pair of matching quotes
// around a value are removed. A missing file, section or key gives the default. The result holds
// at most size - 1 characters, as a buffer of that size would. A file named without a folder is
// looked for in the Windows folder.
QString GetPrivateProfileString(const QString& section, const QString& key,
                                const QString& defaultValue, int size, const QString& fileName);
// The integer of [section] key: the default when the file, section or key is missing; otherwise
// the value's leading decimal digits (after an optional sign), 0 when it has none.
int GetPrivateProfileInt(const QString& section, const QString& key, int defaultValue,
                         const QString& fileName);

// The same on WIN.INI in the Windows folder.
QString GetProfileString(const QString& section, const QString& key, const QString& defaultValue,
                         int size);
int GetProfileInt(const QString& section, const QString& key, int defaultValue);

}  // namespace win
