// Recording a game (--record): the cost of one frame's recording, and the
// size of a replay per minute of play.
//
// BM_RecordFrame: the clock readings of a playing frame (the tick's counter,
// the character's two animation readings, the round clock, the frame-rate
// clock every 40th frame, a key every 30th) through the recording clock, and
// the frame's line written and flushed to a file; against the same readings
// without a recording.
// BM_ReplaySizePerMinute: the autopilot plays a minute at 60 frames a second
// on a clock that jitters like a real one (each frame 16.7 ms give or take
// 1 ms), the game ticks and draws every frame, and the recorder writes what
// it read; the counters give the bytes and lines of the replay.
#include "app/frame.h"
#include "app/game_state.h"
#include "app/keyboard.h"
#include "app/rounds.h"
#include "app/startup.h"
#include "app/tick.h"
#include "automation/autopilot.h"
#include "records/replay_recorder.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "platform/window.h"

#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include "support/game_window.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

namespace {

constexpr std::int64_t kFrameNanoseconds = 16'666'667;
constexpr std::int64_t kJitterNanoseconds = 1'000'000;
constexpr int kFramesPerMinute = 3600;

// Nanosecond counter that moves a jittery frame's time at every tick.
class JitterClock final : public ClockSource {
public:
    std::int64_t counterFrequency() const override { return 1'000'000'000; }
    std::int64_t counterReading() const override { return now_; }
    std::uint32_t processMilliseconds() const override { return static_cast<std::uint32_t>(now_ / 1'000'000); }
    std::uint32_t tickCountMilliseconds() const override
    {
        return static_cast<std::uint32_t>(kBootMilliseconds + now_ / 1'000'000);
    }
    std::int64_t calendarSeconds() const override { return kStartCalendar + now_ / 1'000'000'000; }
    void advanceTick() override
    {
        now_ += kFrameNanoseconds + static_cast<std::int64_t>(random_() % (2 * kJitterNanoseconds)) - kJitterNanoseconds;
    }

private:
    static constexpr std::int64_t kStartCalendar = 1'700'000'000;
    static constexpr std::int64_t kBootMilliseconds = 123'456'789;
    std::int64_t now_ = 5'000'000'000'000;
    std::mt19937 random_{20240601};
};

std::string replayPath(const char* name)
{
    return (std::filesystem::temp_directory_path() / name).string();
}

void readFrame(ClockSource& clock, long frame)
{
    clock.advanceTick();
    benchmark::DoNotOptimize(clock.counterReading());
    if (frame % 40 == 0) benchmark::DoNotOptimize(clock.processMilliseconds());
    benchmark::DoNotOptimize(clock.tickCountMilliseconds());
    benchmark::DoNotOptimize(clock.tickCountMilliseconds());
    benchmark::DoNotOptimize(clock.calendarSeconds());
}

void BM_RecordFrame(benchmark::State& state)
{
    const bool recording = state.range(0) != 0;
    const std::string path = replayPath("bench_record_frame.replay");
    ReplayRecorder recorder;
    std::string error;
    if (!recorder.open(path, ReplayHeader{}, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    recorder.writeHeader();
    JitterClock inner;
    RecordingClock recordingClock(inner, recorder);
    ClockSource& clock = recording ? static_cast<ClockSource&>(recordingClock) : inner;
    long frame = 0;
    for (auto _ : state) {
        ++frame;
        if (recording && frame % 30 == 0) recorder.noteInput(ReplayItemKind::SpecialKey, 0, GLUT_KEY_UP);
        readFrame(clock, frame);
        if (recording) recorder.endFrame();
    }
    state.counters["bytes_per_frame"] =
        frame > 0 ? static_cast<double>(recorder.bytesWritten()) / static_cast<double>(frame) : 0.0;
    state.SetLabel(recording ? "recorded" : "not recorded");
    std::filesystem::remove(path);
}

ReplayRecorder* minuteRecorder = nullptr;

bool recordKey(KeyEventKind kind, int key)
{
    static constexpr ReplayItemKind kKinds[] = {ReplayItemKind::Key, ReplayItemKind::KeyUp, ReplayItemKind::SpecialKey,
                                                ReplayItemKind::SpecialKeyUp};
    minuteRecorder->noteInput(kKinds[static_cast<int>(kind)], 0, key);
    return true;
}

void BM_ReplaySizePerMinute(benchmark::State& state)
{
    static bool windowOpen = false;
    if (!windowOpen && !openBenchmarkWindow("bench_replay_recording")) {
        state.SkipWithError("no display");
        return;
    }
    windowOpen = true;
    setPresentHandler([] { glutSwapBuffers(); });
    const std::string path = replayPath("bench_minute.replay");
    for (auto _ : state) {
        ReplayRecorder recorder;
        std::string error;
        if (!recorder.open(path, ReplayHeader{}, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        JitterClock inner;
        RecordingClock clock(inner, recorder);
        useClockSource(clock);
        minuteRecorder = &recorder;
        addKeyFilter(recordKey);
        setSeedListener([](std::uint32_t seed) { minuteRecorder->noteSeed(seed); });
        setFixedSeed(std::nullopt);
        // The game starts from its menu as a person starts it, with space.
        gameSession = GameSession{};
        gameSession.gameState = StartMenu;
        AutopilotDriver driver;
        long lines = 0;
        std::uint64_t written = recorder.bytesWritten();
        for (int frame = 1; frame <= kFramesPerMinute; ++frame) {
            driver.playFrame();
            clock.advanceTick();
            gameTick();
            drawFrame();
            recorder.endFrame();
            if (recorder.bytesWritten() != written) ++lines;
            written = recorder.bytesWritten();
        }
        recorder.finish();
        clearKeyFilters();
        setSeedListener(nullptr);
        useRealClock();
        state.counters["bytes_per_minute"] = static_cast<double>(std::filesystem::file_size(path));
        state.counters["lines"] = static_cast<double>(lines);
        state.counters["level"] = gameSession.level;
    }
    std::filesystem::remove(path);
}

}  // namespace

BENCHMARK(BM_RecordFrame)->Arg(0)->Arg(1)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_ReplaySizePerMinute)->Iterations(1)->Unit(benchmark::kMillisecond);
