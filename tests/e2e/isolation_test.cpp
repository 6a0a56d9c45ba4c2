// The tests keep off the files of the person running them: the test programs
// run with home and config and data folders in the build tree, and every game
// they start gets folders of its own, even when the test program's own would
// be a person's, with a video mode and sound settings of their own.
#include "e2e_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

constexpr const char* kPlayerFolders[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"};

bool inside(const fs::path& folder, const fs::path& path)
{
    const fs::path base = fs::weakly_canonical(folder);
    const fs::path relative = fs::weakly_canonical(path).lexically_relative(base);
    return !relative.empty() && *relative.begin() != "..";
}

// Every file and folder below root, with the files' contents.
std::map<std::string, std::string> contents(const fs::path& root)
{
    std::map<std::string, std::string> found;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = fs::relative(entry.path(), root).generic_string();
        found[name] = entry.is_regular_file() ? testsupport::readFileText(entry.path()) : "(folder)";
    }
    return found;
}

// The player's folders of this process pointed elsewhere, and back again.
class PlayerFoldersOfThisProcess {
public:
    explicit PlayerFoldersOfThisProcess(const fs::path& home)
    {
        for (const char* name : kPlayerFolders) {
            const char* value = std::getenv(name);
            saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
        }
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
        setenv("XDG_DATA_HOME", (home / ".local" / "share").c_str(), 1);
    }
    ~PlayerFoldersOfThisProcess()
    {
        for (const auto& [name, value] : saved_) {
            if (value) setenv(name.c_str(), value->c_str(), 1);
            else unsetenv(name.c_str());
        }
    }
    PlayerFoldersOfThisProcess(const PlayerFoldersOfThisProcess&) = delete;
    PlayerFoldersOfThisProcess& operator=(const PlayerFoldersOfThisProcess&) = delete;

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST(Isolation, NoTestReadsOrWritesTheFilesOfThePersonRunningIt)
{
    // The test program itself: its player's folders lie in the build tree.
    const fs::path build = fs::path(testsupport::generatedDataDir()).parent_path();
    for (const char* name : kPlayerFolders) {
        const char* value = std::getenv(name);
        EXPECT_TRUE(value != nullptr && inside(build, value))
            << name << " is " << (value ? value : "not set") << ", not a folder inside " << build;
    }
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";

    // A person's own folders: a television's mode, the music off and the
    // sounds at 3 of 10.
    TempDir person;
    testsupport::writeFileText(person / ".config/burrik/burrik.ini", "1024x768 #tv\n");
    testsupport::writeFileText(person / ".config/burrik/settings.ini", "music=off\nsound-volume=3\n");
    fs::create_directories(person / ".local/share");
    const std::map<std::string, std::string> before = contents(person.path());

    // A recorded game, the sounds made quieter, lost when its clock runs out:
    // it reads the video mode and the sound settings, writes the settings and
    // enters a score table.
    TempDir dir;
    e2e::GameRun run;
    {
        const PlayerFoldersOfThisProcess folders(person.path());
        run = e2e::runGame(dir, "1 press space\n3 press -\n", "--seed 2 --fixed-dt 1 --frames 205 --record game.replay");
    }
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), 205u);
    EXPECT_NE(run.trace.front().find("\"musicHeard\":true,\"soundVolume\":10,"), std::string::npos) << run.trace.front();
    EXPECT_EQ(e2e::stringField(run.trace.back(), "state"), "RoundLost");
    const std::string replay = testsupport::readFileText(dir / "game.replay");
    EXPECT_EQ(replay.substr(0, replay.find('\n', replay.find('\n') + 1)), "burrik-replay 3\nvideo window \"800x600:32@60\"");
    // What the game wrote went into the run's own folders, the person's are as they were.
    EXPECT_TRUE(fs::exists(dir / e2e::kRunConfigHome / "burrik" / "settings.ini"));
    EXPECT_TRUE(fs::exists(dir / e2e::kRunDataHome / "burrik" / "scores"));
    EXPECT_EQ(contents(person.path()), before);
}

}  // namespace
