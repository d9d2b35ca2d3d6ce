// The fields of the Properties panel: numbers in the C locale's syntax,
// colour and texture as separate choices, the texture list searchable, the
// rows of lights and the camera, a height field's image, and the size of a
// new text.
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QTest>
#include <cstdint>
#include <fstream>
#include <optional>

#include "kxcore.h"
#include "mainframe/edit_commands.h"
#include "mainframe/height_field_image.h"
#include "mainframe/number_field.h"
#include "mainframe/property_panel.h"
#include "document/placed_object.h"
#include "window_fixture.h"

namespace {

class PropertyFieldsTest : public kxtest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        emptyScene();
    }
    PropertyPanel* panel() const { return frame->properties(); }
    void selectOnly(CadObject* obj) {
        SetObjectsUnSelected();
        AddSelectedObject(obj);
        doc()->selectionChanged();
    }
    // Types a text into a field as a user would and leaves it with Enter.
    static void type(QWidget* field, const QString& text) {
        field->setFocus();
        auto* edit = qobject_cast<QLineEdit*>(field) ? qobject_cast<QLineEdit*>(field) : field->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        if (qobject_cast<QComboBox*>(field)) {
            // Keys would open the completer's list; the text is what counts.
            edit->setText(text);
        } else {
            edit->selectAll();
            QTest::keyClick(field, Qt::Key_Delete);
            QTest::keyClicks(field, text);
        }
        QTest::keyClick(field, Qt::Key_Return);
    }
    std::string writeBytes(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir->file(name), std::ios::binary) << bytes;
        return dir->file(name);
    }
    // A small uncompressed 24-bit Targa picture.
    std::string writeTarga(const std::string& name) const {
        std::string bytes(18, '\0');
        bytes[2] = 2;          // true colour
        bytes[12] = 4;         // width 4
        bytes[14] = 4;         // height 4
        bytes[16] = 24;        // bits per pixel
        bytes += std::string(4 * 4 * 3, '\x40');
        return writeBytes(name, bytes);
    }
};

TEST(NumberFieldParse, ReadsWhatCReadsAndNothingElse) {
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"1e3", 1000},   {"2.5", 2.5},     {" -.5 ", -0.5},  {"+4", 4},        {"1E-2", 0.01},
        {"12.", 12},     {"-0", 0},        {"", std::nullopt}, {"abc", std::nullopt},
        {"1,5", std::nullopt}, {"1e", std::nullopt}, {"0x10", std::nullopt}, {"inf", std::nullopt},
        {"nan", std::nullopt}, {"1e400", std::nullopt}, {"3 4", std::nullopt}, {"1e3x", std::nullopt},
        {"--1", std::nullopt}, {"\xc2\xbd", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<double> got = NumberField::parse(QString::fromUtf8(c.text));
        ASSERT_EQ(got.has_value(), c.value.has_value());
        if (got) {
            EXPECT_DOUBLE_EQ(*got, *c.value);
        }
    }
    // Values are shown as short as they read back.
    EXPECT_EQ(NumberField::format(0.1f).toStdString(), "0.1");
    EXPECT_EQ(NumberField::format(1000).toStdString(), "1000");
    EXPECT_EQ(NumberField::format(-2.5).toStdString(), "-2.5");
}

// Typed into the panel: a number moves the object, anything else leaves the
// value and the object as they were.
TEST_F(PropertyFieldsTest, NumberFieldsTakeFullSyntaxAndRefuseTheRest) {
    CadObject* ball = addObject(KX_SPHERE, {0, 0, 0});
    selectOnly(ball);
    QDoubleSpinBox* x = panel()->pointField(KX_PROP_TRANSLATE, 0);
    ASSERT_NE(x, nullptr);
    struct Step {
        const char* typed;
        float expected;
    };
    const Step steps[] = {{"1e1", 10}, {"abc", 10}, {"1,5", 10}, {"-2.5E0", -2.5f}, {"", -2.5f}, {"2e7", -2.5f}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.typed);
        type(x, QString::fromLatin1(s.typed));
        EXPECT_FLOAT_EQ(ball->translate.x, s.expected);
        EXPECT_NEAR(centreOf(ball).x, s.expected, 1e-4);
        EXPECT_FLOAT_EQ(static_cast<float>(x->value()), s.expected);
        EXPECT_EQ(x->text().toStdString(), NumberField::format(s.expected).toStdString());
    }
    // Wide enough for the widest value it shows.
    x->setValue(-123456.5);
    EXPECT_GE(x->width(), x->fontMetrics().horizontalAdvance(x->text()));
}

