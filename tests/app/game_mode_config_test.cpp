// The one line of burrik.ini: the game-mode string and its limits.
#include "app/config.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using testsupport::TempDir;
using testsupport::writeFileText;

TEST(GameModeConfig, MissingFileGivesTheDefault)
{
    TempDir dir;
    EXPECT_EQ(readGameModeString((dir / "burrik.ini").string()), "800x600:32@60");
}

TEST(GameModeConfig, LineLengthLimitIsTwentyNineCharacters)
{
    TempDir dir;
    const std::string twentyNine = "1024x768:32@60" + std::string(15, ' ');
    ASSERT_EQ(twentyNine.size(), 29u);
    writeFileText(dir / "a.ini", twentyNine + "\nsecond line\n");
    EXPECT_EQ(readGameModeString((dir / "a.ini").string()), twentyNine);
    writeFileText(dir / "b.ini", twentyNine + "x\n");
    EXPECT_EQ(readGameModeString((dir / "b.ini").string()), "800x600:32@60");
}

TEST(GameModeConfig, LastLineWithoutNewlineEmptyLineAndEmptyFile)
{
    TempDir dir;
    writeFileText(dir / "a.ini", "640x480:16@75");
    EXPECT_EQ(readGameModeString((dir / "a.ini").string()), "640x480:16@75");
    writeFileText(dir / "b.ini", "\n");
    EXPECT_EQ(readGameModeString((dir / "b.ini").string()), "");
    writeFileText(dir / "c.ini", "");
    EXPECT_EQ(readGameModeString((dir / "c.ini").string()), "800x600:32@60");
}

TEST(GameModeConfig, WindowsLineEndsLeaveNoCarriageReturn)
{
    TempDir dir;
    const std::string twentyNine = "1024x768:32@60" + std::string(15, ' ');
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {"800x600:16@75\r\nsecond\r\n", "800x600:16@75"},
        {twentyNine + "\r\n", twentyNine},              // the return does not count against the limit
        {twentyNine + "x\r\n", "800x600:32@60"},        // but a thirtieth character still does
        {"\r\n", ""},
        {"800x600:16@75\r\r\n", "800x600:16@75"},  // converted twice
        {"640x480:32@60\r", "640x480:32@60"},
    };
    for (const auto& c : cases) {
        writeFileText(dir / "w.ini", c.text);
        EXPECT_EQ(readGameModeString((dir / "w.ini").string()), c.expected) << c.text;
    }
}

}  // namespace
