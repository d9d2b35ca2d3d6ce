// stub
#include "export/export_internal.h"

namespace kx::exporter {

const Dialect kPolyrayDialect{KX_FILETYPE_POLYRAY, "%g %g %g", nullptr, nullptr, false, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, cells({{7, exportPoints}})};

}  // namespace kx::exporter
