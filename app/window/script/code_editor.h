// A plain-text code editor: a fixed-pitch font and line numbers in a margin.
#pragma once

#include <QPlainTextEdit>

class CodeEditor : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CodeEditor(QWidget* parent = nullptr);

    // Puts the cursor at the start of line (from 1) and shows it.
    void goToLine(int line);
    int marginWidth() const;
    void paintMargin(QPaintEvent* event);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateMarginWidth();
    void updateMargin(const QRect& rect, int dy);

    QWidget* margin_;
};
