#include "app/startup.h"

#include "app/autopilot.h"
#include "app/config_file.h"
#include "app/frame.h"
#include "app/game_state.h"
#include "app/keyboard.h"
#include "app/options.h"
#include "app/round_log.h"
#include "app/scenery.h"
#include "app/script.h"
#include "app/tick.h"
#include "app/trace.h"
#include "assets/texture.h"
#include "audio/game_sounds.h"
#include "garden/flower_bed.h"
#include "garden/mole.h"
#include "garden/rake.h"
#include "platform/clock.h"
#include "platform/frame_pacing.h"
#include "platform/leak_check.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/random.h"
#include "platform/screenshot.h"
#include "platform/window.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <fstream>
#include <optional>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace {

constexpr unsigned int kDisplayMode = GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH;  // 18
constexpr double kFieldOfView = 45.0;
constexpr double kNearPlane = 1.0;
// A negative far plane: nothing beyond the near plane is clipped by distance,
// while depth still grows with distance, so the whole garden and the cloud
// layer stay visible.
constexpr double kFarPlane = -20.0;
// How many ticks past the frame limit to wait for the last frame to be drawn.
constexpr long kDrawWaitTicks = 100;
// With --rounds: ticks to wait after the last round for the next set-up.
constexpr long kNextSetUpWaitTicks = 1000;

// The automated-run driver state.
struct RunControl {
    Options options;
    std::vector<ScriptEvent> script;
    std::size_t scriptCursor = 0;
    long tickCount = 0;
    long lastDrawnTick = -1;
    std::vector<bool> screenshotTaken;
    TraceWriter trace;
    FramePacer pacer;
    int windowWidth = kWindowWidth;
    int windowHeight = kWindowHeight;
    bool drawEveryTick = false;
    std::unique_ptr<AutopilotDriver> autopilot;
    RoundLog roundLog;
    std::string summaryPath;  // absolute
    long ticksAfterLastRound = 0;  // with --rounds, waiting for the next set-up
    bool roundLimitReached = false;
};

RunControl run;

void writeSummaryFile(const std::vector<RoundRecord>& rounds)
{
    if (run.summaryPath.empty()) return;
    std::FILE* file = std::fopen(run.summaryPath.c_str(), "w");
    const std::string json = formatRoundsJson(rounds);
    if (file == nullptr || std::fwrite(json.data(), 1, json.size(), file) != json.size()) {
        std::fprintf(stderr, "burrik: cannot write the summary %s\n", run.summaryPath.c_str());
    }
    if (file != nullptr) std::fclose(file);
}

// With the autopilot: one line per round on standard output and, with
// --summary, the same as JSON; at every exit of the process.
void writeAutopilotSummary()
{
    if (!run.autopilot) return;
    run.roundLog.setBeforeMeasuring(nullptr);  // the GL context may be gone at exit
    // At the round limit the round just set up is no round played.
    const std::vector<RoundRecord> rounds =
        run.roundLimitReached ? run.roundLog.rounds() : run.roundLog.roundsSoFar();
    for (std::size_t i = 0; i < rounds.size(); ++i) {
        std::printf("%s\n", formatRoundLine(static_cast<int>(i + 1), rounds[i]).c_str());
    }
    std::fflush(stdout);
    writeSummaryFile(rounds);
}

void idleCallback()
{
    if (!run.options.noVsync) run.pacer.waitForNextTick();
    if (run.options.frames &&
        run.tickCount >= *run.options.frames &&
        (run.lastDrawnTick >= run.tickCount || run.tickCount >= *run.options.frames + kDrawWaitTicks)) {
        run.trace.close();
        exitProcess(0);
    }
    ++run.tickCount;
    deliverScriptEvents(run.script, run.scriptCursor, run.tickCount);
    if (run.autopilot) run.autopilot->playFrame();  // after the script's events of this frame
    gameClock().advanceTick();
    gameTick();
    run.trace.writeTick(run.tickCount);
    if (run.autopilot) {
        const int ended = run.roundLog.finishedRounds();
        run.roundLog.observeTick();
        // The file follows every round, so a run that is stopped keeps what it played.
        if (run.roundLog.finishedRounds() != ended) writeSummaryFile(run.roundLog.rounds());
        // The last round's memory is taken where every other round's is, at
        // the next set-up; the autopilot gets there within a few ticks.
        if (run.options.rounds && run.roundLog.finishedRounds() >= *run.options.rounds &&
            (run.roundLog.lastRoundMeasuredAtNextSetUp() || ++run.ticksAfterLastRound > kNextSetUpWaitTicks)) {
            run.roundLimitReached = true;
            writeSummaryFile(run.roundLog.rounds());
            run.trace.close();
            exitProcess(0);
        }
    }
    // Automated runs draw every tick themselves: the toolkit skips drawing a
    // window that another one covers, which would lose frames and screenshots.
    if (run.drawEveryTick) drawFrame();
}

