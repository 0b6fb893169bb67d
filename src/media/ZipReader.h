#pragma once
// Reading the installation's ZIP archives.
#include <QString>

// Unpacks every entry of an archive into a folder (both in Windows terms), with the entries'
// relative paths; existing files are replaced. Throws win::Error with a readable message when the
// archive is missing, unreadable or not a ZIP, or when an entry would land outside the folder.
void UnzipAll(const QString& archive, const QString& destination);
