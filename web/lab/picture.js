"use strict";
// The picture: the pixel under the pointer and its colour, and a click's
// (a tap's, or the pixel fields') explanation of why the pixel has it: its
// terms as a chart (terms.js), then the explain tool's text and JSON; the
// pixel then marked in both views, and said in one line to screen readers.
import { afterClick, canvas, controls, lab, say, stateNow } from "./program.js";
import { showTerms } from "./terms.js";
import { markPixel } from "./outside.js";
const hover = document.getElementById("hover");
let pointedAt = null;  // the pixel last pointed at, whose colour the read-out shows

// A pointer's move comes in fractions of a pixel, its click in whole ones:
// both are taken whole, so the read-out names the pixel a click explains.
function pixelUnder(event) {
  const box = canvas.getBoundingClientRect();
  return { x: Math.floor((Math.trunc(event.clientX) - box.left) * canvas.width / box.width),
           y: Math.floor((Math.trunc(event.clientY) - box.top) * canvas.height / box.height) };
}

const readOut = (x, y, [r, g, b]) => { hover.textContent = `pixel (${x}, ${y}): ${r} ${g} ${b}`; };

// The read-out of the pixel pointed at, as the frame is now.
function showPointed() {
  const frame = lab.pixels();
  const { x, y } = pointedAt;
  if (x < 0 || y < 0 || x >= frame.width || y >= frame.height) return;
  readOut(x, y, frame.data.subarray(4 * (y * frame.width + x)));
}

canvas.addEventListener("pointermove", (event) => {
  pointedAt = pixelUnder(event);
  showPointed();
});
// After a change the read-out follows; during a spin, four times a second.
let pointedTimer = 0;
controls.push({
  refresh(state, spinning) {
    if (!pointedAt) return;
    clearTimeout(pointedTimer);
    pointedTimer = setTimeout(showPointed, spinning ? 250 : 0);
  },
});

// In one column (a phone, a tablet upright) the explanation is under the
// views: after a click it is brought up, under the lesson held at the top.
const SHOWN_AT_LEAST = 200;
function bringExplanation() {
  const box = document.getElementById("explanation");
  const top = box.getBoundingClientRect().top;
  if (top <= innerHeight - SHOWN_AT_LEAST) return;
  const lesson = document.getElementById("lesson");
  const over = lesson.hidden || getComputedStyle(lesson).position !== "sticky" ? 0 : lesson.getBoundingClientRect().height;
  window.scrollBy(0, top - over - 4);
}

// Explains pixel (x, y) below the picture and marks it in both views;
// its explanation, or null when it cannot be (the reason is said).
export function showPixel(x, y) {
  try {
    const explained = lab.explain(x, y);
    showTerms(explained);
    document.getElementById("explain-text").textContent = explained.text;
    const json = Object.assign({}, explained);
    delete json.text;
    document.getElementById("explain-json").textContent = JSON.stringify(json, null, 2);
    const on = explained.surface ? ` on the ${explained.surface.solid}` : "";
    document.getElementById("explain-summary").textContent =
      `Pixel (${x}, ${y})${on}: drawn ${explained.drawn.join(", ")}. ${explained.verdict || ""}`;
    markPixel(x, y);
    return explained;
  } catch (error) {
    say(error.message, true);
    return null;
  }
}

canvas.addEventListener("click", (event) => {
  canvas.focus({ preventScroll: true });  // a zoomed view stays where it was scrolled
  const { x, y } = pixelUnder(event);
  pointedAt = { x, y };  // a tap points at the pixel it explains
  const explained = lab.click(x, y);
  if (!explained) {
    showPointed();
    return;
  }
  // The colour drawn is the explanation's: the frame is not read again.
  readOut(x, y, explained.drawn);
  bringExplanation();
});

// The pixel fields: Enter in either, or the button, explains the pixel.
document.getElementById("pick").addEventListener("submit", (event) => {
  event.preventDefault();
  const [x, y] = ["pixel-x", "pixel-y"].map((id) => document.getElementById(id).value.trim());
  const { size } = stateNow().state;
  const whole = (text, most) => /^\d+$/.test(text) && Number(text) < most;
  if (!whole(x, size[0]) || !whole(y, size[1])) {
    say(`A pixel is x 0 to ${size[0] - 1} and y 0 to ${size[1] - 1}, whole numbers (row 0 at the top).`, true);
    return;
  }
  say("");
  if (lab.click(Number(x), Number(y))) bringExplanation();
});

export const pictureLab = {
  // What a click on pixel (x, y) does: explained, marked, and a lesson's task checked.
  click(x, y) {
    const explained = showPixel(x, y);
    for (const hook of afterClick) hook();
    return explained;
  },
};
