// A view's projected lines kept across edits: after an edit the document
// reports without naming objects, the kept lines must be what projecting the
// whole scene afresh gives, and objects the edit left alone keep theirs.
#include <fstream>
#include <functional>
#include <string>

#include "model/scene_model.h"
#include "views/view_cache.h"
#include "window_fixture.h"

namespace kxtest {
namespace {

class ViewCacheTest : public WindowTest {};

// Every entry's object and lines, for comparing two caches.
void expectSameLines(const kx::app::ViewCache& kept, const kx::app::ViewCache& fresh) {
    ASSERT_EQ(kept.objects().size(), fresh.objects().size());
    for (size_t i = 0; i < kept.objects().size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(kept.objects()[i].object, fresh.objects()[i].object);
        EXPECT_EQ(kept.objects()[i].lines, fresh.objects()[i].lines);
        EXPECT_EQ(kept.objects()[i].drawn, fresh.objects()[i].drawn);
    }
}

TEST_F(ViewCacheTest, AnUnnamedChangeReprojectsOnlyWhatChanged) {
    struct Edit {
        const char* what;
        std::function<CadObject*(CadObject* box, CadObject* mesh)> apply;  // the object that changed, if any
    };
    const Edit edits[] = {
        {"move one object",
         [](CadObject* box, CadObject*) {
             SetObjectsUnSelected();
             AddSelectedObject(box);
             Point3d d{2, 1, 0};
             TranslateObjectsEx(&d);
             return box;
         }},
        {"a corner written in place",
         [](CadObject*, CadObject* mesh) {
             mesh->points->points[0].x += 3;
             return mesh;
         }},
        {"a new object", [this](CadObject*, CadObject*) { return addObject(KX_SPHERE, Point3d{-3, 0, 0}); }},
        {"an object deleted",
         [](CadObject* box, CadObject*) {
             DeleteCadObject(box);
             return nullptr;
         }},
        {"nothing", [](CadObject*, CadObject*) { return nullptr; }},
    };
    const kx::app::DrawOptions options;
    for (const Edit& e : edits) {
        SCOPED_TRACE(e.what);
        emptyScene();
        CadObject* box = addObject(KX_BOX, Point3d{1, 0, 0});
        CadObject* mesh = addObject(KX_CYLINDER, Point3d{0, 2, 0});  // drawn from its point list
        addObject(KX_CONE, Point3d{0, -2, 0});
        kx::app::selectProjection(kx::app::kFront, QSize(800, 600));
        kx::app::ViewCache kept;
        kept.update(options);
        std::vector<std::pair<CadObject*, const QLine*>> before;
        for (const auto& entry : kept.objects()) before.emplace_back(entry.object, entry.lines.data());

        CadObject* changed = nullptr;
        {
            kx::app::SceneModel::Transaction change;
            changed = e.apply(box, mesh);
        }
        kept.markChanged();
        kept.update(options);
        kx::app::ViewCache fresh;
        fresh.update(options);
        expectSameLines(kept, fresh);
        // Untouched objects still draw from the very buffers they had.
        for (const auto& entry : kept.objects())
            for (const auto& [object, lines] : before)
                if (object == entry.object && object != changed) {
                    EXPECT_EQ(entry.lines.data(), lines);
                }
    }
}

TEST_F(ViewCacheTest, AMovedProjectionProjectsEverythingAgain) {
    emptyScene();
    addObject(KX_BOX, Point3d{1, 0, 0});
    const kx::app::DrawOptions options;
    kx::app::selectProjection(kx::app::kFront, QSize(800, 600));
    kx::app::ViewCache kept;
    kept.update(options);
    // Zoomed without a word to the cache: the kept lines would be stale.
    SetDistance(GetDistance(kx::app::kFront) * 2, kx::app::kFront);
    kx::app::selectProjection(kx::app::kFront, QSize(800, 600));
    kept.markChanged();
    kept.update(options);
    kx::app::ViewCache fresh;
    fresh.update(options);
    expectSameLines(kept, fresh);
}

// A height field whose image can be read is drawn as the terrain the
// renderer makes from it, not as its stand-in pyramid; without one, the
// pyramid stays.
TEST_F(ViewCacheTest, AHeightFieldIsDrawnAsItsTerrain) {
    const std::string image = dir->file("ramp.pgm");
    {
        std::string pgm = "P5\n8 8\n255\n";
        for (int i = 0; i < 64; ++i) pgm += static_cast<char>(i % 8 * 32);
        std::ofstream(image, std::ios::binary) << pgm;
    }
    const kx::app::DrawOptions options;
    auto linesOf = [&](const std::string& file) {
        emptyScene();
        CadObject* field = addObject(KX_HEIGHTFIELD, Point3d{0, 0, 0});
        if (!file.empty()) SetCadObjectProperty(field, KX_PROP_HEIGHTFIELDFILE, file.c_str());
        // From above, where every cell of a terrain shows.
        kx::app::selectProjection(kx::app::kPlan, QSize(800, 600));
        kx::app::ViewCache cache;
        cache.update(options);
        return cache.objects().empty() ? size_t{0} : cache.objects().front().lines.size();
    };
    const size_t pyramid = linesOf("");
    EXPECT_GT(pyramid, 0u);
    EXPECT_LE(pyramid, 18u);
    EXPECT_GT(linesOf(image), 3 * pyramid);
    EXPECT_EQ(linesOf(dir->file("missing.pgm")), pyramid);
}

}  // namespace
}  // namespace kxtest
