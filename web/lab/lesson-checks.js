"use strict";
// A lesson's file read and its tasks' checks decided. A lesson is
// {title, steps: [{state, text, question, task: {do, check, found, pixel}, hold}]};
// a check is one object of one kind:
//   {"state":   {"path": "material.shininess", "between": [2, 10]}}
//   {"clicked": {"solid": "cube", "part": "face z = 1", "lit_by": 2,
//                "path": "lights[2].spot.factor", "at_most": 0.5}}
//   {"pixels":  {"box": [x0, y0, x1, y1], "min": [r, g, b], "max": [r, g, b], "at_least": 200}}
//   {"light":   {"light": 2, "term": "diffuse", "box": [...], "min": [...], "at_least": 200}}
//   {"changed": {"at_least": 1}}                      (against A, which "hold" keeps)
//   {"only":    ["lights[2].spot_cutoff"]}            (what may differ from the step's state)
//   {"all": [checks]}, {"any": [checks]}
// decided from the state (every field: wholeLabState()), the step's state, lab.explain() of the marked
// pixel, lab.pixels(), the frame of one light's terms alone and
// lab.compare(). A test of a value is one or more of equals, between,
// at_least and at_most. "missing" on a check is what the page says while it
// fails, in the task's own words.
import { call, fieldTable, heapFrame, lab, setText, stateText } from "./program.js";
import { fieldWords } from "./panel.js";
import { LESSON_COSTS, conditionCost, lessonMeter } from "./lesson-limits.js";
// What a clicked pixel may show, and the lights a check may name: the program's.
const solidNames = () => [...fieldTable().solids, "nothing"];
const lastLight = () => fieldTable().least_lights - 1;
const TESTS = ["equals", "between", "at_least", "at_most"];
const TERMS = ["ambient", "diffuse", "specular"];
const LESSON_FIELDS = { lesson: ["title", "steps"], step: ["state", "text", "question", "task", "hold"],
                        task: ["do", "check", "found", "pixel"] };

