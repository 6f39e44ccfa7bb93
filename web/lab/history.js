"use strict";
// Undo and redo of the state, however it changed: the panel, a drag in the
// view from outside, the keys, a preset, an import. Each settled state is
// kept once whatever ran with it has run (a preset is a reset and a set);
// while a button is held (a light or a slider dragged) the change is one
// step, kept when it is let go.
import { call, dropPixels, lab, labReady, refreshPanel, setText, stateNow, took } from "./program.js";
const undoButton = document.getElementById("undo");
const redoButton = document.getElementById("redo");
const past = [], future = [];
let current = null;      // the state last kept, as JSON
let noting = 0;          // a state to keep: its timer, or -1 till the button is let go
let buttonDown = false;

function showHistory() {
  undoButton.disabled = past.length === 0;
  redoButton.disabled = future.length === 0;
}

function keepState() {
  clearTimeout(noting);
  noting = 0;
  const now = stateNow().text;
  if (now === current) return;
  if (current !== null) past.push(current);
  current = now;
  future.length = 0;
  showHistory();
}

export function noteChange() {
  clearTimeout(noting);
  noting = buttonDown ? -1 : setTimeout(keepState, 0);
}

// Back (or on) one state: the state now is kept first, so a change not yet
// kept (a spin) is not lost. False when there is none to go to.
function stepHistory(from, to) {
  keepState();
  if (from.length === 0) return false;
  to.push(current);
  current = from.pop();
  // From the demo's values, as a state's text merged would keep a light
  // the state before had not.
  took(call("lab_reset"));
  took(setText(current));
  dropPixels();
  refreshPanel();
  showHistory();
  return true;
}

export const historyLab = {
  undo() { return stepHistory(past, future); },
  redo() { return stepHistory(future, past); },
};

// A button, a finger or a pen held down (a light or a slider dragged).
window.addEventListener("pointerdown", () => { buttonDown = true; }, true);
for (const end of ["pointerup", "pointercancel"]) {
  window.addEventListener(end, () => {
    buttonDown = false;
    if (noting === -1) keepState();
  }, true);
}
undoButton.addEventListener("click", () => lab.undo());
redoButton.addEventListener("click", () => lab.redo());

// Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y (Cmd on a Mac), except in a field being
// typed into, which has its own.
document.addEventListener("keydown", (event) => {
  if (!labReady() || !(event.ctrlKey || event.metaKey) || event.altKey ||
      event.target.matches("textarea, input[type=number], input[type=text]")) return;
  const key = event.key.toLowerCase();
  if (key === "z" && !event.shiftKey) lab.undo();
  else if (key === "z" || key === "y") lab.redo();
  else return;
  event.preventDefault();
});
