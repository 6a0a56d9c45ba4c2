#include "app/startup.h"

#include "app/config_file.h"
#include "app/frame.h"
#include "app/game_state.h"
#include "app/keyboard.h"
#include "app/main_loop.h"
#include "app/scenery.h"
#include "app/tick.h"
#include "assets/texture.h"
#include "audio/game_sounds.h"
#include "garden/flower_bed.h"
#include "garden/mole.h"
#include "garden/rake.h"
#include "platform/frame_pacing.h"
#include "platform/leak_check.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/random.h"
#include "platform/window.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cstdio>
#include <filesystem>

namespace {

constexpr unsigned int kDisplayMode = GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH;  // 18
constexpr double kFieldOfView = 45.0;
constexpr double kNearPlane = 1.0;
// A negative far plane: nothing beyond the near plane is clipped by distance,
// while depth still grows with distance, so the whole garden and the cloud
// layer stay visible.
constexpr double kFarPlane = -20.0;

void postRedisplay() { glutPostRedisplay(); }

void swapBuffers() { glutSwapBuffers(); }

// Hidden and fully covered count as out of sight.
void onWindowStatus(int status) { noteWindowStatus(status == GLUT_HIDDEN || status == GLUT_FULLY_COVERED); }

}  // namespace

// Without a data folder given, the game reads from the working folder when
// it holds the game's files, else from the data folder found from the program's own
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

    glutIdleFunc(runIdle);
    glutDisplayFunc(runDisplay);
    glutReshapeFunc(onReshape);
    glutIgnoreKeyRepeat(1);
    glutKeyboardFunc(onPlayerKey);
    glutKeyboardUpFunc(onPlayerKeyUp);
    glutSpecialFunc(onPlayerSpecialKey);
    glutSpecialUpFunc(onPlayerSpecialKeyUp);
    glutWindowStatusFunc(onWindowStatus);
}

void onReshape(int width, int height)
{
    noteWindowSize(width, height);
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
    loadSceneryTextures();
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

void openGameWindow(int& argc, char** argv)
{
    glutInit(&argc, argv);
    if (!drawsEveryTick()) setRedisplayHandler(postRedisplay);
    setPresentHandler(swapBuffers);

    glutInitDisplayMode(kDisplayMode);
    glutInitWindowSize(kWindowWidth, kWindowHeight);
    glutInitWindowPosition(kWindowPositionX, kWindowPositionY);
    glutCreateWindow(argv[0]);
    checkLeaksBeforeTheGlDriverUnloads();
    registerCallbacks();
}

void paceFrames(const std::string& gameMode)
{
    enableVsync();
    setFramePacing(true);
    setTickRateCap(refreshRateOfGameMode(gameMode.c_str(), kDefaultRefreshRate));
}

void runStartMenu()
{
    gameSession.gameState = StartMenu;
    glutMainLoop();
}
