#pragma once
// A picture control that leaves out its picture's transparent colour and can show one of the
// kit's standard pictures by kind.
#include <QImage>
#include <QWidget>
#include <functional>

#include "kit/GGlobals.h"

class TTransImage : public QWidget {
  Q_OBJECT
 public:
  explicit TTransImage(QWidget* parent = nullptr);

  const QImage& Bitmap() const { return bitmap_; }
  void SetBitmap(const QImage& value);  // a copy; resets the three kinds
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  // Whether the picture is drawn; the control itself stays in place.
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  TMButtonKind KindMic() const { return kindMic_; }
  void SetKindMic(TMButtonKind value);
  TMsgDlgType KindMare() const { return kindMare_; }
  void SetKindMare(TMsgDlgType value);
  TAlteGlife KindAlte() const { return kindAlte_; }
  void SetKindAlte(TAlteGlife value);

  // The picture shown: the button kind's glyph, else the message type's picture, else the kit
  // glyph, else the own bitmap.
  const QImage& Shown() const;

  std::function<void(TTransImage* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                     int x, int y)>
      OnMouseDown;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void FitToPicture();
  QImage bitmap_;
  bool autoSize_ = true;
  bool transparent_ = true;
  bool visible_ = true;
  TMButtonKind kindMic_ = mkCustom;
  TMsgDlgType kindMare_ = mtCustom;
  TAlteGlife kindAlte_ = glCustom;
};
