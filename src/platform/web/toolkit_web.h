#pragma once
// What the browser build's toolkit additions (toolkit_web.js) offer the
// platform layer beyond GLUT's own calls.
#ifdef __cplusplus
extern "C" {
#endif

// At most this many idle steps (game ticks) a second; 0: one every animation frame.
void burrik_toolkit_set_tick_rate(int ticksPerSecond);

// The canvas back from filling the page to the window's size (freeglut has
// this call; emscripten's GLUT has not).
void glutLeaveFullScreen(void);

// The light model for the emulation's shaders, which know neither a local
// viewer nor two-sided lighting: the toolkit writes both into the shaders
// it makes from now on (those made before are made anew).
void burrik_web_gl_light_model(int localViewer, int twoSide);

#ifdef __cplusplus
}
#endif
