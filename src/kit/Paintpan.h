#pragma once
// A panel that works as a caption bar: dragging it with the left mouse button moves its form.
#include <QFrame>
#include <QPoint>
#include <functional>

class TMovePanel : public QFrame {
  Q_OBJECT
 public:
  explicit TMovePanel(QWidget* owner = nullptr);

  QString Caption() const { return caption_; }
  void SetCaption(const QString& value);

  QPoint Orig;        // where the drag started, in the panel's coordinates
  bool Down = false;  // a drag is in progress
  std::function<void(TMovePanel* sender)> OnClick;
  std::function<void(TMovePanel* sender)> FOnDblClick;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
  QPoint startGlobal_;  // the pointer and the form where the drag started
  QPoint startForm_;
  bool pressed_ = false;
};
