// Image kinds by extension and the exported name helpers.
#include <string>
#include <string_view>

#include "image_formats.h"
#include "image_state.h"
#include "io/file_names.h"

namespace {

using NameRule = std::string (*)(std::string_view name, std::string_view ext);

// The exports' common shape: null texts read as empty, and the result is
// kept in the library's slot for that export.
char* keptName(std::string& slot, NameRule rule, const char* name, const char* ext) {
    slot = rule(name ? name : "", ext ? ext : "");
    return slot.data();
}

}  // namespace

int pxGetImageType(const char* name) {
    const kx::image::ImageFormat* format = kx::image::imageFormatOf(name);
    return format ? format->kind : PX_IMAGE_UNKNOWN;
}

char* AddExt(const char* name, const char* ext) {
    return keptName(kx::image::state().names.withExtension, kx::io::addExtension, name, ext);
}

char* AddNewExt(const char* name, const char* ext) {
    return keptName(kx::image::state().names.newExtension, kx::io::replaceExtension, name, ext);
}
