"use strict";
// Lessons: the ones shipped (web/lessons/*.json, inlined in the page as
// LESSONS, by name), or a teacher's own file, picked or dropped on the
// page. A step's state is set on the demo's values, its text, question and
// task shown; the task's check is decided after every change and every
// click, and once it passes the step is done: the page says what was found
// and explains the pixel that shows it.
import { afterClick, call, controls, dropPixels, lab, labReady, refreshPanel, say, setText, stateNow, stateText, took } from "./program.js";
import { element } from "./controls.js";
import { showPixel } from "./picture.js";
import { unmarkPixel } from "./outside.js";
import { decideCheck, filledText, sceneReadings } from "./lesson-checks.js";
import { heldLessonProblem, readLessonFile, shortLine } from "./lesson-limits.js";
import { showAddress } from "./links.js";
const lessonBox = document.getElementById("lesson");
const lessonMenu = document.getElementById("lessons");      // the button that opens the list
const lessonList = document.getElementById("lesson-list");
const lessonFile = document.getElementById("lesson-file");
// The lesson open: {name (a shipped one's, else null), lesson, step (from 1),
// done (null: no task), stepState (the state the step set, as JSON)}.
export let lessonNow = null;
let loadingStep = false;

export const lessonStepState = () => lessonNow && lessonNow.stepState;
const lessonText = (id, text) => { document.getElementById(id).textContent = text; };

// What is wrong with opening a lesson (a shipped one's name, or the lesson
// itself) at a step counted from 1, or "". Nothing changes.
export function lessonOpenProblem(nameOrLesson, step) {
  const named = typeof nameOrLesson === "string";
  if (named && !Object.hasOwn(LESSONS, nameOrLesson)) {
    return `there is no lesson "${nameOrLesson}" (${Object.keys(LESSONS).join(", ")})`;
  }
  const lesson = named ? LESSONS[nameOrLesson] : nameOrLesson;
  const problem = heldLessonProblem(lesson);
  if (problem) return `${named ? `the lesson ${nameOrLesson}` : "the lesson"}: ${problem}`;
  if (!Number.isInteger(step) || step < 1 || step > lesson.steps.length) {
    return `the lesson "${lesson.title}" has steps 1 to ${lesson.steps.length}, not ${step}`;
  }
  return "";
}

// Opens a lesson at a step, as above. "" or what is wrong; nothing is loaded then.
export function openLesson(nameOrLesson, step) {
  const problem = lessonOpenProblem(nameOrLesson, step);
  if (problem) return problem;
  const named = typeof nameOrLesson === "string", lesson = named ? LESSONS[nameOrLesson] : nameOrLesson;
  lessonNow = { name: named ? nameOrLesson : null, lesson: structuredClone(lesson), step, done: null, stepState: null };
  showStep(step);
  return "";
}

function showStep(step) {
  const now = lessonNow.lesson.steps[step - 1];
  loadingStep = true;
  took(call("lab_reset"));
  took(setText(stateText(now.state || {})));
  dropPixels();
  unmarkPixel();
  call("lab_mark", -1, -1);
  document.getElementById("terms").replaceChildren();
  lessonText("explain-text", "Click a pixel of the picture.");
  lessonText("explain-summary", "");
  lessonText("explain-json", "");
  if (now.hold) lab.hold();
  Object.assign(lessonNow, { step, done: now.task ? false : null, stepState: stateNow().text });
  lessonBox.hidden = false;
  lessonText("lesson-title", lessonNow.lesson.title);
  lessonText("lesson-step", `step ${step} of ${lessonNow.lesson.steps.length}`);
  lessonText("lesson-text", now.text);
  lessonText("lesson-question", now.question);
  document.getElementById("lesson-task").hidden = !now.task;
  lessonText("lesson-do", now.task ? now.task.do : "");
  showFinding("", false);
  document.getElementById("lesson-back").disabled = step === 1;
  document.getElementById("lesson-next").disabled = step === lessonNow.lesson.steps.length;
  showMenuChoice();
  refreshPanel();
  loadingStep = false;
  say("");
  checkTask();
}

function showFinding(text, done) {
  const result = document.getElementById("lesson-result");
  result.textContent = text;
  result.className = done ? "found" : "";
}

function closeLesson() {
  lessonNow = null;
  lessonBox.hidden = true;
  showMenuChoice();
}

// The task decided as the state and the marked pixel are now. A step once
// done stays done; a learner who has acted (changed the step's state or
// clicked a pixel) is told what is not yet so.
function checkTask() {
  const task = lessonNow && !loadingStep && lessonNow.lesson.steps[lessonNow.step - 1].task;
  if (!task || lessonNow.done) return;
  let result;
  const scene = sceneReadings(lessonNow.stepState);
  try {
    result = decideCheck(task.check, scene);
  } catch (error) {
    result = { ok: false, why: error.message };
  }
  if (!result.ok) {
    const acted = lab.markedPixel() || stateNow().text !== lessonNow.stepState;
    showFinding(acted ? `Not yet: ${result.why}.` : "", false);
    return;
  }
  lessonNow.done = true;
  const [x, y] = task.pixel || (result.pixel ? [result.pixel.x, result.pixel.y] : []);
  const explained = x === undefined ? null : showPixel(x, y);
  showFinding(`Done. ${filledText(task.found || "", scene, explained)}` +
              (explained ? `\nPixel (${x}, ${y}), marked and explained: ${explained.verdict}` : ""), true);
}
controls.push({ refresh(state, spinning) { if (!spinning) checkTask(); } });
afterClick.push(checkTask);

