#include "common/PageShots.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QWidget>

#include "common/TestMachine.h"
#include "core/Iglobals.h"

TestBackdrop::TestBackdrop() {
  window.setGeometry(0, 0, 1024, 768);
  window.show();
  Installer = &window;
}

TestBackdrop::~TestBackdrop() {
  if (Installer == &window) Installer = nullptr;
}

void GrabOverBackdrop(QWidget* backdrop, QWidget* window, const QString& name, QPoint at) {
  ASSERT_TRUE(backdrop);
  QImage screen(backdrop->size(), QImage::Format_RGB32);
  QPainter p(&screen);
  backdrop->render(&p);
  if (at == QPoint(-1, -1)) at = PagePosition(screen.size(), window->size());
  window->render(&p, at);
  p.end();
  EXPECT_TRUE(screen.save(ArtifactPath(name)));
}
