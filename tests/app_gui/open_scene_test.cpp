// Opening scenes in the window: whatever a file holds, the user's scene is
// never lost behind their back, and what the reader says comes in one box
// that names the file.
#include <QFile>
#include <filesystem>
#include <fstream>

#include "kxcore.h"
#include "mainframe/file_commands.h"
#include "mainframe/work_keeper.h"
#include "window_fixture.h"

namespace {

class OpenSceneTest : public kxtest::WindowTest {
protected:
    std::string write(const std::string& name, const std::string& text) {
        const std::string path = dir->file(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next) out.push_back(o->name);
        return out;
    }
    std::string keeper_folder() const { return frame->workKeeper()->autosaver().folder(); }
    // A scene the user made and saved, open in the window.
    void openSavedScene() {
        emptyScene();
        addObject(KX_SPHERE, {1, 2, 3});
        addObject(KX_BOX, {0, 0, 0});
        ASSERT_TRUE(doc()->save(QString::fromStdString(dir->file("mine.cad"))));
        boxes.clear();
    }
};

const char* const kUserTextureScene =
    "version 2.0\r\nSphere\r\n{\r\n\tName glowing\r\n\tsize 1 1 1\r\n\tscale 1 1 1\r\n"
    "  texture Glow\r\nusertex Glow\r\nrgbcolor 33023\r\n/pigment/color \"rgb 1 0.5 0\"\r\nend\r\n}\r\n"
    "Box\r\n{\r\n\tName after\r\n\tsize 1 1 1\r\n\tscale 1 1 1\r\n}\r\n";

// The window starts the libraries as the command line does, texture
// definitions included: a scene carrying a user texture opens whole.
TEST_F(OpenSceneTest, AUserTextureSceneOpensAsTheCommandLineReadsIt) {
    const std::string path = write("glow.cad", kUserTextureScene);
    ASSERT_TRUE(frame->openFile(QString::fromStdString(path)));
    EXPECT_EQ(messageTexts(), std::vector<std::string>{});
    EXPECT_EQ(names(), (std::vector<std::string>{"glowing", "after"}));
    EXPECT_STREQ(GetCadObjectByName("glowing")->material, "Glow");
    EXPECT_EQ(IsUserTexture("Glow"), 1);
    EXPECT_FALSE(doc()->isModified());
}

TEST_F(OpenSceneTest, UnknownBlocksAreReportedOnceAndEverythingElseOpens) {
    const std::string path = write("newer.cad",
                                   "version 2.0\r\nSphere { Name a }\r\nWidget { Name w size 1 1 1 }\r\n"
                                   "Box { Name b }\r\n");
    ASSERT_TRUE(frame->openFile(QString::fromStdString(path)));
    EXPECT_EQ(names(), (std::vector<std::string>{"a", "b"}));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.toStdString(), "While opening " + path + ":\n\nUnknown entity Widget in Kalvex file");
    EXPECT_FALSE(doc()->isModified());
    EXPECT_FALSE(doc()->isIncomplete());
}

