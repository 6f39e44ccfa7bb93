"use strict";
// The panel's groups of the scene state, one row for every field of the
// program's table of fields (lab_fields, asked once): the view, the
// lights, the material, the light model, the tessellation and shading.
// Each row's values, ranges, steps and choices are the table's, so the
// panel offers what the reader takes. Each group folds away; the view and
// the presets start unfolded, the others show their titles, so the first
// screen is short. Each control is named for a screen reader with its
// light or group and its unit.
import { call, controls, dropPixels, fieldTable, lab, refreshPanel, say, stateNow, took } from "./program.js";
import { choiceRow, element, group, numberRow, switchRow } from "./controls.js";

// The words the page uses for a field, where the table's label is not what
// the row shows: `shown` beside the row, `spoken` (else `shown`) for a
// screen reader after the light's or the material's name, then the part's
// name and the unit; `parts` shorter than the table's; `said`, how a
// lesson's message names it ("light 2's on switch"), else `spoken`. Keyed
// by the field's path with a light's number as [] and a solid's name as *.
const WORDS = {
  viewpoint: { shown: "viewpoint" },
  mode: { shown: "lighting mode" },
  angles: { shown: "angles (degrees)", spoken: "angle", said: "angles", unit: "degrees", angle: true },
  size: { shown: "frame size", unit: "pixels", parts: ["w", "h"] },
  "lights[].on": { shown: "on", said: "on switch" },
  "lights[].spot_cutoff": { shown: "spot cut-off (0-90, 180)", spoken: "spot cut-off", unit: "degrees" },
  "lights[].attenuation": { shown: "attenuation", parts: ["k0", "k1", "k2"] },
  "material.diffuse.*": { shown: "diffuse, *" },
  global_ambient: { shown: "global ambient" },
  local_viewer: { shown: "local viewer (else at infinity)", said: "local viewer" },
  "tessellation.cube": { shown: "cube faces, N x N", said: "cube faces (N x N)" },
};
for (const name of ["position", "ambient", "diffuse", "specular", "spot_direction", "spot_exponent"]) {
  WORDS[`lights[].${name}`] = { shown: name.replace("_", " ") };
}
for (const name of ["ambient", "specular", "emission", "shininess"]) {
  WORDS[`material.${name}`] = WORDS[`material.back.${name}`] = { shown: name };
}
WORDS["material.back.diffuse"] = { shown: "diffuse" };
for (const solid of ["sphere", "cone", "cylinder"]) WORDS[`tessellation.${solid}`] = { shown: solid, spoken: `${solid}'s` };

// What names the field's group before its words: its light, the material.
const OWNERS = { lights: (keys) => `light ${keys[1]} `, material: (keys) => (keys[1] === "back" ? "back material " : "material ") };

// A field's keys (["lights", 2, "spot_cutoff"]) as WORDS keys them.
const wordsKey = (keys) => keys.reduce((key, k) => (typeof k === "number" ? `${key}[]`
  : key ? `${key}.${keys[1] === "diffuse" && keys.length === 3 && k === keys[2] ? "*" : k}` : k), "");

// The words for the field at `keys` (its entry in the table, `field`): the
// row's name, its spoken name, unit and parts, and how a lesson says it.
export function fieldWords(keys, field) {
  const words = WORDS[wordsKey(keys)];
  const solid = keys[1] === "diffuse" && keys.length === 3 ? keys[2] : "";
  const owner = OWNERS[keys[0]]?.(keys) ?? "";
  const shown = words ? words.shown.replace("*", solid) : field.label.slice(owner.length);
  const spoken = words?.spoken ?? shown;
  return { shown, spoken: owner + spoken, unit: words?.unit ?? "", angle: Boolean(words?.angle),
           parts: words?.parts ?? field.parts ?? [""], said: words?.said ?? spoken };
}

// The groups the fields are shown in, by the field's first key (the
// material's back by its second); the light model's when none is named.
const GROUPS = { viewpoint: "View", mode: "View", angles: "View", size: "View", lights: "Lights",
                 material: "Material (front faces, shared by the solids)",
                 back: "Back material (the back faces, with two-sided lighting)",
                 tessellation: "Tessellation and shading", shading: "Tessellation and shading",
                 highlight: "Tessellation and shading" };
const OPEN = ["View", "Lights"];

export function buildStateGroups() {
  const table = fieldTable(), groups = {};
  const groupOf = (keys) => {
    const title = GROUPS[keys[1] === "back" ? "back" : keys[0]] ?? "Light model";
    groups[title] ??= group(title, OPEN.includes(title));
    if (keys[0] !== "lights") return groups[title];
    const i = keys[1], light = `light ${i}`;
    groups[light] ??= group(`Light ${i} (GL_LIGHT${i}${i < table.least_lights ? `; the demo's ${table.lights[i]}` : ""})`,
                            false, groups[title]);
    return groups[light];
  };
  for (const field of table.fields) {
    const parent = groupOf(field.path), words = fieldWords(field.path, field);
    if (field.kind === "switch") {
      switchRow(parent, words.shown, field.path, field.values[0].demo, words.spoken);
    } else if (field.choices) {
      const options = field.choices.map(({ value, name }) => [value, field.kind === "word" ? name : `${value} ${name}`]);
      choiceRow(parent, words.shown, field.path, options, field.values[0].demo, words.spoken);
    } else {
      numberRow(parent, words.shown, field.path, words.parts, field.values, words);
    }
  }
  lightButtons(groups.Lights, [...Array(table.most_lights).keys()].map((i) => groups[`light ${i}`]), table);
}

// Below the lights' groups, a light added after the last and the last taken
// away, from the demo's three to the eight a state may have: the groups of
// the lights the state has are shown, the others hidden (the lighting modes
// switch the first three).
function lightButtons(parent, lightGroups, { least_lights: least, most_lights: most }) {
  const add = element("button", { type: "button", textContent: "Add a light" });
  const remove = element("button", { type: "button", textContent: "Remove the last light" });
  const count = (n) => {
    took(call("lab_set_light_count", n));
    dropPixels();
    refreshPanel();
  };
  add.addEventListener("click", () => count(stateNow().state.lights.length + 1));
  remove.addEventListener("click", () => count(stateNow().state.lights.length - 1));
  parent.append(element("div", { className: "row" }, add, " ", remove));
  controls.push({
    refresh(state) {
      // Written only when they differ: an attribute set to its own value is
      // still a change of the page, at every change of the state.
      const n = state.lights.length;
      const set = (e, name, value) => { if (e[name] !== value) e[name] = value; };
      lightGroups.forEach((light, i) => set(light, "hidden", i >= n));
      set(add, "disabled", n >= most);
      set(remove, "disabled", n <= least);
    },
  });
}

// The reset button and the marks' box above the groups (the spin's box is
// with the keys: Enter switches it too).
document.getElementById("reset").addEventListener("click", () => { lab.reset(); say("The demo's values."); });
document.getElementById("marks").addEventListener("change", (event) => lab.markLights(event.target.checked));
