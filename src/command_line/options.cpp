#include "command_line/options.h"

#include "parsing/numbers.h"
#include "platform/clock.h"
#include "platform/process.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

bool parseWhole(const std::string& text, long long minValue, long long maxValue, long long& out)
{
    const std::optional<std::int64_t> value = readWholeNumber(text, minValue, maxValue);
    if (value) out = *value;
    return value.has_value();
}

bool parsePositiveSeconds(const std::string& text, double& out)
{
    const std::optional<double> value = readDecimalNumber(text, 0.0, kMaxFixedStepSeconds);
    if (value) out = *value;
    return value.has_value();
}

}  // namespace

OptionsResult parseOptions(int argc, const char* const* argv)
{
    OptionsResult result;
    Options& o = result.options;
    auto fail = [&](const std::string& message) {
        result.ok = false;
        result.error = message;
        return result;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        // The window toolkit's own options are left to it.
        if (arg == "-display" || arg == "-geometry") {
            ++i;
            continue;
        }
        if (arg == "-direct" || arg == "-indirect" || arg == "-iconic" || arg == "-gldebug" || arg == "-sync") {
            continue;
        }
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string text;
        if (arg == "--windowed") {
            o.windowed = true;
        } else if (arg == "--no-dialogs") {
            o.noDialogs = true;
        } else if (arg == "--no-vsync") {
            o.noVsync = true;
        } else if (arg == "--mute") {
            o.mute = true;
        } else if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (arg == "--data") {
            if (!value(o.dataDir) || o.dataDir.empty()) return fail("--data needs a folder");
        } else if (arg == "--seed") {
            long long seed = 0;
            if (!value(text) || !parseWhole(text, 0, std::numeric_limits<std::uint32_t>::max(), seed))
                return fail("--seed needs a whole number from 0 to 4294967295");
            o.seed = static_cast<std::uint32_t>(seed);
        } else if (arg == "--fixed-dt") {
            double seconds = 0.0;
            if (!value(text) || !parsePositiveSeconds(text, seconds))
                return fail("--fixed-dt needs a number of seconds above 0 (at most " +
                            std::to_string(static_cast<int>(kMaxFixedStepSeconds)) + ")");
            o.fixedDt = seconds;
        } else if (arg == "--script") {
            if (!value(o.scriptPath) || o.scriptPath.empty()) return fail("--script needs a file");
        } else if (arg == "--frames") {
            long long frames = 0;
            if (!value(text) || !parseWhole(text, 1, std::numeric_limits<long>::max(), frames))
                return fail("--frames needs a whole number of at least 1");
            o.frames = static_cast<long>(frames);
        } else if (arg == "--screenshot") {
            if (!value(text)) return fail("--screenshot needs FRAME:PATH");
            const std::size_t colon = text.find(':');
            long long frame = 0;
            if (colon == std::string::npos ||
                !parseWhole(text.substr(0, colon), 1, std::numeric_limits<long>::max(), frame) ||
                colon + 1 >= text.size())
                return fail("--screenshot needs FRAME:PATH with a frame of at least 1, got '" + text + "'");
            o.screenshots.push_back({static_cast<long>(frame), text.substr(colon + 1)});
        } else if (arg == "--trace") {
            if (!value(o.tracePath) || o.tracePath.empty()) return fail("--trace needs a file");
        } else if (arg == "--autopilot") {
            o.autopilot = true;
        } else if (arg == "--summary") {
            if (!value(o.summaryPath) || o.summaryPath.empty()) return fail("--summary needs a file");
        } else if (arg == "--rounds") {
            long long rounds = 0;
            if (!value(text) || !parseWhole(text, 1, std::numeric_limits<long>::max(), rounds))
                return fail("--rounds needs a whole number of at least 1");
            o.rounds = static_cast<long>(rounds);
        } else if (arg == "--record") {
            if (!value(o.recordPath) || o.recordPath.empty()) return fail("--record needs a file");
        } else if (arg == "--replay") {
            if (!value(o.replayPath) || o.replayPath.empty()) return fail("--replay needs a file");
        } else if (arg == "--scores") {
            o.scores = true;
        } else {
            return fail("unknown option '" + arg + "'");
        }
    }
    if (!o.autopilot && (!o.summaryPath.empty() || o.rounds)) return fail("--summary and --rounds need --autopilot");
    if (!o.replayPath.empty() &&
        (o.seed || o.fixedDt || !o.scriptPath.empty() || o.autopilot || !o.recordPath.empty()))
        return fail("--replay plays what its file holds: it takes no --seed, --fixed-dt, --script, --autopilot or --record");
    result.ok = true;
    return result;
}

