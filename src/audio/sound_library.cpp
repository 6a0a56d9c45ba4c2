#include "audio/sound_library.h"

#include "platform/bulk_buffer.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>

#include <sys/stat.h>

namespace {

constexpr int kOutputChunkFrames = 1024;
constexpr int kStereo = 2;
constexpr int kMono = 1;

// A handle is the slot number plus one, with the generation of the open
// device above it, so a handle kept past soundClose never names a later sample.
constexpr int kHandleSlotBits = 8;
constexpr int kHandleSlotMask = (1 << kHandleSlotBits) - 1;
constexpr int kMaxGeneration = 0x7FFF;
static_assert(kSoundMaxSamples < static_cast<std::size_t>(kHandleSlotMask), "sample slots must fit the handle");

// WAV layout.
constexpr std::size_t kRiffHeaderBytes = 12;
constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::size_t kFmtMinimumBytes = 16;
constexpr std::uint16_t kWavPcm = 1;
constexpr std::uint16_t kWavMsAdpcm = 2;
constexpr std::uint16_t kWavFloat = 3;
constexpr int kWavMaxChannels = 8;
constexpr std::size_t kFactBytes = 4;

// MS ADPCM: blocks of a header per channel (predictor, delta, two whole
// samples) and then 4-bit codes; the "fmt " extension gives the samples per
// block and the predictor coefficients, and the "fact" chunk the true number
// of frames (the last block is padded).
constexpr std::uint16_t kMsAdpcmBits = 4;
constexpr int kMsAdpcmMaxChannels = 2;
constexpr std::size_t kMsAdpcmBlockHeaderBytes = 7;
constexpr std::size_t kMsAdpcmHeaderSamples = 2;
constexpr std::size_t kFmtExtensionAt = 16;  // cbSize, then the codec's own fields
constexpr std::size_t kMsAdpcmFmtBytes = 22;  // up to the coefficient count
constexpr std::size_t kMsAdpcmExtensionFixedBytes = 4;
constexpr std::size_t kMsAdpcmMaxCoefficientPairs = 256;  // a block's predictor index is one byte
constexpr std::array<std::int16_t, 14> kMsAdpcmStandardCoefficients = {256, 0,   512, -256, 0,   0,   192,
                                                                       64,  240, 0,   460, -208, 392, -232};

// Plain handles, freed by freeSlot: the effects free their samples at exit,
// and this record must stay usable however the two are ordered there.
struct SampleSlot {
    Mix_Chunk* chunk = nullptr;
    bool used = false;
    BulkBlock file;  // the file's bytes when the chunk plays its samples in place
};

struct Library {
    bool open = false;
    int lastError = kSoundOk;
    int generation = 1;
    int channelCount = 0;
    std::array<SampleSlot, kSoundMaxSamples> samples{};
};

Library library;

bool fail(int code)
{
    library.lastError = code;
    return false;
}

int failWith(int code, int result)
{
    library.lastError = code;
    return result;
}

void succeed() { library.lastError = kSoundOk; }

std::uint32_t le32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

bool hasTag(const std::uint8_t* p, const char (&tag)[5])
{
    return p[0] == tag[0] && p[1] == tag[1] && p[2] == tag[2] && p[3] == tag[3];
}

// Where a WAV file's samples lie and what they are.
struct WavLayout {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint16_t bits = 0;
    std::uint16_t samplesPerBlock = 0;  // MS ADPCM only
    std::size_t dataAt = 0;
    std::size_t dataBytes = 0;
};

// The samples per block of an MS ADPCM "fmt " chunk whose extension is
// complete, holds the standard coefficients first and whose blocks hold the
// samples they claim; nothing otherwise.
std::optional<std::uint16_t> msAdpcmSamplesPerBlock(const std::uint8_t* fmt, std::size_t fmtBytes,
                                                    std::uint16_t channels, std::uint16_t align,
                                                    std::uint16_t bits)
{
    if (bits != kMsAdpcmBits || channels > kMsAdpcmMaxChannels || fmtBytes < kMsAdpcmFmtBytes) return std::nullopt;
    const std::size_t extensionBytes = le16(fmt + kFmtExtensionAt);
    const std::uint16_t samplesPerBlock = le16(fmt + kFmtExtensionAt + 2);
    const std::size_t pairs = le16(fmt + kFmtExtensionAt + 4);
    const std::size_t coefficientBytes = pairs * 2 * sizeof(std::int16_t);
    if (pairs < kMsAdpcmStandardCoefficients.size() / 2 || pairs > kMsAdpcmMaxCoefficientPairs ||
        extensionBytes < kMsAdpcmExtensionFixedBytes + coefficientBytes ||
        fmtBytes < kMsAdpcmFmtBytes + coefficientBytes) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kMsAdpcmStandardCoefficients.size(); ++i) {
        if (static_cast<std::int16_t>(le16(fmt + kMsAdpcmFmtBytes + 2 * i)) != kMsAdpcmStandardCoefficients[i]) {
            return std::nullopt;
        }
    }
    const std::size_t headerBytes = kMsAdpcmBlockHeaderBytes * channels;
    if (align < headerBytes) return std::nullopt;
    const std::size_t codedSamples = (align - headerBytes) * 8 / (kMsAdpcmBits * channels);
    if (samplesPerBlock < kMsAdpcmHeaderSamples || samplesPerBlock > kMsAdpcmHeaderSamples + codedSamples) {
        return std::nullopt;
    }
    return samplesPerBlock;
}

