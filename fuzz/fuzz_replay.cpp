// The replay reader: whatever the file holds, a refusal names its line and
// leaves nothing behind; what is taken reads back frame by frame from the
// same bytes, with rising frames of at least one item each, every value
// within its kind's range, as many frames and items as the check counted,
// no more items than the file has room for, and a header that reads back
// the same.
#include "records/replay_format.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ReplayParseResult result = parseReplay(data, size);
    if (!result.ok) {
        FUZZ_CHECK(result.error.rfind("line ", 0) == 0);
        FUZZ_CHECK(result.data.itemCount == 0 && result.data.frameCount == 0);
        return 0;
    }
    const ReplayData& replay = result.data;
    // An item takes at least three bytes (space, letter, digit).
    FUZZ_CHECK(replay.itemCount <= size / 3);
    FUZZ_CHECK(replay.framesBegin <= replay.framesEnd && replay.framesEnd <= size);
    ReplayFrameReader reader(data, size, replay);
    std::size_t frames = 0;
    std::size_t items = 0;
    long previousFrame = 0;
    std::uint32_t previousLine = 0;
    long frame = 0;
    std::uint32_t frameLine = 0;
    while (reader.upcomingFrame(frame, frameLine)) {
        FUZZ_CHECK(frame > previousFrame);
        FUZZ_CHECK(frameLine > previousLine);
        FUZZ_CHECK(reader.enterFrame());
        ++frames;
        std::size_t frameItems = 0;
        for (ReplayItem item; reader.nextItem(item);) {
            ++frameItems;
            FUZZ_CHECK(static_cast<std::size_t>(item.kind) < kReplayItemKindCount);
            FUZZ_CHECK(item.line >= frameLine && item.line >= previousLine);
            previousLine = item.line;
            switch (item.kind) {
            case ReplayItemKind::Key:
            case ReplayItemKind::KeyUp: FUZZ_CHECK(item.value >= 0 && item.value <= kReplayMaxCharacterKey); break;
            case ReplayItemKind::SpecialKey:
            case ReplayItemKind::SpecialKeyUp: FUZZ_CHECK(item.value >= 0 && item.value <= kReplayMaxSpecialKey); break;
            case ReplayItemKind::OtherInput:
                FUZZ_CHECK(item.detail >= 0 && item.detail <= kReplayMaxOtherInputKind);
                FUZZ_CHECK(item.value >= std::numeric_limits<std::int32_t>::min() &&
                           item.value <= std::numeric_limits<std::int32_t>::max());
                break;
            case ReplayItemKind::CounterFrequency: FUZZ_CHECK(item.value >= 1 && item.value <= kReplayMaxFrequency); break;
            case ReplayItemKind::CalendarSeconds:
                FUZZ_CHECK(item.value >= 0 && item.value <= kReplayMaxCalendarSeconds);
                break;
            case ReplayItemKind::ProcessMilliseconds:
            case ReplayItemKind::TickCountMilliseconds:
            case ReplayItemKind::Seed:
                FUZZ_CHECK(item.value >= 0 && item.value <= std::numeric_limits<std::uint32_t>::max());
                break;
            case ReplayItemKind::Counter: break;
            }
        }
        FUZZ_CHECK(frameItems > 0);
        items += frameItems;
        previousFrame = frame;
    }
    FUZZ_CHECK(frames == replay.frameCount && items == replay.itemCount);
    FUZZ_CHECK(previousFrame == replay.lastFrame);
    if (replay.endTicks && replay.frameCount > 0) FUZZ_CHECK(replay.lastFrame <= *replay.endTicks + 1);
    FUZZ_CHECK(!replay.cutShort || (replay.cutLine > 0 && !replay.endTicks));
    // The header as the recorder would write it reads back the same.
    const std::string header = formatReplayHeader(replay.header);
    const ReplayParseResult again = parseReplay(reinterpret_cast<const std::uint8_t*>(header.data()), header.size());
    FUZZ_CHECK(again.ok && again.data.itemCount == 0);
    FUZZ_CHECK(again.data.header.videoMode == replay.header.videoMode);
    FUZZ_CHECK(again.data.header.windowed == replay.header.windowed && again.data.header.vsync == replay.header.vsync);
    FUZZ_CHECK(again.data.header.seed == replay.header.seed && again.data.header.fixedDt == replay.header.fixedDt);
    FUZZ_CHECK(again.data.header.render.filterMode == replay.header.render.filterMode);
    return 0;
}
