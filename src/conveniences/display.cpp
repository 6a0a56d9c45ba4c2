#include "conveniences/display.h"

#include "app/config.h"
#include "app/config_file.h"
#include "conveniences/sound_controls.h"
#include "player_files/atomic_file.h"

#ifdef __EMSCRIPTEN__
#include "platform/web/toolkit_web.h"
#else
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>

namespace {

constexpr std::string_view kDisplayName = "display";
constexpr std::string_view kFullScreenValue = "fullscreen";
constexpr std::string_view kWindowValue = "window";

#ifndef __EMSCRIPTEN__
constexpr int kModeDepth = 32;  // the depth the offered modes are named with
// The screen's configuration through a connection of its own: the toolkit
// keeps its display to itself.
struct ScreenModes {
    Display* display = nullptr;
    bool tried = false;
    bool changed = false;  // the screen is in another mode than it was at start
    SizeID originalSize = 0;
    short originalRate = 0;
    Rotation rotation = RR_Rotate_0;
};

#else
struct ScreenModes {
    bool changed = false;
};
#endif

struct DisplayState {
    bool fullScreen = false;
    std::string mode;
    ScreenModes screen;
};

DisplayState state;

#ifndef __EMSCRIPTEN__
Display* screenDisplay()
{
    if (!state.screen.tried) {
        state.screen.tried = true;
        Display* display = XOpenDisplay(nullptr);
        int eventBase = 0;
        int errorBase = 0;
        if (display != nullptr && !XRRQueryExtension(display, &eventBase, &errorBase)) {
            XCloseDisplay(display);
            display = nullptr;
        }
        state.screen.display = display;
    }
    return state.screen.display;
}

struct ParsedMode {
    int width = 0;
    int height = 0;
    int rate = 0;  // 0: any
};

bool parseMode(const std::string& text, ParsedMode& mode)
{
    char rest = '\0';
    int depth = 0;
    if (std::sscanf(text.c_str(), "%dx%d:%d@%d%c", &mode.width, &mode.height, &depth, &mode.rate, &rest) == 4) return true;
    mode.rate = 0;
    if (std::sscanf(text.c_str(), "%dx%d:%d%c", &mode.width, &mode.height, &depth, &rest) == 3) return true;
    if (std::sscanf(text.c_str(), "%dx%d@%d%c", &mode.width, &mode.height, &mode.rate, &rest) == 3) return true;
    mode.rate = 0;
    return std::sscanf(text.c_str(), "%dx%d%c", &mode.width, &mode.height, &rest) == 2;
}

#endif

// Puts the screen in the mode; false when it does not offer it.
#ifdef __EMSCRIPTEN__
constexpr bool kScreenHasVideoModes = false;
bool switchScreen(const std::string&) { return false; }
#else
constexpr bool kScreenHasVideoModes = true;
bool switchScreen(const std::string& text)
{
    ParsedMode wanted;
    Display* display = screenDisplay();
    if (display == nullptr || !parseMode(text, wanted)) return false;
    const Window root = DefaultRootWindow(display);
    XRRScreenConfiguration* config = XRRGetScreenInfo(display, root);
    if (config == nullptr) return false;
    Rotation rotation = RR_Rotate_0;
    const SizeID current = XRRConfigCurrentConfiguration(config, &rotation);
    const short currentRate = XRRConfigCurrentRate(config);
    int sizeCount = 0;
    XRRScreenSize* sizes = XRRConfigSizes(config, &sizeCount);
    bool done = false;
    for (int size = 0; size < sizeCount && !done; ++size) {
        if (sizes[size].width != wanted.width || sizes[size].height != wanted.height) continue;
        int rateCount = 0;
        short* rates = XRRConfigRates(config, size, &rateCount);
        short rate = rateCount > 0 ? rates[0] : 0;
        bool rateOffered = wanted.rate == 0;
        for (int r = 0; r < rateCount; ++r) {
            if (rates[r] == wanted.rate) {
                rate = rates[r];
                rateOffered = true;
            }
        }
        if (!rateOffered) break;
        if (!state.screen.changed) {
            state.screen.originalSize = current;
            state.screen.originalRate = currentRate;
            state.screen.rotation = rotation;
        }
        if (size == current && rate == currentRate) {
            done = true;
            break;
        }
        done = XRRSetScreenConfigAndRate(display, config, root, size, rotation, rate, CurrentTime) == RRSetConfigSuccess;
        if (done) state.screen.changed = true;
    }
    XRRFreeScreenConfigInfo(config);
    XSync(display, False);
    return done;
}

#endif

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// The value of a "display=VALUE" line; nothing for a line of another name.
std::optional<std::string_view> displayValue(std::string_view line)
{
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || trimmed(line.substr(0, equals)) != kDisplayName) return std::nullopt;
    return trimmed(line.substr(equals + 1));
}

