"use strict";
// A lesson's file read and its tasks' checks decided. A lesson is
// {title, steps: [{state, text, question, task: {do, check, found, pixel}, hold}]};
// a check is one object of one kind:
//   {"state":   {"path": "material.shininess", "between": [2, 10]}}
//   {"clicked": {"solid": "cube", "part": "face z = 1", "lit_by": 2,
//                "path": "lights[2].spot.factor", "at_most": 0.5}}
//   {"pixels":  {"box": [x0, y0, x1, y1], "min": [r, g, b], "max": [r, g, b], "at_least": 200}}
//   {"changed": {"at_least": 1}}                      (against A, which "hold" keeps)
//   {"all": [checks]}, {"any": [checks]}
// decided from lab.state(), lab.explain() of the marked pixel, lab.pixels()
// and lab.compare(). A test of a value is one or more of equals, between,
// at_least and at_most.
const SOLID_NAMES = ["cube", "sphere", "cone", "cylinder", "nothing"];
const TESTS = ["equals", "between", "at_least", "at_most"];
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

const isNumber = (v) => typeof v === "number" && Number.isFinite(v);
const sameValue = (a, b) => JSON.stringify(a) === JSON.stringify(b);
const shownValue = (v) => (isNumber(v) ? String(+v.toFixed(4)) : JSON.stringify(v));

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