void presentWithScreenshots()
{
    for (std::size_t i = 0; i < run.options.screenshots.size(); ++i) {
        const ScreenshotRequest& request = run.options.screenshots[i];
        if (run.screenshotTaken[i] || request.frame != run.tickCount) continue;
        glFinish();
        if (!writeScreenshotPng(request.path, run.windowWidth, run.windowHeight)) {
            std::fprintf(stderr, "burrik: cannot write screenshot %s\n", request.path.c_str());
        }
        run.screenshotTaken[i] = true;
    }
    run.lastDrawnTick = run.tickCount;
    glutSwapBuffers();
}

void postRedisplay() { glutPostRedisplay(); }

// Without --data, the game reads from the working folder when it holds the
// game's files, else from the data folder found from the program's own
// location: data/ beside it in the build tree, or the installed data folder
// (share/games/burrik of the prefix), so a moved prefix still works.
bool enterDataFolder(const std::string& dataDir, const char* programPath)
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (!dataDir.empty()) {
        fs::current_path(dataDir, error);
        if (error) {
            std::fprintf(stderr, "burrik: cannot enter the data folder %s\n", dataDir.c_str());
            return false;
        }
        return true;
    }
    if (fs::exists("bilder/start.bmp", error)) return true;
    fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error) program = fs::absolute(programPath, error);
    const fs::path besideProgram = program.parent_path() / "data";
    const fs::path installed = (program.parent_path() / BURRIK_DATA_FROM_PROGRAM).lexically_normal();
    for (const fs::path& candidate : {besideProgram, installed}) {
        if (fs::exists(candidate / "bilder" / "start.bmp", error)) {
            fs::current_path(candidate, error);
            return !error;
        }
    }
    return true;  // let the loaders report what is missing
}

std::optional<std::string> readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

[[noreturn]] void badCommandLine(const std::string& message)
{
    std::fprintf(stderr, "burrik: %s\nTry 'burrik --help'.\n", message.c_str());
    exitProcess(kExitBadOptions);
}

}  // namespace

void registerCallbacks()
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    static const char* const kScreenPictures[] = {
        "bilder/start.bmp", "bilder/spiel_mask.bmp", "bilder/spiel.bmp",
        "bilder/intro_mask.bmp", "bilder/intro.bmp", "bilder/hilfe_mask.bmp",
        "bilder/hilfe.bmp", "bilder/intro_text.bmp", "bilder/hilfe_text.bmp",
    };
    for (int slot = 0; slot < static_cast<int>(screenTextures.size()); ++slot) {
        loadBmpTexture(screenTextures, kScreenPictures[slot], slot);
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);

    glutIdleFunc(idleCallback);
    glutDisplayFunc(drawFrame);
    glutReshapeFunc(onReshape);
    glutIgnoreKeyRepeat(1);
    glutKeyboardFunc(onKey);
    glutKeyboardUpFunc(onKeyUp);
    glutSpecialFunc(onSpecialKey);
    glutSpecialUpFunc(onSpecialKeyUp);
}

