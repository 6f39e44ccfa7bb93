"use strict";
// The lab's script: its modules run in the order of their concerns (the
// program first, the start last), and window.lab, the page's interface, made
// of the program's methods and those of the picture, the view from outside,
// the history, before and after, the lessons and the address. links.js is
// imported before lessons.js so that lessons.js, which it imports, runs
// first: after a change a lesson's task is decided before the address is
// written with its step.
import { lab } from "./program.js";
import "./controls.js";
import "./panel.js";
import "./files.js";
import "./code.js";
import { pictureLab } from "./picture.js";
import "./terms.js";
import "./layout.js";
import "./keys.js";
import { outsideLab } from "./outside.js";
import { historyLab } from "./history.js";
import { compareLab } from "./compare.js";
import "./lesson-checks.js";
import "./lesson-limits.js";
import { linksLab } from "./links.js";
import { lessonsLab } from "./lessons.js";
import "./start.js";

window.lab = Object.assign(lab, pictureLab, outsideLab, historyLab, compareLab, lessonsLab, linksLab);
