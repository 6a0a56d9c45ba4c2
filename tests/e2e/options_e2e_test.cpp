// End to end: the player's key bindings, the options screen and F12 in the
// real game. A bound key acts and the key it replaced does nothing; a game
// recorded under bindings replays without them to the same trace; the
// options screen leaves the menu and the pause exactly as they were; F12's
// file is the frame --screenshot takes, and its note never reaches the
// pause's picture. Each run has its own configuration and home folders.
#include "e2e_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using e2e::GameRun;
using e2e::numberField;
using e2e::stringField;
using testsupport::TempDir;

// The player's folders of this run: settings.ini (with these lines) and the
// pictures under dir, never the tester's.
void usePlayerFolders(const TempDir& dir, const std::string& settingsLines)
{
    const fs::path config = dir / e2e::kRunConfigHome;
    fs::create_directories(config / "burrik");
    fs::create_directories(dir / e2e::kRunHome);
    if (!settingsLines.empty()) testsupport::writeFileText(config / "burrik" / "settings.ini", settingsLines);
}

const std::string& frameLine(const GameRun& run, long frame)
{
    static const std::string none;
    for (const std::string& line : run.trace) {
        if (numberField(line, "frame") == static_cast<double>(frame)) return line;
    }
    return none;
}

double walked(const GameRun& run, long from, long to)
{
    return std::abs(numberField(frameLine(run, to), "z") - numberField(frameLine(run, from), "z")) +
           std::abs(numberField(frameLine(run, to), "x") - numberField(frameLine(run, from), "x"));
}

bool samePicture(const fs::path& a, const fs::path& b)
{
    const e2e::Picture first = e2e::loadPng(a.string());
    const e2e::Picture second = e2e::loadPng(b.string());
    return first.valid() && second.valid() && first.width == second.width && first.height == second.height &&
           first.rgb == second.rgb;
}

// Walk on k, water on q; a line with a key that does not exist and one of
// an action that does not exist: both named, the rest stands.
constexpr const char* kBindings = "key-walk=k\nkey-water=q\nkey-strike=zz\nkey-jump=j\n";

// Up (the old walk) and x (the old water) do nothing; k walks, q waters,
// down still strikes (its line was bad). F1 pauses at 210, o opens the
// options over the pause, the volume goes two steps down there, escape
// closes them and F1 goes on.
constexpr const char* kBoundPlay =
    "3 press space\n"
    "10 press up\n40 release up\n"
    "45 press x\n46 release x\n"
    "50 press k\n80 release k\n"
    "84 press q\n85 release q\n"
    "200 press down\n201 release down\n"
    "210 press f1\n212 press o\n213 release o\n"
    "215 press down\n216 press down\n217 press down\n218 press left\n219 press left\n"
    "222 press escape\n225 press f1\n";

