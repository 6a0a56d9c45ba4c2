// The settings reader: whatever the file holds, it is either refused with a
// reason that names what was wrong, with the defaults in force, or read into
// settings within their ranges that the game writes back and reads again to
// the same values, its other lines and all.
#include "conveniences/settings.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const SettingsParseResult result = parseSettings(data, size);
    if (!result.ok) {
        FUZZ_CHECK(!result.error.empty());
        FUZZ_CHECK(result.file.settings.musicOn);
        FUZZ_CHECK(result.file.settings.soundVolume == kSoundVolumeSteps);
        FUZZ_CHECK(result.file.otherLines.empty());
        return 0;
    }
    FUZZ_CHECK(size <= kSettingsMaxBytes);
    FUZZ_CHECK(result.file.settings.soundVolume >= 0 && result.file.settings.soundVolume <= kSoundVolumeSteps);
    std::size_t otherBytes = 0;
    for (const std::string& line : result.file.otherLines) {
        FUZZ_CHECK(!line.empty() && line.find('\n') == std::string::npos && line.find('=') != std::string::npos);
        otherBytes += line.size() + 1;
    }
    FUZZ_CHECK(otherBytes <= size + 1);
    const std::string written = formatSettings(result.file);
    const SettingsParseResult again =
        parseSettings(reinterpret_cast<const std::uint8_t*>(written.data()), written.size());
    // A file near the size limit may grow past it by the two settings' lines;
    // the game refuses to write such a file.
    if (written.size() > kSettingsMaxBytes) return 0;
    FUZZ_CHECK(again.ok);
    FUZZ_CHECK(again.file.settings.musicOn == result.file.settings.musicOn);
    FUZZ_CHECK(again.file.settings.soundVolume == result.file.settings.soundVolume);
    FUZZ_CHECK(again.file.otherLines == result.file.otherLines);
    return 0;
}
