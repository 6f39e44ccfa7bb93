"use strict";
// Before and after: "Hold as A" keeps the frame and the state as they are.
// After changes the page shows A, the frame now (B) and their difference,
// magnified so that one level shows, with the number of pixels that changed
// and the fields of the state that differ. b on the picture shows A in the
// scene's view, and b again B.
import { call, canvas, controls, lab, say, stateNow } from "./program.js";
import { element } from "./controls.js";
const compareBox = document.getElementById("compare");
const heldView = document.getElementById("held");  // A over the scene's view
let held = null;  // {state: the state's JSON text, frame: {width, height, data}}

// A difference of d levels drawn as this level: one level is plain to see.
const magnified = (d) => (d === 0 ? 0 : Math.min(255, 96 + 8 * d));
const THUMBNAIL = 196;

// The names of the fields a state's changes hold ("mode", "lights[2].spot_cutoff").
function fieldNames(value, path = "") {
  if (Array.isArray(value) && value.some((v) => v !== null && typeof v === "object")) {
    return value.flatMap((v, i) => fieldNames(v, `${path}[${i}]`));
  }
  if (value !== null && typeof value === "object" && !Array.isArray(value)) {
    return Object.entries(value).flatMap(([key, v]) => fieldNames(v, path ? `${path}.${key}` : key));
  }
  return [path];
}

function changedPixels(a, b) {
  if (a.width !== b.width || a.height !== b.height) return b.width * b.height;
  let changed = 0;
  for (let p = 0; p < a.data.length; p += 4) {
    if (a.data[p] !== b.data[p] || a.data[p + 1] !== b.data[p + 1] || a.data[p + 2] !== b.data[p + 2]) ++changed;
  }
  return changed;
}

// A frame drawn on `target`, `scale` times its size (smoothed when smaller).
function drawFrameOn(target, frame, scale) {
  const whole = element("canvas", { width: frame.width, height: frame.height });
  whole.getContext("2d").putImageData(new ImageData(new Uint8ClampedArray(frame.data), frame.width, frame.height), 0, 0);
  target.width = Math.max(1, Math.round(frame.width * scale));
  target.height = Math.max(1, Math.round(frame.height * scale));
  target.getContext("2d").drawImage(whole, 0, 0, target.width, target.height);
}

// The difference at `scale`: each pixel shown holds the largest difference
// of the pixels under it, channel by channel, so none is lost.
function drawDifference(target, a, b, scale) {
  const width = Math.max(1, Math.round(b.width * scale)), height = Math.max(1, Math.round(b.height * scale));
  const out = new ImageData(width, height);
  for (let y = 0; y < b.height; ++y) {
    for (let x = 0; x < b.width; ++x) {
      const p = 4 * (y * b.width + x), q = 4 * (Math.min(height - 1, Math.floor(y * scale)) * width +
                                                Math.min(width - 1, Math.floor(x * scale)));
      const inA = x < a.width && y < a.height ? 4 * (y * a.width + x) : -1;
      for (let c = 0; c < 3; ++c) {
        const d = inA < 0 ? 255 : Math.abs(a.data[inA + c] - b.data[p + c]);
        out.data[q + c] = Math.max(out.data[q + c], magnified(d));
      }
      out.data[q + 3] = 255;
    }
  }
  target.width = width;
  target.height = height;
  target.getContext("2d").putImageData(out, 0, 0);
}

function compareNow() {
  if (!held) throw new Error("no frame is held as A: hold() first");
  return { changed_pixels: changedPixels(held.frame, lab.pixels()),
           fields: fieldNames(JSON.parse(call("lab_changes", held.state))) };
}

function showComparison() {
  if (!held) return;
  const now = lab.pixels(), { changed_pixels: changed, fields } = compareNow();
  const scale = Math.min(1, THUMBNAIL / Math.max(now.width, now.height, held.frame.width, held.frame.height));
  drawFrameOn(document.getElementById("frame-a"), held.frame, scale);
  drawFrameOn(document.getElementById("frame-b"), now, scale);
  drawDifference(document.getElementById("frame-difference"), held.frame, now, scale);
  document.getElementById("compare-count").textContent =
    `${changed} of ${now.width * now.height} pixels changed; ` +
    (fields.length ? `the fields that differ: ${fields.join(", ")}` : "no field of the state differs");
}

// A shown over the scene's view, or B again.
function showA(on) {
  const shown = !heldView.hidden;
  heldView.hidden = !(on && held);
  if (heldView.hidden) {
    if (shown) showComparison();
    return;
  }
  drawFrameOn(heldView, held.frame, 1);
  heldView.style.width = `${canvas.getBoundingClientRect().width * held.frame.width / canvas.width}px`;
  document.getElementById("compare-count").textContent = "The scene's view shows A; b shows B again.";
}

let compareTimer = 0;
controls.push({
  refresh(state, spinning) {
    if (!held) return;
    showA(false);
    clearTimeout(compareTimer);
    compareTimer = setTimeout(showComparison, spinning ? 200 : 0);
  },
});

export const compareLab = {
  // Keeps the frame and the state as they are now as A.
  hold() {
    const frame = lab.pixels();
    held = { state: stateNow().text, frame: { width: frame.width, height: frame.height, data: frame.data.slice() } };
    compareBox.hidden = false;
    compareBox.open = true;
    showA(false);
    showComparison();
  },
  // {changed_pixels, fields} of the frame and state now against A.
  compare: compareNow,
};

document.getElementById("hold").addEventListener("click", () => lab.hold());
document.getElementById("let-go").addEventListener("click", () => {
  held = null;
  showA(false);
  compareBox.hidden = true;
});
canvas.addEventListener("keydown", (event) => {
  if (event.key !== "b" || event.ctrlKey || event.altKey || event.metaKey) return;
  event.preventDefault();
  if (!held) say("No frame is held: \"Hold as A\" first, then b flips between A and B.", true);
  else showA(heldView.hidden);
});
canvas.addEventListener("pointerdown", () => showA(false));
