// Neutral File Format import: entities, colours, axes and comments.
#include <cmath>

#include "import_fixture.h"

namespace kxtest {
namespace {

class NffImportTest : public ImportTest {
protected:
    std::vector<CadObject*> ofType(unsigned type) {
        std::vector<CadObject*> out;
        for (CadObject* o : objects())
            if (o->type == type) out.push_back(o);
        return out;
    }
};

TEST_F(NffImportTest, EveryEntityOfTheSample) {
    for (bool crlf : {false, true}) {
        SCOPED_TRACE(crlf ? "CR LF" : "LF");
        InitScene();
        const std::string text = sample("scene.nff");
        ASSERT_EQ(ReadNFF(write("scene.nff", crlf ? withCrLf(text) : text).c_str()), 1);

        // Lights at (x, z, y); the light after the polygons proves the
        // viewpoint's values and the polygons were read to their ends.
        const std::vector<CadObject*> lights = ofType(KX_LIGHT);
        ASSERT_EQ(lights.size(), 2u);
        EXPECT_TRUE(near(lights[0]->translate, 1, 3, 2));
        EXPECT_STREQ(lights[0]->material, "Rgb.255.255.255");
        EXPECT_TRUE(near(lights[1]->translate, 4, 6, 5));

        const std::vector<CadObject*> spheres = ofType(KX_SPHERE);
        ASSERT_EQ(spheres.size(), 1u);
        EXPECT_TRUE(near(spheres[0]->translate, 1, 3, 2));
        EXPECT_TRUE(near(spheres[0]->scale, 0.5f, 0.5f, 0.5f));
        EXPECT_STREQ(spheres[0]->material, "Rgb.255.0.0");
        EXPECT_EQ(spheres[0]->rgb, 0x0000FFu);
        EXPECT_EQ(spheres[0]->materialType, 1u);

        // The cylinder our export writes for size (1, 4, 1): its axis comes
        // back along z, with its radius and height.
        const std::vector<CadObject*> cones = ofType(KX_CONE);
        ASSERT_EQ(cones.size(), 1u);
        CadObject* cone = cones[0];
        EXPECT_TRUE(near(cone->translate, 0, 0, 0));
        EXPECT_TRUE(near(cone->size, 1, 4, 1));
        EXPECT_FLOAT_EQ(cone->extraPoint.x, 1.0f);
        Point3d lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
        for (ListEntry* e = cone->points; e; e = e->next)
            for (unsigned k = 0; k < e->count; ++k) {
                const Point3d& p = e->points[k];
                lo = Point3d{std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
                hi = Point3d{std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
            }
        EXPECT_TRUE(near(lo, -1, -1, -2, 1e-4f) && near(hi, 1, 1, 2, 1e-4f));

        // Both polygons share the fill colour, so one object: the quad as two
        // triangles, the "pp" triangle with its normals.
        const std::vector<CadObject*> meshes = ofType(KX_POLYGON);
        ASSERT_EQ(meshes.size(), 1u);
        CadObject* mesh = meshes[0];
        EXPECT_STREQ(mesh->material, "Rgb.0.127.255");  // 1.5 kept at full
        const std::vector<Triangle> t = triangles(mesh);
        ASSERT_EQ(t.size(), 3u);
        EXPECT_TRUE(near(t[1][0], 0, 0, 0) && near(t[1][1], 1, 0, 1) && near(t[1][2], 0, 0, 1));
        EXPECT_TRUE(near(t[2][0], 0, 5, 0));
        EXPECT_EQ(mesh->points->normals, nullptr);
        ASSERT_NE(mesh->points->next->next->normals, nullptr);
        EXPECT_TRUE(near(mesh->points->next->next->normals[0], 0, 0, 1));
    }
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
}

TEST_F(NffImportTest, ColoursAreClampedPerChannel) {
    struct Case {
        const char* fill;
        const char* name;
    } cases[] = {
        {"f 1 1 1 0 0 0 0 1", "Rgb.255.255.255"},
        {"f 2 -1 0.5 0 0 0 0 1", "Rgb.255.0.127"},
        {"f nan 0 0 0 0 0 0 1", nullptr},  // not a number: damaged input
        {"f 1e300 -1e300 0.999 0 0 0 0 1", "Rgb.255.0.254"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fill);
        InitScene();
        ui.clear();
        const int result = ReadNFF(write("c.nff", std::string(c.fill) + "\ns 0 0 0 1\n").c_str());
        if (!c.name) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(ui.messages.size(), 1u);
            continue;
        }
        ASSERT_EQ(result, 1);
        ASSERT_EQ(objects().size(), 1u);
        EXPECT_STREQ(objects()[0]->material, c.name);
    }
}

TEST_F(NffImportTest, ConesFollowTheirAxis) {
    struct Case {
        const char* entity;
        Point3d base, apex;  // in the scene's axes
        float r1, r2;
    } cases[] = {
        {"c 0 0 0 2 0 3 0 0", {0, 0, 0}, {0, 0, 3}, 2, 0},  // file y is scene z
        {"c 1 1 1 1 1 -1 1 0.5", {1, 1, 1}, {1, 1, -1}, 1, 0.5f},
        {"c 0 0 0 1 0 0 4 -1", {0, 0, 0}, {0, 4, 0}, 1, 1},  // radii taken as sizes
        {"c 0 0 0 1 0 0 -4 1", {0, 0, 0}, {0, -4, 0}, 1, 1},
        {"c 0 0 0 1 3 0 4 0", {0, 0, 0}, {3, 4, 0}, 1, 0},
        {"c 1 2 3 1 -2 5 0 0", {1, 3, 2}, {-2, 0, 5}, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entity);
        InitScene();
        ASSERT_EQ(ReadNFF(write("k.nff", c.entity).c_str()), 1);
        ASSERT_EQ(objects().size(), 1u);
        CadObject* cone = objects()[0];
        const double d[3] = {c.apex.x - c.base.x, c.apex.y - c.base.y, c.apex.z - c.base.z};
        const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        EXPECT_TRUE(near(cone->translate, (c.base.x + c.apex.x) / 2, (c.base.y + c.apex.y) / 2,
                         (c.base.z + c.apex.z) / 2));
        EXPECT_NEAR(cone->size.y, length, 1e-5);
        EXPECT_NEAR(cone->size.x, c.r1, 1e-6);
        EXPECT_NEAR(cone->extraPoint.x, c.r2, 1e-6);
        // The local +y axis, turned about x and then z by the stored angles,
        // points from base to apex.
        const double a = cone->rotate.x * M_PI / 180, b = cone->rotate.z * M_PI / 180;
        EXPECT_EQ(cone->rotate.y, 0.0f);
        EXPECT_NEAR(-std::cos(a) * std::sin(b), d[0] / length, 1e-5);
        EXPECT_NEAR(std::cos(a) * std::cos(b), d[1] / length, 1e-5);
        EXPECT_NEAR(std::sin(a), d[2] / length, 1e-5);
    }
    // A cone without length makes nothing.
    InitScene();
    ASSERT_EQ(ReadNFF(write("z.nff", "c 1 1 1 1 1 1 1 1\n").c_str()), 1);
    EXPECT_TRUE(objects().empty());
}

TEST_F(NffImportTest, ViewpointLabelsLeaveTheNextEntity) {
    const std::string text =
        "v\nfrom 1 2 3\nat 0 0 0\nup 0 1 0\nangle 45\nhither 0.1\nresolution 64 48\nl 1 2 3\n"
        "v from 0 0 1 at 0 0 0 up 0 1 0 l 7 8 9\n";
    ASSERT_EQ(ReadNFF(write("v.nff", text).c_str()), 1);
    const std::vector<CadObject*> lights = ofType(KX_LIGHT);
    ASSERT_EQ(lights.size(), 2u);
    EXPECT_TRUE(near(lights[1]->translate, 7, 9, 8));
    EXPECT_EQ(ReadNFF(dir.file("none").c_str()), 0);
    EXPECT_EQ(ui.lastMessage().rfind("Unable to import Neutral File Format file " + dir.file("none.nff") + "\n", 0), 0u);
}

// What other writers add is passed over: a tessellation count after a
// sphere's radius, a texture after a fill's values, a "tess" statement. The
// Sense8 format of the same name is refused by name.
TEST_F(NffImportTest, OtherWritersAdditionsArePassedOver) {
    const std::string text = "v from 0 0 5 at 0 0 0 up 0 1 0 angle 30 hither 1 resolution 32 32\n"
                             "tess 3\nf 1 0 0 1 0 0 0 0 marble.png\ns 0 0 0 1 8\nf 0 1 0 1 0 0 0 0\n"
                             "p 3\n0 0 0\n1 0 0\n0 1 0\n";
    ASSERT_EQ(ReadNFF(write("other.nff", text).c_str()), 1) << ui.lastMessage();
    EXPECT_EQ(ofType(KX_SPHERE).size(), 1u);
    ASSERT_EQ(ofType(KX_POLYGON).size(), 1u);
    EXPECT_EQ(triangles(ofType(KX_POLYGON)[0]).size(), 1u);
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();

    InitScene();
    EXPECT_EQ(ReadNFF(write("sense8.nff", "nff\nversion 2.0\ncube\n8\n").c_str()), 0);
    EXPECT_NE(ui.lastMessage().find("Sense8"), std::string::npos) << ui.lastMessage();
    EXPECT_TRUE(objects().empty());
}

}  // namespace
}  // namespace kxtest