// A file that is no scene, or a damaged one the user does not want, leaves the
// scene on screen as it was: objects, file name and modified mark.
TEST_F(OpenSceneTest, AFailedOpenKeepsTheSceneOnScreen) {
    struct Case {
        const char* file;
        const char* text;
        size_t boxesShown;  // the reader's box, and for a part the question
    } cases[] = {
        {"notes.cad", "shopping list: milk, eggs\n", 1},
        {"cut.cad", "version 2.0\r\nSphere { Name part }\r\nBox { Name b size 1", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        openSavedScene();
        addObject(KX_CONE, {0, 0, 0});  // an unsaved change
        answer = KX_IDNO;               // neither save first nor take a part
        const std::string path = write(c.file, c.text);
        EXPECT_FALSE(frame->fileCommands()->open(QString::fromStdString(path)));
        EXPECT_EQ(names(), (std::vector<std::string>{"_sphere0", "_box0", "_cone0"}));
        EXPECT_EQ(doc()->path().toStdString(), dir->file("mine.cad"));
        EXPECT_TRUE(doc()->isModified());
        EXPECT_EQ(boxes.size(), c.boxesShown + 1);  // the first asked to save the change
    }
}

// The readable part of a damaged file, taken on purpose, is a changed scene
// whose first save asks before the damaged file is replaced.
TEST_F(OpenSceneTest, APartTakenOnPurposeIsNotSavedOverTheFileUnasked) {
    const std::string text = "version 2.0\r\nSphere { Name part }\r\nBox { Name b size 1";
    const std::string path = write("cut.cad", text);
    answer = KX_IDYES;
    ASSERT_TRUE(frame->openFile(QString::fromStdString(path)));
    EXPECT_EQ(names(), std::vector<std::string>{"part"});
    EXPECT_TRUE(doc()->isModified());
    EXPECT_TRUE(doc()->isIncomplete());
    EXPECT_EQ(doc()->path().toStdString(), path);
    ASSERT_GE(boxes.size(), 2u) << ::testing::PrintToString(messageTexts());
    EXPECT_TRUE(boxes[0].text.startsWith(QString::fromStdString("While opening " + path + ":\n\n")));
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("Error unexpected end of file")));
    EXPECT_TRUE(boxes[1].text.startsWith(QStringLiteral("The scene cut.cad could not be read completely.")))
        << ::testing::PrintToString(messageTexts());
    boxes.clear();
    answer = KX_IDCANCEL;
    EXPECT_FALSE(frame->fileCommands()->save());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("cut.cad could not be read completely")));
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), text);
    answer = KX_IDNO;  // replace it after all
    EXPECT_TRUE(frame->fileCommands()->save());
    EXPECT_FALSE(doc()->isIncomplete());
    EXPECT_FALSE(doc()->isModified());
}

// Told to end by a signal, the window asks nothing (nobody may be there),
// keeps the unsaved scene as a copy, and the next start offers it back.
TEST_F(OpenSceneTest, EndingOnASignalKeepsUnsavedWorkForTheNextStart) {
    emptyScene();
    addObject(KX_SPHERE, {1, 2, 3});
    ASSERT_TRUE(doc()->isModified());
    const std::string copy = frame->workKeeper()->autosaver().copyPath("");
    frame->endWithoutAsking();
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(frame->isVisible());
    ASSERT_TRUE(std::filesystem::exists(copy));

    // The next start is another program.
    struct OtherProgram {
        OtherProgram() { kx::app::overrideAutosaveOwner(kx::app::autosaveOwner() + 1000000); }
        ~OtherProgram() { kx::app::overrideAutosaveOwner(0); }
    } next;
    frame = std::make_unique<CMainFrame>(*session);
    frame->show();
    QString offered;
    frame->workKeeper()->setChooser([&](const QString& text, bool) {
        offered = text;
        return kx::app::WorkKeeper::Choice::Recover;
    });
    ASSERT_TRUE(frame->offerRecovery());
    EXPECT_TRUE(offered.startsWith(QStringLiteral("Kalvex ended without saving an untitled scene."))) << offered.toStdString();
    EXPECT_NE(GetCadObjectByName("_sphere0"), nullptr);
    EXPECT_TRUE(doc()->isModified());
    EXPECT_TRUE(doc()->path().isEmpty());  // the user's work, not a file of theirs
    EXPECT_FALSE(std::filesystem::exists(copy));
    EXPECT_FALSE(frame->offerRecovery());  // offered once
}

