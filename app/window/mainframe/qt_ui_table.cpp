#include "mainframe/qt_ui_table.h"

#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QStringDecoder>
#include <QThread>
#include <QTreeWidget>

#include "kxcore.h"
#include "pixmo.h"

namespace kx::app {
namespace {

MessagePresenter& presenter() {
    static MessagePresenter p;
    return p;
}

bool onUiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

bool boxesRefused = false;

int runMessageBox(const QString& text, const QString& caption, unsigned style) {
    if (presenter()) return presenter()(text, caption, style);
    if (boxesRefused) {
        // The program is ending: the cautious answer, and nothing shown.
        switch (style & 0xF) {
            case KX_MB_YESNO: return KX_IDNO;
            case KX_MB_OKCANCEL:
            case KX_MB_YESNOCANCEL: return KX_IDCANCEL;
            default: return KX_IDOK;
        }
    }
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(caption);
    box.setText(text);
    switch (style & 0xF0) {
        case KX_MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
        case KX_MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
        case KX_MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
        case KX_MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
        default: break;
    }
    switch (style & 0xF) {
        case KX_MB_OKCANCEL: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case KX_MB_YESNO: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case KX_MB_YESNOCANCEL:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
        case QMessageBox::Cancel: return KX_IDCANCEL;
        case QMessageBox::Yes: return KX_IDYES;
        case QMessageBox::No: return KX_IDNO;
        default: return KX_IDOK;
    }
}

MessageBatch* activeBatch = nullptr;

// One box never holds more lines than a screen shows; the log has them all.
constexpr int kBatchLines = 12;

int defaultButton(unsigned style) {
    unsigned buttons = style & 0xF;
    return (buttons == KX_MB_YESNO || buttons == KX_MB_YESNOCANCEL) ? KX_IDYES : KX_IDOK;
}

}  // namespace

int collectOrShow(const QString& text, const QString& caption, unsigned style) {
    if (!activeBatch || (style & 0xF) != KX_MB_OK) return runMessageBox(text, caption, style);
    activeBatch->texts_.append(text.trimmed());
    if ((style & 0xF0) == KX_MB_ICONERROR || activeBatch->icon_ == 0) activeBatch->icon_ = style & 0xF0;
    return KX_IDOK;
}

MessageBatch::MessageBatch(QString heading) : heading_(std::move(heading)), outer_(activeBatch) {
    activeBatch = this;
}

MessageBatch::~MessageBatch() {
    flush();
    activeBatch = outer_;
}

void MessageBatch::flush() {
    if (texts_.isEmpty()) return;
    MessageBatch* active = activeBatch;
    activeBatch = outer_;  // the box itself is shown, not collected
    QStringList shown = texts_.mid(0, kBatchLines);
    if (texts_.size() > kBatchLines)
        shown.append(QObject::tr("... and %1 more (see KALVEX.LOG)").arg(texts_.size() - kBatchLines));
    collectOrShow(heading_ + QStringLiteral("\n\n") + shown.join(QLatin1Char('\n')), QStringLiteral("Kalvex"),
                  KX_MB_OK | (icon_ ? icon_ : KX_MB_ICONEXCLAMATION));
    texts_.clear();
    icon_ = 0;
    activeBatch = active;
}

namespace {

int messageBox(void*, HWND, const char* text, const char* caption, unsigned style) {
    QString t = sceneText(text);
    QString c = sceneText(caption);
    if (onUiThread()) return collectOrShow(t, c, style);
    // Another thread never blocks on the user: the box is queued to the
    // user-interface thread and the caller goes on with the default answer.
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [t, c, style] { runMessageBox(t, c, style); }, Qt::QueuedConnection);
    return defaultButton(style);
}

HWND focusWindow(void*) {
    if (!onUiThread()) return nullptr;
    return reinterpret_cast<HWND>(QApplication::activeWindow());
}

QTreeWidget* treeOf(HWND tree) { return reinterpret_cast<QTreeWidget*>(tree); }
QTreeWidgetItem* itemOf(HTREEITEM item) { return reinterpret_cast<QTreeWidgetItem*>(item); }

HTREEITEM insertTreeItem(void*, HWND tree, HTREEITEM parent, const char* text, void* data) {
    QTreeWidget* widget = treeOf(tree);
    if (!widget) return nullptr;
    QTreeWidgetItem* under = parent ? itemOf(parent) : widget->invisibleRootItem();
    auto* item = new QTreeWidgetItem;
    item->setText(0, sceneText(text));
    item->setData(0, kObjectRole, QVariant::fromValue(reinterpret_cast<quintptr>(data)));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    const QSignalBlocker quiet(widget);
    under->addChild(item);
    return reinterpret_cast<HTREEITEM>(item);
}

int deleteTreeItem(void*, HWND tree, HTREEITEM item) {
    if (!tree || !item) return 0;
    const QSignalBlocker quiet(treeOf(tree));
    // A group's item holds its members' items, which their objects still
    // name: they go up a level instead of going with it, and stand where the
    // group stood (ungrouping leaves the members in place).
    QTreeWidgetItem* doomed = itemOf(item);
    QTreeWidgetItem* above = doomed->parent() ? doomed->parent() : treeOf(tree)->invisibleRootItem();
    above->insertChildren(above->indexOfChild(doomed), doomed->takeChildren());
    delete doomed;
    return 1;
}

int renameTreeItem(void*, HWND tree, HTREEITEM item, const char* text) {
    if (!tree || !item) return 0;
    const QSignalBlocker quiet(treeOf(tree));
    itemOf(item)->setText(0, sceneText(text));
    return 1;
}

void waitCursor(void*, int busy) {
    if (!onUiThread()) return;
    if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
}

int paintSurface(void*, HDC target, const PxBits* image, int x, int y) {
    auto* painter = reinterpret_cast<QPainter*>(target);
    if (!painter || !image || !image->pixels) return 0;
    // The painter reads the library's pixels where they are.
    const QImage view(reinterpret_cast<const uchar*>(image->pixels), image->width, image->height,
                      static_cast<qsizetype>(image->stride) * 4, QImage::Format_RGB32);
    painter->drawImage(x, y, view);
    return 1;
}

int stretchSurface(void*, HDC target, const PxBits* image, const RECT* dest) {
    auto* painter = reinterpret_cast<QPainter*>(target);
    if (!painter || !image || !image->pixels || !dest) return 0;
    const QImage view(reinterpret_cast<const uchar*>(image->pixels), image->width, image->height,
                      static_cast<qsizetype>(image->stride) * 4, QImage::Format_RGB32);
    painter->drawImage(QRect(QPoint(dest->left, dest->top), QPoint(dest->right - 1, dest->bottom - 1)), view);
    return 1;
}

void invalidateWindow(void*, HWND window) {
    if (window && onUiThread()) reinterpret_cast<QWidget*>(window)->update();
}

KxUiCallbacks qtTable() {
    KxUiCallbacks t{};
    t.size = sizeof(KxUiCallbacks);
    t.messageBox = messageBox;
    t.focusWindow = focusWindow;
    t.insertTreeItem = insertTreeItem;
    t.deleteTreeItem = deleteTreeItem;
    t.renameTreeItem = renameTreeItem;
    t.waitCursor = waitCursor;
    return t;
}

PxDrawCallbacks qtDrawTable() {
    PxDrawCallbacks t{};
    t.size = sizeof(PxDrawCallbacks);
    t.paint = paintSurface;
    t.stretch = stretchSurface;
    t.invalidate = invalidateWindow;
    return t;
}

// Windows-1252 code points of the bytes 0x80 to 0x9F; the rest is Latin-1.
constexpr char16_t kCp1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

void refuseBoxes() { boxesRefused = true; }

void installQtUiTables() {
    boxesRefused = false;
    static const KxUiCallbacks table = qtTable();
    static const PxDrawCallbacks drawTable = qtDrawTable();
    KxSetUiCallbacks(&table);
    pxSetUiCallbacks(&table);
    pxSetDrawCallbacks(&drawTable);
    platform::setUi(&table);
}

void removeQtUiTables() {
    KxSetUiCallbacks(nullptr);
    pxSetUiCallbacks(nullptr);
    pxSetDrawCallbacks(nullptr);
    platform::setUi(nullptr);
}

void setMessagePresenter(MessagePresenter p) { presenter() = std::move(p); }

QString sceneText(const char* text) {
    if (!text) return {};
    const QByteArray bytes(text);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString decoded = utf8(bytes);
    if (!utf8.hasError()) return decoded;
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += (b >= 0x80 && b < 0xA0) ? QChar(kCp1252[b - 0x80]) : QChar(b);
    }
    return out;
}

}  // namespace kx::app
