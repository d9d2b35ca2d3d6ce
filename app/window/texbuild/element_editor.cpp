#include "texbuild/element_editor.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDesktopServices>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>
#include <cerrno>
#include <climits>
#include <cstring>
#include <unistd.h>
#include <vector>

#include "texbuild/texture_elements.h"

namespace {

constexpr int kItemRole = Qt::UserRole + 1;

TexItem* itemOf(const QTreeWidgetItem* row) {
    return static_cast<TexItem*>(row->data(0, kItemRole).value<void*>());
}

// A row of small editors laid out side by side in the value column.
QWidget* strip(QWidget* parent, const std::vector<QWidget*>& parts) {
    auto* box = new QWidget(parent);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* part : parts) layout->addWidget(part);
    return box;
}

QDoubleSpinBox* numberBox(QWidget* parent, double value, double low, double high) {
    auto* box = new QDoubleSpinBox(parent);
    box->setDecimals(4);
    box->setRange(low, high);
    box->setValue(value);
    return box;
}

}  // namespace

ElementEditor::ElementEditor(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("textureElements"));
    setColumnCount(2);
    setHeaderLabels({tr("Element"), tr("Value")});
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    // The value editors keep their width: the tree scrolls sideways instead of cutting them.
    header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    opener_ = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* row, int column) {
        TexItem* item = itemOf(row);
        if (filling_ || column != 0 || !item || item->type == KX_TEXITEM_GROUP) return;
        // The value stays with the element, so ticking again gives back what
        // the editor shows; only set elements are written.
        item->set = row->checkState(0) == Qt::Checked ? 1 : 0;
        emit valueChanged();
    });
}

void ElementEditor::reload() {
    filling_ = true;
    clear();
    std::vector<QTreeWidgetItem*> parents;
    for (const kx::app::ElementRow& row : kx::app::elementRows()) {
        parents.resize(static_cast<size_t>(row.depth));
        TexItem* item = row.item;
        const QString name = QString::fromUtf8(item->name, static_cast<int>(strnlen(item->name, sizeof item->name)));
        auto* line = parents.empty() ? new QTreeWidgetItem(this) : new QTreeWidgetItem(parents.back());
        line->setText(0, name);
        line->setData(0, kItemRole, QVariant::fromValue(static_cast<void*>(item)));
        line->setToolTip(0, QString::fromStdString(row.path));
        if (item->type == KX_TEXITEM_GROUP) {
            parents.push_back(line);
            continue;
        }
        line->setFlags(line->flags() | Qt::ItemIsUserCheckable);
        line->setCheckState(0, item->set ? Qt::Checked : Qt::Unchecked);
        addEditor(line, item);
    }
    expandAll();
    filling_ = false;
}

void ElementEditor::markSet(QTreeWidgetItem* row) {
    if (filling_) return;
    filling_ = true;
    row->setCheckState(0, Qt::Checked);
    filling_ = false;
    emit valueChanged();
}

