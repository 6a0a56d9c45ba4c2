// Every file of the data folder in turn removed, cut to half its length and
// filled with noise, then a scripted round of the real game: each kind of
// file has its documented outcome (see the README's table), and no damage
// ever crashes the game, hangs it or lets it start silently on a wrong file.
#include "e2e_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <set>

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

enum class Damage { Removed, CutShort, Noise };
constexpr Damage kDamages[] = {Damage::Removed, Damage::CutShort, Damage::Noise};

const char* damageName(Damage damage)
{
    switch (damage) {
    case Damage::Removed: return "removed";
    case Damage::CutShort: return "cut short";
    case Damage::Noise: return "noise";
    }
    return "?";
}

// A round that reads every file the game has: the game starts from the menu,
// the gardener walks, waters, sprays and strikes.
constexpr const char* kRoundScript =
    "2 press space\n2 release space\n"
    "5 press up\n20 release up\n"
    "22 press x\n23 release x\n"
    "90 press y\n91 release y\n"
    "160 press down\n161 release down\n";
constexpr int kRoundFrames = 170;
constexpr const char* kTickSeconds = "0.04";
// A damaged file must never make the game hang; a round takes a few seconds.
constexpr int kHangSeconds = 60;

// Files the scripted round does not read (yet): damaging them changes
// nothing, and the round must still run cleanly. A reader that starts to read
// one of them makes its damaged runs fail here until it is taken off the list.
const std::set<std::string> kNotReadInTheRound = {
    "bilder/fliege2.tga",  // the flies' sprite: read when a struck mole lies at the fence
};


bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool readInTheRound(const std::string& file) { return kNotReadInTheRound.count(file) == 0; }

