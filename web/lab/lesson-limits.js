"use strict";
// A lesson held to limits, as a state file is, whoever wrote it: a file of
// at most 1 MiB, read no further; arrays and objects at most 32 deep, each
// field once in its object, an object at the top; texts of bounded length;
// boxes and pixels inside the step's frame; and checks of bounded cost, so
// that no lesson can hold the page up. Its refusals are one short line.
import { CHECKS, lessonProblem } from "./lesson-checks.js";
const LESSON_LIMITS = {
  bytes: 1 << 20,
  depth: 32,
  values: 1 << 18,    // values of every kind, counted as the lesson is walked
  steps: 100,
  title: 200,         // characters; every other text: `text`
  text: 2000,
  conditions: 64,     // in a step's check, `all` and `any` counted too
  cost: 3 << 20,      // units a change may spend deciding a step's check
};
// What deciding a check spends, in units of about one pixel scanned (at
// most 7 ns in headless Chromium on this project's 2-core machine, so the
// budget is about 22 ms): each condition, whatever its kind; each pixel it
// scans (its kind's `scans`); each pixel of the frame, read once when a
// condition first needs it (11 ns); each pixel explained (8 to 12 ms). A
// step is taken only if its check, with one pixel explained, fits.
export const LESSON_COSTS = { condition: 256, scanned: 1, read: 2, explained: 3 << 19 };
// The frame a step's state leaves when it gives no size: the demo's.
const DEMO_FRAME = [300, 300];

// A refusal said in one short line: a quoted name or value of more than 40
// characters cut and marked so, with its length; the line cut at 200.
export function shortLine(text) {
  const cut = text.replace(/"((?:[^"\\]|\\.){41,})"/g,
    (quoted, inner) => `"${inner.slice(0, 32)}\u2026" (cut: ${inner.length} characters)`);
  return cut.length <= 200 ? cut : `${cut.slice(0, 199)}\u2026`;
}

// The place of a value in the lesson, as the refusals name it
// ("steps[2].task"), from {parent, key}: the lesson's own is "". A key that
// is not a plain name, or is long, is quoted (and shortLine cuts it).
function placeOf(at) {
  if (!at.parent) return "";
  const above = placeOf(at.parent), { key } = at;
  if (typeof key === "number") return `${above}[${key}]`;
  const shown = /^[A-Za-z_][A-Za-z0-9_]{0,39}$/.test(key) ? key : JSON.stringify(key);
  return above ? `${above}.${shown}` : shown;
}
const tooDeep = () => `the lesson nests arrays and objects more than ${LESSON_LIMITS.depth} deep`;

// What is wrong with the text of a lesson's file, JSON already, as the
// parser does not say: deeper than the limit, or a field given twice (the
// parser takes the last). Read once from start to end, without recursion.
function lessonTextProblem(text) {
  const open = [];  // each array or object open: {at, keys (an object's, else null), key, wantKey}
  for (let i = 0; i < text.length; ++i) {
    const c = text[i], level = open.at(-1);
    if (c === "\"") {
      let end = i + 1;
      while (text[end] !== "\"") end += text[end] === "\\" ? 2 : 1;
      if (level && level.wantKey) {
        const key = JSON.parse(text.slice(i, end + 1));
        if (level.keys.has(key)) return `${placeOf({ parent: level.at, key })} is given twice`;
        level.keys.add(key);
        level.key = key;
        level.wantKey = false;
      }
      i = end;
    } else if (c === "{" || c === "[") {
      if (open.length === LESSON_LIMITS.depth) return tooDeep();
      // The level itself, as a place: {parent, key}; then the key or the
      // index inside it that the next value takes.
      open.push({ at: { parent: level ? level.at : null, key: level ? level.key : null },
                  keys: c === "{" ? new Set() : null, key: 0, wantKey: c === "{" });
    } else if (c === "}" || c === "]") {
      open.pop();
    } else if (c === "," && level) {
      if (level.keys) level.wantKey = true;
      else level.key += 1;
    }
  }
  return "";
}

// What is wrong with a lesson as a value (a file's, or an object handed to
// lab.lesson): too deep, too many values, a text too long, too many steps.
// Walked without recursion, before anything recurses into it.
function lessonValueProblem(lesson) {
  if (lesson === null || typeof lesson !== "object" || Array.isArray(lesson)) return "a lesson must be one JSON object";
  const root = { value: lesson, parent: null, key: null, depth: 1 }, pending = [root];
  for (let values = 1; pending.length > 0; ++values) {
    const at = pending.pop(), { value } = at;
    if (values > LESSON_LIMITS.values) return `the lesson holds more than ${LESSON_LIMITS.values} values`;
    if (typeof value === "string") {
      const most = at.key === "title" && at.parent === root ? LESSON_LIMITS.title : LESSON_LIMITS.text;
      if (value.length > most) return `${placeOf(at)} is ${value.length} characters long, more than ${most}`;
    }
    if (value === null || typeof value !== "object") continue;
    if (at.depth > LESSON_LIMITS.depth) return tooDeep();
    const list = Array.isArray(value);
    if (list && value.length > LESSON_LIMITS.values) return `${placeOf(at) || "the lesson"} holds more than ${LESSON_LIMITS.values} values`;
    for (const [key, child] of Object.entries(value)) {
      pending.push({ value: child, parent: at, key: list ? Number(key) : key, depth: at.depth + 1 });
    }
  }
  if (Array.isArray(lesson.steps) && lesson.steps.length > LESSON_LIMITS.steps) {
    return `steps: ${lesson.steps.length} steps, more than ${LESSON_LIMITS.steps}`;
  }
  return "";
}

