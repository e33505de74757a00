#pragma once
// AnimationWidget: the animation control of the progress dialog. It plays one of the
// program's built-in animations (res/ResourceIds.h), drawn frame by frame, in a loop:
// 148 shows the printer feeding paper, 149 data travelling between a computer and the
// printer. UI thread only.
#include <QTimer>
#include <QWidget>

class AnimationWidget : public QWidget {
  Q_OBJECT
 public:
  // Frames of one loop and the time between frames.
  static constexpr int kFrameCount = 50;
  static constexpr int kFrameIntervalMs = 40;

  explicit AnimationWidget(QWidget* parent = nullptr);

  // Opens an animation by number, replacing an open one (which stops). Returns false
  // and stays closed for a number that is not an animation.
  bool Open(int id);
  // Plays the open animation from its first frame, repeating without end. Nothing
  // happens while no animation is open.
  void Play();
  // Stops on the current frame.
  void Stop();
  // Stops and closes the animation; the control then shows nothing.
  void Close();
  // Shows one frame (taken modulo the frame count) of the open animation, playing or not.
  void ShowFrame(int frame);

  int OpenId() const { return id_; }  // 0 while closed
  bool IsPlaying() const { return timer_.isActive(); }
  int CurrentFrame() const { return frame_; }

  QSize sizeHint() const override { return QSize(240, 64); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void NextFrame();

  QTimer timer_;
  int id_ = 0;
  int frame_ = 0;
};
