"use strict";
// The lab's program (the WebAssembly module) and lab, the page's interface
// to it (window.lab, with the other modules' parts: main.js). The program
// keeps the one scene state: a change is merged into it (the same JSON as
// the tools' --state files), a bad value is refused with a message naming
// the field, and the frame is drawn; the program's answer brings the new
// state back with it, which this module keeps (stateNow()) and the page
// shows.
import { noteChange } from "./history.js";
export const canvas = document.getElementById("scene");
const status = document.getElementById("status");
export let program = null;       // the WebAssembly module
export let controls = [];        // {refresh(state)} for every control
let pixelCache = null;           // the frame's pixels, read when first needed after a draw
export const afterClick = [];    // what runs after a pixel is clicked and explained

// What each of the program's functions returns.
const RETURNS = { lab_fields: "string", lab_set: "string", lab_state: "string", lab_reset: "string",
                  lab_explain: "string", lab_code: "string", lab_message: "string", lab_pixels: "number",
                  lab_key: "string", lab_spin_step: "string", lab_set_marks: null, lab_draw: null, lab_prepare: null,
                  lab_mark: null, lab_outside: "string", lab_set_outside: "string", lab_outside_distance: null, lab_outside_orbit: null,
                  lab_outside_handle: "number", lab_outside_grab: "number", lab_outside_drag: "string",
                  lab_outside_release: null, lab_changes: "string", lab_check_state: "string",
                  lab_light_pixels: "number", lab_set_light_count: "string" };

export function call(name, ...args) {
  const types = args.map((a) => (typeof a === "number" ? "number" : "string"));
  return program.ccall(name, RETURNS[name], types, args);
}

// The program's table of the state's fields (lab_fields: the reader's
// limits, the lights' and solids' names, every field's path, label, kind,
// parts, ranges, demo's value and choices, the lights each mode switches
// on), asked once.
let table = null;
export const fieldTable = () => (table ??= JSON.parse(call("lab_fields")));

// The state reader's limits ({bytes, depth}).
let limits = null;

// `value` written as JSON nests deeper ("depth") or is longer ("bytes") than
// the reader takes, or neither (""). Measured without recursion: on deep
// nesting or a cycle JSON.stringify would exhaust the stack. Each value,
// key and string character counts one byte, no more than its text takes.
function pastLimits(value) {
  const pending = [[value, 0]];
  let size = 0;
  while (pending.length > 0) {
    const [v, depth] = pending.pop();
    size += 1 + (typeof v === "string" ? v.length : 0);
    if (size > limits.bytes) return "bytes";
    if (v === null || typeof v !== "object") continue;
    if (depth === limits.depth) return "depth";
    for (const [key, child] of Object.entries(v)) {
      size += Array.isArray(v) ? 0 : key.length;
      pending.push([child, depth + 1]);
    }
  }
  return "";
}

// What lab_set reads of `partial`: a state file's text as it is, an object
// as JSON. Past a limit, only as much is handed over as the reader needs to
// refuse it in its own words: one character more than it takes (at least a
// byte more), or one level.
export function stateText(partial) {
  limits ??= fieldTable().limits;
  if (typeof partial === "string") return partial.slice(0, limits.bytes + 1);
  const past = pastLimits(partial);
  if (past === "depth") return "[".repeat(limits.depth + 1);
  return past === "bytes" ? " ".repeat(limits.bytes + 1) : JSON.stringify(partial);
}

// lab_set (or `reader`, another that reads a state: lab_check_state) with
// the text copied into the program's heap: ccall would copy a string onto
// the program's stack, which a long one would overflow.
export function setText(text, reader = "lab_set") {
  const bytes = program.lengthBytesUTF8(text);
  const at = program._malloc(bytes + 1);
  program.stringToUTF8(text, at, bytes + 1);
  try {
    return call(reader, at, bytes);
  } finally {
    program._free(at);
  }
}

// Whether the program draws: until it does (or when it cannot), what is
// not a control (keys on the page, a file dropped, the address) does nothing.
export const labReady = () => document.body.dataset.ready === "yes";

// A frame the program left at `at` in its heap, as lab_pixels gives it:
// {width, height, data}, a copy.
export function heapFrame(at) {
  const [width, height] = kept.state.size;
  return { width, height, data: new Uint8ClampedArray(program.HEAPU8.slice(at, at + width * height * 4)) };
}

