// What the importer tests share: a fixture with an empty scene, sample files,
// and the triangles an object holds where it stands.
#pragma once

#include <array>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core_fixture.h"

namespace kxtest {

using Triangle = std::array<Point3d, 3>;

class ImportTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        InitScene();
    }
    std::string write(const std::string& name, const std::string& content) {
        std::ofstream(dir.file(name), std::ios::binary) << content;
        return dir.file(name);
    }
    static std::string sample(const std::string& name) {
        std::ifstream in(std::string(KALVEX_CORE_TEST_DATA) + "/import/" + name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static std::string withCrLf(const std::string& text) {
        std::string out;
        for (char c : text) {
            if (c == '\n') out += '\r';
            out += c;
        }
        return out;
    }
    // Objects in scene order.
    static std::vector<CadObject*> objects() {
        std::vector<CadObject*> all;
        for (CadObject* o = GetCadObject(nullptr); o; o = GetCadObject(o)) all.push_back(o);
        return all;
    }
    static CadObject* named(const char* name) {
        for (CadObject* o : objects())
            if (std::string(o->name) == name) return o;
        return nullptr;
    }
    // The triangles of an object where they stand: its triangle array when it
    // has one, else its point list moved by its translate.
    static std::vector<Triangle> triangles(const CadObject* obj) {
        std::vector<Triangle> out;
        if (obj->polygons && obj->polygonCount) {
            for (unsigned i = 0; i < obj->polygonCount; ++i)
                out.push_back({obj->polygons[i].vertex[0], obj->polygons[i].vertex[1], obj->polygons[i].vertex[2]});
            return out;
        }
        const Point3d t = obj->translate;
        for (ListEntry* e = obj->points; e; e = e->next) {
            if (e->count != 3) continue;
            Triangle tri;
            for (int k = 0; k < 3; ++k)
                tri[k] = Point3d{e->points[k].x + t.x, e->points[k].y + t.y, e->points[k].z + t.z};
            out.push_back(tri);
        }
        return out;
    }
    static unsigned nodes(const CadObject* obj) {
        unsigned n = 0;
        for (ListEntry* e = obj->points; e; e = e->next) ++n;
        return n;
    }
};

inline bool near(const Point3d& p, float x, float y, float z, float eps = 1e-5f) {
    return std::abs(p.x - x) <= eps && std::abs(p.y - y) <= eps && std::abs(p.z - z) <= eps;
}

}  // namespace kxtest