// The layout of a RIFF/WAVE file whose chunks all lie inside the data, with a
// usable PCM, float or MS ADPCM "fmt " chunk before a complete "data" chunk of
// whole frames (whole blocks for MS ADPCM, whose "fact" chunk must come before
// the data and name a number of frames that ends in the last block); nothing
// for any other file. SDL's own reader is lenient with damaged files (a
// cut-off data chunk plays what is left); the game refuses them instead.
std::optional<WavLayout> soundWavLayout(const std::uint8_t* data, std::size_t size)
{
    if (size < kRiffHeaderBytes || !hasTag(data, "RIFF") || !hasTag(data + 8, "WAVE")) return std::nullopt;
    std::size_t at = kRiffHeaderBytes;
    std::size_t blockAlign = 0;
    std::optional<std::uint32_t> factFrames;
    WavLayout layout;
    while (size - at >= kChunkHeaderBytes) {
        const std::uint8_t* chunk = data + at;
        const std::size_t chunkBytes = le32(chunk + 4);
        const std::size_t payload = at + kChunkHeaderBytes;
        if (chunkBytes > size - payload) return std::nullopt;
        if (hasTag(chunk, "fmt ")) {
            if (chunkBytes < kFmtMinimumBytes) return std::nullopt;
            const std::uint8_t* fmt = data + payload;
            const std::uint16_t formatTag = le16(fmt);
            const std::uint16_t channels = le16(fmt + 2);
            const std::uint32_t rate = le32(fmt + 4);
            const std::uint16_t align = le16(fmt + 12);
            const std::uint16_t bits = le16(fmt + 14);
            if (channels < 1 || channels > kWavMaxChannels || rate < 1 ||
                rate > static_cast<std::uint32_t>(kSoundMaxRate)) {
                return std::nullopt;
            }
            if (formatTag == kWavMsAdpcm) {
                const std::optional<std::uint16_t> samplesPerBlock =
                    msAdpcmSamplesPerBlock(fmt, chunkBytes, channels, align, bits);
                if (!samplesPerBlock) return std::nullopt;
                layout.samplesPerBlock = *samplesPerBlock;
            } else {
                const bool pcm = formatTag == kWavPcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
                const bool floating = formatTag == kWavFloat && bits == 32;
                if (!(pcm || floating) || align != channels * (bits / 8)) return std::nullopt;
            }
            blockAlign = align;
            layout.formatTag = formatTag;
            layout.channels = channels;
            layout.rate = rate;
            layout.bits = bits;
        } else if (hasTag(chunk, "fact")) {
            if (chunkBytes < kFactBytes) return std::nullopt;
            factFrames = le32(data + payload);
        } else if (hasTag(chunk, "data")) {
            if (blockAlign == 0 || chunkBytes == 0 || chunkBytes % blockAlign != 0) return std::nullopt;
            if (layout.formatTag == kWavMsAdpcm) {
                // The frames named end in the last block, not before it nor past it.
                const std::size_t blocks = chunkBytes / blockAlign;
                if (!factFrames || *factFrames > blocks * layout.samplesPerBlock ||
                    *factFrames <= (blocks - 1) * layout.samplesPerBlock) {
                    return std::nullopt;
                }
            }
            layout.dataAt = payload;
            layout.dataBytes = chunkBytes;
            return layout;
        }
        // Chunks are padded to an even length.
        const std::size_t next = chunkBytes + (chunkBytes & 1u);
        if (next > size - payload) return std::nullopt;
        at = payload + next;
    }
    return std::nullopt;
}

