#include "jpeg_codec.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include "image_state.h"

namespace kx::image {

std::string jpegCodecPath() {
    std::string folder = state().codec.directoryOverride;
    if (folder.empty()) {
        // The codec is installed next to this library; find where that is.
        Dl_info info{};
        if (!dladdr(reinterpret_cast<void*>(&pxGetImageType), &info) || !info.dli_fname)
            return {};
        folder = info.dli_fname;
        size_t slash = folder.rfind('/');
        folder = slash == std::string::npos ? "." : folder.substr(0, slash);
    }
    return folder + "/libpxjpeg32.so";
}

void setJpegCodecDirectory(const std::string& folder) {
    state().codec.directoryOverride = folder;
}

void* jpegCodec() {
    CodecState& codec = state().codec;
    if (!codec.library) {
        std::string path = jpegCodecPath();
        struct stat st {};
        if (!path.empty() && path.front() == '/' && ::stat(path.c_str(), &st) == 0)
            codec.library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    if (!codec.library) ErrorMessage("Jpeg image support not loaded");
    return codec.library;
}

}  // namespace kx::image
