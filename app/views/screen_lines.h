// Screen lines of a dense mesh: neighbouring triangles share their edges, and
// many edges fall on the same pixels, so a view keeps each line once.
#pragma once

#include <QLine>

#include <vector>

namespace kx::app {

// Keeps the first copy of each line, as it was given; a line and its reverse
// are the same line. The kept lines stay in their order.
void dropDuplicateLines(std::vector<QLine>& lines);

}  // namespace kx::app
