#pragma once
// Fonts added from raw data for this process only.
#include <QByteArray>
#include <QString>

namespace win {

// Adds a font from its data, private to this process; returns its handle, or 0 when the data is
// refused.
int AddFontMemResource(const QByteArray& data);
// The family name that selects an added font (empty for an unknown handle).
QString FontFamily(int handle);
// Removes an added font; false for an unknown handle.
bool RemoveFontMemResource(int handle);
// Makes a font name that the program asks for select an added font's family.
void BindFontName(const QString& designName, int handle);

}  // namespace win
