// The animation toolbox: the frame slider and spin box (frames counted from 1
// as the user sees them) and buttons for the Animation menu's commands.
#pragma once

#include <QList>
#include <QWidget>

class QAction;
class QLabel;
class QSlider;
class QSpinBox;

class AnimationToolbox : public QWidget {
    Q_OBJECT
public:
    // One button per action, in the order given (a null action is a gap).
    AnimationToolbox(const QList<QAction*>& actions, QWidget* parent = nullptr);

    // Shows the frame (from 0) out of maxFrames without asking for it again;
    // everything is disabled when there is no animation (maxFrames 0).
    void showFrame(unsigned frame, unsigned maxFrames);
    QSlider* slider() const { return slider_; }
    QSpinBox* spinBox() const { return spin_; }

signals:
    // The user chose a frame (from 0).
    void frameRequested(unsigned frame);

private:
    QSlider* slider_;
    QSpinBox* spin_;
    QLabel* count_;
    bool updating_ = false;
};
