#pragma once
// Pictures the kit tests leave for review in the build tree (kit-artifacts/ next to bin/), never
// committed. The path does not depend on the working folder, which machine tests change.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QString>
#include <QWidget>

inline QString KitArtifact(const QString& name) {
  QDir dir(QCoreApplication::applicationDirPath() + "/../kit-artifacts");
  dir.mkpath(".");
  return dir.absoluteFilePath(name);
}

inline QImage Grab(QWidget* w) {
  return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}
