// The render output panel: the renderer's text as lines, progress on the bar.
#include <gtest/gtest.h>

#include <QPushButton>

#include "render_view/render_output_panel.h"

namespace {

TEST(RenderOutputPanelTest, LinesProgressAndLineEndsSplitAcrossPieces) {
    RenderOutputPanel panel;
    panel.begin(QStringLiteral("povray +Iscene.pov"));
    EXPECT_TRUE(panel.cancelButton()->isEnabled());
    // Progress is rewritten in place with a lone carriage return.
    panel.append(QStringLiteral("Parsing\r\nRendered 10 of 100 pixels (10%)\rRendered 50 of 1"));
    EXPECT_EQ(panel.progress(), 10);
    panel.append(QStringLiteral("00 pixels (50%)\r"));
    EXPECT_EQ(panel.progress(), 10);  // the carriage return may still be half of a line end
    panel.append(QStringLiteral("\nDone"));
    EXPECT_EQ(panel.progress(), 50);
    EXPECT_EQ(panel.text(), QStringLiteral("povray +Iscene.pov\nParsing"));
    // Counts without a percentage move the bar too.
    panel.append(QStringLiteral("\nRendering line 30 of 40\n"));
    EXPECT_EQ(panel.progress(), 75);
    panel.end(QStringLiteral("Image: scene.tga"));
    EXPECT_EQ(panel.text(), QStringLiteral("povray +Iscene.pov\nParsing\nDone\nImage: scene.tga"));
    EXPECT_FALSE(panel.cancelButton()->isEnabled());
}

TEST(RenderOutputPanelTest, AFloodKeepsOnlyTheLatestLines) {
    RenderOutputPanel panel;
    panel.begin({});
    QString flood;
    for (int i = 0; i < 20000; ++i) flood += QStringLiteral("line %1\n").arg(i);
    panel.append(flood);
    const QStringList lines = panel.text().split('\n');
    EXPECT_LE(lines.size(), 5000);
    EXPECT_EQ(lines.last(), QStringLiteral("line 19999"));
}

}  // namespace
