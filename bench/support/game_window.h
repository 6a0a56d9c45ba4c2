#pragma once
// The window and GL state the game benchmarks share: an 800 x 600 double-
// buffered window as the game opens it, the data folder as working folder,
// failure messages on standard error only, and the client arrays the game
// enables at start-up.
#include "app/startup.h"
#include "platform/message_box.h"

#include <GL/freeglut.h>

#include <cstdlib>
#include <filesystem>

// False without a display; the benchmarks then skip.
inline bool openBenchmarkWindow(const char* programName)
{
    if (std::getenv("DISPLAY") == nullptr) return false;
    setDialogsEnabled(false);
    std::filesystem::current_path(BURRIK_DATA_DIR);
    int argc = 1;
    char* argv[] = {const_cast<char*>(programName), nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(kWindowWidth, kWindowHeight);
    glutCreateWindow(programName);
    onReshape(kWindowWidth, kWindowHeight);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    return true;
}