void ElementEditor::addEditor(QTreeWidgetItem* row, TexItem* item) {
    QWidget* editor = nullptr;
    auto edited = [this, row] { markSet(row); };
    switch (item->type) {
        case KX_TEXITEM_SWITCH: {
            auto* box = new QCheckBox(this);
            box->setChecked(item->value.integer != 0);
            connect(box, &QCheckBox::toggled, this, [item, edited](bool on) {
                kx::app::setElementInteger(*item, on ? 1 : 0);
                edited();
            });
            editor = box;
            break;
        }
        case KX_TEXITEM_INTEGER:
        case KX_TEXITEM_OPTION: {
            auto* box = new QSpinBox(this);
            box->setRange(INT_MIN, INT_MAX);
            box->setValue(item->value.integer);
            connect(box, &QSpinBox::valueChanged, this, [item, edited](int v) {
                kx::app::setElementInteger(*item, v);
                edited();
            });
            editor = box;
            break;
        }
        case KX_TEXITEM_CHOICE: {
            auto* box = new QComboBox(this);
            for (const kx::app::ElementChoice& c : kx::app::lookupChoices(*item))
                box->addItem(QString::fromStdString(c.label), c.value);
            box->setCurrentIndex(box->findData(item->value.integer));
            connect(box, &QComboBox::activated, this, [box, item, edited](int index) {
                kx::app::setElementInteger(*item, box->itemData(index).toInt());
                edited();
            });
            editor = box;
            break;
        }
        case KX_TEXITEM_REAL: {
            auto* box = numberBox(this, item->value.real, -1e9, 1e9);
            connect(box, &QDoubleSpinBox::valueChanged, this, [item, edited](double v) {
                kx::app::setElementReal(*item, v);
                edited();
            });
            editor = box;
            break;
        }
        case KX_TEXITEM_POINT: {
            std::vector<QWidget*> parts;
            std::vector<QDoubleSpinBox*> boxes;
            for (float v : item->value.point) boxes.push_back(numberBox(this, v, -1e9, 1e9));
            for (QDoubleSpinBox* box : boxes) {
                parts.push_back(box);
                connect(box, &QDoubleSpinBox::valueChanged, this, [boxes, item, edited] {
                    const float p[3] = {static_cast<float>(boxes[0]->value()), static_cast<float>(boxes[1]->value()),
                                        static_cast<float>(boxes[2]->value())};
                    kx::app::setElementPoint(*item, p);
                    edited();
                });
            }
            editor = strip(this, parts);
            break;
        }
        case KX_TEXITEM_COLOUR:
        case KX_TEXITEM_TWO_COLOURS:
        case KX_TEXITEM_THREE_COLOURS: {
            std::vector<QWidget*> parts;
            for (int i = 0; i < kx::app::colourCount(item->type); ++i) {
                auto* pick = new QPushButton(tr("Colour %1...").arg(i + 1), this);
                // Three colours side by side squeezed the labels to "olour 1".
                pick->setMinimumWidth(pick->sizeHint().width());
                auto* filter = numberBox(this, item->value.colour[i][3], 0, 1);
                filter->setToolTip(tr("Filter"));
                auto store = [item, i, edited](QColor c, double f) {
                    const float rgbf[4] = {static_cast<float>(c.redF()), static_cast<float>(c.greenF()),
                                           static_cast<float>(c.blueF()), static_cast<float>(f)};
                    kx::app::setElementColour(*item, i, rgbf);
                    edited();
                };
                auto current = [item, i] {
                    return QColor::fromRgbF(item->value.colour[i][0], item->value.colour[i][1],
                                            item->value.colour[i][2]);
                };
                connect(pick, &QPushButton::clicked, this, [this, filter, store, current] {
                    const QColor c = QColorDialog::getColor(current(), this, tr("Colour"));
                    if (c.isValid()) store(c, filter->value());
                });
                connect(filter, &QDoubleSpinBox::valueChanged, this, [store, current](double f) { store(current(), f); });
                parts.push_back(pick);
                parts.push_back(filter);
            }
            editor = strip(this, parts);
            break;
        }
        case KX_TEXITEM_FILE:
        case KX_TEXITEM_TEXT:
        case KX_TEXITEM_STRING: {
            auto* line = new QLineEdit(this);
            line->setMaxLength(KX_TEXTEXT_SIZE - 1);
            if (item->text) line->setText(QString::fromUtf8(item->text));
            auto store = [line, item, edited] {
                std::string error;
                if (!kx::app::setElementText(*item, line->text().toStdString(), error)) {
                    ErrorMessage("%s", error.c_str());
                    line->setText(item->text ? QString::fromUtf8(item->text) : QString());
                    return;
                }
                edited();
            };
            connect(line, &QLineEdit::editingFinished, this, store);
            if (item->type != KX_TEXITEM_FILE) {
                editor = line;
                break;
            }
            auto* browse = new QPushButton(tr("Browse..."), this);
            auto* edit = new QPushButton(tr("Edit..."), this);
            edit->setObjectName(QStringLiteral("imageMapEdit"));
            connect(browse, &QPushButton::clicked, this, [this, line, store] {
                const QString path = QFileDialog::getOpenFileName(this, tr("Image map"),
                                                                  QString::fromStdString(texturesFolder_));
                if (path.isEmpty()) return;
                line->setText(path);
                store();
            });
            connect(edit, &QPushButton::clicked, this, [this, item] { editImageMap(item); });
            editor = strip(this, {line, browse, edit});
            break;
        }
        default: return;  // a letter the builder has no editor for is written as the file says
    }
    setItemWidget(row, 1, editor);
}

bool ElementEditor::editImageMap(TexItem* item) {
    std::string path, error;
    if (!item || !kx::app::imageMapPath(*item, texturesFolder_, path, error)) {
        ErrorMessage("%s", error.empty() ? "Image map file not specified" : error.c_str());
        return false;
    }
    // The desktop says nothing of why it failed: the file's own state is told.
    if (::access(path.c_str(), R_OK) != 0) {
        ErrorMessage("%s: %s", path.c_str(), std::strerror(errno));
        return false;
    }
    if (!opener_(QString::fromStdString(path))) {
        ErrorMessage("Unable to open %s", path.c_str());
        return false;
    }
    return true;
}