// Whether `value` passes the test, and if not what it is.
function testValue(rule, value, name) {
  const fails = [];
  if ("equals" in rule && !sameValue(value, rule.equals)) fails.push(`not ${shownValue(rule.equals)}`);
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

const lightList = (v) => (Array.isArray(v) ? v : [v]);
const validLights = (v) => lightList(v).length > 0 && lightList(v).every((i) => Number.isInteger(i) && i >= 0 && i <= 2);
const rgbTriple = (v) => Array.isArray(v) && v.length === 3 && v.every((c) => isNumber(c) && c >= 0 && c <= 255);

// Each kind of check: its fields, what is wrong with one (at: its place in
// the file), and its decision: {ok, why (when not), pixel (the one to explain)}.
const CHECKS = {
  state: {
    fields: ["path", ...TESTS],
    problem(rule, at) {
      const keys = pathKeys(rule.path);
      if (!keys) return `${at}.path must name a field, such as "lights[2].spot_cutoff"`;
      if (valueAtPath(lab.state(), keys) === undefined) return `${at}.path: the state has no field "${rule.path}"`;
      return testProblem(rule, at, true);
    },
    decide(rule, scene) {
      const why = testValue(rule, valueAtPath(scene.state(), pathKeys(rule.path)), rule.path);
      return { ok: !why, why };
    },
  },
  clicked: {
    fields: ["solid", "part", "lit_by", "not_lit_by", "path", ...TESTS],
    problem(rule, at) {
      if ("solid" in rule && !SOLID_NAMES.includes(rule.solid)) return `${at}.solid must be one of ${SOLID_NAMES.join(", ")}`;
      if ("part" in rule && typeof rule.part !== "string") return `${at}.part must be a text, such as "face z = 1"`;
      for (const f of ["lit_by", "not_lit_by"]) if (f in rule && !validLights(rule[f])) return `${at}.${f} must be a light, 0 to 2, or a list of them`;
      if ("path" in rule && !pathKeys(rule.path)) return `${at}.path must name a field of the explanation, such as "lights[2].spot.factor"`;
      if ("path" in rule !== TESTS.some((t) => t in rule)) return `${at}: a path and a test go together`;
      return Object.keys(rule).length ? testProblem(rule, at, false) : `${at}: needs a condition`;
    },
    decide(rule, scene) {
      const marked = lab.markedPixel();
      if (!marked) return { ok: false, why: "no pixel is marked: click one" };
      const e = scene.explained(marked), where = `pixel (${marked.x}, ${marked.y})`;
      const solid = e.surface ? e.surface.solid : "nothing";
      const lit = (i) => e.lights[i].on && e.lights[i].reaches && [0, 1, 2].some((c) =>
        e.lights[i].diffuse[c] + e.lights[i].specular[c] > 0.002);
      const fails = [];  // the first is said
      if ("solid" in rule && solid !== rule.solid) fails.push(`${where} shows ${solid === "nothing" ? "no solid" : `the ${solid}`}`);
      if ("part" in rule && (e.surface ? e.surface.part : "") !== rule.part) fails.push(`${where} is not on ${rule.part}`);
      for (const i of lightList(rule.lit_by ?? [])) if (!lit(i)) fails.push(`light ${i} does not light ${where}`);
      for (const i of lightList(rule.not_lit_by ?? [])) if (lit(i)) fails.push(`light ${i} lights ${where}`);
      if ("path" in rule) {
        const why = testValue(rule, valueAtPath(e, pathKeys(rule.path)), `its ${rule.path}`);
        if (why) fails.push(`at ${where} ${why}`);
      }
      return { ok: fails.length === 0, why: fails[0], pixel: marked };
    },
  },
  pixels: {
    fields: ["box", "min", "max", ...TESTS],
    problem(rule, at) {
      if ("box" in rule && !(Array.isArray(rule.box) && rule.box.length === 4 && rule.box.every(Number.isInteger) &&
                             rule.box[0] <= rule.box[2] && rule.box[1] <= rule.box[3])) {
        return `${at}.box must be [x0, y0, x1, y1], whole pixels, x0 <= x1 and y0 <= y1`;
      }
      for (const f of ["min", "max"]) if (f in rule && !rgbTriple(rule[f])) return `${at}.${f} must be [r, g, b], levels 0 to 255`;
      return testProblem(rule, at, true);
    },
    // The pixels of the box that lie in a frame of `size`: what deciding it scans.
    scans(rule, [width, height]) {
      const [x0, y0, x1, y1] = rule.box || [0, 0, width - 1, height - 1];
      return Math.max(0, Math.min(width - 1, x1) - Math.max(0, x0) + 1) * Math.max(0, Math.min(height - 1, y1) - Math.max(0, y0) + 1);
    },
    // The pixels in the box (the frame when none) within min and max,
    // counted; the one nearest the box's middle is the one to explain.
    decide(rule, scene) {
      const { width, height, data } = scene.frame();
      const [x0, y0, x1, y1] = rule.box || [0, 0, width - 1, height - 1];
      const [r0, g0, b0] = rule.min || [0, 0, 0], [r1, g1, b1] = rule.max || [255, 255, 255];
      const [middleX, middleY] = [(x0 + x1) / 2, (y0 + y1) / 2];
      let count = 0, pixel = null, nearest = Infinity;
      for (let y = Math.max(0, y0); y <= Math.min(height - 1, y1); ++y) {
        for (let x = Math.max(0, x0); x <= Math.min(width - 1, x1); ++x) {
          const p = 4 * (y * width + x), r = data[p], g = data[p + 1], b = data[p + 2];
          if (r < r0 || r > r1 || g < g0 || g > g1 || b < b0 || b > b1) continue;
          count += 1;
          const away = (x - middleX) ** 2 + (y - middleY) ** 2;
          if (away < nearest) [nearest, pixel] = [away, { x, y }];
        }
      }
      const where = rule.box ? ` in (${x0}, ${y0}) to (${x1}, ${y1})` : "";
      const why = testValue(rule, count, `the count of pixels${where} with the levels asked`);
      return { ok: !why, why, pixel };
    },
  },
  changed: {
    fields: TESTS,
    scans: (rule, [width, height]) => width * height,
    problem(rule, at, step) {
      return step.hold === true ? testProblem(rule, at, true) : `${at}: needs "hold": true on the step, to keep A`;
    },
    decide(rule) {
      const why = testValue(rule, lab.compare().changed_pixels, "the number of pixels changed since A");
      return { ok: !why, why };
    },
  },
  all: {
    list: true,
    decide(checks, scene) {
      const results = checks.map((check) => decideCheck(check, scene));
      const failed = results.find((r) => !r.ok);
      return { ok: !failed, why: failed ? failed.why : "", pixel: results.find((r) => r.pixel)?.pixel };
    },
  },
  any: {
    list: true,
    decide(checks, scene) {
      const results = checks.map((check) => decideCheck(check, scene));
      const passed = results.find((r) => r.ok);
      return passed || { ok: false, why: results.map((r) => r.why).join("; or ") };
    },
  },
};

// What is wrong with a check at `at` ("steps[2].task.check"), or "".
function checkProblem(check, at, step) {
  const kinds = check !== null && typeof check === "object" && !Array.isArray(check) ? Object.keys(check) : [];
  if (kinds.length !== 1) return `${at} must be one object with one check, such as {"state": {...}}`;
  const [kind] = kinds, rule = check[kind], place = `${at}.${kind}`;
  if (!(kind in CHECKS)) return `${at}: unknown check "${kind}" (${Object.keys(CHECKS).join(", ")})`;
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
  return CHECKS[kind].problem(rule, place, step);
}

function decideCheck(check, scene) {
  const [kind] = Object.keys(check);
  scene.spend(conditionCost(kind, check[kind], scene.state().size));
  return CHECKS[kind].decide(check[kind], scene);
}

// What a check reads, each read once however many checks ask, and what it
// spends (lesson-limits.js): a kind that scans pixels says how many (its
// `scans`), and the frame read and each pixel explained are paid for here.
function sceneReadings() {
  let state = null, frame = null;
  const explained = {}, spend = lessonMeter();
  const readState = () => (state ||= lab.state());
  return {
    spend,
    state: readState,
    frame: () => (frame ||= (spend(LESSON_COSTS.read * readState().size[0] * readState().size[1]), lab.pixels())),
    explained: ({ x, y }) => (explained[`${x},${y}`] ||= (spend(LESSON_COSTS.explained), lab.explain(x, y))),
  };
}

const isText = (v) => typeof v === "string" && v.trim() !== "";
function unknownField(object, known, at) {
  const field = Object.keys(object).find((f) => !known.includes(f));
  return field === undefined ? "" : `${at}: unknown field "${field}" (${known.join(", ")})`;
}

// What is wrong with a lesson, naming its step (from 1) and the field by
// its place in the file (steps from 0, as the file counts them), or "".
function lessonProblem(lesson) {
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
  return checkProblem(task.check, `${place}.check`, step);
}
