// Damaged scene, point and facet files (made by hand or kept from fuzzing) run
// through their readers: each must end with the scene in one piece.
#include <cstring>
#include <filesystem>
#include <string>

#include "core_fixture.h"

namespace kxtest {
namespace {

namespace fs = std::filesystem;

class LegacyFuzzInputsTest : public CoreTest {};

// Every object is in the list once and keeps its counts with its arrays.
void expectSceneInOnePiece() {
    unsigned walked = 0;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next, ++walked) {
        SCOPED_TRACE(o->name);
        EXPECT_LT(std::strlen(o->name), sizeof o->name);
        EXPECT_LT(std::strlen(o->material), sizeof o->material);
        if (o->type == KX_POINTS || o->type == KX_LINESEG || o->type == KX_POLYGON) {
            EXPECT_EQ(CountEntry(o->points), o->count);
        }
        if (o->uv) {
            EXPECT_GT(o->uvCount, 0u);
        }
        if (o->parent) {
            EXPECT_EQ(o->parent->type, static_cast<uint32_t>(KX_GROUP));
        }
    }
    EXPECT_EQ(walked, GetCadObjectsCount());
}

TEST_F(LegacyFuzzInputsTest, DamagedFilesLeaveTheSceneInOnePiece) {
    struct Reader {
        const char* folder;
        const char* extension;
        int (*read)(const char*);
    } readers[] = {
        {"scene", ".cad", [](const char* name) { return LoadScene(GetCurrentScene(), name); }},
        {"pts", ".pts", ReadPTS},
        {"facets", ".pgn", ReadFacets},
    };
    int files = 0;
    for (const Reader& r : readers) {
        const fs::path folder = fs::path(KALVEX_CORE_TEST_DATA) / "legacy" / r.folder;
        ASSERT_TRUE(fs::is_directory(folder)) << folder;
        for (const auto& entry : fs::directory_iterator(folder)) {
            SCOPED_TRACE(entry.path().string());
            InitScene();
            InitCamera();
            // The readers add their extension to names without one.
            const std::string copy = dir.file(std::string("input") + r.extension);
            fs::copy_file(entry.path(), copy, fs::copy_options::overwrite_existing);
            r.read(copy.c_str());
            expectSceneInOnePiece();
            // What was read can be written and read again.
            SaveScene(GetCurrentScene(), dir.file("again.cad").c_str());
            ClearScene(GetCurrentScene());
            LoadScene(GetCurrentScene(), dir.file("again.cad").c_str());
            expectSceneInOnePiece();
            ClearScene(GetCurrentScene());
            ++files;
        }
    }
    EXPECT_GT(files, 10);
}

}  // namespace
}  // namespace kxtest
