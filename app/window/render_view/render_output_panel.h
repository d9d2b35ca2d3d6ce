// What the renderer prints while it runs, with its progress and a Cancel button.
#pragma once

#include <QString>
#include <QWidget>

class QPlainTextEdit;
class QProgressBar;
class QPushButton;

class RenderOutputPanel : public QWidget {
    Q_OBJECT
public:
    explicit RenderOutputPanel(QWidget* parent = nullptr);

    void begin(const QString& command);
    // A piece of the renderer's output as it arrived: complete lines are
    // shown, progress lines ("... (42%)") move the bar instead.
    void append(const QString& piece);
    void end(const QString& status);

    QString text() const;
    int progress() const;
    QPushButton* cancelButton() const { return cancel_; }

private:
    void takeLine(const QString& line, bool overwritten);

    QPlainTextEdit* text_;
    QProgressBar* progress_;
    QPushButton* cancel_;
    QString partial_;
};