TEST_F(PropertyFieldsTest, ColourAndTextureAreChosenApart) {
    CadObject* ball = addObject(KX_SPHERE, {0, 0, 0});
    selectOnly(ball);
    QComboBox* texture = panel()->textureField();
    // A texture by typing part of its name in another letter case.
    type(texture, QStringLiteral("gold_metal"));
    EXPECT_STREQ(ball->material, "Gold_Metal");
    EXPECT_EQ(ball->materialType, 2u);
    // A name the list does not hold changes nothing.
    type(texture, QStringLiteral("No such texture"));
    EXPECT_STREQ(ball->material, "Gold_Metal");
    EXPECT_EQ(texture->currentText().toStdString(), "Gold_Metal");
    // A colour picked for a textured object takes the texture's place, so
    // that the file and the render have the colour the views show.
    panel()->applyColour(QColor(10, 200, 30));
    EXPECT_STREQ(ball->material, "Rgb.10.200.30");
    EXPECT_EQ(ball->materialType, 1u);
    EXPECT_EQ(ball->rgb, 10u | (200u << 8) | (30u << 16));
    EXPECT_EQ(texture->currentIndex(), 0);

    // An object without a texture takes the colour as its own, and the
    // texture control is not given the colour's name.
    CadObject* box = addObject(KX_BOX, {4, 0, 0});
    selectOnly(box);
    panel()->applyColour(QColor(10, 20, 30));
    EXPECT_STREQ(box->material, "Rgb.10.20.30");
    EXPECT_EQ(box->materialType, 1u);
    EXPECT_EQ(texture->findText(QStringLiteral("Rgb.10.20.30")), -1);
    EXPECT_EQ(texture->currentIndex(), 0);
    // A named colour of the list is a choice of the texture control.
    type(texture, QStringLiteral("Red"));
    EXPECT_STREQ(box->material, "Red");
    EXPECT_EQ(box->materialType, 1u);
    EXPECT_EQ(texture->currentText().toStdString(), "Red");
}

TEST_F(PropertyFieldsTest, TheTextureControlListsTheLibraryAndFindsPartsOfNames) {
    CadObject* ball = addObject(KX_SPHERE, {0, 0, 0});
    selectOnly(ball);
    QComboBox* texture = panel()->textureField();
    for (const char* name : {"Jade", "Gold_Metal", "Red", "MidnightBlue", "Glass"})
        EXPECT_GE(texture->findText(QString::fromLatin1(name)), 0) << name;
    QCompleter* completer = texture->completer();
    ASSERT_NE(completer, nullptr);
    completer->setCompletionPrefix(QStringLiteral("metal"));
    QStringList found;
    for (int i = 0; completer->setCurrentRow(i); ++i) found << completer->currentCompletion();
    EXPECT_TRUE(found.contains(QStringLiteral("Gold_Metal"))) << found.join(',').toStdString();
    EXPECT_TRUE(found.contains(QStringLiteral("Chrome_Metal")));
    for (const QString& name : found) EXPECT_TRUE(name.contains(QStringLiteral("metal"), Qt::CaseInsensitive));
}

// A blob whose field has no surface makes the panel say why the render will
// not show it.
TEST_F(PropertyFieldsTest, ABlobThatRendersNothingSaysWhy) {
    CadObject* blob = addObject(KX_BLOB, {0, 0, 0});
    blob->extraPoint = {0.5f, 1, 1};
    selectOnly(blob);
    EXPECT_TRUE(panel()->shapeNote().isEmpty());
    blob->extraPoint = {1, 1, 1};
    doc()->selectionChanged();
    EXPECT_TRUE(panel()->shapeNote().contains(QStringLiteral("threshold"))) << panel()->shapeNote().toStdString();
    CadObject* ball = addObject(KX_SPHERE, {3, 0, 0});
    selectOnly(ball);
    EXPECT_TRUE(panel()->shapeNote().isEmpty());
}

TEST_F(PropertyFieldsTest, LightsAndTheCameraShowOnlyTheirFields) {
    doc()->newScene(true);
    CadObject* camera = nullptr;
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next)
        if (obj->type == KX_CAMERA) camera = obj;
    ASSERT_NE(camera, nullptr);
    CadObject* ball = addObject(KX_SPHERE, {0, 0, 0});
    CadObject* lamp = addObject(KX_LIGHT, {0, 5, 0});
    struct Row {
        CadObject* obj;
        bool colour, texture, size, extra, scale, rotate, smooth, visible, image;
    };
    // A point light has no extra point: only a spot light's target or an area light's size stands there.
    const Row rows[] = {
        {ball, true, true, true, true, true, true, true, true, false},
        {lamp, true, false, false, false, false, false, false, true, false},
        {camera, false, false, true, true, false, true, false, false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.obj->name);
        selectOnly(r.obj);
        EXPECT_EQ(panel()->rowShown(panel()->colourField()), r.colour);
        EXPECT_EQ(panel()->rowShown(panel()->textureField()), r.texture);
        EXPECT_EQ(panel()->rowShown(panel()->pointField(KX_PROP_SIZE, 0)), r.size);
        EXPECT_EQ(panel()->rowShown(panel()->pointField(KX_PROP_SCALE, 0)), r.scale);
        EXPECT_EQ(panel()->rowShown(panel()->pointField(KX_PROP_ROTATE, 0)), r.rotate);
        EXPECT_TRUE(panel()->rowShown(panel()->pointField(KX_PROP_TRANSLATE, 0)));
        EXPECT_EQ(panel()->rowShown(panel()->pointField(KX_PROP_EXTRA, 0)), r.extra);
        EXPECT_EQ(panel()->rowShown(panel()->flagField(KX_FLAG_SMOOTH)), r.smooth);
        EXPECT_EQ(panel()->rowShown(panel()->flagField(KX_FLAG_VISIBLE)), r.visible);
        EXPECT_EQ(panel()->rowShown(panel()->imageField()), r.image);
    }
}

