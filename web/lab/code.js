"use strict";
// "As code": the state as the OpenGL 1.x calls that set it, and as the
// shader with its uniforms' values, each with a button that copies it.
import { controls, lab } from "./program.js";
import { element, group } from "./controls.js";
function copyButton(source, what) {
  const button = element("button", { type: "button", textContent: "Copy" });
  button.setAttribute("aria-label", `Copy ${what}`);
  button.addEventListener("click", () => {
    const area = element("textarea");
    area.value = source.textContent;
    document.body.append(area);
    area.select();
    document.execCommand("copy");
    area.remove();
  });
  return button;
}

export function buildCodeGroup() {
  const code = group("As code");
  const glCode = element("pre", { tabIndex: 0 });  // it scrolls: the keys can scroll it
  const shaderCode = element("pre", { tabIndex: 0 });
  code.append(element("details", {}, element("summary", { textContent: "OpenGL 1.x calls" }),
                      copyButton(glCode, "the OpenGL calls"), glCode),
              element("details", {}, element("summary", { textContent: "The shader, with its uniforms' values" }),
                      copyButton(shaderCode, "the shader"), shaderCode));
  // Written only while one of the two is open: the state as code is long,
  // and a change does not need it closed; opened, it is brought up to date.
  let stale = true;
  const views = [...code.querySelectorAll("details")];
  const refresh = () => {
    stale = !views.some((view) => view.open);
    if (stale) return;
    const now = lab.code();
    glCode.textContent = now.gl;
    const uniforms = Object.entries(now.uniforms).map(([name, value]) =>
      `${name} = ${JSON.stringify(value)}`).join("\n");
    shaderCode.textContent = `/* Vertex shader */\n${now.vertex_shader}\n/* Fragment shader */\n` +
      `${now.fragment_shader}\n/* Uniforms for this frame */\n${uniforms}\n`;
  };
  for (const view of views) view.addEventListener("toggle", () => { if (view.open && stale) refresh(); });
  controls.push({ refresh });
}
