"use strict";
// The state in the page's address: #state= and the JSON of the fields that
// differ from the demo's values (kept with the state, program.js), so a link is
// short and can be written by hand: #state={"mode":2}. A lesson opened from
// the menu is named before it, with its step counted from 1:
// #lesson=spotlight&step=2, then &state= once the learner changes the step's
// state. The address follows the changes through replaceState, adding no
// step to the browser's history, once they rest and every few seconds
// while they go on (writing it costs the browser's process more than a
// frame); a page opened at such an address starts
// from it, or says why not and starts from the demo's values.
import { call, controls, dropPixels, lab, labReady, refreshPanel, say, setText, stateNow, stateText, took } from "./program.js";
import { element } from "./controls.js";
import { shortLine } from "./lesson-limits.js";
import { lessonNow, lessonOpenProblem, lessonStepState, openLesson } from "./lessons.js";

// What a browser keeps as it is in a fragment, and encodeURIComponent
// escapes: written back, so the JSON stays readable.
const KEPT_IN_FRAGMENT = /%(7B|7D|5B|5D|3A|2C)/g;
const readable = (text) => encodeURIComponent(text).replace(KEPT_IN_FRAGMENT, (code) => decodeURIComponent(code));

function addressFragment() {
  const parts = [];
  const stepState = lessonStepState();
  if (stepState && lessonNow.name) parts.push(`lesson=${readable(lessonNow.name)}`, `step=${lessonNow.step}`);
  const { text, changesText: changes } = stateNow();
  if (changes !== "{}" && !(stepState && stepState === text && lessonNow.name)) {
    parts.push(`state=${readable(changes)}`);
  }
  return parts.join("&");
}

function linkNow() {
  const fragment = addressFragment();
  return location.href.split("#")[0] + (fragment ? `#${fragment}` : "");
}

// The address as the state is now: written in a task of its own once the
// changes have rested ADDRESS_AT_REST_MS, at the latest ADDRESS_EVERY_MS
// after the first change not yet written (a long drag), and before the page
// goes. A stream of changes at every frame thus writes it a few times in
// all, never once a frame.
const ADDRESS_AT_REST_MS = 250;
const ADDRESS_EVERY_MS = 2000;
let addressTimer = 0;
let unwrittenSince = 0;  // when the first change not yet written came, or 0
export function showAddress() {
  clearTimeout(addressTimer);
  addressTimer = 0;
  unwrittenSince = 0;
  const address = linkNow();
  if (address !== location.href) history.replaceState(history.state, "", address);
}
controls.push({
  refresh() {
    const now = performance.now();
    if (!unwrittenSince) unwrittenSince = now;
    clearTimeout(addressTimer);
    const wait = Math.min(ADDRESS_AT_REST_MS, unwrittenSince + ADDRESS_EVERY_MS - now);
    addressTimer = setTimeout(showAddress, Math.max(0, wait));
  },
});
window.addEventListener("pagehide", () => { if (addressTimer) showAddress(); });

// Opens what the address names: a lesson at a step, a state, or both (the
// lesson's step, then the state the learner had made of it). All of it is
// checked before anything changes: an address that cannot be used is said,
// and the page keeps what it had (at the start, the demo's values).
export function openAddress(starting) {
  const fields = {};
  let problem = "";
  for (const part of location.hash.slice(1).split("&").filter(Boolean)) {
    const at = part.indexOf("=");
    const key = part.slice(0, at < 0 ? part.length : at);
    try {
      fields[key] = decodeURIComponent(part.slice(at + 1));
    } catch (error) {
      problem = problem || `${key}= is not URI-encoded text`;
    }
    if (!["lesson", "step", "state"].includes(key)) problem = problem || `it holds "${key}", not state= or lesson=`;
  }
  const step = fields.step === undefined ? 1 : Number(fields.step);
  if (!problem && fields.lesson !== undefined) problem = lessonOpenProblem(fields.lesson, step);
  if (!problem && fields.state !== undefined) problem = setText(stateText(fields.state), "lab_check_state");
  if (problem) {
    refreshPanel();
    say(shortLine(`The address was not used: ${problem}. ` +
                  (starting ? "These are the demo's values." : "The lab keeps what it had.")), true);
    return problem;
  }
  if (fields.lesson !== undefined) openLesson(fields.lesson, step);
  if (fields.state !== undefined) {
    took(call("lab_reset"));
    took(setText(stateText(fields.state)));
  }
  dropPixels();
  refreshPanel();
  return "";
}

// The address changed by hand, with no new page: what it names now.
window.addEventListener("hashchange", () => {
  if (labReady() && location.href !== linkNow()) openAddress(false);
});

// The link on the clipboard: the browser's clipboard where the page may use
// it, else a text field's selection copied, as a page opened from disk can.
async function copyLink() {
  const address = lab.link();
  try {
    await navigator.clipboard.writeText(address);
  } catch (error) {
    const field = element("textarea", { value: address });
    document.body.append(field);
    field.select();
    document.execCommand("copy");
    field.remove();
  }
  say(`The link is on the clipboard (${address.length} characters): ${address}`);
}
document.getElementById("copy-link").addEventListener("click", copyLink);

export const linksLab = {
  // The address of the state as it is now (and of the lesson's step).
  link() {
    showAddress();
    return linkNow();
  },
};
