// exit() ends the program's run in the page whatever is still pending (the
// spin's idle timer, a frame asked for): the runtime shuts down, which runs
// the atexit handlers, removes GLUT's key listeners and calls
// Module.onExit, and no callback runs after it. The runtime is otherwise
// kept alive (keep-running.pre.js), which a plain exit() would respect.
mergeInto(LibraryManager.library, {
  exit__deps: ['emscripten_force_exit'],
  exit__sig: 'vi',
  exit: function(status) {
    _emscripten_force_exit(status);
  },
});
