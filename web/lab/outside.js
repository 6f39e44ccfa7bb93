"use strict";
// The view from outside: the rig seen through a camera of its own. A press
// on a light's mark takes hold of it (a point light's or a spotlight's
// place, a directional light's arrow, a spot's aim) and drags it, Shift
// moving it towards or away from the camera; anywhere else a drag turns the
// camera about its target, and the wheel (unless the view is zoomed to
// scroll) or the slider moves it nearer or further. A click on the scene's
// picture marks its pixel in both views.
const outsideCanvas = document.getElementById("outside");
const distanceSlider = document.getElementById("outside-distance");
let markedAt = null;   // the clicked pixel, row 0 at the top
let holding = false;   // the button is down on the view from outside

// The canvas's pixel under the pointer, whatever size the page shows it at.
function outsidePoint(event) {
  const box = outsideCanvas.getBoundingClientRect();
  return { x: (event.clientX - box.left) * outsideCanvas.width / box.width,
           y: (event.clientY - box.top) * outsideCanvas.height / box.height };
}

const distanceOf = (camera) => Math.hypot(...camera.eye.map((v, i) => v - camera.target[i]));
function showDistance() { distanceSlider.value = distanceOf(lab.outside()); }

function markPixel(x, y) {
  markedAt = { x, y };
  call("lab_mark", x, y);
  pixelCache = null;
}

Object.assign(lab, {
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
});

outsideCanvas.addEventListener("mousedown", (event) => {
  if (event.button !== 0) return;
  const { x, y } = outsidePoint(event);
  holding = true;
  call("lab_outside_grab", x, y, event.shiftKey ? 1 : 0);
  event.preventDefault();
});

window.addEventListener("mousemove", (event) => {
  const { x, y } = outsidePoint(event);
  if (!holding) {
    if (event.target === outsideCanvas) outsideCanvas.style.cursor = call("lab_outside_handle", x, y) ? "move" : "grab";
  } else if (call("lab_outside_drag", x, y, event.shiftKey ? 1 : 0)) {
    pixelCache = null;
    refreshPanel(true);
  }
});

window.addEventListener("mouseup", () => {
  if (!holding) return;
  holding = false;
  call("lab_outside_release");
  refreshPanel();
});

// A view zoomed larger than its frame scrolls with the wheel; the slider still moves the camera.
outsideCanvas.addEventListener("wheel", (event) => {
  const frame = outsideCanvas.parentElement;
  if (frame.scrollHeight > frame.clientHeight || frame.scrollWidth > frame.clientWidth) return;
  event.preventDefault();
  call("lab_outside_distance", distanceOf(lab.outside()) * Math.pow(1.1, Math.sign(event.deltaY)));
  showDistance();
}, { passive: false });

distanceSlider.addEventListener("input", () => call("lab_outside_distance", Number(distanceSlider.value)));
