// stub
#include "export/export_internal.h"

namespace kx::exporter {

const Dialect kNffDialect{KX_FILETYPE_NFF, "%g %g %g", nullptr, nullptr, false, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, cells({{7, exportPoints}})};

}  // namespace kx::exporter
