#pragma once
// The kit's bar gauge for the copy pages: an integer maximum and position, drawn as a sunken
// bar filled up to the position with the percentage in its middle.
#include <QWidget>

#include "kit/GGlobals.h"

class TMGauge : public QWidget {
  Q_OBJECT
 public:
  explicit TMGauge(QWidget* parent = nullptr);

  int Max() const { return max_; }
  // A maximum below 0 counts as 0; the position is held inside the new range.
  void SetMax(int value);
  int Position() const { return position_; }
  // Held inside 0 .. Max.
  void SetPosition(int value);
  // The percentage shown: 0 while the maximum is 0.
  int Percent() const;
  TColor BarColor() const { return barColor_; }
  void SetBarColor(TColor value);
  // Changes of the shown percentage so far; each repaints a visible gauge at once, and nothing
  // else does (a copy calls SetPosition for every block it writes).
  int Repaints = 0;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Changed(int oldPercent);
  int max_ = 100;
  int position_ = 0;
  TColor barColor_ = RGB(6, 81, 130);
};
