"use strict";
// The panel's rows. Each names the state field it changes by its path
// (["lights", 2, "spot_cutoff"]) and sets it through lab.set; its error line
// shows a refusal; refresh(state) shows the value the program has.
import { controls, lab, stateNow } from "./program.js";
const panel = document.getElementById("panel");

export function element(tag, attributes, ...children) {
  const e = document.createElement(tag);
  Object.assign(e, attributes || {});
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

function valueAt(state, path) {
  return path.reduce((object, key) => object[key], state);
}

// Sets the field at `path`; the row's `error` line then says what was refused, or nothing.
function setField(path, value, error) {
  lab.set(patchFor(path, value)).then(() => { error.textContent = ""; },
                                      (refusal) => { error.textContent = refusal.message; });
}

// A colour's channel (0 to 1) as two hexadecimal digits, and back; the
// picker's 8 bits are kept to 3 decimals (51/255 is 0.2).
const hexOf = (v) => Math.round(255 * Math.min(Math.max(v, 0), 1)).toString(16).padStart(2, "0");
const fromHex = (hex, c) => Math.round(parseInt(hex.slice(1 + 2 * c, 3 + 2 * c), 16) / 0.255) / 1000;

// A value's angle as a slider from -180 to 180 shows it: the turn it makes.
const turnOf = (degrees) => degrees - 360 * Math.round(degrees / 360);

// A row that changes the field at `path`; `parts` are its numbers (one for
// a scalar, 3 or 4 for a vector). An RGBA colour gets a colour picker for
// its red, green and blue, and a slider for its alpha alone. `spoken`
// names what the row changes for a screen reader, the slider and the
// number of a part alike ("light 2 spot cut-off, degrees"): the row's
// group and its unit are not in its label. `angle`: any number of degrees
// is taken (a spin's angles are never wrapped), the slider shows the turn.
export function numberRow(parent, label, path, parts, min, max, step, { spoken = label, unit = "", angle = false } = {}) {
  const error = element("span", { className: "error" });
  const allSlide = parts.length > 1 && !(parts.length === 4 && min === 0 && max === 1);
  const row = element("div", { className: allSlide ? "row vector" : "row" },
                      element("span", { className: "name", textContent: label }));
  const list = element("span", { className: "parts" });
  row.append(list);
  const inputs = [];
  const picker = parts.length === 4 && min === 0 && max === 1 ? element("input", { type: "color" }) : null;
  const current = () => valueAt(stateNow().state, path).slice();
  if (picker) {
    picker.setAttribute("aria-label", `${spoken}: red, green and blue`);
    picker.addEventListener("input", () => {
      const next = current();
      for (let c = 0; c < 3; ++c) next[c] = fromHex(picker.value, c);
      setField(path, next, error);
    });
    list.append(picker);
  }
  parts.forEach((part, i) => {
    const slider = picker && i < 3 ? null : element("input", { type: "range", min, max, step });
    const number = element("input", angle ? { type: "number", step: "any" } : { type: "number", min, max, step });
    const name = `${spoken}${part ? ` ${part}` : ""}${unit ? `, ${unit}` : ""}`;
    for (const input of [slider, number]) input?.setAttribute("aria-label", name);
    const apply = (source) => {
      const value = source.value.trim() === "" ? NaN : Number(source.value);
      let next = value;
      if (parts.length > 1) {
        next = current();
        next[i] = value;
      }
      setField(path, next, error);
    };
    if (slider) slider.addEventListener("input", () => apply(slider));
    number.addEventListener("change", () => apply(number));
    inputs.push({ slider, number });
    list.append(element("span", { className: slider ? "part slides" : "part" },
                        part ? element("span", { textContent: part, ariaHidden: "true" }) : "", slider || "", number));
  });
  row.append(error);
  parent.append(row);
  controls.push({
    refresh(state) {
      const value = valueAt(state, path);
      const values = parts.length > 1 ? value : [value];
      inputs.forEach(({ slider, number }, i) => {
        if (document.activeElement !== number) number.value = values[i];
        if (slider) slider.value = angle ? turnOf(values[i]) : values[i];
      });
      if (picker) picker.value = `#${values.slice(0, 3).map(hexOf).join("")}`;
    },
  });
}

export function choiceRow(parent, label, path, options, spoken = label) {
  const error = element("span", { className: "error" });
  const select = element("select");
  select.setAttribute("aria-label", spoken);
  for (const [value, text] of options) select.append(element("option", { value: JSON.stringify(value), textContent: text }));
  select.addEventListener("change", () => setField(path, JSON.parse(select.value), error));
  parent.append(element("div", { className: "row" },
                        element("span", { className: "name", textContent: label }), select, error));
  controls.push({ refresh(state) { select.value = JSON.stringify(valueAt(state, path)); } });
}

export function switchRow(parent, label, path, spoken = label) {
  const error = element("span", { className: "error" });
  const box = element("input", { type: "checkbox" });
  box.setAttribute("aria-label", spoken);
  box.addEventListener("change", () => setField(path, box.checked, error));
  parent.append(element("div", { className: "row" }, element("label", {}, box, " " + label), error));
  controls.push({ refresh(state) { box.checked = valueAt(state, path); } });
}

// A group of rows that folds away: `open` says whether it starts unfolded;
// `parent` is the panel, or the group it belongs to.
export function group(title, open = false, parent = panel) {
  const set = element("details", { className: "group", open }, element("summary", { textContent: title }));
  parent.append(set);
  return set;
}
