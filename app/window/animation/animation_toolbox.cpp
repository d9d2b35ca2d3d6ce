#include "animation/animation_toolbox.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

AnimationToolbox::AnimationToolbox(const QList<QAction*>& actions, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("animationToolbox"));
    auto* layout = new QVBoxLayout(this);
    auto* frameRow = new QHBoxLayout;
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName(QStringLiteral("animateSlider"));
    spin_ = new QSpinBox(this);
    spin_->setObjectName(QStringLiteral("animateFrame"));
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("animateFrameCount"));
    frameRow->addWidget(slider_, 1);
    frameRow->addWidget(spin_);
    frameRow->addWidget(count_);
    layout->addLayout(frameRow);
    auto* buttons = new QGridLayout;
    int column = 0, row = 0;
    for (QAction* action : actions) {
        if (action) {
            auto* button = new QToolButton(this);
            button->setDefaultAction(action);
            button->setObjectName(action->objectName() + QStringLiteral("Button"));
            button->setToolButtonStyle(Qt::ToolButtonTextOnly);
            buttons->addWidget(button, row, column);
        }
        if (++column == 4) {
            column = 0;
            ++row;
        }
    }
    // The buttons keep their own width: a wide dock leaves room beside them.
    buttons->setColumnStretch(4, 1);
    layout->addLayout(buttons);
    layout->addStretch();
    // Both controls show the same frame; only the user's choice asks for it.
    auto request = [this](int value) {
        if (updating_) return;
        emit frameRequested(static_cast<unsigned>(value - 1));
    };
    connect(slider_, &QSlider::valueChanged, this, request);
    connect(spin_, qOverload<int>(&QSpinBox::valueChanged), this, request);
    showFrame(0, 0);
}

void AnimationToolbox::showFrame(unsigned frame, unsigned maxFrames) {
    updating_ = true;
    const int top = static_cast<int>(maxFrames < 1 ? 1 : maxFrames);
    slider_->setRange(1, top);
    spin_->setRange(1, top);
    slider_->setValue(static_cast<int>(frame) + 1);
    spin_->setValue(static_cast<int>(frame) + 1);
    count_->setText(tr("of %1").arg(maxFrames));
    slider_->setEnabled(maxFrames > 0);
    spin_->setEnabled(maxFrames > 0);
    updating_ = false;
}
