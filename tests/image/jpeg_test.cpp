#include <cstdlib>
#include <filesystem>
#include <string>

#include "jpeg_codec.h"
#include "pixmo_fixture.h"
#include "pxjpeg.h"

namespace kxtest {
namespace {

namespace fs = std::filesystem;

// The temporary folder of the codec's Targa files, watched for leftovers.
class JpegTest : public PixmoTest {
protected:
    void SetUp() override {
        PixmoTest::SetUp();
        fs::create_directory(dir.path() / "tmp");
        const char* old = std::getenv("TMPDIR");
        saved_ = old ? old : "";
        hadTmpdir_ = old != nullptr;
        setenv("TMPDIR", (dir.path() / "tmp").c_str(), 1);
    }
    void TearDown() override {
        if (hadTmpdir_)
            setenv("TMPDIR", saved_.c_str(), 1);
        else
            unsetenv("TMPDIR");
        PixmoTest::TearDown();
    }
    bool tmpIsEmpty() const { return fs::is_empty(dir.path() / "tmp"); }

private:
    std::string saved_;
    bool hadTmpdir_ = false;
};

TEST_F(JpegTest, RoundTripStaysWithinTheCodecsTolerance) {
    Picture p = makeGradient(64, 48);
    showPicture(p);
    ASSERT_EQ(WriteJpeg(pxGetMemDC(), "photo.jpg"), 1);
    EXPECT_EQ(readBytes("photo.jpg").substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_TRUE(tmpIsEmpty());
    ASSERT_TRUE(pxSetNewBuffer(window(), 2, 2));
    ASSERT_EQ(pxDisplayImage(window(), "photo.jpg"), 1);
    EXPECT_TRUE(tmpIsEmpty());
    EXPECT_TRUE(ui.messages.empty());
    int worst = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            uint32_t got = pxGetPixelRGB(nullptr, x, y), want = colorRef(p.at(x, y));
            for (int shift : {0, 8, 16})
                worst = std::max(worst, std::abs(static_cast<int>((got >> shift) & 0xFF) -
                                                 static_cast<int>((want >> shift) & 0xFF)));
        }
    EXPECT_LE(worst, 12);
}

TEST_F(JpegTest, NamesInAnotherCaseAndFilesOfOtherPrograms) {
    REQUIRE_TOOL("pnmtojpeg");
    Picture p = makeGradient(20, 10);
    writePpm("in.ppm", p);
    ASSERT_TRUE(run("pnmtojpeg -quality 95 in.ppm > Photo.JPG"));
    ASSERT_EQ(pxDisplayImage(window(), "photo.jpg"), 1);
    PxImageInfo info;
    pxGetImageInfo(&info);
    EXPECT_EQ(info.sourceWidth, 20u);
    EXPECT_EQ(info.height, 10u);
    EXPECT_NEAR(static_cast<int>(pxGetPixelRGB(nullptr, 19, 9) & 0xFF), 255, 8);
}

TEST_F(JpegTest, ImagesOverTheSizeLimitAreRefusedUnwritten) {
    REQUIRE_TOOL("pnmtojpeg");
    writePpm("wide.ppm", makePicture(4100, 2, 3));
    ASSERT_TRUE(run("pnmtojpeg wide.ppm > wide.jpg"));
    EXPECT_EQ(ReadJpegEx(window(), "wide.jpg", 1), 0);
    EXPECT_EQ(lastBox(), "Unable to Decompress Jpeg Image");
    EXPECT_TRUE(tmpIsEmpty());
}

TEST_F(JpegTest, DamagedAndMissingFiles) {
    writeBytes("junk.jpg", "\xFF\xD8\xFF\xE0 this is not really a JPEG");
    struct Case {
        const char* name;
    } cases[] = {{"junk.jpg"}, {"missing.jpg"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.clear();
        EXPECT_EQ(pxDisplayImage(window(), c.name), 0);
        EXPECT_EQ(lastBox(), "Unable to Decompress Jpeg Image");
    }
    EXPECT_TRUE(tmpIsEmpty());
}

TEST_F(JpegTest, MissingCodecAndUnwritableTemporaryFolder) {
    ASSERT_TRUE(pxSetNewBuffer(window(), 4, 4));
    setenv("TMPDIR", (dir.path() / "no-such-folder").c_str(), 1);
    EXPECT_EQ(WriteJpeg(pxGetMemDC(), "x.jpg"), 0);
    EXPECT_EQ(lastBox(), "Unable to create temporary Jpeg file");
    EXPECT_EQ(ReadJpegEx(window(), "x.jpg", 1), 0);
    EXPECT_EQ(lastBox(), "Unable to create temporary Jpeg file");

    // A fresh library whose codec is not where it looks.
    kx::image::resetImageForTests();
    void* loaded = kx::image::state().codec.library;
    kx::image::state().codec.library = nullptr;
    pxSetUiCallbacks(ui.table());
    kx::image::setJpegCodecDirectory(dir.path().string());
    ASSERT_TRUE(pxSetNewBuffer(window(), 4, 4));
    EXPECT_EQ(WriteJpeg(pxGetMemDC(), "x.jpg"), 0);
    EXPECT_EQ(lastBox(), "Jpeg image support not loaded");
    EXPECT_EQ(ReadJpegEx(window(), "x.jpg", 1), 0);
    EXPECT_EQ(lastBox(), "Jpeg image support not loaded");
    kx::image::state().codec.library = loaded;
}

TEST(PxJpegTest, OptionsAreCheckedAndConversionsNeedRealFiles) {
    struct Case {
        int (*set)(int, int);
        int a, b, result;
    } cases[] = {
        {JPEGSetCompressOpt, 5, 0, 1},    {JPEGSetCompressOpt, 0, 1, 1},   {JPEGSetCompressOpt, 11, 0, 0},
        {JPEGSetCompressOpt, -1, 0, 0},   {JPEGSetCompressOpt, 5, 2, 0},   {JPEGSetDecompressOpt, 0, 0, 1},
        {JPEGSetDecompressOpt, 3, 1, 1},  {JPEGSetDecompressOpt, 4, 0, 0}, {JPEGSetDecompressOpt, 0, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << "," << c.b);
        EXPECT_EQ(c.set(c.a, c.b), c.result);
    }
    JPEGSetCompressOpt(5, 0);
    JPEGSetDecompressOpt(0, 0);
    TempDir tmp;
    EXPECT_EQ(JPEGCompress("absent.tga", "out.jpg"), 0);
    EXPECT_EQ(JPEGDecompress("absent.jpg", "out.tga"), 0);
    EXPECT_EQ(JPEGCompress(nullptr, "out.jpg"), 0);
    // A Targa file cut short, or of a kind the codec does not take.
    writeBytes("cut.tga", std::string("\0\0\x02\0\0\0\0\0\0\0\0\0\x04\0\x04\0\x18\0", 18) + "abc");
    writeBytes("rle.tga", std::string("\0\0\x0A\0\0\0\0\0\0\0\0\0\x01\0\x01\0\x18\0", 18) + "\x80\x01\x02\x03");
    EXPECT_EQ(JPEGCompress("cut.tga", "out.jpg"), 0);
    EXPECT_EQ(JPEGCompress("rle.tga", "out.jpg"), 0);
    EXPECT_FALSE(fs::exists("out.jpg"));
}

}  // namespace
}  // namespace kxtest