// "lights[2].spot_cutoff" as its keys, ["lights", 2, "spot_cutoff"], or null.
function pathKeys(path) {
  if (typeof path !== "string" || !/^[a-z_]+(\[\d+\])*(\.[a-z_]+(\[\d+\])*)*$/.test(path)) return null;
  return path.split(/\.|(?=\[)/).map((key) => (key[0] === "[" ? Number(key.slice(1, -1)) : key));
}
// A field of its own only: "__proto__" or "lights.length" name none.
const hasField = (value, key) => (Array.isArray(value) ? typeof key === "number" && key < value.length
  : value !== null && typeof value === "object" && typeof key === "string" && Object.hasOwn(value, key));
const valueAtPath = (object, keys) => keys.reduce((value, key) => (hasField(value, key) ? value[key] : undefined), object);

// A state with every field. The program writes the fields of the rest of
// GL's lighting (the highlight, the separate specular colour, the back
// material) only where they differ from the demo's values, so that older
// states are written as they were; a check names, reads and compares them
// all the same, so those left out are filled in with the demo's values from
// the program's table of fields. A light's fields are always written.
let demoFields = null;
function wholeState(state) {
  demoFields ||= fieldTable().fields.filter((f) => f.path[0] !== "lights");
  for (const field of demoFields) {
    if (valueAtPath(state, field.path) !== undefined) continue;
    const object = field.path.slice(0, -1).reduce((at, key) => (at[key] ??= {}), state);
    object[field.path.at(-1)] = field.parts ? field.values.map((v) => v.demo) : field.values[0].demo;
  }
  return state;
}
const wholeLabState = () => wholeState(lab.state());

const isNumber = (v) => typeof v === "number" && Number.isFinite(v);
const sameValue = (a, b) => JSON.stringify(a) === JSON.stringify(b);
const shownValue = (v, decimals = 4) => (isNumber(v) ? String(+v.toFixed(decimals))
  : Array.isArray(v) ? `(${v.map((x) => shownValue(x, decimals)).join(", ")})` : typeof v === "string" ? v : JSON.stringify(v));
const plural = (n, one, many) => `${n} ${n === 1 ? one : many}`;
const listed = (items, last = "and") => (items.length < 2 ? items.join("")
  : `${items.slice(0, -1).join(", ")} ${last} ${items.at(-1)}`);

// The page's words for the field at `keys`, without a part's number
// (panel.js), from the program's table (a light's as light 0's: every light
// has the same fields); null for what is no one field (a light, the solids' colours).
function wordsAt(keys) {
  const path = keys.map((k, i) => (i === 1 && keys[0] === "lights" ? 0 : k)).join();
  const field = fieldTable().fields.find((f) => f.path.join() === path);
  return field ? fieldWords(keys, field) : null;
}

// A state field named as the panel labels it: ["lights", 2, "spot_cutoff"]
// is "light 2's spot cut-off", ["lights", 0, "position", 3] "light 0's
// position w", ["material", "diffuse", "cube"] "the material's diffuse (cube)".
function fieldLabel(keys) {
  const [top, second] = keys, field = keys.filter((k) => typeof k === "string").at(-1);
  const part = typeof keys.at(-1) === "number" && !(top === "lights" && keys.length === 2) ? keys.at(-1) : null;
  const words = wordsAt(part === null ? keys : keys.slice(0, -1)), label = words?.said ?? field;
  const parts = words?.parts ?? ["r", "g", "b", "a"];
  let name = `the ${label}`;
  if (top === "lights") name = keys.length > 2 ? `light ${second}'s ${label}` : `light ${second}`;
  else if (top === "material" && second === "back") name = keys.length > 2 ? `the back material's ${label}` : "the back material";
  else if (top === "material" && keys.length > 1) name = second === "diffuse" && field !== "diffuse" ? `the material's diffuse (${field})` : `the material's ${label}`;
  else if (top === "tessellation" && parts.length > 1) return part === null ? `the ${field}'s ${parts.join(" and ")}` : `the ${field}'s ${parts[part]}`;
  return part === null ? name : `${name} ${parts[part]}`;
}
// A field of a pixel's explanation named for a learner: "lights[2].spot.factor"
// is "light 2's spot factor", "lights[0].n_dot_h" "light 0's N.H".
const explanationLabel = (path) => path.replace(/^lights\[(\d)\]\./, "light $1's ").replace(/\./g, " ")
  .replace(/n_dot_([lh])/g, (m, v) => `N.${v.toUpperCase()}`).replace(/_/g, " ");

// A test's problem, or "". `need`: a test must be there.
function testProblem(rule, at, need) {
  const given = TESTS.filter((t) => t in rule);
  if (need && given.length === 0) return `${at}: needs a test, one of ${TESTS.join(", ")}`;
  if ("between" in rule && !(Array.isArray(rule.between) && rule.between.length === 2 &&
                             rule.between.every(isNumber) && rule.between[0] <= rule.between[1])) {
    return `${at}.between must be [least, most], two numbers`;
  }
  for (const t of ["at_least", "at_most"]) if (t in rule && !isNumber(rule[t])) return `${at}.${t} must be a number`;
  return "";
}

// Whether `value` passes the test, and if not what it is. A colour (a list
// of numbers) is measured by its brightest of red, green and blue, alpha
// left out: "at_least" holds when one channel is that high.
function testValue(rule, value, name) {
  const fails = [];
  if ("equals" in rule && !sameValue(value, rule.equals)) fails.push(`not ${shownValue(rule.equals)}`);
  if (Array.isArray(value) && value.length > 0 && value.every(isNumber) && TESTS.slice(1).some((t) => t in rule)) {
    [name, value] = [`the brightest channel of ${name}`, Math.max(...value.slice(0, 3))];
  }
  if (!isNumber(value) && TESTS.slice(1).some((t) => t in rule)) fails.push("not a number");
  else {
    if ("between" in rule && !(value >= rule.between[0] && value <= rule.between[1])) {
      fails.push(`not between ${rule.between[0]} and ${rule.between[1]}`);
    }
    if ("at_least" in rule && !(value >= rule.at_least)) fails.push(`less than ${rule.at_least}`);
    if ("at_most" in rule && !(value <= rule.at_most)) fails.push(`more than ${rule.at_most}`);
  }
  return fails.length ? `${name} is ${shownValue(value)}, ${fails.join(", ")}` : "";
}

const asList = (v) => (Array.isArray(v) ? v : [v]);
const isLight = (i) => Number.isInteger(i) && i >= 0 && i <= lastLight();
const validLights = (v) => asList(v).length > 0 && asList(v).every(isLight);
const rgbTriple = (v) => Array.isArray(v) && v.length === 3 && v.every((c) => isNumber(c) && c >= 0 && c <= 255);
const isText = (v) => typeof v === "string" && v.trim() !== "";

// What a failed check says: its "missing" text, with `detail` (the counts)
// after it, or `why` alone.
const refusal = (rule, why, detail = "") => (rule.missing ? rule.missing + (detail ? ` (${detail})` : "") : why || detail);

// The levels asked of a pixel, as the pointer's readout gives them (0 to
// 255): "red at least 200 and blue at most 60 of 255".
function levelsAsked(low, high, anyChannel) {
  const asked = ["red", "green", "blue"].flatMap((name, c) => (low[c] > 0 && high[c] < 255 ? [`${name} ${low[c]} to ${high[c]}`]
    : low[c] > 0 ? [`${name} at least ${low[c]}`] : high[c] < 255 ? [`${name} at most ${high[c]}`] : []));
  return asked.length ? `${listed(asked, anyChannel ? "or" : "and")} of 255` : "any colour";
}
// A count's test as the task asks it: "at least 300".
const countAsked = (rule) => listed([..."equals" in rule ? [`exactly ${rule.equals}`] : [],
  ..."between" in rule ? [`${rule.between[0]} to ${rule.between[1]}`] : [],
  ..."at_least" in rule ? [`at least ${rule.at_least}`] : [], ..."at_most" in rule ? [rule.at_most === 0 ? "none" : `at most ${rule.at_most}`] : []]);
const countFails = (rule, n) => Boolean(testValue(rule, n, "count"));

// The pixels of `frame` in the rule's box (the frame when none) whose
// levels lie within min and max (each channel, or one with any_channel),
// counted; the one nearest the box's middle is the one to explain. `what`:
// whose levels they are.
function countPixels(rule, frame, what) {
  const { width, height, data } = frame;
  const [x0, y0, x1, y1] = rule.box || [0, 0, width - 1, height - 1];
  const low = rule.min || [0, 0, 0], high = rule.max || [255, 255, 255];
  const [r0, g0, b0] = low, [r1, g1, b1] = high, any = Boolean(rule.any_channel);
  const [middleX, middleY] = [(x0 + x1) / 2, (y0 + y1) / 2];
  // Plain comparisons in the loop: a check may scan a whole large frame at
  // every change, within the budget the lesson limits set.
  let count = 0, pixel = null, nearest = Infinity;
  for (let y = Math.max(0, y0); y <= Math.min(height - 1, y1); ++y) {
    for (let x = Math.max(0, x0); x <= Math.min(width - 1, x1); ++x) {
      const p = 4 * (y * width + x), r = data[p], g = data[p + 1], b = data[p + 2];
      const inR = r >= r0 && r <= r1, inG = g >= g0 && g <= g1, inB = b >= b0 && b <= b1;
      if (any ? !(inR || inG || inB) : !(inR && inG && inB)) continue;
      count += 1;
      const away = (x - middleX) ** 2 + (y - middleY) ** 2;
      if (away < nearest) [nearest, pixel] = [away, { x, y }];
    }
  }
  if (!countFails(rule, count)) return { ok: true, pixel };
  const where = rule.box ? ` in (${x0}, ${y0}) to (${x1}, ${y1})` : "";
  const detail = `${plural(count, "pixel", "pixels")}${what}${where} ${count === 1 ? "has" : "have"} ` +
                 `${levelsAsked(low, high, rule.any_channel)}; the task asks for ${countAsked(rule)}`;
  return { ok: false, why: refusal(rule, "", detail), pixel };
}

// The pixels of the rule's box that lie in a frame of `size` (the frame
// when no box): what deciding it scans.
function boxScans(rule, [width, height]) {
  const [x0, y0, x1, y1] = rule.box || [0, 0, width - 1, height - 1];
  return Math.max(0, Math.min(width - 1, x1) - Math.max(0, x0) + 1) *
         Math.max(0, Math.min(height - 1, y1) - Math.max(0, y0) + 1);
}

// A pixel condition's fields checked: box, min, max, any_channel, a test.
function pixelsProblem(rule, at) {
  if ("box" in rule && !(Array.isArray(rule.box) && rule.box.length === 4 && rule.box.every(Number.isInteger) &&
                         rule.box[0] <= rule.box[2] && rule.box[1] <= rule.box[3])) {
    return `${at}.box must be [x0, y0, x1, y1], whole pixels, x0 <= x1 and y0 <= y1`;
  }
  for (const f of ["min", "max"]) if (f in rule && !rgbTriple(rule[f])) return `${at}.${f} must be [r, g, b], levels 0 to 255`;
  if ("any_channel" in rule && typeof rule.any_channel !== "boolean") return `${at}.any_channel must be true or false`;
  return testProblem(rule, at, true);
}

// The leaves of the state `now` that differ from `then` (the same shape),
// as key lists down to a list's items.
function differingLeaves(now, then, keys = [], out = []) {
  if (now !== null && typeof now === "object") {
    for (const key of Object.keys(now)) {
      differingLeaves(now[key], then?.[key], [...keys, Array.isArray(now) ? Number(key) : key], out);
    }
  } else if (now !== then) {
    out.push(keys);
  }
  return out;
}
const startsWith = (keys, prefix) => prefix.length <= keys.length && prefix.every((k, i) => keys[i] === k);

// Each kind of check: its fields, what is wrong with one (at: its place in
// the file), and its decision: {ok, why (when not), pixel (the one to explain)}.
export const CHECKS = {
  state: {
    fields: ["path", "missing", ...TESTS],
    problem(rule, at) {
      const keys = pathKeys(rule.path);
      if (!keys) return `${at}.path must name a field, such as "lights[2].spot_cutoff"`;
      if (valueAtPath(wholeLabState(), keys) === undefined) return `${at}.path: the state has no field "${rule.path}"`;
      return testProblem(rule, at, true);
    },
    decide(rule, scene) {
      const keys = pathKeys(rule.path);
      const why = testValue(rule, valueAtPath(scene.state(), keys), fieldLabel(keys));
      return { ok: !why, why: why && refusal(rule, why) };
    },
  },
  clicked: {
    fields: ["solid", "part", "lit_by", "not_lit_by", "path", "missing", ...TESTS],
    problem(rule, at) {
      if ("solid" in rule && !asList(rule.solid).every((s) => solidNames().includes(s))) {
        return `${at}.solid must be one of ${solidNames().join(", ")}, or a list of them`;
      }
      if ("part" in rule && typeof rule.part !== "string") return `${at}.part must be a text, such as "face z = 1"`;
      for (const f of ["lit_by", "not_lit_by"]) if (f in rule && !validLights(rule[f])) return `${at}.${f} must be a light, 0 to ${lastLight()}, or a list of them`;
      if ("path" in rule && !pathKeys(rule.path)) return `${at}.path must name a field of the explanation, such as "lights[2].spot.factor"`;
      if ("path" in rule !== TESTS.some((t) => t in rule)) return `${at}: a path and a test go together`;
      return Object.keys(rule).some((f) => f !== "missing") ? testProblem(rule, at, false) : `${at}: needs a condition`;
    },
    decide(rule, scene) {
      const marked = lab.markedPixel();
      if (!marked) return { ok: false, why: refusal(rule, "no pixel is marked: click one") };
      const e = scene.explained(marked), where = `pixel (${marked.x}, ${marked.y})`;
      const solid = e.surface ? e.surface.solid : "nothing";
      const lit = (i) => e.lights[i].on && e.lights[i].reaches && [0, 1, 2].some((c) =>
        e.lights[i].diffuse[c] + e.lights[i].specular[c] > 0.002);
      const fails = [];  // the first is said
      if ("solid" in rule && !asList(rule.solid).includes(solid)) fails.push(`${where} shows ${solid === "nothing" ? "no solid" : `the ${solid}`}`);
      if ("part" in rule && (e.surface ? e.surface.part : "") !== rule.part) fails.push(`${where} is not on ${rule.part}`);
      for (const i of asList(rule.lit_by ?? [])) if (!lit(i)) fails.push(`light ${i} does not light ${where}`);
      for (const i of asList(rule.not_lit_by ?? [])) if (lit(i)) fails.push(`light ${i} lights ${where}`);
      if ("path" in rule) {
        const why = testValue(rule, valueAtPath(e, pathKeys(rule.path)), explanationLabel(rule.path));
        if (why) fails.push(`at ${where} ${why}`);
      }
      return { ok: fails.length === 0, why: fails.length ? refusal(rule, fails[0]) : "", pixel: marked };
    },
  },
  pixels: {
    fields: ["box", "min", "max", "any_channel", "missing", ...TESTS],
    problem: pixelsProblem,
    scans: (rule, size) => boxScans(rule, size),
    decide: (rule, scene) => countPixels(rule, scene.frame(), ""),
  },
  // The same count on what one light adds alone (its terms, or one of them).
  light: {
    fields: ["light", "term", "box", "min", "max", "any_channel", "missing", ...TESTS],
    problem(rule, at) {
      if (!isLight(rule.light)) return `${at}.light must be a light, 0 to ${lastLight()}`;
      if ("term" in rule && !TERMS.includes(rule.term)) return `${at}.term must be one of ${TERMS.join(", ")}`;
      return pixelsProblem(rule, at);
    },
    scans: (rule, size) => boxScans(rule, size),
    decide(rule, scene) {
      const what = ` of light ${rule.light}'s ${rule.term ? `${rule.term} term` : "light"} alone`;
      // Only the box (within the frame) is drawn and read.
      const { size: [width, height] } = scene.state(), [x0, y0, x1, y1] = rule.box || [0, 0, width, height];
      const box = [Math.max(0, x0), Math.max(0, y0), Math.min(width - 1, x1), Math.min(height - 1, y1)];
      if (box[0] > box[2] || box[1] > box[3]) return countPixels(rule, { width: 0, height: 0, data: [] }, what);
      return countPixels(rule, scene.lightFrame(rule.light, rule.term, box), what);
    },
  },
  changed: {
    fields: ["missing", ...TESTS],
    scans: (rule, [width, height]) => width * height,
    problem(rule, at, step) {
      return step.hold === true ? testProblem(rule, at, true) : `${at}: needs "hold": true on the step, to keep A`;
    },
    decide(rule) {
      const n = lab.compare().changed_pixels;
      if (!countFails(rule, n)) return { ok: true };
      return { ok: false, why: refusal(rule, "", `${plural(n, "pixel", "pixels")} changed since A; the task asks for ${countAsked(rule)}`) };
    },
  },
  // The fields the learner may change: every other keeps the step's value.
  only: {
    paths: true,
    problem(paths, at) {
      if (!Array.isArray(paths)) return `${at} must be a list of the state's fields, such as ["lights[2].spot_cutoff"]`;
      for (const [i, path] of paths.entries()) {
        const keys = pathKeys(path);
        if (!keys || valueAtPath(wholeLabState(), keys) === undefined) return `${at}[${i}]: the state has no field "${path}"`;
        if (paths.indexOf(path) !== i) return `${at}[${i}]: "${path}" is given twice`;
      }
      return "";
    },
    decide(paths, scene) {
      // A light switched by a change of the lighting mode is the mode's change.
      const now = scene.state(), step = scene.stepState(), modeChanged = now.mode !== step.mode;
      // Both ways: a light the step has and the state no longer has is a change too.
      const seen = new Set(), leaves = [...differingLeaves(now, step), ...differingLeaves(step, now)]
        .filter((keys) => !seen.has(keys.join(".")) && seen.add(keys.join(".")));
      const modeLights = fieldTable().mode_lights[now.mode];
      const allowed = paths.map(pathKeys), changed = leaves.filter(([field, i, key]) => !(modeChanged &&
        field === "lights" && key === "on" && i <= lastLight() && now.lights[i]?.on === modeLights.includes(i)));
      // A field is named whole unless the task allows a part of it.
      const names = changed.filter((keys) => !allowed.some((a) => startsWith(keys, a))).map((keys) => {
        const field = typeof keys.at(-1) === "number" ? keys.slice(0, -1) : keys;
        return fieldLabel(allowed.some((a) => startsWith(a, field)) ? keys : field);
      });
      if (names.length === 0) return { ok: true };
      const wrong = [...new Set(names)], too = changed.length > names.length ? " too" : "";
      const were = wrong.length > 1 || /(angles|stacks)$/.test(wrong[0]) ? "were" : "was";
      const asks = allowed.length ? `the task asks for a change of ${listed(allowed.map(fieldLabel), "or")} alone`
        : "the task asks for the step's state as it was";
      return { ok: false, why: `${asks}; ${listed(wrong)} ${were} changed${too}` };
    },
  },
  all: {
    list: true,
    decide(checks, scene) {
      const results = checks.map((check) => decideCheck(check, scene));
      const failed = [...new Set(results.filter((r) => !r.ok).map((r) => r.why))];
      return { ok: failed.length === 0, why: failed.join("; "), pixel: results.find((r) => r.pixel)?.pixel };
    },
  },
  any: {
    list: true,
    decide(checks, scene) {
      const results = checks.map((check) => decideCheck(check, scene));
      const passed = results.find((r) => r.ok);
      return passed || { ok: false, why: [...new Set(results.map((r) => r.why))].join("; or ") };
    },
  },
};

// What is wrong with a check at `at` ("steps[2].task.check"), or "".
function checkProblem(check, at, step) {
  const kinds = check !== null && typeof check === "object" && !Array.isArray(check) ? Object.keys(check) : [];
  if (kinds.length !== 1) return `${at} must be one object with one check, such as {"state": {...}}`;
  const [kind] = kinds, rule = check[kind], place = `${at}.${kind}`;
  if (!(kind in CHECKS)) return `${at}: unknown check "${kind}" (${Object.keys(CHECKS).join(", ")})`;
  if (CHECKS[kind].paths) return CHECKS[kind].problem(rule, place);
  if (CHECKS[kind].list) {
    if (!Array.isArray(rule) || rule.length === 0) return `${place} must be a list of checks`;
    for (const [i, inner] of rule.entries()) {
      const problem = checkProblem(inner, `${place}[${i}]`, step);
      if (problem) return problem;
    }
    return "";
  }
  if (rule === null || typeof rule !== "object" || Array.isArray(rule)) return `${place} must be an object`;
  const unknown = Object.keys(rule).find((f) => !CHECKS[kind].fields.includes(f));
  if (unknown) return `${place}: unknown field "${unknown}" (${CHECKS[kind].fields.join(", ")})`;
  if ("missing" in rule && !isText(rule.missing)) return `${place}.missing must be a text: what is not so yet`;
  return CHECKS[kind].problem(rule, place, step);
}

export function decideCheck(check, scene) {
  const [kind] = Object.keys(check);
  scene.spend(conditionCost(kind, check[kind], scene.state().size));
  return CHECKS[kind].decide(check[kind], scene);
}

// Whether a check gives a pixel to explain once it passes.
const givesPixel = (check) => {
  const [kind] = Object.keys(check);
  return kind === "all" ? check.all.some(givesPixel) : kind === "any" ? check.any.every(givesPixel)
    : ["clicked", "pixels", "light"].includes(kind);
};

// What a check reads, each read once however many checks ask: the state,
// the step's (`stepState`, its JSON), the frame, a light's frame, a
// pixel's explanation; and what it spends (lesson-limits.js): a kind that
// scans pixels says how many (its `scans`), and the frames read and each
// pixel explained are paid for here.
export function sceneReadings(stepState) {
  let state = null, frame = null, step = null;
  const explained = {}, lightFrames = {}, spend = lessonMeter();
  const readState = () => (state ||= wholeLabState());
  const area = ([x0, y0, x1, y1]) => (x1 - x0 + 1) * (y1 - y0 + 1);
  return {
    spend,
    state: readState,
    stepState: () => (step ||= wholeState(JSON.parse(stepState))),
    frame: () => (frame ||= (spend(LESSON_COSTS.read * readState().size[0] * readState().size[1]), lab.pixels())),
    lightFrame: (light, term, box) => (lightFrames[`${light} ${term} ${box}`] ||= (spend(LESSON_COSTS.read * area(box)),
      heapFrame(call("lab_light_pixels", light, term ? 1 << TERMS.indexOf(term) : 7, ...box)))),
    explained: ({ x, y }) => (explained[`${x},${y}`] ||= (spend(LESSON_COSTS.explained), lab.explain(x, y))),
  };
}

// A found text's values filled in: {state.PATH} the state's field,
// {pixel.PATH} the explained pixel's (as lab.explain gives it); a state's
// colour as red, green and blue, as the explanation gives its colours.
const PLACES = /\{([a-z]+)\.([^{}\s]+)\}/g;
const COLOUR = /(ambient|diffuse|specular|emission|cube|sphere|cone|cylinder)$/;
export function filledText(text, scene, explained) {
  return text.replace(PLACES, (all, source, path) => {
    const value = valueAtPath(source === "state" ? scene.state() : explained, pathKeys(path) || []);
    if (value === undefined) return "(not known)";
    return shownValue(Array.isArray(value) && value.length === 4 && COLOUR.test(path) ? value.slice(0, 3) : value, 2);
  });
}
function foundProblem(task, at) {
  for (const [, source, path] of task.found.matchAll(PLACES)) {
    const keys = pathKeys(path), place = `${at}.found: {${source}.${path}}`;
    if (!["state", "pixel"].includes(source)) return `${place}: a value is {state.PATH} or {pixel.PATH}`;
    if (!keys || (source === "state" && valueAtPath(wholeLabState(), keys) === undefined)) return `${place} names no field`;
    if (source === "pixel" && !task.pixel && !givesPixel(task.check)) return `${place}: the task explains no pixel`;
  }
  return "";
}

function unknownField(object, known, at) {
  const field = Object.keys(object).find((f) => !known.includes(f));
  return field === undefined ? "" : `${at}: unknown field "${field}" (${known.join(", ")})`;
}

// What is wrong with a lesson, naming its step (from 1) and the field by
// its place in the file (steps from 0, as the file counts them), or "".
export function lessonProblem(lesson) {
  if (lesson === null || typeof lesson !== "object" || Array.isArray(lesson)) return "a lesson must be one JSON object";
  const wrong = unknownField(lesson, LESSON_FIELDS.lesson, "the lesson");
  if (wrong) return wrong;
  if (!isText(lesson.title)) return "title must be a text";
  if (!Array.isArray(lesson.steps) || lesson.steps.length === 0) return "steps must be a list of at least one step";
  for (const [i, step] of lesson.steps.entries()) {
    const problem = stepProblem(step, `steps[${i}]`);
    if (problem) return `step ${i + 1}, ${problem}`;
  }
  return "";
}

function stepProblem(step, at) {
  if (step === null || typeof step !== "object" || Array.isArray(step)) return `${at} must be an object`;
  const wrong = unknownField(step, LESSON_FIELDS.step, at);
  if (wrong) return wrong;
  for (const f of ["text", "question"]) if (!isText(step[f])) return `${at}.${f} must be a text`;
  if ("hold" in step && typeof step.hold !== "boolean") return `${at}.hold must be true or false`;
  if ("state" in step) {
    if (step.state === null || typeof step.state !== "object" || Array.isArray(step.state)) return `${at}.state must be an object`;
    const refused = setText(stateText(step.state), "lab_check_state");
    if (refused) return `${at}.state: ${refused}`;
  }
  if (!("task" in step)) return "";
  const task = step.task, place = `${at}.task`;
  if (task === null || typeof task !== "object" || Array.isArray(task)) return `${place} must be an object`;
  const unknown = unknownField(task, LESSON_FIELDS.task, place);
  if (unknown) return unknown;
  if (!isText(task.do)) return `${place}.do must be a text: what the learner is to do`;
  if ("found" in task && !isText(task.found)) return `${place}.found must be a text`;
  if ("pixel" in task && !(Array.isArray(task.pixel) && task.pixel.length === 2 && task.pixel.every(Number.isInteger))) {
    return `${place}.pixel must be [x, y]`;
  }
  if (!("check" in task)) return `${place}.check is missing`;
  return checkProblem(task.check, `${place}.check`, step) || ("found" in task ? foundProblem(task, place) : "");
}