// What deciding one condition spends with a frame of `size`, before what
// it reads.
export const conditionCost = (kind, rule, size) =>
  LESSON_COSTS.condition + (CHECKS[kind].scans ? LESSON_COSTS.scanned * CHECKS[kind].scans(rule, size) : 0);

// The spending of one decision: spend(units) throws before the budget is
// passed, so that what would pass it is never done.
export function lessonMeter() {
  let spent = 0;
  return (units) => {
    spent += units;
    if (spent > LESSON_LIMITS.cost) {
      throw new Error("the check asks more than the page decides at a change " +
                      `(${LESSON_LIMITS.cost} units): a smaller frame, fewer or smaller boxes`);
    }
  };
}

// Every condition of a check, with its place: [{kind, rule, at}].
function conditionsOf(check, at) {
  const found = [], pending = [[check, at]];
  while (pending.length > 0) {
    const [node, place] = pending.pop();
    const [kind] = Object.keys(node);
    found.push({ kind, rule: node[kind], at: `${place}.${kind}` });
    if (CHECKS[kind].list) node[kind].forEach((inner, i) => pending.push([inner, `${place}.${kind}[${i}]`]));
  }
  return found;
}

const insideFrame = ([width, height], x, y) => x >= 0 && y >= 0 && x < width && y < height;

// What is wrong with a well-formed lesson's reach, step by step: a pixel or
// a box outside the step's frame, too many conditions, a check that costs
// more at the step's frame than a change may spend, with one pixel explained.
function lessonReachProblem(lesson) {
  for (const [i, step] of lesson.steps.entries()) {
    if (!step.task) continue;
    const frame = (step.state && step.state.size) || DEMO_FRAME, at = `steps[${i}].task`;
    const where = `step ${i + 1}, ${at}`, framed = `inside the step's frame, ${frame[0]} x ${frame[1]}`;
    if (step.task.pixel && !insideFrame(frame, ...step.task.pixel)) return `${where}.pixel must be ${framed}`;
    const conditions = conditionsOf(step.task.check, `${at}.check`);
    if (conditions.length > LESSON_LIMITS.conditions) {
      return `${where}.check has ${conditions.length} conditions, more than ${LESSON_LIMITS.conditions}`;
    }
    let cost = LESSON_COSTS.explained, scanned = false;
    for (const { kind, rule, at: place } of conditions) {
      const { box } = rule;
      if (box && !(insideFrame(frame, box[0], box[1]) && insideFrame(frame, box[2], box[3]))) {
        return `step ${i + 1}, ${place}.box must be ${framed}`;
      }
      cost += conditionCost(kind, rule, frame);
      scanned ||= Boolean(CHECKS[kind].scans);
    }
    if (scanned) cost += LESSON_COSTS.read * frame[0] * frame[1];
    if (cost > LESSON_LIMITS.cost) {
      return `${where}.check costs ${cost} units at a change, more than the page spends (${LESSON_LIMITS.cost}): ` +
             "fewer or smaller boxes";
    }
  }
  return "";
}

// A lesson as the page takes it: held to the limits, then read as a
// lesson (lessonProblem), then held to its reach. "" or what is wrong.
export const heldLessonProblem = (lesson) => lessonValueProblem(lesson) || lessonProblem(lesson) || lessonReachProblem(lesson);

// A lesson's file, read no further than the limit: {lesson} or {problem}.
export async function readLessonFile(file) {
  if (file.size > LESSON_LIMITS.bytes) {
    return { problem: `${file.name} is larger than 1 MiB (${LESSON_LIMITS.bytes} bytes)` };
  }
  const text = await file.slice(0, LESSON_LIMITS.bytes).text();
  let lesson;
  try {
    lesson = JSON.parse(text);
  } catch (error) {
    return { problem: `${file.name} is not JSON: ${error.message}` };
  }
  if (lesson === null || typeof lesson !== "object" || Array.isArray(lesson)) {
    const what = lesson === null ? "null" : Array.isArray(lesson) ? "a list"
      : { string: "a text", number: "a number", boolean: "true or false" }[typeof lesson];
    return { problem: `${file.name} holds ${what}, not a lesson: a lesson is one JSON object` };
  }
  const problem = lessonTextProblem(text);
  return problem ? { problem: `${file.name}: ${problem}` } : { lesson };
}
