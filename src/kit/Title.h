#pragma once
// The kit title bar: a strip across the top of a kit form that paints a solid or gradient
// background and the form's caption, grey while its form is disabled.
#include <QWidget>

#include "kit/GGlobals.h"

enum TIconStyle : unsigned char { isNone, isSearch, isDetail };

class TTitleBar : public QWidget {
  Q_OBJECT
 public:
  explicit TTitleBar(QWidget* parent = nullptr);

  const QString& Caption() const { return caption_; }
  void SetCaption(const QString& value);
  TColor CaptionColor() const { return captionColor_; }
  void SetCaptionColor(TColor value);
  TColor StartColor() const { return startColor_; }
  void SetStartColor(TColor value);
  TColor EndColor() const { return endColor_; }
  void SetEndColor(TColor value);
  bool Vertical() const { return vertical_; }
  void SetVertical(bool value);
  TIconStyle IconStyle() const { return iconStyle_; }
  void SetIconStyle(TIconStyle value);
  bool Grayed() const { return grayed_; }
  void SetGrayed(bool value);
  TAlign Align() const { return align_; }
  void SetAlign(TAlign value);

  double Scara = 1.0;  // the owner form's pixels per inch / 96
  int IconSpace = 10;  // room before the caption
  int FWidth = 0;      // width available to the caption

  // The colour of column (or row) i of an n-wide gradient between two $00BBGGRR colours.
  static TColor GradientColor(TColor start, TColor end, int i, int n);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Layout();
  void FollowParent();
  QString caption_;
  TColor captionColor_ = clBlack;
  TColor startColor_ = 5058564;
  TColor endColor_ = 15724527;
  bool vertical_ = false;
  TIconStyle iconStyle_ = isNone;
  bool grayed_ = false;
  TAlign align_ = alNone;
};
