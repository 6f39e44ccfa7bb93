"use strict";
// The picture: the pixel under the pointer and its colour, and a click's
// explanation of why the pixel has it: its terms as a chart (terms.js),
// then the explain tool's text and JSON; the pixel then marked in both
// views.
function pixelUnder(event) {
  const box = canvas.getBoundingClientRect();
  return { x: Math.floor((event.clientX - box.left) * canvas.width / box.width),
           y: Math.floor((event.clientY - box.top) * canvas.height / box.height) };
}

canvas.addEventListener("mousemove", (event) => {
  const { x, y } = pixelUnder(event);
  const frame = lab.pixels();
  if (x < 0 || y < 0 || x >= frame.width || y >= frame.height) return;
  const at = 4 * (y * frame.width + x);
  document.getElementById("hover").textContent =
    `pixel (${x}, ${y}): ${frame.data[at]} ${frame.data[at + 1]} ${frame.data[at + 2]}`;
});

canvas.addEventListener("click", (event) => {
  canvas.focus({ preventScroll: true });  // a zoomed view stays where it was scrolled
  const { x, y } = pixelUnder(event);
  try {
    const explained = lab.explain(x, y);
    showTerms(explained);
    document.getElementById("explain-text").textContent = explained.text;
    const json = Object.assign({}, explained);
    delete json.text;
    document.getElementById("explain-json").textContent = JSON.stringify(json, null, 2);
    markPixel(x, y);
  } catch (error) {
    say(error.message, true);
  }
});
