// Image kinds by extension and the exported name helpers.
#include <string>

#include "image_state.h"
#include "io/file_names.h"

namespace {

struct KindByExtension {
    const char* extension;
    int kind;
};

constexpr KindByExtension kKinds[] = {
    {".GIF", PX_IMAGE_GIF}, {".BMP", PX_IMAGE_BMP},  {".PCX", PX_IMAGE_PCX},
    {".TGA", PX_IMAGE_TGA}, {".RAW", PX_IMAGE_RAW},  {".RGB", PX_IMAGE_RGB},
    {".COM", PX_IMAGE_COM}, {".RAS", PX_IMAGE_RAS},  {".ILB", PX_IMAGE_ILBM},
    {".HAM", PX_IMAGE_ILBM}, {".CRD", PX_IMAGE_CRD}, {".JPG", PX_IMAGE_JPG},
};

char* keep(std::string& slot, std::string value) {
    slot = std::move(value);
    return slot.data();
}

}  // namespace

int pxGetImageType(const char* name) {
    if (!name) return PX_IMAGE_UNKNOWN;
    std::string_view ext = kx::io::extensionOf(name);
    for (const auto& k : kKinds)
        if (kx::io::equalNoCase(ext, k.extension)) return k.kind;
    return PX_IMAGE_UNKNOWN;
}

char* AddExt(const char* name, const char* ext) {
    thread_local std::string result;
    return keep(result, kx::io::addExtension(name ? name : "", ext ? ext : ""));
}

char* AddNewExt(const char* name, const char* ext) {
    thread_local std::string result;
    return keep(result, kx::io::replaceExtension(name ? name : "", ext ? ext : ""));
}
