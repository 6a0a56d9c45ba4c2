#pragma once
// The window and GL state the game benchmarks share: an 800 x 600 double-
// buffered window as the game opens it (or one covering the screen), the data
// folder as working folder, failure messages on standard error only, and the
// client arrays the game enables at start-up.
#include "app/startup.h"
#include "platform/message_box.h"

#include <GL/freeglut.h>

#include <cstdlib>
#include <filesystem>

// False without a display; the benchmarks then skip. fullScreen covers the
// whole screen, as the game's full-screen window does (the size the screen
// has is then the window's: glutGet(GLUT_WINDOW_WIDTH) and HEIGHT).
inline bool openBenchmarkWindow(const char* programName, bool fullScreen = false)
{
    if (std::getenv("DISPLAY") == nullptr) return false;
    setDialogsEnabled(false);
    // BURRIK_BENCH_DATA names another data folder (an older build's, to compare with).
    const char* data = std::getenv("BURRIK_BENCH_DATA");
    std::filesystem::current_path(data != nullptr ? data : BURRIK_DATA_DIR);
    int argc = 1;
    char* argv[] = {const_cast<char*>(programName), nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    int width = kWindowWidth;
    int height = kWindowHeight;
    if (fullScreen) {
        width = glutGet(GLUT_SCREEN_WIDTH);
        height = glutGet(GLUT_SCREEN_HEIGHT);
        glutInitWindowPosition(0, 0);
    }
    glutInitWindowSize(width, height);
    glutCreateWindow(programName);
    if (fullScreen) {
        glutFullScreen();
        glutDisplayFunc([] {});
        // Let the toolkit carry out the request before the first frame.
        for (int i = 0; i < 10; ++i) glutMainLoopEvent();
        width = glutGet(GLUT_WINDOW_WIDTH);
        height = glutGet(GLUT_WINDOW_HEIGHT);
    }
    onReshape(width, height);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    return true;
}