TEST_F(PropertyFieldsTest, HeightFieldImagesAreCheckedBeforeTheyAreTaken) {
    const std::string targa = writeTarga("hills.tga");
    struct Case {
        std::string path;
        bool usable;
    };
    const Case cases[] = {
        {targa, true},
        {writeBytes("short.tga", std::string(5, '\x01')), false},
        {writeBytes("hills.png", std::string("\x89PNG\r\n\x1a\n", 8) + "rest"), true},
        {writeBytes("fake.png", "not a picture"), false},
        {writeBytes("hills.pgm", "P5\n4 4\n255\n"), true},
        {writeBytes("hills.ppm", "P5\n4 4\n255\n"), false},  // a grey map named as a colour one
        {writeBytes("notes.txt", "text"), false},
        {dir->file("missing.tga"), false},
        {dir->path().string(), false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(kx::app::heightFieldImageProblem(c.path).empty(), c.usable)
            << kx::app::heightFieldImageProblem(c.path);
    }
    // The library's own complaints are not shown as boxes: the panel says why.
    EXPECT_TRUE(boxes.empty()) << messageTexts().front();

    CadObject* field = addObject(KX_HEIGHTFIELD, {0, 0, 0});
    selectOnly(field);
    EXPECT_TRUE(panel()->rowShown(panel()->imageField()));
    type(panel()->imageField(), QString::fromStdString(targa));
    EXPECT_EQ(kx::app::heightFieldImageOf(field), targa);
    EXPECT_TRUE(panel()->imageProblem().isEmpty());
    type(panel()->imageField(), QString::fromStdString(dir->file("notes.txt")));
    EXPECT_EQ(kx::app::heightFieldImageOf(field), targa);
    EXPECT_FALSE(panel()->imageProblem().isEmpty());
    EXPECT_EQ(panel()->imageField()->text().toStdString(), targa);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(PropertyFieldsTest, PlacingAHeightFieldAsksForItsImageFirst) {
    const std::string targa = writeTarga("hills.tga");
    CKalvexView* front = openView(kx::app::kFront);
    ASSERT_NE(front, nullptr);
    EditCommands* edit = frame->editCommands();
    int asked = 0;
    QString answer;
    edit->askHeightFieldImage = [&] {
        ++asked;
        return answer;
    };
    // Cancelled: nothing is placed.
    edit->startPlacing(KX_HEIGHTFIELD);
    EXPECT_EQ(asked, 1);
    EXPECT_NE(doc()->mouseEditor().state, kx::app::kMousePlace);
    answer = QString::fromStdString(targa);
    edit->startPlacing(KX_HEIGHTFIELD);
    EXPECT_EQ(doc()->mouseEditor().state, kx::app::kMousePlace);
    click(front, at(front, {2, 2, 0}));
    CadObject* placed = GetLastCadObject();
    ASSERT_NE(placed, nullptr);
    ASSERT_EQ(placed->type, static_cast<uint32_t>(KX_HEIGHTFIELD));
    EXPECT_EQ(kx::app::heightFieldImageOf(placed), targa);
    // Other types are placed without asking.
    edit->startPlacing(KX_SPHERE);
    EXPECT_EQ(asked, 2);
}

TEST_F(PropertyFieldsTest, ANewTextIsAboutAsTallAsANewSphere) {
    CKalvexView* front = openView(kx::app::kFront);
    ASSERT_NE(front, nullptr);
    frame->editCommands()->startPlacing(KX_SPHERE);
    click(front, at(front, {-4, 0, 0}));
    CadObject* ball = GetLastCadObject();
    frame->editCommands()->startPlacing(KX_TEXT);
    click(front, at(front, {4, 0, 0}));
    CadObject* text = GetLastCadObject();
    ASSERT_EQ(text->type, static_cast<uint32_t>(KX_TEXT));
    const float ballHeight = extentOf(ball).y, textHeight = extentOf(text).y;
    EXPECT_NEAR(textHeight, ballHeight, 0.15 * ballHeight) << "ball " << ballHeight << ", text " << textHeight;
    // It stands where it was placed, and its scale says how it was sized.
    EXPECT_NEAR(centreOf(text).x, 4, 2.5);
    EXPECT_NE(text->scale.y, 1.0f);
}

}  // namespace