std::vector<std::string> dataFiles()
{
    std::vector<std::string> files;
    std::error_code error;
    const fs::path root = testsupport::generatedDataDir();
    for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file() || it->path().filename() == ".stamp") continue;
        files.push_back(fs::relative(it->path(), root).generic_string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The data folder as links to the generated files, with one file damaged.
void prepareDataFolder(const fs::path& folder, const std::string& damagedFile, Damage damage)
{
    const fs::path root = testsupport::generatedDataDir();
    for (const std::string& file : dataFiles()) {
        fs::create_directories((folder / file).parent_path());
        if (file != damagedFile) {
            fs::create_symlink(root / file, folder / file);
            continue;
        }
        std::vector<std::uint8_t> bytes = testsupport::readFileBytes(root / file);
        switch (damage) {
        case Damage::Removed: continue;
        case Damage::CutShort: bytes.resize(bytes.size() / 2); break;
        case Damage::Noise: {
            std::mt19937 random(static_cast<std::uint32_t>(std::hash<std::string>{}(file)));
            for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
            break;
        }
        }
        testsupport::writeFileBytes(folder / file, bytes);
    }
}

using Outcome = e2e::GameRun;

Outcome playRound(const TempDir& dir, const std::string& damagedFile, Damage damage)
{
    const fs::path data = dir / "data";
    prepareDataFolder(data, damagedFile, damage);
    return e2e::runGame(dir.path(),
                        {.script = kRoundScript,
                         .options = std::string("--seed 7 --fixed-dt ") + kTickSeconds + " --frames " +
                                    std::to_string(kRoundFrames),
                         .dataDir = data.string(),
                         // burrik.ini only counts outside a window of fixed size.
                         .windowed = damagedFile != "burrik.ini",
                         .launch = {.environment = {{"XDG_CONFIG_HOME", dir.path().string()}},
                                    .hangSeconds = kHangSeconds}});
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The whole round was played: every tick traced, the game in Playing.
void expectFullRound(const Outcome& outcome, const std::string& what)
{
    EXPECT_EQ(outcome.exitStatus, 0) << what << "\n" << outcome.output;
    ASSERT_EQ(outcome.trace.size(), static_cast<std::size_t>(kRoundFrames)) << what << "\n" << outcome.output;
    EXPECT_EQ(e2e::stringField(outcome.trace.back(), "state"), "Playing") << what;
}

void expectPictureOutcome(const std::string& file, Damage damage, const Outcome& outcome, const std::string& what)
{
    EXPECT_EQ(outcome.exitStatus, 1) << what << "\n" << outcome.output;
    EXPECT_LT(outcome.trace.size(), static_cast<std::size_t>(kRoundFrames)) << what;
    if (endsWith(file, ".tga")) {
        EXPECT_TRUE(contains(outcome.output, "Failed to load TGA file " + file + ".")) << what << "\n" << outcome.output;
        return;
    }
    const std::string expected = damage == Damage::Removed ? "Failed to open DIB file " + file + "."
                                 : damage == Damage::Noise  ? "Unknown DIB file format."
                                                            : "Image file conversion error.";
    EXPECT_TRUE(contains(outcome.output, expected)) << what << "\n" << outcome.output;
    if (damage != Damage::Removed) {
        EXPECT_TRUE(contains(outcome.output, file + ": ")) << what << "\n" << outcome.output;
    }
}

void expectModelOutcome(const std::string& file, Damage damage, const Outcome& outcome, const std::string& what)
{
    expectFullRound(outcome, what);
    const bool md3 = endsWith(file, ".md3");
    const std::string expected = damage == Damage::Removed ? "Unable to find the file: " + file + "!"
                                 : damage == Damage::Noise
                                     ? (md3 ? "Invalid file format (Version not 15): " : "Unable to load PRIMARY chuck from file: ") +
                                           file + "!"
                                     : (md3 ? "Invalid MD3 file (" : "The file " + file + " is cut short");
    EXPECT_TRUE(contains(outcome.output, expected)) << what << "\n" << outcome.output;
    EXPECT_TRUE(contains(outcome.output, file)) << what << "\n" << outcome.output;
}

// The character's skins and animation table: the round goes on, and the
// console names the file and what was wrong with it. A skin cut inside its
// last line names a picture that is not there, which ends the game as a
// missing picture does.
void expectCharacterTextOutcome(const std::string& file, Damage damage, const Outcome& outcome,
                                const std::string& what)
{
    if (endsWith(file, ".skin") && damage == Damage::CutShort && outcome.exitStatus == 1) {
        EXPECT_TRUE(contains(outcome.output, "Failed to open DIB file Pell/")) << what << "\n" << outcome.output;
        return;
    }
    expectFullRound(outcome, what);
    if (damage == Damage::Removed) {
        EXPECT_TRUE(contains(outcome.output, "Unable to find the file: " + file + "!")) << what << "\n" << outcome.output;
    } else {
        EXPECT_TRUE(contains(outcome.output, file)) << what << "\n" << outcome.output;
    }
}

void expectConfigOutcome(Damage damage, const Outcome& outcome, const std::string& what)
{
    expectFullRound(outcome, what);
    // The mode asked for is named where it cannot be entered (always so under
    // the test display): the default when the file is gone.
    EXPECT_TRUE(contains(outcome.output, "of burrik.ini cannot be entered here")) << what << "\n" << outcome.output;
    if (damage == Damage::Removed) {
        EXPECT_TRUE(contains(outcome.output, "\"800x600:32@60\"")) << outcome.output;
    } else if (damage == Damage::CutShort) {
        // The first half of "800x600:32@60\n".
        EXPECT_TRUE(contains(outcome.output, "\"800x600\"")) << outcome.output;
    }
}

// A sound that cannot be loaded is said on the console, with its file, and
// the round goes on without it.
void expectSoundOutcome(const std::string& file, Damage damage, const Outcome& outcome, const std::string& what)
{
    expectFullRound(outcome, what);
    EXPECT_TRUE(contains(outcome.output, damage == Damage::Removed ? "File not found\n" : "Unknown file format\n"))
        << what << "\n" << outcome.output;
    EXPECT_TRUE(contains(outcome.output, file + ": the game goes on without this sound\n"))
        << what << "\n" << outcome.output;
}

class DamagedDataFile : public ::testing::TestWithParam<std::string> {};

TEST_P(DamagedDataFile, HasItsDocumentedOutcome)
{
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    const std::string& file = GetParam();
    for (Damage damage : kDamages) {
        TempDir dir;
        const Outcome outcome = playRound(dir, file, damage);
        const std::string what = file + " " + damageName(damage);
        ASSERT_NE(outcome.exitStatus, 124) << what << ": the game hung\n" << outcome.output;
        ASSERT_NE(outcome.exitStatus, -1) << what << ": the game crashed\n" << outcome.output;
        if (!readInTheRound(file)) {
            expectFullRound(outcome, what);
        } else if (endsWith(file, ".bmp") || endsWith(file, ".tga")) {
            expectPictureOutcome(file, damage, outcome, what);
        } else if (endsWith(file, ".skin") || endsWith(file, ".cfg")) {
            expectCharacterTextOutcome(file, damage, outcome, what);
        } else if (endsWith(file, ".3ds") || endsWith(file, ".md3")) {
            expectModelOutcome(file, damage, outcome, what);
        } else if (endsWith(file, ".wav")) {
            expectSoundOutcome(file, damage, outcome, what);
        } else if (file == "burrik.ini") {
            expectConfigOutcome(damage, outcome, what);
        } else {
            ADD_FAILURE() << file << ": no documented outcome for this kind of file";
        }
    }
}

std::string testName(const ::testing::TestParamInfo<std::string>& info)
{
    std::string name = info.param;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(EveryFile, DamagedDataFile, ::testing::ValuesIn(dataFiles()), testName);

}  // namespace