TEST(OptionsEndToEnd, BoundKeysActTheOldOnesDoNothingAndARecordingReplaysWithoutThem)
{
    TempDir dir;
    usePlayerFolders(dir, kBindings);
    const GameRun bound = e2e::runGame(dir, kBoundPlay, "--seed 5 --fixed-dt 0.02 --frames 240 --record game.replay");
    ASSERT_EQ(bound.exitStatus, 0) << bound.output;
    ASSERT_GE(bound.trace.size(), 240u);

    // The bad lines are named; the file stands, with its lines.
    EXPECT_NE(bound.output.find("'key-strike=zz': no key 'zz'"), std::string::npos) << bound.output;
    EXPECT_NE(bound.output.find("'key-jump=j': no action 'jump'"), std::string::npos) << bound.output;
    EXPECT_FALSE(fs::exists(dir / e2e::kRunConfigHome / "burrik" / "settings.ini.damaged"));
    const std::string kept = testsupport::readFileText(dir / e2e::kRunConfigHome / "burrik" / "settings.ini");
    EXPECT_NE(kept.find("key-walk=k"), std::string::npos) << kept;
    EXPECT_NE(kept.find("key-jump=j"), std::string::npos) << kept;

    EXPECT_LT(walked(bound, 9, 42), 0.01);  // up is no walk any more
    EXPECT_EQ(numberField(frameLine(bound, 47), "watering"), 0);  // nor x water
    EXPECT_GT(walked(bound, 49, 82), 20.0);  // k walks
    EXPECT_EQ(numberField(frameLine(bound, 86), "watering"), 1);  // q waters
    EXPECT_EQ(numberField(frameLine(bound, 201), "striking"), 1);  // down strikes as before
    // The options over the pause: the volume went down by two, the game
    // went on after the pause where it was.
    EXPECT_NE(frameLine(bound, 220).find("\"paused\":true"), std::string::npos);
    EXPECT_EQ(numberField(frameLine(bound, 209), "soundVolume"), 10);
    EXPECT_EQ(numberField(frameLine(bound, 230), "soundVolume"), 8);
    EXPECT_NE(frameLine(bound, 230).find("\"paused\":false"), std::string::npos);

    // Replayed by a player with no bindings at all: the same game.
    TempDir viewer;
    usePlayerFolders(viewer, "");
    const std::string tracePath = (viewer / "replay.jsonl").string();
    const testsupport::CommandResult replay = testsupport::runCommand(
        "cd " + testsupport::shellQuote(viewer.path().string()) + " && SDL_AUDIODRIVER=dummy XDG_DATA_HOME=" +
        testsupport::shellQuote((viewer / e2e::kRunDataHome).string()) + " XDG_CONFIG_HOME=" +
        testsupport::shellQuote((viewer / e2e::kRunConfigHome).string()) + " HOME=" +
        testsupport::shellQuote((viewer / e2e::kRunHome).string()) + " " +
        testsupport::shellQuote(testsupport::burrikExecutable()) + " --windowed --no-dialogs --no-vsync --data " +
        testsupport::shellQuote(testsupport::generatedDataDir()) + " --replay " +
        testsupport::shellQuote((dir / "game.replay").string()) + " --trace " + testsupport::shellQuote(tracePath));
    ASSERT_EQ(replay.exitStatus, 0) << replay.output;
    const std::vector<std::string> replayed = e2e::traceLines(tracePath);
    ASSERT_EQ(replayed.size(), bound.trace.size());
    for (std::size_t i = 0; i < replayed.size(); ++i) ASSERT_EQ(replayed[i], bound.trace[i]) << "line " << i;
}

TEST(OptionsEndToEnd, TheOptionsScreenLeavesTheMenuAndThePauseAsTheyWere)
{
    TempDir dir;
    usePlayerFolders(dir, "");
    // Over the start menu: o, the keys of the screen (down three times would
    // move the menu's choice, space would start a game), escape; the pad's Y,
    // its d-pad and Back. Then the keys over the pause of a game.
    const std::string script =
        "3 press o\n4 release o\n"
        "6 press down\n7 press down\n8 press down\n9 press space\n10 press escape\n"
        "15 pad press y\n16 pad release y\n18 pad press dpdown\n19 pad press back\n20 pad release back\n"
        "25 press space\n30 press f1\n"
        "33 press o\n36 press down\n37 press space\n38 press escape\n";
    const GameRun run = e2e::runGame(dir, script,
                                     "--seed 5 --fixed-dt 0.02 --frames 45 --screenshot 2:menu.png "
                                     "--screenshot 5:options.png --screenshot 14:menu-after.png "
                                     "--screenshot 17:options-pad.png --screenshot 22:menu-after-pad.png "
                                     "--screenshot 32:pause.png --screenshot 35:options-paused.png "
                                     "--screenshot 42:pause-after.png");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_TRUE(samePicture(dir / "menu.png", dir / "menu-after.png"));
    EXPECT_FALSE(samePicture(dir / "menu.png", dir / "options.png"));
    EXPECT_TRUE(samePicture(dir / "menu.png", dir / "menu-after-pad.png"));
    EXPECT_FALSE(samePicture(dir / "menu.png", dir / "options-pad.png"));
    EXPECT_TRUE(samePicture(dir / "pause.png", dir / "pause-after.png"));
    EXPECT_FALSE(samePicture(dir / "pause.png", dir / "options-paused.png"));
    // The game never saw the screen's keys.
    for (long frame = 2; frame <= 24; ++frame) {
        EXPECT_EQ(stringField(frameLine(run, frame), "state"), "StartMenu") << frame;
        EXPECT_EQ(numberField(frameLine(run, frame), "menuChoice"), 1) << frame;
    }
    // The escape that closed the screen over the pause did not leave the round.
    EXPECT_EQ(stringField(frameLine(run, 44), "state"), "Playing");
    EXPECT_NE(frameLine(run, 44).find("\"paused\":true"), std::string::npos);
}