void onReshape(int width, int height)
{
    run.windowWidth = width;
    run.windowHeight = height;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double aspect = height > 0 ? static_cast<double>(width) / static_cast<double>(height) : 1.0;
    gluPerspective(kFieldOfView, aspect, kNearPlane, kFarPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void initGame()
{
    loadTgaTexture(sceneryTextures, "wand.tga", 0);
    loadBmpTexture(sceneryTextures, "bilder/Bottom.bmp", 2);
    loadTgaTexture(sceneryTextures, "bilder/zaun.tga", 3);
    static const char* const kHudPictures[] = {"bilder/maulwurfkl_mask.bmp", "bilder/maulwurfkl.bmp",
                                               "bilder/uhr_mask.bmp", "bilder/uhr.bmp"};
    for (int slot = 0; slot < 4; ++slot) loadBmpTexture(hudTextures, kHudPictures[slot], slot);
    loadBmpTexture(cloudTexture, "bilder/wolken.bmp", 0);
    static const char* const kResultPictures[] = {"bilder/upps_mask.bmp", "bilder/upps.bmp",
                                                  "bilder/juhu_mask.bmp", "bilder/juhu.bmp"};
    for (int slot = 0; slot < 4; ++slot) loadBmpTexture(resultTextures, kResultPictures[slot], slot);

    setPlayingClearColour();
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_COLOR_MATERIAL);

    seedRandomFromTime();

    loadFlowerAssets();
    loadRakeAssets();
    loadMoleAssets();

    setUpLightModel();
    setUpLight();

    startFrameTimer();

    loadGameSounds();  // and the music starts
}

int runGame(int argc, char** argv)
{
    // Options first, so that --help and a bad command line need no display.
    const OptionsResult parsed = parseOptions(argc, argv);
    if (!parsed.ok) badCommandLine(parsed.error);
    run.options = parsed.options;
    const Options& options = run.options;
    if (options.help) {
        std::fputs(optionsHelpText(argv[0]).c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("burrik %s\n", BURRIK_VERSION);
        return 0;
    }
    setDialogsEnabled(!options.noDialogs);
    setFixedSeed(options.seed);
    if (options.fixedDt) useFixedStepClock(*options.fixedDt);
    if (!options.scriptPath.empty()) {
        const std::optional<std::string> text = readWholeFile(options.scriptPath);
        if (!text) badCommandLine("cannot read the script " + options.scriptPath);
        const ScriptParseResult script = parseScript(*text);
        if (!script.ok) badCommandLine(options.scriptPath + ": " + script.error);
        run.script = script.events;
    }
    run.screenshotTaken.assign(options.screenshots.size(), false);
    // Output paths are taken relative to where the program was started.
    std::error_code error;
    const std::filesystem::path startFolder = std::filesystem::current_path(error);
    for (ScreenshotRequest& request : run.options.screenshots) {
        request.path = std::filesystem::absolute(startFolder / request.path, error).string();
    }
    if (!options.tracePath.empty() && !run.trace.open((startFolder / options.tracePath).string())) {
        badCommandLine("cannot write the trace " + options.tracePath);
    }
    if (options.autopilot) {
        if (!options.summaryPath.empty()) {
            run.summaryPath = std::filesystem::absolute(startFolder / options.summaryPath, error).string();
            std::FILE* probe = std::fopen(run.summaryPath.c_str(), "w");
            if (probe == nullptr) badCommandLine("cannot write the summary " + options.summaryPath);
            std::fclose(probe);
        }
        run.autopilot = std::make_unique<AutopilotDriver>();
        run.roundLog.setBeforeMeasuring([] { glFinish(); });
        std::atexit(writeAutopilotSummary);
    }
    if (!enterDataFolder(options.dataDir, argv[0])) exitProcess(kExitBadOptions);

    glutInit(&argc, argv);
    run.drawEveryTick = options.frames.has_value() || !options.screenshots.empty() || !options.scriptPath.empty() ||
                        options.autopilot;
    if (!run.drawEveryTick) setRedisplayHandler(postRedisplay);
    setPresentHandler(presentWithScreenshots);

    glutInitDisplayMode(kDisplayMode);
    glutInitWindowSize(kWindowWidth, kWindowHeight);
    glutInitWindowPosition(kWindowPositionX, kWindowPositionY);
    glutCreateWindow(argv[0]);
    checkLeaksBeforeTheGlDriverUnloads();
    registerCallbacks();

    const std::string gameMode = readGameModeString(gameModeConfigFile(kConfigFile));
    if (!options.windowed) {
        glutGameModeString(gameMode.c_str());
        if (glutGameModeGet(GLUT_GAME_MODE_POSSIBLE)) {
            glutEnterGameMode();
            registerCallbacks();  // the game-mode window has a context of its own
        } else {
            // Also the outcome of a damaged burrik.ini: the player learns which mode was asked for.
            std::fprintf(stderr, "burrik: the game mode \"%s\" of %s cannot be entered here; using a full-screen window\n",
                         gameMode.c_str(), kConfigFile);
            glutFullScreen();
        }
    }
    if (!options.noVsync) {
        enableVsync();
        run.pacer.setRate(refreshRateOfGameMode(gameMode.c_str(), kDefaultRefreshRate));
    }

    gameSession.gameState = StartMenu;
    glutMainLoop();
    return 0;
}