// The state as the program has it: `state` (parsed), `text` (its JSON) and
// `changes` and `changesText`, its fields that differ from the demo's
// values. The other modules read it here, and change none of it: the
// program's answer to every change replaces it (took), so a change crosses
// into the program once and comes back once.
let kept = { state: null, text: "", changes: {}, changesText: "{}" };
export const stateNow = () => kept;

// The state the program starts with, asked once.
export function keepStartingState() {
  const text = call("lab_state");
  kept = { state: JSON.parse(text), text, changes: {}, changesText: "{}" };
}

// The program's answer to a change, {"state": S, "changes": C, "refused": R}
// (lab_main.cpp's answer(); "" when nothing changed): the state kept unless
// it was refused, with S's and C's texts as they stand (the answer is one
// parse, no text written again). The refusal, or "".
const STATE_AT = '{"state":'.length, CHANGES = ',"changes":', REFUSED = ',"refused":';
export function took(answer) {
  if (!answer) return "";
  const parsed = JSON.parse(answer);
  if (parsed.state !== null) {
    const at = answer.indexOf(CHANGES);
    kept = { state: parsed.state, text: answer.slice(STATE_AT, at), changes: parsed.changes,
             changesText: answer.slice(at + CHANGES.length, answer.lastIndexOf(REFUSED)) };
  }
  return parsed.refused;
}

// For the modules that start the program and that change the frame.
export function setProgram(module) { program = module; }
export function dropPixels() { pixelCache = null; }

export function say(text, refused) {
  status.textContent = text;
  status.className = refused ? "refused" : "";
}

export const lab = {
  // Merges `partial` (an object of state fields, or a state file's text)
  // into the state and draws it; resolves with the state once the frame is
  // drawn, rejects with an Error naming a refused value or the limit passed
  // (the state stays as it was).
  set(partial) {
    return new Promise((resolve, reject) => {
      if (partial === null || (typeof partial !== "object" && typeof partial !== "string") ||
          Array.isArray(partial)) {
        reject(new Error("set takes an object of state fields, or a state file's text"));
        return;
      }
      const refused = took(setText(stateText(partial)));
      pixelCache = null;
      refreshPanel();
      if (refused) {
        say(refused, true);
        reject(new Error(refused));
        return;
      }
      say("");
      resolve(lab.state());
    });
  },
  state() { return structuredClone(kept.state); },
  // The table of the state's fields the panel is made from (lab_fields).
  fields() { return structuredClone(fieldTable()); },
  // The explain tool's JSON for pixel (x, y), row 0 at the top.
  explain(x, y) {
    const result = JSON.parse(call("lab_explain", x, y));
    pixelCache = null;
    if (result.error) throw new Error(result.error);
    return result;
  },
  // The frame: {width, height, data}, RGBA bytes, row 0 at the top.
  pixels() {
    pixelCache ||= heapFrame(call("lab_pixels"));
    return pixelCache;
  },
  reset() {
    const problem = took(call("lab_reset"));
    pixelCache = null;
    refreshPanel();
    say(problem, Boolean(problem));
  },
  markLights(on) { call("lab_set_marks", on ? 1 : 0); pixelCache = null; document.getElementById("marks").checked = on; },
  code() { return JSON.parse(call("lab_code")); },
};

// Once changes stop, what a click on a pixel needs is made ready, so the
// click is answered at once; not between the frames of changes that follow
// each other (a drag, a script's change at every frame), whose time it would take.
const PREPARE_AFTER_MS = 200;
let preparing = 0;
export function prepareSoon() {
  clearTimeout(preparing);
  preparing = setTimeout(() => call("lab_prepare"), PREPARE_AFTER_MS);
}

// `spinning`: a step of the spin (or of a drag), with another to come at
// once. Each control is given the state it showed before too (null the
// first time), so a row refreshes only when its value changed.
let shown = null;
export function refreshPanel(spinning) {
  const state = kept.state, before = shown;
  shown = state;
  for (const control of controls) control.refresh(state, spinning, before);
  if (!spinning) {
    prepareSoon();
    noteChange();
  }
}
