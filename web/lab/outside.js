"use strict";
// The view from outside: the rig seen through a camera of its own. A press
// (a mouse's button, a finger, a pen) on a light's mark takes hold of it (a
// point light's or a spotlight's place, a directional light's arrow, a
// spot's aim) and drags it, Shift moving it towards or away from the
// camera; anywhere else a drag turns the camera about its target, and the
// wheel (unless the view is zoomed to scroll), two fingers pinching or the
// slider move it nearer or further. With the focus on it, the arrows turn
// it and + and - move it. A click on the scene's picture marks its pixel in
// both views and in the pixel fields.
import { call, dropPixels, lab, refreshPanel, took } from "./program.js";
const outsideCanvas = document.getElementById("outside");
const distanceSlider = document.getElementById("outside-distance");
let markedAt = null;   // the clicked pixel, row 0 at the top
let holding = false;   // a press on the view from outside drags a light or turns the camera
const pressing = new Map();  // the pointers down on it: id to the last event
let pinch = null;      // two fingers down: {span, distance} when the second came

// How near (CSS pixels) a press must come to a mark to take hold of it: a
// fingertip covers more than a mouse's pointer. In the canvas's pixels.
const REACH = { mouse: 6, pen: 10, touch: 22 };
function reachOf(event) {
  return (REACH[event.pointerType] || REACH.mouse) * outsideCanvas.width / outsideCanvas.getBoundingClientRect().width;
}
// Degrees an arrow key turns the view; the factor + and - move it by.
const TURN_A_KEY = 5, NEARER = 1.1;

// The canvas's pixel under the pointer, whatever size the page shows it at.
function outsidePoint(event) {
  const box = outsideCanvas.getBoundingClientRect();
  return { x: (event.clientX - box.left) * outsideCanvas.width / box.width,
           y: (event.clientY - box.top) * outsideCanvas.height / box.height };
}

const distanceOf = (camera) => Math.hypot(...camera.eye.map((v, i) => v - camera.target[i]));
export function showDistance() { distanceSlider.value = distanceOf(lab.outside()); }

export function unmarkPixel() { markedAt = null; }

export function markPixel(x, y) {
  markedAt = { x, y };
  call("lab_mark", x, y);
  dropPixels();
  document.getElementById("pixel-x").value = x;
  document.getElementById("pixel-y").value = y;
}

function moveOutside(distance) {
  call("lab_outside_distance", distance);
  showDistance();
}

export const outsideLab = {
  // The outside camera: {eye, target, up, fov (vertical, degrees), size: [width, height]}.
  outside() { return JSON.parse(call("lab_outside")); },
  // Sets the fields given and draws the view; throws an Error naming a bad one.
  setOutside(camera) {
    const wrong = camera !== null && typeof camera === "object" && !Array.isArray(camera)
      ? call("lab_set_outside", JSON.stringify(camera)) : "setOutside takes an object of camera fields";
    if (wrong) throw new Error(wrong);
    showDistance();
    return lab.outside();
  },
  markedPixel() { return markedAt && { ...markedAt }; },
};

function letGo() {
  if (!holding) return;
  holding = false;
  call("lab_outside_release");
  refreshPanel();
}

const span = () => {
  const [a, b] = [...pressing.values()];
  return Math.max(1, Math.hypot(a.clientX - b.clientX, a.clientY - b.clientY));
};

// The pointer is captured, so the drag goes on outside the view.
outsideCanvas.addEventListener("pointerdown", (event) => {
  if (event.button !== 0) return;
  event.preventDefault();
  outsideCanvas.focus({ preventScroll: true });
  outsideCanvas.setPointerCapture(event.pointerId);
  pressing.set(event.pointerId, event);
  if (pressing.size === 2) {
    // A second finger: what the first held stays where it is, and the two pinch.
    letGo();
    pinch = { span: span(), distance: distanceOf(lab.outside()) };
  } else if (pressing.size === 1) {
    const { x, y } = outsidePoint(event);
    holding = true;
    call("lab_outside_grab", x, y, event.shiftKey ? 1 : 0, reachOf(event));
  }
});

outsideCanvas.addEventListener("pointermove", (event) => {
  const { x, y } = outsidePoint(event);
  if (pressing.has(event.pointerId)) pressing.set(event.pointerId, event);
  if (pinch) {
    if (pressing.size === 2) moveOutside(pinch.distance * pinch.span / span());
  } else if (!holding) {
    outsideCanvas.style.cursor = call("lab_outside_handle", x, y, reachOf(event)) ? "move" : "grab";
  } else {
    const answer = call("lab_outside_drag", x, y, event.shiftKey ? 1 : 0);
    if (!answer) return;
    took(answer);
    dropPixels();
    refreshPanel(true);
  }
});

// A pinch ends when both fingers are off; the one left does nothing till then.
for (const end of ["pointerup", "pointercancel"]) {
  outsideCanvas.addEventListener(end, (event) => {
    if (!pressing.delete(event.pointerId)) return;
    if (!pinch) letGo();
    else if (pressing.size === 0) pinch = null;
  });
}

outsideCanvas.addEventListener("keydown", (event) => {
  if (event.ctrlKey || event.altKey || event.metaKey) return;
  const turn = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] }[event.key];
  if (turn) call("lab_outside_orbit", TURN_A_KEY * turn[0], TURN_A_KEY * turn[1]);
  else if (event.key === "+" || event.key === "=") moveOutside(distanceOf(lab.outside()) / NEARER);
  else if (event.key === "-") moveOutside(distanceOf(lab.outside()) * NEARER);
  else return;
  event.preventDefault();
});

// A view zoomed larger than its frame scrolls with the wheel; the slider still moves the camera.
outsideCanvas.addEventListener("wheel", (event) => {
  const frame = outsideCanvas.parentElement;
  if (frame.scrollHeight > frame.clientHeight || frame.scrollWidth > frame.clientWidth) return;
  event.preventDefault();
  moveOutside(distanceOf(lab.outside()) * Math.pow(NEARER, Math.sign(event.deltaY)));
}, { passive: false });

distanceSlider.addEventListener("input", () => call("lab_outside_distance", Number(distanceSlider.value)));
