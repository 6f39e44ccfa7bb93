"use strict";
// The demo's keys on the picture: l, c, the arrows and the page keys; Enter
// switches the spin.
const SPECIAL_KEYS = { ArrowLeft: 100, ArrowUp: 101, ArrowRight: 102, ArrowDown: 103, PageUp: 104, PageDown: 105 };
canvas.addEventListener("keydown", (event) => {
  if (event.key === "Enter") {
    spinning(!document.getElementById("spin").checked);
  } else if (event.key === "l" || event.key === "c") {
    call("lab_key", event.key.charCodeAt(0), 0);
  } else if (event.key in SPECIAL_KEYS) {
    call("lab_key", SPECIAL_KEYS[event.key], 1);
  } else {
    return;
  }
  event.preventDefault();
  pixelCache = null;
  refreshPanel();
});

let spinFrame = 0;
function spinning(on) {
  document.getElementById("spin").checked = on;
  cancelAnimationFrame(spinFrame);
  const step = () => {
    call("lab_spin_step");
    pixelCache = null;
    refreshPanel(true);
    spinFrame = requestAnimationFrame(step);
  };
  if (on) spinFrame = requestAnimationFrame(step);
  else prepareSoon();
}

document.getElementById("spin").addEventListener("change", (event) => spinning(event.target.checked));