// While a scene has unsaved changes a copy is kept every AutosaveSeconds;
// saving removes it, and the copy a dead program left is offered with the
// choice of the saved file, or set aside once the user confirms.
TEST_F(OpenSceneTest, UnsavedWorkIsCopiedAndEachAnswerToTheOfferHolds) {
    using Choice = kx::app::WorkKeeper::Choice;
    struct Case {
        const char* name;
        Choice choice;
        int confirm;       // the answer to "Discard the kept copy?"
        bool opened;       // offerRecovery's result
        bool sphereShown;  // the copy's edit is on screen
        bool copyStays;    // offered again at the next start
    } cases[] = {
        {"recover", Choice::Recover, KX_IDYES, true, true, false},
        {"open the saved file", Choice::OpenSaved, KX_IDYES, true, false, false},
        {"discard, confirmed", Choice::Discard, KX_IDYES, false, false, false},
        {"discard, then not", Choice::Discard, KX_IDNO, false, false, true},
        {"later", Choice::Later, KX_IDYES, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        openSavedScene();
        const std::string saved = dir->file("mine.cad");
        ASSERT_TRUE(frame->openFile(QString::fromStdString(saved)));
        kx::app::WorkKeeper* keeper = frame->workKeeper();
        EXPECT_FALSE(keeper->copyIfChanged());  // nothing unsaved
        addObject(KX_SPHERE, {7, 7, 7});
        ASSERT_TRUE(keeper->copyIfChanged());
        EXPECT_FALSE(keeper->copyIfChanged());  // nothing new since
        ASSERT_TRUE(keeper->autosaver().copyPath(saved).find("/mine-") != std::string::npos);
        const std::string copy = keeper->autosaver().copyPath(saved);
        // A save removes it.
        ASSERT_TRUE(doc()->save(QString::fromStdString(saved)));
        EXPECT_FALSE(std::filesystem::exists(copy));
        addObject(KX_BOX, {9, 9, 9});
        const std::string unsavedName = GetLastCadObject()->name;
        ASSERT_TRUE(keeper->copyIfChanged());
        // ... and the program dies: its copy stays.
        {
            // The next start is another program, a new one for each case.
            struct OtherProgram {
                explicit OtherProgram(long owner) { kx::app::overrideAutosaveOwner(owner); }
                ~OtherProgram() { kx::app::overrideAutosaveOwner(0); }
            } next(2000000 + static_cast<long>(&c - cases));
            frame->endWithoutAsking();
            frame = std::make_unique<CMainFrame>(*session);
            frame->show();
            bool savedOffered = false;
            frame->workKeeper()->setChooser([&](const QString&, bool savedExists) {
                savedOffered = savedExists;
                return c.choice;
            });
            boxes.clear();
            answer = c.confirm;
            // Offered even when the program was started to open another file,
            // which opens when the offer opened nothing.
            const std::string other = dir->file("other.cad");
            std::ofstream(other) << "version 2.0\r\nSphere\r\n{\r\n\tName other\r\n}\r\n";
            EXPECT_EQ(frame->startWith(QString::fromStdString(other)), c.opened);
            EXPECT_EQ(doc()->path().toStdString() == other, !c.opened) << doc()->path().toStdString();
            EXPECT_TRUE(savedOffered);
            EXPECT_EQ(GetCadObjectByName(unsavedName.c_str()) != nullptr, c.sphereShown);
            if (c.choice == Choice::Recover) {
                EXPECT_EQ(doc()->suggestedPath().toStdString(), saved);  // Save offers the old name
            }
            if (c.choice == Choice::OpenSaved) {
                EXPECT_EQ(doc()->path().toStdString(), saved);
            }
            EXPECT_EQ(boxes.size(), c.choice == Choice::Discard ? 1u : 0u);
            frame->workKeeper()->endCleanly();  // this program's own copy
            int left = 0;
            for (const auto& e : std::filesystem::directory_iterator(keeper_folder()))
                left += e.path().extension() == ".cad";
            EXPECT_EQ(left > 0, c.copyStays);
        }
        // The copy of the program before: out of the way of the next case.
        for (const auto& e : std::filesystem::directory_iterator(keeper_folder()))
            if (e.path().extension() == ".cad") std::filesystem::remove(e.path());
    }
}

}  // namespace
