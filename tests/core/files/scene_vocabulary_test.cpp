// The object flags and the camera vectors as both scene formats write and
// read them: one table drives every reader and writer, so a flag or a vector
// written by one and lost by another shows here.
#include <cstdio>
#include <string>

#include "core_fixture.h"

namespace kxtest {
namespace {

class SceneVocabularyTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        InitScene();
        InitCamera();
    }
    // Saves in the native (true) or legacy format and returns the file's text.
    std::string save(bool native) {
        const std::string name = native ? "scene.cad" : "legacy.cad";
        const int ok = native ? SaveScene2(GetCurrentScene(), dir.file(name).c_str())
                              : SaveScene(GetCurrentScene(), dir.file(name).c_str());
        EXPECT_EQ(ok, 1) << ui.lastMessage();
        return dir.read(name);
    }
    int reload(bool native) {
        ClearScene(GetCurrentScene());
        InitScene();
        return LoadScene(GetCurrentScene(), dir.file(native ? "scene.cad" : "legacy.cad").c_str());
    }
};

TEST_F(SceneVocabularyTest, EachFlagAwayFromItsDefaultIsKeptOnlyWhenStored) {
    for (const bool native : {true, false}) {
        for (const KxObjectFlag& flag : KX_OBJECT_FLAGS) {
            SCOPED_TRACE(std::string(native ? "native " : "legacy ") + flag.name);
            ClearScene(GetCurrentScene());
            InitScene();
            ASSERT_EQ(CreateDefaultSphere(), 1);
            CadObject* obj = GetCadObject(nullptr);
            ASSERT_NE(obj, nullptr);
            const std::string name = obj->name;
            obj->flags = flag.defaultOn ? (obj->flags & ~flag.flag) : (obj->flags | flag.flag);
            const std::string text = save(native);
            const bool stored = flag.legacyLetter != 0;
            if (native) {
                const std::string line = std::string("\t") + flag.name + (flag.defaultOn ? " 0" : " 1");
                EXPECT_EQ(text.find(line) != std::string::npos, stored) << text;
            } else if (stored) {
                EXPECT_NE(text.find(std::string("attrib ") + flag.legacyLetter), std::string::npos) << text;
            } else {
                EXPECT_EQ(text.find("attrib "), std::string::npos) << text;
            }
            ASSERT_EQ(reload(native), 1) << ui.lastMessage();
            CadObject* back = GetCadObjectByName(name.c_str());
            ASSERT_NE(back, nullptr);
            const bool on = (back->flags & flag.flag) != 0;
            EXPECT_EQ(on, stored ? !flag.defaultOn : flag.defaultOn);
        }
    }
}

TEST_F(SceneVocabularyTest, CameraVectorsSurviveTheNativeCameraBlock) {
    CameraInfo* cam = GetActiveCamera();
    float v = 1;
    for (const KxCameraField& field : KX_CAMERA_FIELDS) {
        cam->*field.camera = Point3d{v, v + 0.5f, -v};
        v += 2;
    }
    const CameraInfo written = *cam;
    const std::string text = save(true);
    // The reader takes the other keyword of a field as well.
    struct Case {
        const char* what;
        std::string file;
    } cases[] = {{"as written", text}, {"other keywords", text}};
    for (const KxCameraField& field : KX_CAMERA_FIELDS)
        if (field.alsoRead) {
            const std::string keyword = std::string("\t") + field.keyword + " ";
            const size_t at = cases[1].file.find(keyword);
            ASSERT_NE(at, std::string::npos);
            cases[1].file.replace(at, keyword.size(), std::string("\t") + field.alsoRead + " ");
        }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        {
            std::FILE* out = std::fopen(dir.file("scene.cad").c_str(), "wb");
            ASSERT_NE(out, nullptr);
            std::fwrite(c.file.data(), 1, c.file.size(), out);
            std::fclose(out);
        }
        for (const KxCameraField& field : KX_CAMERA_FIELDS) cam->*field.camera = Point3d{};
        ASSERT_EQ(reload(true), 1) << ui.lastMessage();
        cam = GetActiveCamera();
        for (const KxCameraField& field : KX_CAMERA_FIELDS) {
            SCOPED_TRACE(field.keyword);
            EXPECT_FLOAT_EQ((cam->*field.camera).x, (written.*field.camera).x);
            EXPECT_FLOAT_EQ((cam->*field.camera).y, (written.*field.camera).y);
            EXPECT_FLOAT_EQ((cam->*field.camera).z, (written.*field.camera).z);
        }
    }
}

}  // namespace
}  // namespace kxtest
