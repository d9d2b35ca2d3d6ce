#!/bin/sh
# Fails when a file of the engine (the program below its window) includes a
# header of the window toolkit's widgets or painting: the engine builds and
# runs without them.
engine="$1"
[ -d "$engine" ] || { echo "missing: $engine"; exit 1; }
found=$(grep -rlE '#include[[:space:]]*<(QtWidgets|QtGui|QWidget|QMainWindow|QDialog|QAction|QMenu|QApplication|QPainter|QImage|QPixmap|QIcon|QMessageBox)' "$engine")
if [ -n "$found" ]; then
    echo "engine files that include window headers:"
    echo "$found"
    exit 1
fi
exit 0