// True when the samples are exactly what the open device plays: 16-bit PCM
// in the device's byte order, its rate and its number of channels.
bool playsAsItIs(const WavLayout& wav)
{
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    if (Mix_QuerySpec(&rate, &format, &channels) == 0) return false;
    return wav.formatTag == kWavPcm && wav.bits == 16 && format == AUDIO_S16LSB &&
           wav.rate == static_cast<std::uint32_t>(rate) && wav.channels == channels;
}

// The whole file, or the error code of why it could not be had.
int readWholeFile(const char* path, BulkBuffer& bytes)
{
    int openError = 0;
    if (readFileBytes(path, bytes, kSoundMaxFileBytes, &openError)) return kSoundOk;
    if (openError == ENOENT || openError == ENOTDIR) return kSoundFileNotFound;
    struct stat status {};
    if (openError == 0 && stat(path, &status) == 0 && S_ISREG(status.st_mode) &&
        static_cast<std::uintmax_t>(status.st_size) > kSoundMaxFileBytes) {
        return kSoundOutOfMemory;
    }
    return kSoundLoadFailed;
}

SampleSlot* slotOf(int handle)
{
    if (handle <= 0 || (handle >> kHandleSlotBits) != library.generation) return nullptr;
    const int slot = (handle & kHandleSlotMask) - 1;
    if (slot < 0 || static_cast<std::size_t>(slot) >= kSoundMaxSamples) return nullptr;
    SampleSlot& sample = library.samples[static_cast<std::size_t>(slot)];
    return sample.used ? &sample : nullptr;
}

void freeSlot(SampleSlot& sample)
{
    // Stops the channels playing it, before the bytes it may play in place go.
    if (sample.chunk != nullptr) Mix_FreeChunk(sample.chunk);
    freeBulkBlock(sample.file);
    sample = SampleSlot{};
}

}  // namespace

bool soundInit(int rate, int maxChannels, unsigned flags)
{
    if (library.open) return fail(kSoundAlreadyOpen);
    if (rate < 1 || rate > kSoundMaxRate || maxChannels < 1 || maxChannels > kSoundMaxChannels ||
        (flags & ~kSoundInitMono) != 0) {
        return fail(kSoundInvalidParameter);
    }
    // SDL would turn SIGINT and SIGTERM into quit events that a freeglut game
    // never reads, and the game could then not be stopped but by SIGKILL.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return fail(kSoundDeviceFailed);
    // No format changes allowed: SDL converts, and the device plays exactly
    // the rate and layout asked for.
    const int outputChannels = (flags & kSoundInitMono) != 0 ? kMono : kStereo;
    if (Mix_OpenAudioDevice(rate, AUDIO_S16SYS, outputChannels, kOutputChunkFrames, nullptr, 0) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return fail(kSoundDeviceFailed);
    }
    library.channelCount = Mix_AllocateChannels(maxChannels);
    library.open = true;
    succeed();
    return true;
}

bool soundIsOpen() { return library.open; }

int soundSampleLoad(const char* path)
{
    if (!library.open) return failWith(kSoundNotOpen, 0);
    if (path == nullptr) return failWith(kSoundInvalidParameter, 0);
    std::size_t slot = 0;
    while (slot < kSoundMaxSamples && library.samples[slot].used) ++slot;
    if (slot == kSoundMaxSamples) return failWith(kSoundOutOfMemory, 0);

    BulkBuffer bytes;
    const int readResult = readWholeFile(path, bytes);
    if (readResult != kSoundOk) return failWith(readResult, 0);
    const std::optional<WavLayout> wav = soundWavLayout(bytes.data(), bytes.size());
    if (!wav) return failWith(kSoundUnknownFormat, 0);
    if (playsAsItIs(*wav)) {
        // The mixer plays the samples where they lie in the file's bytes,
        // which the slot keeps: no copy, no conversion.
        Mix_Chunk* chunk = Mix_QuickLoad_RAW(bytes.data() + wav->dataAt, static_cast<Uint32>(wav->dataBytes));
        if (chunk == nullptr) return failWith(kSoundOutOfMemory, 0);
        library.samples[slot] = SampleSlot{chunk, true, bytes.release()};
        succeed();
        return (library.generation << kHandleSlotBits) | static_cast<int>(slot + 1);
    }
    SDL_RWops* source = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (source == nullptr) return failWith(kSoundOutOfMemory, 0);
    // An MS ADPCM sample ends where its "fact" chunk says: the padding of its
    // last block would be heard, as a gap in a loop. A PCM file's frames are
    // all its data, whatever a "fact" chunk in it says.
    SDL_SetHintWithPriority(SDL_HINT_WAVE_FACT_CHUNK, wav->formatTag == kWavMsAdpcm ? "truncate" : "ignore",
                            SDL_HINT_OVERRIDE);
    Mix_Chunk* chunk = Mix_LoadWAV_RW(source, 1);  // decoded and converted to the device's format
    if (chunk == nullptr) return failWith(kSoundUnknownFormat, 0);

    library.samples[slot] = SampleSlot{chunk, true, {}};
    succeed();
    return (library.generation << kHandleSlotBits) | static_cast<int>(slot + 1);
}

