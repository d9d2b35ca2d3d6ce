#include "render_view/render_output_panel.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {

// A renderer that floods its output must not grow the panel without bound.
constexpr int kMaxLines = 5000;

// "Rendered 1234 of 76800 pixels (1%)", "Rendering line 12 of 240": the last
// percentage, or the counts, tell how far the render got.
int progressOf(const QString& line) {
    static const QRegularExpression percent(QStringLiteral("\\((\\d{1,3})%\\)"));
    static const QRegularExpression counts(QStringLiteral("(?:Rendered|Rendering line|line)\\s+(\\d+)\\s+of\\s+(\\d+)"),
                                           QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch m = percent.match(line);
    if (m.hasMatch()) return std::min(100, m.captured(1).toInt());
    m = counts.match(line);
    if (m.hasMatch() && m.captured(2).toLongLong() > 0)
        return static_cast<int>(100 * m.captured(1).toLongLong() / m.captured(2).toLongLong());
    return -1;
}

}  // namespace

RenderOutputPanel::RenderOutputPanel(QWidget* parent) : QWidget(parent) {
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("renderOutput"));
    text_->setReadOnly(true);
    text_->setMaximumBlockCount(kMaxLines);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    progress_->setValue(0);
    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setEnabled(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(progress_, 1);
    bottom->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(text_, 1);
    layout->addLayout(bottom);
}

void RenderOutputPanel::begin(const QString& command) {
    text_->clear();
    partial_.clear();
    progress_->setValue(0);
    cancel_->setEnabled(true);
    if (!command.isEmpty()) text_->appendPlainText(command);
}

void RenderOutputPanel::append(const QString& piece) {
    partial_ += piece;
    qsizetype start = 0;
    for (qsizetype i = 0; i < partial_.size(); ++i) {
        const QChar c = partial_[i];
        if (c != '\n' && c != '\r') continue;
        // A carriage return at the end may be half of a line end still on its way.
        if (c == '\r' && i + 1 >= partial_.size()) break;
        // A line ended by a lone carriage return is overwritten by the next one.
        const bool overwritten = c == '\r' && partial_[i + 1] != '\n';
        takeLine(partial_.mid(start, i - start), overwritten);
        if (c == '\r' && partial_[i + 1] == '\n') ++i;
        start = i + 1;
    }
    partial_.remove(0, start);
}

void RenderOutputPanel::takeLine(const QString& line, bool overwritten) {
    // Progress lines move the bar; the text keeps what the renderer had to say.
    const int p = progressOf(line);
    if (p >= 0) {
        progress_->setValue(p);
        return;
    }
    if (overwritten || line.isEmpty()) return;
    text_->appendPlainText(line);
}

void RenderOutputPanel::end(const QString& status) {
    if (!partial_.isEmpty()) takeLine(partial_, false);
    partial_.clear();
    cancel_->setEnabled(false);
    if (!status.isEmpty()) text_->appendPlainText(status);
}

QString RenderOutputPanel::text() const { return text_->toPlainText(); }

int RenderOutputPanel::progress() const { return progress_->value(); }
