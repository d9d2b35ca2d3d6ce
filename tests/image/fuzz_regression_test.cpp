// Inputs the fuzzers found or kept, run through their readers: each must end
// with an image or a reported failure, under the sanitizers.
#include <filesystem>
#include <string>

#include "pixmo_fixture.h"
#include "readers/readers.h"

namespace kxtest {
namespace {

namespace fs = std::filesystem;

TEST_F(PixmoTest, FuzzerInputsEndInAnImageOrAMessage) {
    using Decoder = int (*)(kx::io::ByteReader&, const char*);
    struct Reader {
        const char* folder;
        Decoder decode;
    } readers[] = {{"tga", kx::image::decodeTga}, {"gif", kx::image::decodeGif},
                   {"pcx", kx::image::decodePcx}, {"bmp", kx::image::decodeBmp},
                   {"ilbm", kx::image::decodeIlbm}};
    int files = 0;
    for (const Reader& r : readers) {
        fs::path folder = fs::path(KALVEX_IMAGE_TEST_DATA) / "fuzz" / r.folder;
        if (!fs::is_directory(folder)) continue;
        for (const auto& entry : fs::directory_iterator(folder)) {
            SCOPED_TRACE(entry.path().string());
            std::string bytes = readBytes(entry.path().string());
            kx::io::ByteReader in(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ui.clear();
            int ok = r.decode(in, "fuzz");
            if (ok) pxUpdateMemoryDC();
            EXPECT_TRUE(ok || !ui.messages.empty()) << "failed without a message";
            ++files;
        }
    }
    EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace kxtest
