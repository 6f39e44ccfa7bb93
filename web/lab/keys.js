"use strict";
// The demo's keys on the picture: the arrows and the page keys, Enter,
// which switches the spin, and the character typed, which the program
// takes as the demo's keyboard callback does (l and c act, L and C do not,
// with Caps Lock on too). Ctrl, Alt or Meta make no character, as in GLUT.
import { call, canvas, dropPixels, prepareSoon, refreshPanel, took } from "./program.js";
const SPECIAL_KEYS = { ArrowLeft: 100, ArrowUp: 101, ArrowRight: 102, ArrowDown: 103, PageUp: 104, PageDown: 105 };
const typed = (event) => event.key.length === 1 && !event.ctrlKey && !event.altKey && !event.metaKey;
canvas.addEventListener("keydown", (event) => {
  if (event.key === "Enter") {
    spinning(!document.getElementById("spin").checked);
  } else if (event.key in SPECIAL_KEYS) {
    took(call("lab_key", SPECIAL_KEYS[event.key], 1));
  } else {
    const answer = typed(event) ? call("lab_key", event.key.charCodeAt(0), 0) : "";
    if (!answer) return;
    took(answer);
  }
  event.preventDefault();
  dropPixels();
  refreshPanel();
});

let spinFrame = 0;
function spinning(on) {
  document.getElementById("spin").checked = on;
  cancelAnimationFrame(spinFrame);
  const step = () => {
    took(call("lab_spin_step"));
    dropPixels();
    refreshPanel(true);
    spinFrame = requestAnimationFrame(step);
  };
  if (on) spinFrame = requestAnimationFrame(step);
  else prepareSoon();
}

document.getElementById("spin").addEventListener("change", (event) => spinning(event.target.checked));
