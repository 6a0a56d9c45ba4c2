// End to end: the game's sounds in the real executable. The music starts with
// the first game; missing and damaged sound files and a missing sound device
// are said on the console and the game plays on.
#include "e2e_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

constexpr int kFrames = 12;
constexpr const char* kStartGame = "2 press space\n2 release space\n";

e2e::GameRun runWithSound(const TempDir& dir, const std::string& audioDriver, const std::string& dataDir)
{
    return e2e::runGame(dir.path(), {.script = kStartGame,
                                     .options = "--seed 7 --fixed-dt 0.02 --frames " + std::to_string(kFrames),
                                     .dataDir = dataDir,
                                     .launch = {.environment = {{"SDL_AUDIODRIVER", audioDriver}}}});
}

std::size_t occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

std::string soundsOf(const std::string& line)
{
    const std::size_t start = line.find("\"sounds\":[");
    if (start == std::string::npos) return "missing";
    const std::size_t begin = start + 10;
    return line.substr(begin, line.find(']', begin) - begin);
}

// The generated data folder with a sound/ folder of its own: shriek.wav
// missing and wasser2.wav damaged.
fs::path dataWithBrokenSounds(const TempDir& dir)
{
    const fs::path source = testsupport::generatedDataDir();
    const fs::path data = dir / "data";
    fs::create_directories(data / "sound");
    for (const fs::directory_entry& entry : fs::directory_iterator(source)) {
        if (entry.path().filename() != "sound") fs::create_directory_symlink(entry.path(), data / entry.path().filename());
    }
    for (const char* name : {"hintergrund3.wav", "rechen2.wav", "spray.wav", "au.wav", "tot.wav"})
        fs::copy_file(source / "sound" / name, data / "sound" / name);
    std::vector<std::uint8_t> bytes = testsupport::readFileBytes(source / "sound" / "wasser2.wav");
    bytes.resize(bytes.size() / 2);  // cut off in the middle of its samples
    testsupport::writeFileBytes(data / "sound" / "wasser2.wav", bytes);
    return data;
}

TEST(GameSounds, MusicAtTheFirstStartAndEverySoundFailureSaidWhileTheGamePlaysOn)
{
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    TempDir brokenDir;
    const struct {
        const char* name;
        const char* driver;
        std::string data;
        std::vector<std::pair<std::string, std::size_t>> texts;  // console text, how often
    } cases[] = {
        {"all well", "dummy", testsupport::generatedDataDir(), {{"Loading the song...\n\n", 7}}},
        {"missing and damaged files", "dummy", dataWithBrokenSounds(brokenDir).string(),
         {{"Loading the song...\n\nFile not found\n", 1},
          {"Loading the song...\n\nUnknown file format\n", 1},
          {"Loading the song...\n\n", 7}}},
        {"no device", "no-such-driver", testsupport::generatedDataDir(),
         {{"Error initializing output device. The game goes on without sound.\n", 1}, {"Loading the song", 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const e2e::GameRun run = runWithSound(dir, c.driver, c.data);
        ASSERT_EQ(run.exitStatus, 0) << run.output;
        ASSERT_EQ(run.trace.size(), static_cast<std::size_t>(kFrames));
        for (const auto& [text, count] : c.texts) EXPECT_EQ(occurrences(run.output, text), count) << run.output;
        // The music is started in the tick of the first game start (heard or not), nothing else.
        for (std::size_t tick = 1; tick <= run.trace.size(); ++tick)
            EXPECT_EQ(soundsOf(run.trace[tick - 1]), tick == 2 ? "\"sound/hintergrund3.wav\"" : "") << tick;
        EXPECT_EQ(e2e::stringField(run.trace.back(), "state"), "Playing");
        EXPECT_NE(run.trace.back().find("\"particles\":{\"spray\":0,\"water\":0,\"flies\":0}"), std::string::npos);
    }
}

}  // namespace
