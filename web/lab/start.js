"use strict";
// The start: the program, then the panel once it draws; or what is missing
// when it cannot.
createMaterialsLightsLab({ canvas, print: (line) => console.log(line), printErr: (line) => console.warn(line) })
  .then((module) => {
    program = module;
    const started = program.ccall("lab_start", "number", [], []);
    if (started === 1) {
      canvas.hidden = outsideCanvas.hidden = true;
      say("This browser gives the page no WebGL, which the lab needs to draw. Turn on WebGL " +
          "(or hardware acceleration) and reload the page.", true);
      return;
    }
    if (started === 2) {
      canvas.hidden = true;
      say(`The lighting shader failed: ${call("lab_message")}`, true);
      return;
    }
    buildStateGroups();
    buildFileGroups();
    buildCodeGroup();
    buildLessonMenu();
    openAddress(true);
    showDistance();
    canvas.focus();
    document.body.dataset.ready = "yes";
  }, (error) => say(`This browser cannot run the lab: ${error}`, true));
