// Image kinds by extension and the exported name helpers.
#include <string>

#include "image_formats.h"
#include "image_state.h"
#include "io/file_names.h"

namespace {

char* keep(std::string& slot, std::string value) {
    slot = std::move(value);
    return slot.data();
}

}  // namespace

int pxGetImageType(const char* name) {
    const kx::image::ImageFormat* format = kx::image::imageFormatOf(name);
    return format ? format->kind : PX_IMAGE_UNKNOWN;
}

char* AddExt(const char* name, const char* ext) {
    thread_local std::string result;
    return keep(result, kx::io::addExtension(name ? name : "", ext ? ext : ""));
}

char* AddNewExt(const char* name, const char* ext) {
    thread_local std::string result;
    return keep(result, kx::io::replaceExtension(name ? name : "", ext ? ext : ""));
}
