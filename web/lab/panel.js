"use strict";
// The panel's groups of the scene state, one row for every field: the view,
// the lights, the material, the light model, the tessellation and shading.
// Each folds away; the view and the presets start unfolded, the others
// show their titles, so the first screen is short. Each control is named
// for a screen reader with its light or group and its unit.
import { lab, say } from "./program.js";
import { choiceRow, group, numberRow, switchRow } from "./controls.js";
const SOLIDS = ["cube", "sphere", "cone", "cylinder"];
const LIGHT_NAMES = ["white point light", "cyan directional light", "yellow spotlight"];
const RGBA = ["r", "g", "b", "a"];

export function buildStateGroups() {
  const view = group("View", true);
  choiceRow(view, "viewpoint", ["viewpoint"], [[0, "0 front, eye (0, 0, 10)"], [1, "1 side, eye (10, 0, 10)"],
                                               [2, "2 above, eye (10, 10, 10)"]]);
  choiceRow(view, "lighting mode", ["mode"], [[0, "0 white point light"], [1, "1 cyan directional light"],
                                              [2, "2 yellow spotlight"], [3, "3 all three lights"]]);
  numberRow(view, "angles (degrees)", ["angles"], ["x", "y", "z"], -180, 180, 1,
            { spoken: "angle", unit: "degrees", angle: true });
  numberRow(view, "frame size", ["size"], ["w", "h"], 1, 1024, 1, { spoken: "frame size", unit: "pixels" });

  const lights = group("Lights", true);
  for (let i = 0; i < 3; ++i) {
    const light = group(`Light ${i} (GL_LIGHT${i}; the demo's ${LIGHT_NAMES[i]})`, false, lights);
    const named = (what, unit) => ({ spoken: `light ${i} ${what}`, unit });
    switchRow(light, "on", ["lights", i, "on"], `light ${i} on`);
    numberRow(light, "position", ["lights", i, "position"], ["x", "y", "z", "w"], -20, 20, 0.1, named("position"));
    numberRow(light, "ambient", ["lights", i, "ambient"], RGBA, 0, 1, 0.01, named("ambient"));
    numberRow(light, "diffuse", ["lights", i, "diffuse"], RGBA, 0, 1, 0.01, named("diffuse"));
    numberRow(light, "specular", ["lights", i, "specular"], RGBA, 0, 1, 0.01, named("specular"));
    numberRow(light, "spot direction", ["lights", i, "spot_direction"], ["x", "y", "z"], -1, 1, 0.01,
              named("spot direction"));
    numberRow(light, "spot cut-off (0-90, 180)", ["lights", i, "spot_cutoff"], [""], 0, 180, 0.01,
              named("spot cut-off", "degrees"));
    numberRow(light, "spot exponent", ["lights", i, "spot_exponent"], [""], 0, 128, 0.1, named("spot exponent"));
    numberRow(light, "attenuation", ["lights", i, "attenuation"], ["k0", "k1", "k2"], 0, 2, 0.01,
              named("attenuation"));
  }

  const material = group("Material (front faces, shared by the solids)");
  const ofMaterial = (what) => ({ spoken: `material ${what}` });
  numberRow(material, "ambient", ["material", "ambient"], RGBA, 0, 1, 0.01, ofMaterial("ambient"));
  for (const solid of SOLIDS) {
    numberRow(material, `diffuse, ${solid}`, ["material", "diffuse", solid], RGBA, 0, 1, 0.01,
              ofMaterial(`diffuse, ${solid}`));
  }
  numberRow(material, "specular", ["material", "specular"], RGBA, 0, 1, 0.01, ofMaterial("specular"));
  numberRow(material, "emission", ["material", "emission"], RGBA, 0, 1, 0.01, ofMaterial("emission"));
  numberRow(material, "shininess", ["material", "shininess"], [""], 0, 128, 0.5, ofMaterial("shininess"));

  const model = group("Light model");
  numberRow(model, "global ambient", ["global_ambient"], RGBA, 0, 1, 0.01);
  switchRow(model, "local viewer (else at infinity)", ["local_viewer"]);
  switchRow(model, "two-sided lighting", ["two_sided"]);

  const cut = group("Tessellation and shading");
  numberRow(cut, "cube faces, N x N", ["tessellation", "cube"], [""], 1, 64, 1);
  for (const solid of ["sphere", "cone", "cylinder"]) {
    numberRow(cut, `${solid}`, ["tessellation", solid], ["slices", "stacks"], 2, 239, 1,
              { spoken: `${solid}'s` });
  }
  choiceRow(cut, "shading", ["shading"], [["vertex", "per vertex, blended (GL's Gouraud shading)"],
                                          ["pixel", "per pixel (the same equation for every fragment)"]]);
}

// The reset button and the marks' box above the groups (the spin's box is
// with the keys: Enter switches it too).
document.getElementById("reset").addEventListener("click", () => { lab.reset(); say("The demo's values."); });
document.getElementById("marks").addEventListener("change", (event) => lab.markLights(event.target.checked));
