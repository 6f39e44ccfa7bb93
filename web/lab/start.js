"use strict";
// The start: the program, then the panel once its first frame shows; or what is missing
// when it cannot. Till it draws, the page's controls are disabled, and they
// stay so when it cannot: without the program they have nothing to act on.
import { call, canvas, keepStartingState, program, say, setProgram } from "./program.js";
import { buildStateGroups } from "./panel.js";
import { buildFileGroups } from "./files.js";
import { buildCodeGroup } from "./code.js";
import { showDistance } from "./outside.js";
import { buildLessonMenu } from "./lessons.js";
import { openAddress } from "./links.js";
const waiting = [...document.querySelectorAll("button, input, select, textarea")].filter((c) => !c.disabled);
for (const control of waiting) control.disabled = true;
document.querySelector(".views").inert = true;
createMaterialsLightsLab({ canvas, print: (line) => console.log(line), printErr: (line) => console.warn(line) })
  .then((module) => {
    setProgram(module);
    const started = program.ccall("lab_start", "number", [], []);
    if (started !== 0) {
      document.querySelector(".views").hidden = true;
      document.getElementById("explanation").hidden = true;
    }
    if (started === 1) {
      say("This browser gives the page no WebGL, which the lab needs to draw. Turn on WebGL " +
          "(or hardware acceleration) and reload the page.", true);
      return;
    }
    if (started === 2) {
      say(`The lighting shader failed: ${call("lab_message")}`, true);
      return;
    }
    keepStartingState();
    // The first frame is on screen before the panel is built: built in a
    // task after that frame's, not in the task that drew it. A page opened
    // at an address shows its state first, so there it is built at once, as
    // it is in a hidden tab, which draws no frames.
    if (location.hash || document.hidden) buildPanel();
    else requestAnimationFrame(() => setTimeout(buildPanel, 0));
  }, (error) => say(`This browser cannot run the lab: ${error}`, true));

function buildPanel() {
  for (const control of waiting) control.disabled = false;
  document.querySelector(".views").inert = false;
  buildStateGroups();
  buildFileGroups();
  buildCodeGroup();
  buildLessonMenu();
  openAddress(true);
  showDistance();
  document.body.dataset.ready = "yes";
}
