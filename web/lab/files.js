"use strict";
// The state from and to files: the presets (presets.json, inlined in the
// page as PRESETS), and the state as the text of the tools' --state FILE,
// exported and imported.
import { call, dropPixels, lab, refreshPanel, say, setText, stateNow, stateText, took } from "./program.js";
import { element, group } from "./controls.js";

// A state file's text or a preset: the demo's values, then its fields,
// checked first, so that a refused one changes nothing (and the lesson's
// check never sees the demo's values in between).
function loadState(state, done) {
  const refused = setText(stateText(state), "lab_check_state");
  if (refused) {
    say(refused, true);
    return;
  }
  const before = stateNow().text;
  took(call("lab_reset"));
  lab.set(state).then(() => say(done), (refusal) => {
    took(setText(before));
    dropPixels();
    refreshPanel();
    say(refusal.message, true);
  });
}

export function buildFileGroups() {
  const presets = group("Presets", true);
  for (const preset of PRESETS) {
    const button = element("button", { type: "button", textContent: preset.name });
    button.addEventListener("click", () => loadState(preset.state, `Preset: ${preset.name}.`));
    presets.append(element("div", { className: "preset" }, button, element("p", { textContent: preset.text })));
  }

  const file = group("The state as a file (the tools' --state FILE)");
  const text = element("textarea", { spellcheck: false });
  text.setAttribute("aria-label", "The state as a state file's text");
  const exportButton = element("button", { type: "button", textContent: "Export" });
  const importButton = element("button", { type: "button", textContent: "Import" });
  const download = element("a", { textContent: "download it", hidden: true });
  exportButton.addEventListener("click", () => {
    text.value = JSON.stringify(stateNow().state, null, 2);
    download.href = URL.createObjectURL(new Blob([text.value + "\n"], { type: "application/json" }));
    download.download = "lab-state.json";
    download.hidden = false;
  });
  // The text goes to the program's reader as it is, which holds it to the
  // limits and refuses a field given twice (JSON.parse takes the last).
  importButton.addEventListener("click", () => loadState(text.value, "Imported."));
  file.append(element("p", {}, "A field left out keeps the demo's value."), text,
              element("div", { className: "row" }, exportButton, importButton, download));
}
