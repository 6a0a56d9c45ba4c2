// End to end: the game's sounds in the real executable. The music starts with
// the first game; missing and damaged sound files and a missing sound device
// are said on the console and the game plays on.
#include "e2e_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using testsupport::shellQuote;
using testsupport::TempDir;

constexpr int kFrames = 12;
constexpr const char* kStartGame = "2 press space\n2 release space\n";

struct SoundRun {
    int exitStatus = -1;
    std::string output;
    std::vector<std::string> trace;
};

SoundRun runWithSound(const TempDir& dir, const std::string& audioDriver, const std::string& dataDir)
{
    testsupport::writeFileText(dir / "script.txt", kStartGame);
    const std::string command = "cd " + shellQuote(dir.path().string()) + " && SDL_AUDIODRIVER=" +
                                shellQuote(audioDriver) + " " + shellQuote(testsupport::burrikExecutable()) +
                                " --windowed --no-dialogs --no-vsync --seed 7 --fixed-dt 0.02 --data " +
                                shellQuote(dataDir) + " --script script.txt --trace trace.jsonl --frames " +
                                std::to_string(kFrames);
    const testsupport::CommandResult result = testsupport::runCommand(command);
    SoundRun run{result.exitStatus, result.output, {}};
    std::istringstream lines(testsupport::readFileText(dir / "trace.jsonl"));
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) run.trace.push_back(line);
    return run;
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

bool haveDisplay() { return std::getenv("DISPLAY") != nullptr; }

TEST(GameSounds, TheMusicStartsWithTheFirstGameAndNothingElseSounds)
{
    if (!haveDisplay()) GTEST_SKIP() << "no display";
    TempDir dir;
    const SoundRun run = runWithSound(dir, "dummy", testsupport::generatedDataDir());
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), static_cast<std::size_t>(kFrames));
    EXPECT_EQ(occurrences(run.output, "Loading the song...\n\n"), 7u) << run.output;
    for (int tick = 1; tick <= kFrames; ++tick) {
        const std::string& line = run.trace[static_cast<std::size_t>(tick - 1)];
        EXPECT_EQ(soundsOf(line), tick == 2 ? "\"sound/hintergrund3.wav\"" : "") << tick;
        EXPECT_NE(line.find("\"particles\":{\"spray\":0,\"water\":0,\"flies\":0}"), std::string::npos) << line;
    }
    EXPECT_EQ(e2e::stringField(run.trace[1], "state"), "Playing");
}

TEST(GameSounds, MissingAndDamagedFilesAreNamedAndTheGamePlaysOn)
{
    if (!haveDisplay()) GTEST_SKIP() << "no display";
    TempDir dir;
    const fs::path data = dataWithBrokenSounds(dir);
    const SoundRun run = runWithSound(dir, "dummy", data.string());
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), static_cast<std::size_t>(kFrames));
    EXPECT_EQ(occurrences(run.output, "Loading the song...\n\nFile not found\n"), 1u) << run.output;
    EXPECT_EQ(occurrences(run.output, "Loading the song...\n\nUnknown file format\n"), 1u) << run.output;
    EXPECT_EQ(occurrences(run.output, "Loading the song...\n\n"), 7u);
    EXPECT_EQ(e2e::stringField(run.trace.back(), "state"), "Playing");
    EXPECT_EQ(soundsOf(run.trace[1]), "\"sound/hintergrund3.wav\"");
}

TEST(GameSounds, WithoutASoundDeviceTheGameSaysSoOnceAndPlaysSilently)
{
    if (!haveDisplay()) GTEST_SKIP() << "no display";
    TempDir dir;
    const SoundRun run = runWithSound(dir, "no-such-driver", testsupport::generatedDataDir());
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_EQ(run.trace.size(), static_cast<std::size_t>(kFrames));
    EXPECT_EQ(occurrences(run.output, "Error initializing output device. The game goes on without sound.\n"), 1u)
        << run.output;
    EXPECT_EQ(occurrences(run.output, "Loading the song"), 0u);
    EXPECT_EQ(e2e::stringField(run.trace.back(), "state"), "Playing");
    // The game still asked for its music; there was just nothing to hear it on.
    EXPECT_EQ(soundsOf(run.trace[1]), "\"sound/hintergrund3.wav\"");
}

}  // namespace
