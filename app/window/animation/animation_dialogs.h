// The dialogs of the Animation menu: Setup..., Tween..., Render Animation...
// and the template editor of Sequence Files.
#pragma once

#include <QDialog>

#include "animation/animation_edit.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

// Name, frames, "Copy object settings forward", output folder, play rate.
class AnimationSetupDialog : public QDialog {
    Q_OBJECT
public:
    AnimationSetupDialog(const kx::app::AnimationSetup& setup, int playRate, QWidget* parent = nullptr);
    kx::app::AnimationSetup setup() const;
    int playRate() const;
    // Refuses a setup without frames or name, with the core's message.
    void accept() override;

private:
    QLineEdit* name_;
    QSpinBox* frames_;
    QCheckBox* copyForward_;
    QLineEdit* dir_;
    QSpinBox* playRate_;
};

// "From frame" and "To frame", counted from 1, and "All Objects".
class TweenDialog : public QDialog {
    Q_OBJECT
public:
    TweenDialog(unsigned from, unsigned to, unsigned maxFrames, QWidget* parent = nullptr);
    unsigned from() const;
    unsigned to() const;
    bool allObjects() const;

private:
    QSpinBox* from_;
    QSpinBox* to_;
    QCheckBox* all_;
};

// The range of Render Animation (from 1) and the inside-out order.
class RenderAnimationDialog : public QDialog {
    Q_OBJECT
public:
    RenderAnimationDialog(unsigned maxFrames, QWidget* parent = nullptr);
    unsigned first() const;  // from 0
    unsigned last() const;
    bool insideOut() const;

private:
    QSpinBox* from_;
    QSpinBox* to_;
    QCheckBox* insideOut_;
};

// One template's text in a 1024-character buffer of the core, with Load...
// and Save... of ".TPL" files.
class TemplateEditor : public QWidget {
    Q_OBJECT
public:
    TemplateEditor(const QString& name, char* buffer, QWidget* parent = nullptr);
    // Writes the edited text back into the buffer (cut to fit).
    void store();
    // Reads the buffer into the editor again.
    void reload();
    bool load(const QString& file);
    bool save(const QString& file);

private:
    char* buffer_;
    QPlainTextEdit* text_;
};

// Sequence Files...: the sequence and point templates, the inside-out
// order, and Write and Run.
class SequenceFilesDialog : public QDialog {
    Q_OBJECT
public:
    explicit SequenceFilesDialog(QWidget* parent = nullptr);
    TemplateEditor* sequenceTemplate() const { return sequence_; }
    TemplateEditor* objectTemplate() const { return object_; }
    bool insideOut() const;

signals:
    void writeRequested(bool insideOut);
    void runRequested();

private:
    TemplateEditor* sequence_;
    TemplateEditor* object_;
    QCheckBox* insideOut_;
};
