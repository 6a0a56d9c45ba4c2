// The animation configuration reader: whatever the text, every animation it
// keeps has a name within the limit, a first frame and an end within the
// frame limit with at least one frame, a rate that is not negative; each
// model's count matches its list, and the lists stay in proportion to the text.
#include "character/character_model.h"
#include "fuzz_check.h"
#include "platform/message_box.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {
// A kept line holds at least four numbers, a marker and a name with the
// blanks between them; it may go to both the legs and the torso.
constexpr std::size_t kShortestLine = 11;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setDialogsEnabled(false);
    fuzzsupport::silenceReaderMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CharacterModel character;
    readAnimations(character, std::string_view(reinterpret_cast<const char*>(data), size));
    std::size_t kept = 0;
    for (const MeshModel* model : {&character.lower, &character.upper, &character.head}) {
        FUZZ_CHECK(model->animationCount == static_cast<std::int32_t>(model->animations.size()));
        for (const AnimationInfo& animation : model->animations) {
            FUZZ_CHECK(!animation.name.empty() && animation.name.size() <= kCharacterNameLimit);
            FUZZ_CHECK(animation.firstFrame >= 0 && animation.firstFrame <= kAnimationFrameLimit);
            FUZZ_CHECK(animation.endFrame > animation.firstFrame && animation.endFrame <= 2 * kAnimationFrameLimit);
            FUZZ_CHECK(animation.framesPerSecond >= 0 && animation.framesPerSecond <= kAnimationFrameLimit);
            FUZZ_CHECK(animation.loopingFrames >= -kAnimationFrameLimit && animation.loopingFrames <= kAnimationFrameLimit);
        }
        kept += model->animations.size();
    }
    FUZZ_CHECK(kept <= 2 * (size / kShortestLine + 1));
    return 0;
}
