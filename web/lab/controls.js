"use strict";
// The panel's rows. Each names the state field it changes by its path
// (["lights", 2, "spot_cutoff"]) and sets it through lab.set; its error line
// shows a refusal; refresh(state) shows the value the program has.
import { controls, lab, stateNow } from "./program.js";
const panel = document.getElementById("panel");

export function element(tag, attributes, ...children) {
  const e = document.createElement(tag);
  const { dataset = {}, ...rest } = attributes || {};
  Object.assign(e, rest);
  Object.assign(e.dataset, dataset);
  for (const child of children) e.append(child);
  return e;
}

// A patch that sets the value at `path` ("lights", 2, "spot_cutoff") and
// nothing else: lights before the one named are empty objects.
function patchFor(path, value) {
  let patch = value;
  for (let i = path.length - 1; i >= 0; --i) {
    const key = path[i];
    if (typeof key === "number") {
      const list = [];
      for (let j = 0; j < key; ++j) list.push({});
      list.push(patch);
      patch = list;
    } else {
      patch = { [key]: patch };
    }
  }
  return patch;
}

// The value at `path`, or `demo` where the state leaves the field out (it
// writes the fields the format gained later only when they are not the
// demo's values).
function valueAt(state, path, demo) {
  const value = path.reduce((object, key) => object?.[key], state);
  return value === undefined ? demo : value;
}

// Whether the field at `path` has the same value in `state` as in
// `before` (the state the row showed; null: none yet): a number, a word,
// a switch or a list of them, compared item by item.
function unchanged(state, before, path, demo) {
  if (!before) return false;
  const now = valueAt(state, path, demo), then = valueAt(before, path, demo);
  return Array.isArray(now) ? now.every((v, i) => v === then[i]) : now === then;
}

// Sets the field at `path`; the row's `error` line then says what was
// refused, or nothing; after a refusal the row shows again the value the
// state kept (`show`).
function setField(path, value, error, show) {
  lab.set(patchFor(path, value)).then(() => { error.textContent = ""; },
                                      (refusal) => {
                                        error.textContent = refusal.message;
                                        show(stateNow().state);
                                      });
}

// A colour's channel (0 to 1) as two hexadecimal digits, and back; the
// picker's 8 bits are kept to 3 decimals (51/255 is 0.2).
const hexOf = (v) => Math.round(255 * Math.min(Math.max(v, 0), 1)).toString(16).padStart(2, "0");
const fromHex = (hex, c) => Math.round(parseInt(hex.slice(1 + 2 * c, 3 + 2 * c), 16) / 0.255) / 1000;

// A value's angle as a slider from -180 to 180 shows it: the turn it makes.
const turnOf = (degrees) => degrees - 360 * Math.round(degrees / 360);