TEST(OptionsEndToEnd, F12SavesTheFrameScreenshotTakesAndItsNoteStaysOutOfThePause)
{
    const std::string options = "--seed 5 --fixed-dt 0.02 --frames 201 --screenshot 10:frame10.png --screenshot 200:paused.png";
    TempDir withKey;
    usePlayerFolders(withKey, "");
    const GameRun saved = e2e::runGame(withKey, "3 press space\n10 press f12\n11 release f12\n12 press f1\n", options);
    ASSERT_EQ(saved.exitStatus, 0) << saved.output;
    const fs::path folder = withKey / e2e::kRunHome / "Pictures" / "Burrik";
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].extension(), ".png");
    EXPECT_NE(saved.output.find(files[0].string()), std::string::npos) << saved.output;
    EXPECT_TRUE(samePicture(files[0], withKey / "frame10.png"));

    TempDir withoutKey;
    usePlayerFolders(withoutKey, "");
    const GameRun plain = e2e::runGame(withoutKey, "3 press space\n12 press f1\n", options);
    ASSERT_EQ(plain.exitStatus, 0) << plain.output;
    // The same game, and the pause shows the garden without the note.
    ASSERT_EQ(plain.trace, saved.trace);
    EXPECT_TRUE(samePicture(withKey / "paused.png", withoutKey / "paused.png"));
}

}  // namespace

namespace {

std::string firstLine(const fs::path& path)
{
    const std::string text = testsupport::readFileText(path);
    return text.substr(0, text.find('\n'));
}

TEST(OptionsEndToEnd, F11AndTheDisplayEntriesKeepTheGameAndThePlayersFiles)
{
    TempDir dir;
    usePlayerFolders(dir, "");
    testsupport::writeFileText(dir / e2e::kRunConfigHome / "burrik" / "burrik.ini", "800x600:32@60\n# the player's own note\n");
    // F11 to full screen and back; then, in the options, the display entry
    // twice (full screen and back) and the next video mode the screen offers.
    const std::string script =
        "3 press f11\n4 release f11\n12 press f11\n13 release f11\n"
        "24 press o\n25 press space\n34 press space\n36 press down\n37 press right\n38 press escape\n";
    const GameRun run = e2e::runGame(dir, script,
                                     "--seed 5 --fixed-dt 0.02 --frames 48 --screenshot 2:window.png "
                                     "--screenshot 10:full.png --screenshot 20:window-again.png "
                                     "--screenshot 32:full-again.png --screenshot 46:window-last.png");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    const e2e::Picture window = e2e::loadPng((dir / "window.png").string());
    const e2e::Picture full = e2e::loadPng((dir / "full.png").string());
    ASSERT_TRUE(window.valid() && full.valid());
    EXPECT_EQ(window.width, 800);
    EXPECT_GT(full.width, window.width);  // the whole screen
    // Back in the window the menu is drawn as before: its textures are kept.
    EXPECT_TRUE(samePicture(dir / "window.png", dir / "window-again.png"));
    EXPECT_EQ(e2e::loadPng((dir / "full-again.png").string()).width, full.width);
    EXPECT_TRUE(samePicture(dir / "window.png", dir / "window-last.png"));
    for (const std::string& line : run.trace) EXPECT_EQ(stringField(line, "state"), "StartMenu");

    // The last choice, a window, is kept for the next start; the video mode
    // is one the screen offers, of its size, with the rest of burrik.ini.
    const std::string settings = testsupport::readFileText(dir / e2e::kRunConfigHome / "burrik" / "settings.ini");
    EXPECT_NE(settings.find("display=window"), std::string::npos) << settings;
    const fs::path ini = dir / e2e::kRunConfigHome / "burrik" / "burrik.ini";
    const std::string mode = firstLine(ini);
    EXPECT_EQ(mode.rfind(std::to_string(full.width) + "x" + std::to_string(full.height) + ":32", 0), 0u) << mode;
    EXPECT_NE(testsupport::readFileText(ini).find("\n# the player's own note\n"), std::string::npos);
}

}  // namespace
