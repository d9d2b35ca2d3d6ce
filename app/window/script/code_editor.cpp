#include "script/code_editor.h"

#include <QFontDatabase>
#include <QPainter>
#include <QTextBlock>

namespace {

class LineMargin : public QWidget {
public:
    explicit LineMargin(CodeEditor* editor) : QWidget(editor), editor_(editor) {}
    QSize sizeHint() const override { return QSize(editor_->marginWidth(), 0); }

protected:
    void paintEvent(QPaintEvent* event) override { editor_->paintMargin(event); }

private:
    CodeEditor* editor_;
};

}  // namespace

CodeEditor::CodeEditor(QWidget* parent) : QPlainTextEdit(parent), margin_(new LineMargin(this)) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabStopDistance(fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 4);
    connect(this, &QPlainTextEdit::blockCountChanged, this, &CodeEditor::updateMarginWidth);
    connect(this, &QPlainTextEdit::updateRequest, this, &CodeEditor::updateMargin);
    updateMarginWidth();
}

int CodeEditor::marginWidth() const {
    int digits = 1;
    for (int n = qMax(1, blockCount()); n >= 10; n /= 10) ++digits;
    return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

void CodeEditor::updateMarginWidth() { setViewportMargins(marginWidth(), 0, 0, 0); }

void CodeEditor::updateMargin(const QRect& rect, int dy) {
    if (dy != 0) margin_->scroll(0, dy);
    else margin_->update(0, rect.y(), margin_->width(), rect.height());
    if (rect.contains(viewport()->rect())) updateMarginWidth();
}

void CodeEditor::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    const QRect r = contentsRect();
    margin_->setGeometry(QRect(r.left(), r.top(), marginWidth(), r.height()));
}

void CodeEditor::paintMargin(QPaintEvent* event) {
    QPainter painter(margin_);
    painter.fillRect(event->rect(), palette().color(QPalette::AlternateBase));
    painter.setPen(palette().color(QPalette::PlaceholderText));
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    const int lineHeight = fontMetrics().height();
    while (block.isValid() && top <= event->rect().bottom()) {
        if (block.isVisible() && top + lineHeight >= event->rect().top())
            painter.drawText(0, top, margin_->width() - 4, lineHeight, Qt::AlignRight,
                             QString::number(block.blockNumber() + 1));
        top += qRound(blockBoundingRect(block).height());
        block = block.next();
    }
}

void CodeEditor::goToLine(int line) {
    const QTextBlock block = document()->findBlockByNumber(line - 1);
    if (!block.isValid()) return;
    QTextCursor cursor(block);
    setTextCursor(cursor);
    centerCursor();
    setFocus();
}
