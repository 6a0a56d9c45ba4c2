// The installed game: cmake --install into a prefix, the prefix moved
// elsewhere, and the game started from a folder without its files. It must
// find its data from its own location. Also --version and --help.
#include "e2e_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using testsupport::shellQuote;
using testsupport::TempDir;

// The build folder: the generated data lives in its data/ subfolder.
fs::path buildDir() { return fs::path(testsupport::generatedDataDir()).parent_path(); }

TEST(Install, RelocatedPrefixFindsItsDataFromTheProgram)
{
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    if (!testsupport::haveProgram("cmake")) GTEST_SKIP() << "no cmake";
    TempDir dir;
    const fs::path first = dir / "first";
    const testsupport::CommandResult install = testsupport::runCommand(
        "cmake --install " + shellQuote(buildDir().string()) + " --prefix " + shellQuote(first.string()));
    ASSERT_EQ(install.exitStatus, 0) << install.output;
    for (const char* path : {"games/burrik", "share/games/burrik/bilder/start.bmp", "share/games/burrik/burrik.ini",
                             "share/applications/org.burrik.Burrik.desktop",
                             "share/metainfo/org.burrik.Burrik.metainfo.xml", "share/man/man6/burrik.6.gz",
                             "share/icons/hicolor/16x16/apps/burrik.png", "share/icons/hicolor/256x256/apps/burrik.png"})
        EXPECT_TRUE(fs::exists(first / path)) << path;

    const fs::path moved = dir / "moved" / "elsewhere";
    fs::create_directories(moved.parent_path());
    fs::rename(first, moved);
    const fs::path work = dir / "work";
    fs::create_directories(work);
    const e2e::GameRun run =
        e2e::runGame(work, {.script = "8 press escape\n",
                            .options = "--fixed-dt 0.02 --frames 50 --screenshot 4:menu.png",
                            .dataDir = "",
                            .launch = {.environment = {{"XDG_CONFIG_HOME", work.string()}},
                                       .program = (moved / "games" / "burrik").string()}});
    EXPECT_EQ(run.exitStatus, 0) << run.output;
    const std::string trace = testsupport::readFileText(work / "trace.jsonl");
    EXPECT_NE(trace.find("\"frame\":4,\"state\":\"StartMenu\""), std::string::npos) << trace.substr(0, 200);
    EXPECT_EQ(trace.find("\"frame\":8,"), std::string::npos) << "escape in the menu quits";
    // The start picture was drawn: the menu frame is not all one colour.
    const e2e::Picture menu = e2e::loadPng((work / "menu.png").string());
    ASSERT_TRUE(menu.valid());
    int differing = 0;
    for (int x = 0; x < menu.width; x += 7)
        if (menu.at(x, menu.height / 2)[1] != menu.at(0, menu.height / 2)[1]) ++differing;
    EXPECT_GT(differing, 20);
}

TEST(Install, VersionAndHelpNeedNoDisplay)
{
    TempDir dir;
    const e2e::Launch noDisplay{.environment = {{"DISPLAY", std::nullopt}}};
    const testsupport::CommandResult version = e2e::runProgram(dir.path(), "--version", noDisplay);
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.output, std::string("burrik ") + BURRIK_VERSION + "\n");
    const testsupport::CommandResult help = e2e::runProgram(dir.path(), "--help", noDisplay);
    EXPECT_EQ(help.exitStatus, 0);
    for (const char* text : {"--version", "$XDG_CONFIG_HOME/burrik/burrik.ini", "~/.config/burrik/burrik.ini"})
        EXPECT_NE(help.output.find(text), std::string::npos) << text;
}

}  // namespace
