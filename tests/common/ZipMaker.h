#pragma once
// Writes small ZIP archives for tests.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Entries are written in the order given, deflated; a name ending in "/" is a folder entry.
bool MakeZip(const QString& hostPath, const QList<QPair<QString, QByteArray>>& entries);
