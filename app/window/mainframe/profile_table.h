// The profile of a lathe, surface of revolution, prism or sphere sweep as a
// small table in the Properties panel: a lathe's and a surface of
// revolution's radius and height, a prism's x and z, or a sphere sweep's
// centre and radius, a point a row. Buttons below add a row after the chosen
// one and remove the chosen row. Each change is told as the whole new
// profile; a cell left with text that is no number is put back instead.
#pragma once

#include <QWidget>
#include <cstdint>
#include <vector>

#include "kxcore.h"

class QPushButton;
class QTableWidget;

class ProfileTable : public QWidget {
    Q_OBJECT
public:
    explicit ProfileTable(QWidget* parent = nullptr);

    // Shows the points in the columns of the kind; radii only for a sweep.
    void setProfile(uint32_t type, const std::vector<Point3d>& points, const std::vector<double>& radii);

    QTableWidget* table() const { return table_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* removeButton() const { return remove_; }

    // The point a row added after `row` of the profile starts as: halfway to
    // the next point (a prism's last runs to its first), else one step on
    // past the row from the one before it. Halfway keeps a surface of
    // revolution's heights rising and a prism's outline from crossing itself.
    static Point3d pointAfter(uint32_t type, const std::vector<Point3d>& points, size_t row);

signals:
    void edited(const std::vector<Point3d>& points, const std::vector<double>& radii);

private:
    // The profile's coordinate a column shows: 0 x, 1 y, 2 z, 3 the radius.
    std::vector<int> columns() const;
    void fill();
    void cellEdited(int row, int column);
    void addRow();
    void removeRow();

    QTableWidget* table_;
    QPushButton* add_;
    QPushButton* remove_;
    uint32_t type_ = 0;
    std::vector<Point3d> points_;
    std::vector<double> radii_;
    bool filling_ = false;
};