bool soundSampleSetVolume(int sample, int volume)
{
    SampleSlot* slot = slotOf(sample);
    if (slot == nullptr) return fail(kSoundInvalidParameter);
    Mix_VolumeChunk(slot->chunk, soundMixerVolume(volume));
    succeed();
    return true;
}

void soundSampleFree(int sample)
{
    SampleSlot* slot = slotOf(sample);
    if (slot == nullptr) {
        fail(kSoundInvalidParameter);
        return;
    }
    freeSlot(*slot);
    succeed();
}

int soundPlay(int channel, int sample, int loopMode)
{
    if (!library.open) return failWith(kSoundNotOpen, -1);
    SampleSlot* slot = slotOf(sample);
    if (slot == nullptr || (loopMode != kSoundLoopOff && loopMode != kSoundLoopNormal) ||
        channel < kSoundFreeChannel || channel >= library.channelCount) {
        return failWith(kSoundInvalidParameter, -1);
    }
    const int repeats = loopMode == kSoundLoopNormal ? -1 : 0;
    const int playing = Mix_PlayChannel(channel, slot->chunk, repeats);
    if (playing < 0) return failWith(channel == kSoundFreeChannel ? kSoundNoFreeChannel : kSoundPlayFailed, -1);
    succeed();
    return playing;
}

bool soundIsPlaying(int channel)
{
    return library.open && channel >= 0 && channel < library.channelCount && Mix_Playing(channel) != 0;
}

void soundPauseAll(bool paused)
{
    if (!library.open) return;
    if (paused) Mix_Pause(-1);
    else Mix_Resume(-1);
}

int soundLastError() { return library.lastError; }

const char* soundErrorText(int code)
{
    static const char* const kTexts[] = {
        "No errors",
        "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.",
        "This command failed because FSOUND_Init was not called",
        "Error initializing output device.",
        "The output device is already in use and cannot be reused.",
        "Playing the sound failed.",
        "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
        "Error setting cooperative level for hardware.",
        "Error creating hardware sound buffer.",
        "File not found",
        "Unknown file format",
        "Error loading file",
        "Not enough memory ",
        "The version number of this file format is not supported",
        "An invalid parameter was passed to this function",
        "Tried to use an EAX command on a non EAX enabled channel or output.",
        "Failed to allocate a new channel",
        "Recording not supported on this device",
        "Required Mediaplayer codec is not installed",
    };
    constexpr int kTextCount = static_cast<int>(sizeof kTexts / sizeof kTexts[0]);
    return code >= 0 && code < kTextCount ? kTexts[code] : "Unknown error";
}

void soundClose()
{
    if (!library.open) return;
    Mix_HaltChannel(-1);
    for (SampleSlot& sample : library.samples) freeSlot(sample);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    library.open = false;
    library.channelCount = 0;
    library.generation = library.generation % kMaxGeneration + 1;
    succeed();
}

bool soundLibraryVersionOk()
{
    const SDL_version* linked = Mix_Linked_Version();
    return SDL_VERSIONNUM(linked->major, linked->minor, linked->patch) >= SDL_MIXER_COMPILEDVERSION;
}

const char* soundRequiredVersion()
{
#define BURRIK_TEXT(x) #x
#define BURRIK_VERSION_TEXT(a, b, c) BURRIK_TEXT(a) "." BURRIK_TEXT(b) "." BURRIK_TEXT(c)
    return BURRIK_VERSION_TEXT(SDL_MIXER_MAJOR_VERSION, SDL_MIXER_MINOR_VERSION, SDL_MIXER_PATCHLEVEL);
#undef BURRIK_VERSION_TEXT
#undef BURRIK_TEXT
}

int soundMixerVolume(int volume)
{
    if (volume <= 0) return 0;
    if (volume >= kSoundMaxVolume) return MIX_MAX_VOLUME;
    return static_cast<int>(std::lround(static_cast<double>(volume) * MIX_MAX_VOLUME / kSoundMaxVolume));
}
