// The replay file: the reader gives back exactly what the recorder wrote,
// every kind of damage is refused with its line, and the player answers the
// game from the file and stops, saying where, when the game and the file part.
#include "allocation_probe.h"
#include "records/replay_format.h"
#include "records/replay_player.h"
#include "records/replay_recorder.h"
#include "records/score_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <limits>
#include <sys/resource.h>
#include <vector>

namespace {

// A clock whose readings the test sets.
class SetClock final : public ClockSource {
public:
    std::int64_t frequency = 1'000'000'000;
    std::int64_t counter = 0;
    std::uint32_t process = 0;
    std::uint32_t tickCount = 0;
    std::int64_t calendar = 0;
    std::int64_t counterFrequency() const override { return frequency; }
    std::int64_t counterReading() const override { return counter; }
    std::uint32_t processMilliseconds() const override { return process; }
    std::uint32_t tickCountMilliseconds() const override { return tickCount; }
    std::int64_t calendarSeconds() const override { return calendar; }
};

ReplayParseResult parseText(const std::string& text)
{
    return parseReplay(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// The frames and items of a parsed replay, read back from its text.
struct WalkedFrame {
    long frame = 0;
    std::size_t firstItem = 0;
    std::size_t itemCount = 0;
};
struct Walked {
    std::vector<WalkedFrame> frames;
    std::vector<ReplayItem> items;
};

Walked walk(const std::string& text, const ReplayData& data)
{
    Walked walked;
    ReplayFrameReader reader(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), data);
    WalkedFrame frame;
    std::uint32_t line = 0;
    while (reader.upcomingFrame(frame.frame, line) && reader.enterFrame()) {
        frame.firstItem = walked.items.size();
        for (ReplayItem item; reader.nextItem(item);) walked.items.push_back(item);
        frame.itemCount = walked.items.size() - frame.firstItem;
        walked.frames.push_back(frame);
    }
    return walked;
}

const std::string kHeader =
    "burrik-replay 1\nvideo window 800x600:32@60\nvsync on\nseed clock\nclock real\n"
    "render lists=0 arrays=1 wireframe=0 mipmap=1 filter=0 fps=1\nbegin\n";

struct Item {
    long frame;
    ReplayItemKind kind;
    std::int64_t value;
    int detail = 0;
};

TEST(ReplayFile, TheReaderGivesBackWhatTheRecorderWrote)
{
    testsupport::TempDir dir;
    const std::string path = (dir / "game.replay").string();
    ReplayHeader header;
    header.windowed = false;
    header.videoMode = "1024x768:32@75";
    header.vsync = false;
    header.seed = 4'000'000'000u;
    header.fixedDt = 0.02;
    header.render.filterMode = 2;
    header.render.useDisplayLists = 1;
    ReplayRecorder recorder;
    std::string error;
    ASSERT_TRUE(recorder.open(path, header, error)) << error;
    recorder.setSoundLevels(false, 7);
    SetClock inner;
    RecordingClock clock(inner, recorder);
    std::vector<Item> expected;
    auto key = [&](ReplayItemKind kind, int code) {
        recorder.noteInput(kind, 0, code);
        expected.push_back({recorder.currentFrame(), kind, code});
    };
    auto counter = [&](std::int64_t value) {
        inner.counter = value;
        EXPECT_EQ(clock.counterReading(), value);
        expected.push_back({recorder.currentFrame(), ReplayItemKind::Counter, value});
    };
    auto tickCount = [&](std::uint32_t value) {
        inner.tickCount = value;
        EXPECT_EQ(clock.tickCountMilliseconds(), value);
        expected.push_back({recorder.currentFrame(), ReplayItemKind::TickCountMilliseconds, value});
    };

    // Frame 1: a key that starts a game, which seeds and reads every clock.
    clock.advanceTick();
    key(ReplayItemKind::Key, ' ');
    inner.calendar = 1'700'000'123;
    EXPECT_EQ(clock.calendarSeconds(), 1'700'000'123);
    expected.push_back({1, ReplayItemKind::CalendarSeconds, 1'700'000'123});
    recorder.noteSeed(123);
    expected.push_back({1, ReplayItemKind::Seed, 123});
    EXPECT_EQ(clock.counterFrequency(), 1'000'000'000);
    expected.push_back({1, ReplayItemKind::CounterFrequency, 1'000'000'000});
    counter(9'000'000'000'000);
    inner.process = 17;
    EXPECT_EQ(clock.processMilliseconds(), 17u);
    expected.push_back({1, ReplayItemKind::ProcessMilliseconds, 17});
    key(ReplayItemKind::KeyUp, ' ');
    recorder.endFrame();
    // Frame 2 reads nothing and has no line.
    clock.advanceTick();
    recorder.endFrame();
    // Frame 3: a counter that goes back, a tick count about to wrap.
    clock.advanceTick();
    counter(8'999'999'000'000);
    tickCount(std::numeric_limits<std::uint32_t>::max() - 3);
    recorder.endFrame();
    // Frame 4: the tick count wrapped; special keys and another input event.
    clock.advanceTick();
    key(ReplayItemKind::SpecialKey, 101);
    recorder.noteInput(ReplayItemKind::OtherInput, 1, -7);
    expected.push_back({4, ReplayItemKind::OtherInput, -7, 1});
    key(ReplayItemKind::SpecialKeyUp, 101);
    tickCount(5);
    recorder.endFrame();
    // Frame 5: more than one line holds.
    clock.advanceTick();
    for (int i = 0; i < 1500; ++i) counter(9'000'000'000'000 + i * 16'666'667LL);
    recorder.endFrame();
    recorder.finish();

    const std::string text = testsupport::readFileText(path);
    EXPECT_NE(text.find("\n5 c"), text.rfind("\n5 c")) << "frame 5 continues on a second line";
    const ReplayParseResult parsed = parseText(text);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const ReplayData& data = parsed.data;
    EXPECT_FALSE(data.header.windowed);
    EXPECT_EQ(data.header.videoMode, "1024x768:32@75");
    EXPECT_FALSE(data.header.vsync);
    EXPECT_EQ(data.header.seed, 4'000'000'000u);
    EXPECT_DOUBLE_EQ(*data.header.fixedDt, 0.02);
    EXPECT_EQ(data.header.render.filterMode, 2);
    EXPECT_EQ(data.header.render.useDisplayLists, 1);
    ASSERT_TRUE(data.header.sound);
    EXPECT_FALSE(data.header.sound->music);
    EXPECT_EQ(data.header.sound->volume, 7);
    EXPECT_EQ(data.endTicks, 5);
    EXPECT_FALSE(data.cutShort);
    const Walked walked = walk(text, data);
    ASSERT_EQ(walked.frames.size(), 4u);
    EXPECT_EQ(data.frameCount, 4u);
    EXPECT_EQ(walked.frames[1].frame, 3);
    ASSERT_EQ(walked.items.size(), expected.size());
    EXPECT_EQ(data.itemCount, expected.size());
    std::size_t frame = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        while (i >= walked.frames[frame].firstItem + walked.frames[frame].itemCount) ++frame;
        EXPECT_EQ(walked.frames[frame].frame, expected[i].frame) << "item " << i;
        EXPECT_EQ(walked.items[i].kind, expected[i].kind) << "item " << i;
        EXPECT_EQ(walked.items[i].value, expected[i].value) << "item " << i;
        EXPECT_EQ(walked.items[i].detail, expected[i].detail) << "item " << i;
    }
}

TEST(ReplayRecorder, RecordingAFrameAllocatesNothing)
{
    testsupport::TempDir dir;
    ReplayRecorder recorder;
    std::string error;
    ASSERT_TRUE(recorder.open((dir / "game.replay").string(), ReplayHeader{}, error)) << error;
    SetClock inner;
    RecordingClock clock(inner, recorder);
    auto frame = [&](int n) {
        clock.advanceTick();
        recorder.noteInput(ReplayItemKind::SpecialKey, 0, 101);
        inner.counter += 16'666'667;
        inner.tickCount += 17;
        inner.process += 17;
        inner.calendar += n % 60 == 0 ? 1 : 0;
        clock.counterReading();
        clock.processMilliseconds();
        clock.tickCountMilliseconds();
        clock.tickCountMilliseconds();
        clock.calendarSeconds();
        recorder.noteSeed(static_cast<std::uint32_t>(n));
        recorder.noteInput(ReplayItemKind::SpecialKeyUp, 0, 101);
        recorder.endFrame();
    };
    frame(0);  // the header and the file's first write
    const long before = allocationprobe::allocationsSoFar();
    for (int n = 1; n <= 500; ++n) frame(n);
    EXPECT_EQ(allocationprobe::allocationsSoFar() - before, 0);
    recorder.finish();
    const std::string text = testsupport::readFileText(dir / "game.replay");
    const ReplayParseResult parsed = parseText(text);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(walk(text, parsed.data).frames.size(), 501u);
    EXPECT_EQ(parsed.data.frameCount, 501u);
}

TEST(ReplayFile, EveryKindOfDamageIsRefusedWithItsLine)
{
    const std::string body = "1 k32 s1700000000 r0 f1000000000 c5 u32\n2 c7 t3 s0\nend 2\n";
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = kHeader + body;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    // The video line of version 2 with the mode as given.
    auto quoted = [&](const std::string& mode) {
        return replaced("1\nvideo window 800x600:32@60", "2\nvideo window " + mode);
    };
    // Version 3, with the sound line as given.
    auto sounded = [&](const std::string& sound) {
        std::string text = replaced("1\nvideo window 800x600:32@60", "3\nvideo window \"800x600:32@60\"");
        return text.replace(text.find("begin\n"), 0, sound + "\n");
    };
    struct Case {
        const char* what;
        std::string text;
        const char* message;
    };
    const std::vector<Case> cases{
        {"empty", "", "line 1: the file is empty"},
        {"another file", "P6\n800 600\n", "line 1: not a Burrik replay"},
        {"newer version", replaced("burrik-replay 1", "burrik-replay 4"), "line 1: unknown replay version 4"},
        {"version 3 without its sound line", replaced("1\nvideo window 800x600:32@60", "3\nvideo window \"800x600:32@60\""),
         "line 7: expected 'sound"},
        {"volume beyond the steps", sounded("sound music=1 volume=11"), "line 7: expected 'sound music=0|1 volume=0...10'"},
        {"sound settings swapped", sounded("sound volume=5 music=1"), "line 7: expected 'sound"},
        {"header cut", kHeader.substr(0, 50), "line 3: the file ends inside its header"},
        {"video mode", replaced("800x600:32@60", "800x600;rm -rf"), "line 2: expected 'video"},
        {"quoted mode of 30 characters", quoted("\"" + std::string(30, '#') + "\""),
         "line 2: expected 'video window|fullscreen \"MODE\"'"},
        {"unknown escape", quoted("\"a\\qb\""), "line 2: expected 'video"},
        {"raw tab", quoted("\"a\tb\""), "line 2: expected 'video"},
        {"zero byte in the mode", quoted("\"a\\x00\""), "line 2: expected 'video"},
        {"unquoted mode", quoted("800x600:32@60"), "line 2: expected 'video"},
        {"seed", replaced("seed clock", "seed 4294967296"), "line 4: expected 'seed clock'"},
        {"clock step", replaced("clock real", "clock fixed nan"), "line 5: the fixed clock's step"},
        {"render option", replaced("filter=0", "filter=3"), "line 6: expected 'render"},
        {"no begin", replaced("begin\n", "start\n"), "line 7: expected 'begin'"},
        {"frame number", replaced("2 c7", "x c7"), "line 9: expected a frame number"},
        {"unknown item", replaced("c5", "x5"), "line 8: unknown item 'x' at column 34"},
        {"character code", replaced("k32", "k300"), "line 8: the key press at column 3 is no character code"},
        {"missing number", replaced("t3", "t"), "line 9: the tick-count milliseconds at column 6 has no number"},
        {"negative milliseconds", replaced("t3", "t-4"), "tick-count milliseconds at column 6 is out of range"},
        {"overflow", replaced("c5", "c9223372036854775807"), "line 9: the counter reading at column 3 overflows"},
        {"seed of 33 bits", replaced("r0", "r4294967296"), "seeding of the random source at column 19 is beyond 32 bits"},
        {"double space", replaced("2 c7", "2  c7"), "line 9: items are separated by single spaces"},
        {"carriage return", replaced("s0\n", "s0\r\n"), "line 9: the calendar seconds at column 9 runs on"},
        {"frame zero", replaced("2 c7", "0 c7"), "line 9: expected a frame number of at least 1"},
        {"frame order", kHeader + "3 c1\n2 c1\n", "line 9: frame 2 comes after frame 3"},
        {"short end", replaced("end 2", "end 0"), "line 10: the end line counts 0 ticks, but frame 2 was recorded"},
        {"after the end", kHeader + body + "3 c1\n", "line 11: nothing may follow the end line"},
        {"zero byte", replaced("u32", std::string("u3\0", 3)), "line 8: the key release at column 37 runs on"},
    };
    for (const Case& c : cases) {
        const ReplayParseResult r = parseText(c.text);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_NE(r.error.find(c.message), std::string::npos) << c.what << ": got '" << r.error << "'";
        EXPECT_TRUE(r.data.itemCount == 0 && r.data.frameCount == 0) << c.what;
    }
}

TEST(ReplayFile, ACutOrUnfinishedRecordingPlaysUpToItsLastWholeLine)
{
    const std::string cutText = kHeader + "1 c5 t1\n2 c7 t3\n3 c9 t";
    const ReplayParseResult cut = parseText(cutText);
    ASSERT_TRUE(cut.ok) << cut.error;
    EXPECT_TRUE(cut.data.cutShort);
    EXPECT_EQ(cut.data.cutLine, 10u);
    EXPECT_FALSE(cut.data.endTicks);
    const Walked cutWalked = walk(cutText, cut.data);
    ASSERT_EQ(cutWalked.frames.size(), 2u);
    EXPECT_EQ(cutWalked.items.size(), 4u);
    EXPECT_EQ(cut.data.itemCount, 4u);

    const std::string killedText = kHeader + "1 c5 t1\n2 c7 t3\n";
    const ReplayParseResult killed = parseText(killedText);
    ASSERT_TRUE(killed.ok) << killed.error;
    EXPECT_FALSE(killed.data.cutShort);
    EXPECT_FALSE(killed.data.endTicks);
    EXPECT_EQ(walk(killedText, killed.data).frames.back().frame, 2);
    EXPECT_EQ(killed.data.lastFrame, 2);
}

TEST(ReplayFile, ReadingAndPlayingAHostileReplayKeepNothingPerItem)
{
    // Lines full of key presses: three bytes an item, over a million of them.
    constexpr long kFrames = 60;
    constexpr int kKeysPerLine = 20'000;
    std::string keys;
    for (int i = 0; i < kKeysPerLine; ++i) keys += " k1";
    std::string text = kHeader;
    for (long frame = 1; frame <= kFrames; ++frame) text += std::to_string(frame) + keys + "\n";
    text += "end " + std::to_string(kFrames) + "\n";
    std::vector<std::uint8_t> bytes(text.begin(), text.end());

    static long delivered = 0;
    delivered = 0;
    ReplayHooks hooks;
    hooks.deliverKey = [](ReplayItemKind kind, int key) { delivered += kind == ReplayItemKind::Key && key == 1; };
    hooks.endRun = [](int, const std::string&) { std::abort(); };
    const long allocationsBefore = allocationprobe::allocationsSoFar();
    const std::size_t largest = allocationprobe::largestAllocationDuring([&] {
        ReplayParseResult parsed = parseReplay(bytes.data(), bytes.size());
        ASSERT_TRUE(parsed.ok) << parsed.error;
        EXPECT_EQ(parsed.data.itemCount, static_cast<std::size_t>(kFrames * kKeysPerLine));
        ReplayPlayer player(std::move(bytes), std::move(parsed.data), "hostile.replay", hooks);
        for (long frame = 1; frame < kFrames; ++frame) {
            player.beginFrame(frame);
            player.endFrame(frame);
        }
    });
    EXPECT_EQ(delivered, (kFrames - 1) * kKeysPerLine);
    // Nothing in proportion to the items, neither at once nor bit by bit.
    EXPECT_LT(largest, text.size() / 64) << "of a file of " << text.size() << " bytes";
    EXPECT_LT(allocationprobe::allocationsSoFar() - allocationsBefore, 100);
}

// The recorder whose copy the score table keeps.
ReplayRecorder* keptRecorder = nullptr;
bool copyKeptRecording(const std::filesystem::path& target, std::string& error)
{
    return keptRecorder->copyTo(target.string(), error);
}

TEST(ReplayRecorder, ARecordingThatCouldNotBeWrittenWholeIsNotKeptBesideTheScores)
{
    struct Case {
        const char* what;
        std::string path;       // of the recording; empty: in the test's folder
        rlim_t fileSizeLimit;   // while the frames are recorded; 0: none
        std::string refusal;    // of the copy; empty: it is kept
    };
    const std::vector<Case> cases{
        {"whole", "", 0, ""},
        // A full disk: the write stops inside a line.
        {"the disk fills up", "", 4000, "was cut at frame "},
        {"no plain file", "/dev/null", 0, "/dev/null is no plain file to copy"},
    };
    for (const Case& c : cases) {
        testsupport::TempDir dir;
        const std::string path = c.path.empty() ? (dir / "game.replay").string() : c.path;
        ReplayRecorder recorder;
        std::string error;
        ASSERT_TRUE(recorder.open(path, ReplayHeader{}, error)) << c.what << ": " << error;
        recorder.writeHeader();
        SetClock inner;
        RecordingClock clock(inner, recorder);
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);  // a write beyond the limit fails instead
        if (c.fileSizeLimit > 0) {
            rlimit small = saved;
            small.rlim_cur = c.fileSizeLimit;
            ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        for (int n = 0; n < 300; ++n) {
            clock.advanceTick();
            inner.counter += 16'666'667 + n;
            inner.tickCount += 17;
            clock.counterReading();
            clock.tickCountMilliseconds();
            recorder.endFrame();
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, savedSignal);
        EXPECT_EQ(recorder.cut(), c.fileSizeLimit > 0) << c.what;
        if (c.fileSizeLimit > 0) {
            EXPECT_EQ(std::filesystem::file_size(path), c.fileSizeLimit) << c.what;
        }

        keptRecorder = &recorder;
        const std::filesystem::path table = dir / "home" / "scores";
        const ScoreEntryResult result = enterScore(table, ScoreEntry{50, 1, "2024-05-01", ""}, 1'700'000'000, copyKeptRecording);
        ASSERT_TRUE(result.saved) << c.what;
        ASSERT_EQ(result.rank, 0) << c.what;
        const std::string kept = result.table.entries[0].replay;
        if (c.refusal.empty()) {
            ASSERT_FALSE(kept.empty()) << c.what;
            const std::string copy = testsupport::readFileText(table.parent_path() / kept);
            const ReplayParseResult parsed = parseText(copy);
            EXPECT_TRUE(parsed.ok && parsed.data.endTicks == 300 && parsed.data.lastFrame == 300) << c.what;
            continue;
        }
        // The player is told, and the table points at no replay.
        EXPECT_TRUE(kept.empty()) << c.what << ": kept " << kept;
        ASSERT_EQ(result.messages.size(), 1u) << c.what;
        EXPECT_NE(result.messages[0].find("cannot keep the replay beside the score table"), std::string::npos)
            << c.what << ": " << result.messages[0];
        EXPECT_NE(result.messages[0].find(c.refusal), std::string::npos) << c.what << ": " << result.messages[0];
        for (const auto& entry : std::filesystem::directory_iterator(table.parent_path()))
            EXPECT_FALSE(entry.path().filename().string().starts_with("best-")) << c.what << ": " << entry.path();
    }
}

// The player against a game the test plays: it ends the process through its
// hook, which the death tests watch.
ReplayPlayer playerFor(const std::string& body)
{
    const std::string text = kHeader + body;
    ReplayParseResult parsed = parseText(text);
    if (!parsed.ok) std::abort();
    ReplayHooks hooks;
    hooks.deliverKey = [](ReplayItemKind, int) {};
    hooks.endRun = [](int status, const std::string& message) {
        std::cerr << message << std::endl;
        std::exit(status);
    };
    return ReplayPlayer(std::vector<std::uint8_t>(text.begin(), text.end()), std::move(parsed.data), "game.replay",
                        hooks);
}

TEST(ReplayPlayer, AnswersTheGameAndStopsWhereTheGameAndTheFilePart)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    // Readings are changes: the counter reads 5, 7 and 9, the tick count 3 and 4.
    const std::string body = "1 k32 s100 r100 c5\n3 c2 t3\n4 c2 t1\nend 4\n";
    // A game that takes what was recorded plays to the end.
    EXPECT_EXIT(
        {
            ReplayPlayer player = playerFor(body);
            player.beginFrame(1);  // the key; the game seeds from the calendar
            if (player.clock().calendarSeconds() != 100) std::exit(10);
            player.checkSeed(100);
            if (player.clock().counterReading() != 5) std::exit(11);
            player.endFrame(1);
            player.beginFrame(2);
            player.endFrame(2);
            for (long frame = 3; frame <= 4; ++frame) {
                player.beginFrame(frame);
                if (player.clock().counterReading() != 2 * frame + 1) std::exit(12);
                if (player.clock().tickCountMilliseconds() != static_cast<std::uint32_t>(frame)) std::exit(13);
                player.endFrame(frame);
            }
            std::exit(14);
        },
        testing::ExitedWithCode(0), "played to its end \\(frame 4\\)");
    // Another kind of reading than recorded.
    EXPECT_EXIT(
        {
            ReplayPlayer player = playerFor(body);
            player.beginFrame(1);
            player.clock().counterReading();
        },
        testing::ExitedWithCode(kExitReplayOutOfStep),
        "out of step with the game at line 8, frame 1: the game read the counter reading where the recording holds "
        "the calendar seconds");
    // More readings than a frame holds, before the last frame.
    EXPECT_EXIT(
        {
            ReplayPlayer player = playerFor(body);
            player.beginFrame(1);
            player.beginFrame(2);
            player.clock().counterReading();
        },
        testing::ExitedWithCode(kExitReplayOutOfStep), "frame 2: the game read the counter reading where the recording "
                                                        "holds nothing more for this frame");
    // Fewer readings than the frame holds.
    EXPECT_EXIT(
        {
            ReplayPlayer player = playerFor(body);
            player.beginFrame(1);
            player.endFrame(1);
        },
        testing::ExitedWithCode(kExitReplayOutOfStep), "line 8, frame 1: the game took less than the frame's line holds");
    // Another seed.
    EXPECT_EXIT(
        {
            ReplayPlayer player = playerFor(body);
            player.beginFrame(1);
            player.clock().calendarSeconds();
            player.checkSeed(99);
        },
        testing::ExitedWithCode(kExitReplayOutOfStep), "seeded its random source with 99 where the recording holds 100");
    // A recording without its end stops after its last line, and says so.
    EXPECT_EXIT(
        {
            ReplayPlayer player = playerFor("1 c5\n2 c6\n");
            player.beginFrame(1);
            player.clock().counterReading();
            player.endFrame(1);
            player.beginFrame(2);
            player.clock().counterReading();
            player.endFrame(2);
            std::exit(14);
        },
        testing::ExitedWithCode(0), "stops at frame 2 without its end line");
}

}  // namespace
