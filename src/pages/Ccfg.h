#pragma once
// The system configuration page: the database engine, the help and chart components and the
// program group, one step after the other, each marked done in a status line as it completes.
// A step that fails with an error ends the run there: the later lines stay pending and Continue
// stays disabled, while Back and Abandon still work.
#include <QLabel>
#include <QString>

#include "pages/PageLook.h"

class TMButton;
class TNiceButton;

// A status line of the page: pending (no bevel, black, right-aligned) or done (raised bevel,
// red, left-aligned). "&&" in the caption shows as one "&".
class TStatusLine : public QLabel {
  Q_OBJECT
 public:
  TStatusLine(const char* name, const QString& caption, QWidget* parent);

  const QString& Caption() const { return caption_; }
  bool Done() const { return done_; }
  void SetDone(bool done);

 private:
  QString caption_;
  bool done_ = false;
};

class TConfig : public TWizardPage {
  Q_OBJECT
 public:
  explicit TConfig(QWidget* parent = nullptr);

  TStatusLine* BBDE = nullptr;
  TStatusLine* BCFGSYS = nullptr;
  TStatusLine* BGROUP = nullptr;
  TMButton* BNext = nullptr;
  TMButton* BBack = nullptr;
  TNiceButton* BCancel = nullptr;

  // The three steps; an error escaping a step ends the click (the kit shows it).
  void BNextClick();
  // Gives a line the done look, repaints it at once and lets pending events run.
  void MarkDone(TStatusLine* line);
};

// The help and chart step for the program folder of the installer state (engine/Updaters).
void DoConfigConfigSys();