export const lessonsLab = {
  // Opens a lesson (a shipped one's name, or a lesson object) at a step
  // counted from 1; resolves with lessonState(), rejects naming what is
  // wrong (nothing is loaded then). null closes the lesson.
  lesson(nameOrLesson, step = 1) {
    return new Promise((resolve, reject) => {
      if (nameOrLesson === null) closeLesson();
      const problem = nameOrLesson === null ? "" : shortLine(openLesson(nameOrLesson, step));
      if (problem) {
        say(shortLine(`The lesson was not opened: ${problem}`), true);
        reject(new Error(problem));
      } else {
        showAddress();
        resolve(lab.lessonState());
      }
    });
  },
  lessonState() {
    return lessonNow ? { lesson: lessonNow.name || lessonNow.lesson.title, step: lessonNow.step, done: lessonNow.done }
      : { lesson: null, step: null, done: null };
  },
  // The open step's check decided on the scene as it is now ({ok, why,
  // pixel}), as after every change; throws what a check cannot decide.
  decideTask() {
    return decideCheck(lessonNow.lesson.steps[lessonNow.step - 1].task.check, sceneReadings());
  },
};

// The menu: a button that shows the list of lessons, each a button of its
// own, so a lesson opens on a choice (a click, Enter), never as the arrows
// go by it. The list closes on a choice, on Escape, on a click elsewhere
// and when the focus leaves it.
export function buildLessonMenu() {
  const item = (text, value) => {
    const button = element("button", { type: "button", textContent: text });
    button.dataset.lesson = value;
    button.addEventListener("click", () => {
      showMenu(false);
      if (value === "file") {
        lessonMenu.focus();
        lessonFile.click();
        return;
      }
      lab.lesson(value).then(() => document.getElementById("lesson-heading").focus(), () => {});
    });
    lessonList.append(element("li", {}, button));
  };
  for (const [name, lesson] of Object.entries(LESSONS)) item(lesson.title, name);
  item("A lesson of your own, from a file\u2026 (or drop it on the page)", "file");
}
function showMenu(open) {
  lessonList.hidden = !open;
  lessonMenu.setAttribute("aria-expanded", String(open));
}
// The lesson open is marked in the list.
function showMenuChoice() {
  for (const button of lessonList.querySelectorAll("button")) {
    button.setAttribute("aria-current", String(Boolean(lessonNow && button.dataset.lesson === lessonNow.name)));
  }
}
lessonMenu.addEventListener("click", () => {
  showMenu(lessonList.hidden);
  if (!lessonList.hidden) lessonList.querySelector("button").focus();
});
lessonList.parentElement.addEventListener("keydown", (event) => {
  if (event.key !== "Escape" || lessonList.hidden) return;
  showMenu(false);
  lessonMenu.focus();
});
document.addEventListener("pointerdown", (event) => {
  if (!lessonList.parentElement.contains(event.target)) showMenu(false);
});
lessonList.parentElement.addEventListener("focusout", (event) => {
  if (event.relatedTarget && !lessonList.parentElement.contains(event.relatedTarget)) showMenu(false);
});
// Back, Next, Close: the button pressed may go (disabled at the first or
// last step), so the focus stays in the lesson's box, on its heading.
function stepButton(id, act) {
  const button = document.getElementById(id);
  button.addEventListener("click", () => {
    act();
    showAddress();
    if (button.disabled) document.getElementById("lesson-heading").focus();
  });
}
stepButton("lesson-back", () => showStep(lessonNow.step - 1));
stepButton("lesson-next", () => showStep(lessonNow.step + 1));
document.getElementById("lesson-close").addEventListener("click", () => {
  closeLesson();
  showAddress();
  lessonMenu.focus();
});

// A teacher's lesson from a file, picked or dropped on the page.
async function openLessonFile(file) {
  const { lesson, problem } = await readLessonFile(file);
  if (problem) say(shortLine(`The lesson was not opened: ${problem}`), true);
  else lab.lesson(lesson).catch(() => {});
}
lessonFile.addEventListener("change", () => {
  if (lessonFile.files.length) openLessonFile(lessonFile.files[0]);
  lessonFile.value = "";
});
document.addEventListener("dragover", (event) => event.preventDefault());
document.addEventListener("drop", (event) => {
  event.preventDefault();
  if (labReady() && event.dataTransfer.files.length) openLessonFile(event.dataTransfer.files[0]);
});
