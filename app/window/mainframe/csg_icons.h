// Small pictures of the four CSG operations, two overlapping discs each, for
// the CSG menu, the properties panel and the scene tree.
#pragma once

#include <QIcon>

#include "document/csg_edits.h"

namespace kx::app {

QIcon csgIcon(CsgOperation operation);

}  // namespace kx::app
