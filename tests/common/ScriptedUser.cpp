#include "common/ScriptedUser.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include "kit/Actives.h"
#include "kit/Cliunit.h"

ScriptedUser::ScriptedUser() {
  connect(&timer_, &QTimer::timeout, this, &ScriptedUser::Poll);
  timer_.start(10);
}

ScriptedUser::~ScriptedUser() {
  timer_.stop();
}

ScriptedUser& ScriptedUser::Then(Step step) {
  steps_.push_back(std::move(step));
  return *this;
}

void ScriptedUser::Poll() {
  if (next_ >= steps_.size()) return;
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal || !modal->isVisible() || modal == last_) return;
  if (skip_ && skip_(modal)) return;
  last_ = modal;
  seen << QString("%1: %2").arg(modal->metaObject()->className(), modal->windowTitle());
  Step step = steps_[next_++];
  step(modal);
}

ScriptedUser::Step ScriptedUser::Click(const QString& buttonText) {
  return [buttonText](QWidget* modal) {
    for (auto* b : modal->findChildren<QAbstractButton*>())
      if (b->text() == buttonText && b->isVisible()) {
        QTest::mouseClick(b, Qt::LeftButton);
        return;
      }
    ADD_FAILURE_AT(__FILE__, __LINE__);
  };
}

ScriptedUser& ScriptedUser::Ignore(std::function<bool(QWidget* modal)> skip) {
  skip_ = std::move(skip);
  return *this;
}

void ScriptedUser::Activate(QWidget* modal) {
  if (modal->isActiveWindow()) return;
  modal->activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(modal));
}

ScriptedUser::Step ScriptedUser::Keys(int key, Qt::KeyboardModifiers modifiers) {
  return [key, modifiers](QWidget* modal) {
    Activate(modal);
    QWidget* target = modal->focusWidget() ? modal->focusWidget() : modal;
    QTest::keyClick(target, Qt::Key(key), modifiers);
  };
}

ScriptedUser::Step ScriptedUser::Reject() {
  return [](QWidget* modal) {
    // A kit form ignores reject() and the window system's close: it is closed by code.
    if (qobject_cast<TMForm*>(modal))
      modal->close();
    else if (auto* d = qobject_cast<QDialog*>(modal))
      d->reject();
  };
}

QString ScriptedUser::MessageText(QWidget* modal) {
  if (auto* box = qobject_cast<QMessageBox*>(modal)) return box->text();
  auto* label = modal ? modal->findChild<TFmtLabel*>("Message") : nullptr;
  if (!label) return QString();
  QString text = label->Caption();
  return text.replace("\r\n", "\n").replace('\r', '\n');
}

QString ScriptedUser::DefaultButtonText(QWidget* modal) {
  if (!modal) return QString();
  for (auto* b : modal->findChildren<QPushButton*>())
    if (b->isDefault()) return b->text();
  return QString();
}
