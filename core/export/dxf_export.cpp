// stub
#include "export/export_internal.h"

namespace kx::exporter {

const Dialect kDxfDialect{KX_FILETYPE_DXF, "%g %g %g", nullptr, nullptr, false, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, cells({{7, exportPoints}})};
int writeDxfPoints(CadObject*, StandardFile*) { return 0; }

}  // namespace kx::exporter
