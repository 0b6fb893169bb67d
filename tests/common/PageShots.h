#pragma once
// Pictures of pages for review: a window drawn over the backdrop where the driver places it.
#include <QPoint>
#include <QString>

class QWidget;

// Saves backdrop + window to ArtifactPath(name); `at` defaults to the driver's placement.
void GrabOverBackdrop(QWidget* backdrop, QWidget* window, const QString& name,
                      QPoint at = QPoint(-1, -1));
