#pragma once
// A scripted user for tests: answers the modal windows that come up next, one step each, as a
// person would (keys and clicks), while the code under test runs its own modal loops.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <vector>

class QWidget;

class ScriptedUser : public QObject {
  Q_OBJECT
 public:
  using Step = std::function<void(QWidget* modal)>;
  ScriptedUser();
  ~ScriptedUser() override;

  // Runs step on the next modal window that is not the one the previous step answered.
  ScriptedUser& Then(Step step);
  // Windows for which accept answers false are left alone (pages that close themselves, say).
  ScriptedUser& Ignore(std::function<bool(QWidget* modal)> skip);
  // Steps not yet run.
  int Pending() const { return int(steps_.size() - next_); }
  // What each answered window was: its class name and title.
  QStringList seen;

  // Common steps.
  static Step Click(const QString& buttonText);  // the button whose text is this
  // Keys go to the window once it is active: mnemonics answer only there, and a loaded machine
  // may activate a new window after it has become the modal one.
  static Step Keys(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  // Makes the window the active one, as a user's click on it would, and waits for that.
  static void Activate(QWidget* modal);
  static Step Reject();  // close it without a button

  // What a message window says: the kit dialog's text (line breaks as "\n"), or a standard
  // message box's text.
  static QString MessageText(QWidget* modal);
  // The caption of its default button ("" when none).
  static QString DefaultButtonText(QWidget* modal);

 private:
  void Poll();
  std::vector<Step> steps_;
  std::function<bool(QWidget*)> skip_;
  size_t next_ = 0;
  QPointer<QWidget> last_;
  QTimer timer_;
};
