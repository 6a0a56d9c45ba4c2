#include "app/config_file.h"
#include "app/startup.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using testsupport::TempDir;
using testsupport::writeFileText;

TEST(PlayerConfigFile, FolderFromTheEnvironment)
{
    struct Case {
        const char* xdgConfigHome;
        const char* home;
        const char* expected;
    };
    for (const Case& c : {
             Case{"/x/conf", "/home/p", "/x/conf/burrik/burrik.ini"},
             Case{"/x/conf", nullptr, "/x/conf/burrik/burrik.ini"},
             Case{nullptr, "/home/p", "/home/p/.config/burrik/burrik.ini"},
             Case{"", "/home/p", "/home/p/.config/burrik/burrik.ini"},
             Case{"relative/conf", "/home/p", "/home/p/.config/burrik/burrik.ini"},
             Case{nullptr, nullptr, ""},
             Case{"", "relative", ""},
         }) {
        EXPECT_EQ(userConfigPath(c.xdgConfigHome, c.home), c.expected)
            << (c.xdgConfigHome ? c.xdgConfigHome : "(unset)") << " / " << (c.home ? c.home : "(unset)");
    }
}

// The player's file goes before the data folder's and is read by the same
// rules: a line too long there gives the default, not the data folder's mode.
TEST(PlayerConfigFile, GoesBeforeTheDataFolderWithTheSameRules)
{
    TempDir dir;
    const std::string dataFile = (dir / "data.ini").string();
    writeFileText(dataFile, "640x480:16@75\n");
    const std::filesystem::path config = dir / "config";
    const std::string userFile = userConfigPath(config.c_str(), "/nowhere");
    std::filesystem::create_directories(config / "burrik");

    EXPECT_EQ(readGameModeString(chooseConfigFile(userFile, dataFile)), "640x480:16@75") << "no player's file yet";
    EXPECT_EQ(chooseConfigFile("", dataFile), dataFile);

    writeFileText(userFile, "1024x768:32@60\nignored\n");
    EXPECT_EQ(chooseConfigFile(userFile, dataFile), userFile);
    EXPECT_EQ(readGameModeString(chooseConfigFile(userFile, dataFile)), "1024x768:32@60");

    writeFileText(userFile, std::string(30, '1') + "\n");
    EXPECT_EQ(readGameModeString(chooseConfigFile(userFile, dataFile)), "800x600:32@60");
    writeFileText(userFile, "");
    EXPECT_EQ(readGameModeString(chooseConfigFile(userFile, dataFile)), "800x600:32@60");
    writeFileText(userFile, "\n");
    EXPECT_EQ(readGameModeString(chooseConfigFile(userFile, dataFile)), "");

    // A folder in the file's place is not the player's file.
    std::filesystem::remove(userFile);
    std::filesystem::create_directories(userFile);
    EXPECT_EQ(chooseConfigFile(userFile, dataFile), dataFile);
}

}  // namespace
