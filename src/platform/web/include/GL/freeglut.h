#pragma once
// Emscripten's GLUT ships freeglut's standard header only; the game uses
// nothing of freeglut's extensions in the browser build.
#include <GL/freeglut_std.h>