void keepDisplayChoice()
{
    std::vector<std::string> lines;
    for (const std::string& line : settingsOtherLines()) {
        if (!displayValue(line)) lines.push_back(line);
    }
    lines.push_back(std::string(kDisplayName) + "=" + std::string(state.fullScreen ? kFullScreenValue : kWindowValue));
    keepSettingsOtherLines(lines);
}

void enterFullScreen()
{
    // A page has no video modes: full screen there is the canvas filling it.
    if (!switchScreen(state.mode) && kScreenHasVideoModes) {
        std::fprintf(stderr, "burrik: the game mode \"%s\" of %s cannot be entered here; using a full-screen window\n",
                     state.mode.c_str(), kConfigFile);
    }
    glutFullScreen();
    state.fullScreen = true;
}

}  // namespace

bool windowChosen()
{
    bool window = false;
    for (const std::string& line : settingsOtherLines()) {
        const std::optional<std::string_view> value = displayValue(line);
        if (!value) continue;
        if (*value == kWindowValue) window = true;
        else if (*value == kFullScreenValue) window = false;
        else std::fprintf(stderr, "burrik: the settings file %s: display is fullscreen or window, not '%.*s'; using full screen\n",
                          settingsFilePath().c_str(), static_cast<int>(value->size()), value->data());
    }
    return window;
}

void startDisplay(bool windowed, const std::string& gameMode)
{
    state.mode = gameMode;
    if (!windowed) enterFullScreen();
}

bool displayFullScreen() { return state.fullScreen; }

void toggleFullScreen()
{
    if (state.fullScreen) {
        glutLeaveFullScreen();
        restoreScreenMode();
        state.fullScreen = false;
    } else {
        enterFullScreen();
    }
    keepDisplayChoice();
}

bool displayKeyTaken(KeyEventKind kind, int key)
{
    if (key != kKeyFullScreen) return false;
    if (kind == KeyEventKind::SpecialKey) {
        toggleFullScreen();
        return true;
    }
    return kind == KeyEventKind::SpecialKeyUp;
}

std::vector<std::string> offeredVideoModes()
{
    std::vector<std::string> modes;
#ifndef __EMSCRIPTEN__
    Display* display = screenDisplay();
    if (display == nullptr) return modes;
    XRRScreenConfiguration* config = XRRGetScreenInfo(display, DefaultRootWindow(display));
    if (config == nullptr) return modes;
    int sizeCount = 0;
    XRRScreenSize* sizes = XRRConfigSizes(config, &sizeCount);
    for (int size = 0; size < sizeCount; ++size) {
        const std::string base = std::to_string(sizes[size].width) + "x" + std::to_string(sizes[size].height) + ":" +
                                 std::to_string(kModeDepth);
        int rateCount = 0;
        short* rates = XRRConfigRates(config, size, &rateCount);
        bool named = false;
        for (int r = 0; r < rateCount; ++r) {
            if (rates[r] <= 0) continue;
            modes.push_back(base + "@" + std::to_string(rates[r]));
            named = true;
        }
        if (!named) modes.push_back(base);
    }
    XRRFreeScreenConfigInfo(config);
#endif
    return modes;
}

const std::string& chosenVideoMode() { return state.mode; }

std::string chooseVideoMode(const std::string& mode)
{
    const std::string path = userConfigPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    if (path.empty()) return "no folder for burrik.ini (HOME is not set)";
    // The first line is the mode; the rest of the player's file stays.
    std::string rest;
    {
        std::ifstream old(path, std::ios::binary);
        std::string first;
        if (old && std::getline(old, first)) {
            std::ostringstream others;
            others << old.rdbuf();
            rest = others.str();
        }
    }
    std::error_code folderError;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), folderError);
    std::string error;
    if (!writeFileAtomically(path, mode + "\n" + rest, error)) {
        std::fprintf(stderr, "burrik: cannot write %s (%s)\n", path.c_str(), error.c_str());
        return "burrik.ini cannot be written";
    }
    state.mode = mode;
    if (!state.fullScreen) return "kept; used in full screen";
    if (switchScreen(mode)) {
        glutFullScreen();
        return "in force";
    }
    return "kept; the screen cannot show it now";
}

void restoreScreenMode()
{
#ifndef __EMSCRIPTEN__
    if (!state.screen.changed || state.screen.display == nullptr) return;
    Display* display = state.screen.display;
    const Window root = DefaultRootWindow(display);
    if (XRRScreenConfiguration* config = XRRGetScreenInfo(display, root)) {
        XRRSetScreenConfigAndRate(display, config, root, state.screen.originalSize, state.screen.rotation,
                                  state.screen.originalRate, CurrentTime);
        XRRFreeScreenConfigInfo(config);
        XSync(display, False);
    }
    state.screen.changed = false;
#endif
}
