#pragma once
// What the browser build's toolkit additions (toolkit_web.js) offer the
// platform layer beyond GLUT's own calls.
#ifdef __cplusplus
extern "C" {
#endif

// At most this many idle steps (game ticks) a second; 0: one every animation frame.
void burrik_toolkit_set_tick_rate(int ticksPerSecond);

#ifdef __cplusplus
}
#endif
