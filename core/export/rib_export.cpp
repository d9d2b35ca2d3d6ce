// stub
#include "export/export_internal.h"

namespace kx::exporter {

const Dialect kRibDialect{KX_FILETYPE_RENDERMAN, "%g %g %g", nullptr, nullptr, false, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, cells({{7, exportPoints}})};
void resetLightCounter() {}

}  // namespace kx::exporter
