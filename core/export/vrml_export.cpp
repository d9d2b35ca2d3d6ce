// stub
#include "export/export_internal.h"

namespace kx::exporter {

const Dialect kVrml1Dialect{KX_FILETYPE_VRML, "%g %g %g", nullptr, nullptr, false, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, cells({{7, exportPoints}})};
const Dialect kVrml2Dialect{KX_FILETYPE_VRML2, "%g %g %g", nullptr, nullptr, false, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, cells({{7, exportPoints}})};

}  // namespace kx::exporter
