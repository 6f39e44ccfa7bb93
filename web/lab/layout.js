"use strict";
// The two views' zoom: x1, x2 or x3, drawn pixelated, so one pixel of the
// frame is a square a learner can find and click. A zoomed view scrolls
// inside its frame; zooming keeps the clicked pixel (or else the pixel at
// the frame's middle) where it was. Each view's three buttons are one stop
// of the Tab key, the one pressed; the arrows go from one to the next.
import { controls } from "./program.js";
import { element } from "./controls.js";
const ZOOM_STEPS = [1, 2, 3];
const zoomViews = {};  // id: {canvas, frame, zoom, buttons, focus}

function sizeView(view) {
  view.canvas.style.width = `${view.zoom * view.canvas.width}px`;
  view.canvas.style.height = `${view.zoom * view.canvas.height}px`;
}

// `at`: the frame's pixel to put in the middle, else the one there now.
function zoomView(id, zoom, at) {
  const view = zoomViews[id];
  const { frame } = view;
  const middle = at || { x: (frame.scrollLeft + frame.clientWidth / 2) / view.zoom,
                         y: (frame.scrollTop + frame.clientHeight / 2) / view.zoom };
  view.zoom = zoom;
  sizeView(view);
  frame.scrollLeft = middle.x * zoom - frame.clientWidth / 2;
  frame.scrollTop = middle.y * zoom - frame.clientHeight / 2;
  view.buttons.forEach((button, i) => {
    button.setAttribute("aria-pressed", String(ZOOM_STEPS[i] === zoom));
    button.tabIndex = ZOOM_STEPS[i] === zoom ? 0 : -1;
  });
}

for (const group of document.querySelectorAll(".zoom")) {
  const id = group.dataset.view;
  const canvas = document.getElementById(id);
  const view = { canvas, frame: canvas.parentElement, zoom: 1, focus: null, buttons: [] };
  zoomViews[id] = view;
  for (const zoom of ZOOM_STEPS) {
    const button = element("button", { type: "button", textContent: `\u00d7${zoom}` });
    button.setAttribute("aria-label", `zoom \u00d7${zoom}`);
    button.addEventListener("click", () => zoomView(id, zoom, view.focus));
    view.buttons.push(button);
    group.append(button);
  }
  group.addEventListener("keydown", (event) => {
    const at = view.buttons.indexOf(document.activeElement);
    const to = { ArrowLeft: at - 1, ArrowUp: at - 1, ArrowRight: at + 1, ArrowDown: at + 1, Home: 0,
                 End: view.buttons.length - 1 }[event.key];
    if (at < 0 || to === undefined) return;
    event.preventDefault();
    view.buttons[(to + view.buttons.length) % view.buttons.length].focus();
  });
  zoomView(id, 1);
  // The pixel clicked is the one to keep in sight.
  canvas.addEventListener("click", (event) => {
    const box = canvas.getBoundingClientRect();
    view.focus = { x: (event.clientX - box.left) / view.zoom, y: (event.clientY - box.top) / view.zoom };
  });
}

// The program sizes the scene's canvas to the frame: its zoomed size
// follows, when the frame's size changed.
controls.push({
  refresh(state, spinning, before) {
    if (before && before.size[0] === state.size[0] && before.size[1] === state.size[1]) return;
    for (const view of Object.values(zoomViews)) sizeView(view);
  },
});
