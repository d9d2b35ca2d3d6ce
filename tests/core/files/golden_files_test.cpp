// The bytes of every written format, pinned: the example scenes in examples/
// are read and written in the native and the statement format and exported
// in each renderer format, and every file must equal its copy in
// tests/data/golden/ byte for byte. A change to a writer or to the number
// formatting shows up here first.
//
// After a change that is meant to alter the bytes, run this test once with
// KX_REGENERATE_GOLDEN=1 in the environment: the files are written anew into
// tests/data/golden/ and the diff is reviewed before it is committed.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core_fixture.h"

namespace kxtest {
namespace {

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

struct GoldenCase {
    const char* scene;   // in examples/
    const char* golden;  // in tests/data/golden/
    int format;          // 0: native scene, -1: statement scene, else an export id
    bool mesh2 = false;
};

constexpr GoldenCase kCases[] = {
    {"showcase.cad", "showcase.native.cad", 0},
    {"showcase.cad", "showcase.legacy.cad", -1},
    {"showcase.cad", "showcase.pov1.pov", KX_FILETYPE_POVRAY1},
    {"showcase.cad", "showcase.pov2.pov", KX_FILETYPE_POVRAY2},
    {"showcase.cad", "showcase.pov3.pov", KX_FILETYPE_POVRAY3},
    {"showcase.cad", "showcase.pov3-mesh2.pov", KX_FILETYPE_POVRAY3, true},
    {"showcase.cad", "showcase.nff", KX_FILETYPE_NFF},
    {"showcase.cad", "showcase.pi", KX_FILETYPE_POLYRAY},
    {"showcase.cad", "showcase.dxf", KX_FILETYPE_DXF},
    {"showcase.cad", "showcase.rib", KX_FILETYPE_RENDERMAN},
    {"showcase.cad", "showcase.wrl", KX_FILETYPE_VRML},
    {"showcase.cad", "showcase.vrm", KX_FILETYPE_VRML2},
    {"showcase.cad", "showcase.obj", KX_FILETYPE_WAVEFRONT},
    {"rolling_ball.cad", "rolling_ball.native.cad", 0},
    {"rolling_ball.cad", "rolling_ball.legacy.cad", -1},
    {"rolling_ball.cad", "rolling_ball.pov3.pov", KX_FILETYPE_POVRAY3},
};

class GoldenFilesTest : public CoreTest {
protected:
    // Writes the loaded scene as the case asks; the written file's name.
    std::string write(const GoldenCase& c) {
        std::string out = dir.file("written.out");
        int result = 0;
        if (c.format == 0) result = SaveScene2(GetCurrentScene(), out.c_str());
        else if (c.format < 0) result = SaveScene(GetCurrentScene(), out.c_str());
        else result = WriteExportFile(GetCurrentScene(), out.c_str(), static_cast<unsigned>(c.format));
        EXPECT_EQ(result, 1);
        return out;
    }
};

TEST_F(GoldenFilesTest, EveryFormatWritesTheSameBytes) {
    const bool regenerate = std::getenv("KX_REGENERATE_GOLDEN") != nullptr;
    SetProgramPath(dir.path().c_str());
    for (const GoldenCase& c : kCases) {
        SCOPED_TRACE(c.golden);
        InitScene();
        InitCamera();
        SetExportMesh2(c.mesh2 ? 1 : 0);
        ASSERT_EQ(LoadScene(GetCurrentScene(), (std::string(KALVEX_EXAMPLES_DIR) + "/" + c.scene).c_str()), 1);
        std::string written = readBytes(write(c));
        ClearScene(GetCurrentScene());
        ASSERT_FALSE(written.empty());
        const std::string golden = std::string(KALVEX_GOLDEN_DIR) + "/" + c.golden;
        if (regenerate) std::ofstream(golden, std::ios::binary) << written;
        const std::string expected = readBytes(golden);
        ASSERT_FALSE(expected.empty()) << golden << " is missing: run once with KX_REGENERATE_GOLDEN=1";
        // A compact report: where the first difference lies.
        auto diff = std::mismatch(written.begin(), written.end(), expected.begin(), expected.end());
        EXPECT_TRUE(diff.first == written.end() && diff.second == expected.end())
            << "first difference at byte " << (diff.first - written.begin()) << ": written \""
            << written.substr(static_cast<size_t>(diff.first - written.begin()), 40) << "\", golden \""
            << expected.substr(static_cast<size_t>(diff.second - expected.begin()), 40) << "\"";
    }
    SetExportMesh2(0);
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
}

}  // namespace
}  // namespace kxtest
