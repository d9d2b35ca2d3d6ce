#include "mainframe/profile_table.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "mainframe/number_field.h"

namespace {

constexpr int kRadius = 3;
// Rows the table shows before it scrolls: the panel stays short.
constexpr int kVisibleRows = 6;

float coordinate(const Point3d& p, int c) { return c == 0 ? p.x : c == 1 ? p.y : p.z; }

void setCoordinate(Point3d& p, int c, float v) { (c == 0 ? p.x : c == 1 ? p.y : p.z) = v; }

Point3d halfway(const Point3d& a, const Point3d& b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2}; }

}  // namespace

ProfileTable::ProfileTable(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    table_ = new QTableWidget(this);
    table_->setObjectName(QStringLiteral("profileCells"));
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setMaximumHeight(table_->verticalHeader()->defaultSectionSize() * (kVisibleRows + 1) + 4);
    layout->addWidget(table_);
    auto* buttons = new QHBoxLayout;
    add_ = new QPushButton(tr("Add Point"), this);
    add_->setObjectName(QStringLiteral("profileAdd"));
    add_->setToolTip(tr("Adds a point after the chosen one"));
    remove_ = new QPushButton(tr("Remove Point"), this);
    remove_->setObjectName(QStringLiteral("profileRemove"));
    remove_->setToolTip(tr("Removes the chosen point"));
    buttons->addWidget(add_);
    buttons->addWidget(remove_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(table_, &QTableWidget::cellChanged, this, &ProfileTable::cellEdited);
    connect(add_, &QPushButton::clicked, this, &ProfileTable::addRow);
    connect(remove_, &QPushButton::clicked, this, &ProfileTable::removeRow);
}

std::vector<int> ProfileTable::columns() const {
    switch (type_) {
        case KX_PRISM: return {0, 2};
        case KX_SPHERESWEEP: return {0, 1, 2, kRadius};
        default: return {0, 1};
    }
}

void ProfileTable::setProfile(uint32_t type, const std::vector<Point3d>& points, const std::vector<double>& radii) {
    type_ = type;
    points_ = points;
    radii_ = radii;
    fill();
}

void ProfileTable::fill() {
    filling_ = true;
    QStringList titles;
    switch (type_) {
        case KX_PRISM: titles = {tr("X"), tr("Z")}; break;
        case KX_SPHERESWEEP: titles = {tr("X"), tr("Y"), tr("Z"), tr("Radius")}; break;
        default: titles = {tr("Radius"), tr("Height")}; break;
    }
    const std::vector<int> shown = columns();
    table_->setColumnCount(static_cast<int>(shown.size()));
    table_->setHorizontalHeaderLabels(titles);
    table_->setRowCount(static_cast<int>(points_.size()));
    for (size_t row = 0; row < points_.size(); ++row)
        for (size_t col = 0; col < shown.size(); ++col) {
            const double v = shown[col] == kRadius ? (row < radii_.size() ? radii_[row] : 0.0)
                                                   : coordinate(points_[row], shown[col]);
            // Items are kept and given their text: a cell's own change signal may be running.
            if (QTableWidgetItem* item = table_->item(static_cast<int>(row), static_cast<int>(col)))
                item->setText(NumberField::format(v));
            else
                table_->setItem(static_cast<int>(row), static_cast<int>(col),
                                new QTableWidgetItem(NumberField::format(v)));
        }
    remove_->setEnabled(!points_.empty());
    filling_ = false;
}

void ProfileTable::cellEdited(int row, int column) {
    if (filling_ || row < 0 || static_cast<size_t>(row) >= points_.size()) return;
    const std::vector<int> shown = columns();
    const QTableWidgetItem* item = table_->item(row, column);
    const std::optional<double> value = item ? NumberField::parse(item->text()) : std::nullopt;
    if (!value || column < 0 || static_cast<size_t>(column) >= shown.size()) {
        fill();
        return;
    }
    std::vector<Point3d> points = points_;
    std::vector<double> radii = radii_;
    if (shown[column] == kRadius) {
        radii.resize(points.size(), 0.0);
        radii[static_cast<size_t>(row)] = *value;
    } else {
        setCoordinate(points[static_cast<size_t>(row)], shown[column], static_cast<float>(*value));
    }
    // The table shows the profile as stored until the owner stores the new one.
    fill();
    emit edited(points, radii);
}

Point3d ProfileTable::pointAfter(uint32_t type, const std::vector<Point3d>& points, size_t row) {
    const size_t n = points.size();
    if (n == 0) return {0, 0, 0};
    row = std::min(row, n - 1);
    if (row + 1 < n) return halfway(points[row], points[row + 1]);
    if (type == KX_PRISM && n >= 2) return halfway(points[row], points[0]);
    if (n >= 2) {
        const Point3d& a = points[row - 1];
        const Point3d& b = points[row];
        return {2 * b.x - a.x, 2 * b.y - a.y, 2 * b.z - a.z};
    }
    // A single point: a step along the profile's second coordinate.
    Point3d p = points[0];
    if (type == KX_PRISM) p.z += 0.5f;
    else p.y += 0.5f;
    return p;
}

void ProfileTable::addRow() {
    const int current = table_->currentRow();
    const size_t row = current >= 0 ? static_cast<size_t>(current) : (points_.empty() ? 0 : points_.size() - 1);
    std::vector<Point3d> points = points_;
    std::vector<double> radii = radii_;
    const Point3d added = pointAfter(type_, points, row);
    const size_t at = points.empty() ? 0 : std::min(row + 1, points.size());
    points.insert(points.begin() + static_cast<std::ptrdiff_t>(at), added);
    if (type_ == KX_SPHERESWEEP) {
        radii.resize(points_.size(), 0.25);
        // The new sphere is as big as the one it follows.
        const double r = radii.empty() ? 0.25 : radii[std::min(row, radii.size() - 1)];
        radii.insert(radii.begin() + static_cast<std::ptrdiff_t>(at), r);
    }
    emit edited(points, radii);
}

void ProfileTable::removeRow() {
    if (points_.empty()) return;
    const int current = table_->currentRow();
    const size_t row = current >= 0 && static_cast<size_t>(current) < points_.size() ? static_cast<size_t>(current)
                                                                                    : points_.size() - 1;
    std::vector<Point3d> points = points_;
    std::vector<double> radii = radii_;
    points.erase(points.begin() + static_cast<std::ptrdiff_t>(row));
    if (row < radii.size()) radii.erase(radii.begin() + static_cast<std::ptrdiff_t>(row));
    emit edited(points, radii);
}
