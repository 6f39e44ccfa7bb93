// GLUT's main loop hands control back to the browser: the program runs on,
// driven by key events, timers and animation frames, until it calls exit().
// Without this, Emscripten's runtime would end after the first frame, once
// no timer was pending.
Module['noExitRuntime'] = true;