// A row that changes the field at `path` (its data-path, "lights.2.spot_cutoff"); `parts` are its numbers' names
// (one "" for a scalar), `values` each number's range as the table gives
// it: its slider's ends, its step, and the ends the reader takes (null: no
// end), with `also`, the one value it takes beyond them (a cut-off's 180).
// An RGBA colour of shares 0 to 1 gets a colour picker for its red, green
// and blue, and a slider for its alpha alone. `spoken` names what the row
// changes for a screen reader, the slider and the number of a part alike
// ("light 2 spot cut-off, degrees"): the row's group and its unit are not
// in its label. `angle`: any number of degrees is taken (a spin's angles
// are never wrapped), the slider shows the turn.
export function numberRow(parent, label, path, parts, values, { spoken = label, unit = "", angle = false } = {}) {
  const error = element("span", { className: "error" });
  const colour = parts.length === 4 && values.every((v) => v.min === 0 && v.max === 1);
  const row = element("div", { className: parts.length > 1 && !colour ? "row vector" : "row", dataset: { path: path.join(".") } },
                      element("span", { className: "name", textContent: label }));
  const list = element("span", { className: "parts" });
  row.append(list);
  const inputs = [];
  const picker = colour ? element("input", { type: "color" }) : null;
  const demo = parts.length > 1 ? values.map((v) => v.demo) : values[0].demo;
  const current = () => valueAt(stateNow().state, path, demo).slice();
  const show = (state) => {
    const value = valueAt(state, path, demo);
    const shown = parts.length > 1 ? value : [value];
    inputs.forEach(({ slider, number }, i) => {
      if (document.activeElement !== number) number.value = shown[i];
      if (slider) slider.value = angle ? turnOf(shown[i]) : shown[i];
    });
    if (picker) picker.value = `#${shown.slice(0, 3).map(hexOf).join("")}`;
  };
  if (picker) {
    picker.setAttribute("aria-label", `${spoken}: red, green and blue`);
    picker.addEventListener("input", () => {
      const next = current();
      for (let c = 0; c < 3; ++c) next[c] = fromHex(picker.value, c);
      setField(path, next, error, show);
    });
    list.append(picker);
  }
  parts.forEach((part, i) => {
    const { min, max, also, slider: [least, most], step } = values[i];
    const slider = picker && i < 3 ? null : element("input", { type: "range", min: least, max: most, step });
    const number = element("input", { type: "number", step: angle ? "any" : step });
    if (min !== null) number.min = min;
    if ((also ?? max) !== null) number.max = also ?? max;
    const name = `${spoken}${part ? ` ${part}` : ""}${unit ? `, ${unit}` : ""}`;
    for (const input of [slider, number]) input?.setAttribute("aria-label", name);
    const apply = (source) => {
      const value = source.value.trim() === "" ? NaN : Number(source.value);
      let next = value;
      if (parts.length > 1) {
        next = current();
        next[i] = value;
      }
      setField(path, next, error, show);
    };
    if (slider) slider.addEventListener("input", () => apply(slider));
    number.addEventListener("change", () => apply(number));
    inputs.push({ slider, number });
    list.append(element("span", { className: slider ? "part slides" : "part" },
                        part ? element("span", { textContent: part, ariaHidden: "true" }) : "", slider || "", number));
  });
  row.append(error);
  parent.append(row);
  controls.push({ refresh(state, spinning, before) { if (!unchanged(state, before, path, demo)) show(state); } });
}

// A row of a few choices: `options` are [value, text]; `demo` the value
// where the state leaves the field out.
export function choiceRow(parent, label, path, options, demo, spoken = label) {
  const error = element("span", { className: "error" });
  const select = element("select");
  select.setAttribute("aria-label", spoken);
  options.forEach(([, text], i) => select.append(element("option", { value: String(i), textContent: text })));
  const show = (state) => { select.value = String(options.findIndex(([value]) => value === valueAt(state, path, demo))); };
  select.addEventListener("change", () => setField(path, options[select.selectedIndex][0], error, show));
  parent.append(element("div", { className: "row", dataset: { path: path.join(".") } },
                        element("span", { className: "name", textContent: label }), select, error));
  controls.push({ refresh(state, spinning, before) { if (!unchanged(state, before, path, demo)) show(state); } });
}

export function switchRow(parent, label, path, demo, spoken = label) {
  const error = element("span", { className: "error" });
  const box = element("input", { type: "checkbox" });
  box.setAttribute("aria-label", spoken);
  const show = (state) => { box.checked = valueAt(state, path, demo); };
  box.addEventListener("change", () => setField(path, box.checked, error, show));
  parent.append(element("div", { className: "row", dataset: { path: path.join(".") } },
                        element("label", {}, box, " " + label), error));
  controls.push({ refresh(state, spinning, before) { if (!unchanged(state, before, path, demo)) show(state); } });
}

// A group of rows that folds away: `open` says whether it starts unfolded;
// `parent` is the panel, or the group it belongs to.
export function group(title, open = false, parent = panel) {
  const set = element("details", { className: "group", open }, element("summary", { textContent: title }));
  parent.append(set);
  return set;
}