std::string optionsHelpText(const char* programName)
{
    std::string text = "Usage: ";
    text += programName;
    text += " [options]\n"
            "Burrik: defend the flower bed against moles.\n\n"
            "  --windowed          an ordinary 800 x 600 window instead of full screen (also what\n"
            "                      the player last chose with F11 or the options screen)\n"
            "  --data DIR          read the game's files from DIR\n"
            "  --mute              start without music and sounds (the keys below bring them back)\n"
            "  --no-dialogs        failure messages on standard error only\n"
            "  --no-vsync          no vsync and no frame cap (benchmarks)\n"
            "  --seed N            use N wherever the random source is seeded from the clock\n"
            "  --fixed-dt S        every tick lasts S seconds on a virtual clock\n"
            "  --script FILE       input events by frame: 'FRAME press|release KEY',\n"
            "                      'FRAME pad press|release BUTTON', 'FRAME pad axis AXIS VALUE',\n"
            "                      'FRAME pad unplug|plug' (a virtual controller, SDL's names)\n"
            "  --frames N          end with status 0 after N ticks\n"
            "  --screenshot F:PATH after drawing frame F, write it as PNG (repeatable)\n"
            "  --trace FILE        one JSON object per tick (JSON Lines)\n"
            "  --autopilot         a built-in player plays, through the same keys as a person;\n"
            "                      at exit one line per round on standard output\n"
            "  --summary FILE      with --autopilot: the rounds as JSON at exit\n"
            "  --rounds N          with --autopilot: end with status 0 after N rounds\n"
            "  --record FILE       write the game's replay to FILE as it is played\n"
            "  --replay FILE       play a replay again; escape ends it\n"
            "  --scores            print the table of the best scores and end\n"
            "  --version           the version\n"
            "  --help              this text\n\n"
            "Keys beyond the game's own: F1 pauses a round and resumes it (the window going out\n"
            "of sight pauses it too); F2 turns the music on and off; - and + make the sounds\n"
            "quieter and louder. The choice is kept in settings.ini beside the player's burrik.ini.\n"
            "F11 switches between full screen and a window at any time; F12 saves the frame on\n"
            "screen as a PNG in Burrik/ under the desktop's pictures folder (xdg-user-dir PICTURES,\n"
            "~/Pictures without it).\n\n"
            "Options screen: o (or Y on a gamepad) in the menus and on the pause screen. Up and\n"
            "down choose, left, right and space change, escape (or Back) goes back. There: full\n"
            "screen or a window, the video mode, the music, the sound volume, and each action's\n"
            "key and pad button (a key another action has is refused). The bindings are kept in\n"
            "settings.ini as key-ACTION=KEY and pad-ACTION=BUTTON, ACTION one of walk strike left\n"
            "right water spray camera-left camera-right camera-up camera-down pause, KEY a name as\n"
            "in --script, BUTTON an SDL button name. A bound key works in a round; the key it\n"
            "replaced does nothing there. A binding line that cannot be used is named on standard\n"
            "error and its action keeps its default.\n\n"
            "Gamepad (the first controller plugged in): d-pad or left stick up walks, left and\n"
            "right turn, down strikes; A strikes, X waters, Y sprays; the right stick swings and\n"
            "tilts the camera; Start is space, or pause while playing; Back is escape.\n\n"
            "The video mode (a game-mode string such as 1024x768:32@60) is the first line of\n"
            "$XDG_CONFIG_HOME/burrik/burrik.ini (default ~/.config/burrik/burrik.ini) when that\n"
            "file exists, else of burrik.ini in the data folder; default 800x600:32@60.\n"
            "The best scores are kept in $XDG_DATA_HOME/burrik/scores (default\n"
            "~/.local/share/burrik/scores); with --record, the replays of the games in the\n"
            "table are kept beside it.\n";
    return text;
}

void badCommandLine(const std::string& message)
{
    std::fprintf(stderr, "burrik: %s\nTry 'burrik --help'.\n", message.c_str());
    exitProcess(kExitBadOptions);
}

bool isAutomatedRun(const Options& options)
{
    return options.frames.has_value() || !options.screenshots.empty() || !options.scriptPath.empty() ||
           options.autopilot || !options.replayPath.empty();
}
