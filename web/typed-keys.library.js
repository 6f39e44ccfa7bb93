// The keys GLUT hands the program, as the desktop's GLUT hands them.
//
// The keyboard callback gets the character typed, as on the desktop, where
// X hands the program 'L' for the L key with Caps Lock on. Emscripten's GLUT
// makes the character from the key code and the Shift flag alone
// (GLUT.getASCIIKey), so with Caps Lock on the L key without Shift reached
// the program as 'l'. Here a key whose `key` is one character gives that
// character, whatever made it a capital; the keys that type none (Enter,
// Escape, Tab) keep GLUT's translation by key code, and the special keys
// (arrows, page keys) are still picked out by key code before it.
//
// The translation is replaced where GLUT is defined, by a postset that runs
// right after GLUT's object is. A key listener of the page's could not come
// first without more: GLUT listens on the window in the capture phase,
// before any listener on the canvas, and one that did would have to call the
// keyboard callback in GLUT's place. This keeps GLUT's one listener and its
// handling of special keys, modifiers and the callbacks.
function glutTypedCharacter(byKeyCode) {
  return function(event) {
    var key = event['key'];
    if (typeof key != 'string' || key.length != 1) return byKeyCode(event);
    if (event['ctrlKey'] || event['altKey'] || event['metaKey']) return null;
    var code = key.charCodeAt(0);
    return code < 256 ? code : null;  // the callback takes an unsigned char
  };
}

// GLUT also listens for keys on the whole window and cancels every key it
// knows (Tab, Space, the arrows, F5...), wherever the focus is: Tab could
// never leave the canvas, and a page framed in another took its keys. Its
// two key listeners are wrapped here, before glutInit adds them, so that a
// key reaches the program only when it is pressed on the canvas, and Tab,
// which the demo does nothing with, never does: it moves the focus on.
function glutCanvasKeys(listener) {
  return function(event) {
    if (event.target !== Module['canvas'] || event['key'] === 'Tab') return;
    listener(event);
  };
}

mergeInto(LibraryManager.library, {
  $GLUT__postset: 'GLUT.getASCIIKey = (' + glutTypedCharacter + ')(GLUT.getASCIIKey);' +
                  'GLUT.onKeydown = (' + glutCanvasKeys + ')(GLUT.onKeydown);' +
                  'GLUT.onKeyup = (' + glutCanvasKeys + ')(GLUT.onKeyup);',
});
