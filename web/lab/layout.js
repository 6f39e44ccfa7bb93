"use strict";
// The two views' zoom: x1, x2 or x3, drawn pixelated, so one pixel of the
// frame is a square a learner can find and click. A zoomed view scrolls
// inside its frame; zooming keeps the clicked pixel (or else the pixel at
// the frame's middle) where it was.
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
  view.buttons.forEach((button, i) => button.setAttribute("aria-pressed", String(ZOOM_STEPS[i] === zoom)));
}

for (const group of document.querySelectorAll(".zoom")) {
  const id = group.dataset.view;
  const canvas = document.getElementById(id);
  const view = { canvas, frame: canvas.parentElement, zoom: 1, focus: null, buttons: [] };
  zoomViews[id] = view;
  for (const zoom of ZOOM_STEPS) {
    const button = element("button", { type: "button", textContent: `\u00d7${zoom}`, title: `zoom \u00d7${zoom}` });
    button.addEventListener("click", () => zoomView(id, zoom, view.focus));
    view.buttons.push(button);
    group.append(button);
  }
  zoomView(id, 1);
  // The pixel clicked is the one to keep in sight.
  canvas.addEventListener("click", (event) => {
    const box = canvas.getBoundingClientRect();
    view.focus = { x: (event.clientX - box.left) / view.zoom, y: (event.clientY - box.top) / view.zoom };
  });
}

// The program sizes the scene's canvas to the frame: its zoomed size follows.
controls.push({ refresh() { for (const view of Object.values(zoomViews)) sizeView(view); } });
