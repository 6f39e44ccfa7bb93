"use strict";
// "As code": the state as the OpenGL 1.x calls that set it, and as the
// shader with its uniforms' values, each with a button that copies it.
function copyButton(source) {
  const button = element("button", { type: "button", textContent: "Copy" });
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

function buildCodeGroup() {
  const code = group("As code");
  const glCode = element("pre");
  const shaderCode = element("pre");
  code.append(element("details", {}, element("summary", { textContent: "OpenGL 1.x calls" }), copyButton(glCode), glCode),
              element("details", {}, element("summary", { textContent: "The shader, with its uniforms' values" }),
                      copyButton(shaderCode), shaderCode));
  controls.push({
    refresh() {
      const now = lab.code();
      glCode.textContent = now.gl;
      const uniforms = Object.entries(now.uniforms).map(([name, value]) =>
        `${name} = ${JSON.stringify(value)}`).join("\n");
      shaderCode.textContent = `/* Vertex shader */\n${now.vertex_shader}\n/* Fragment shader */\n` +
        `${now.fragment_shader}\n/* Uniforms for this frame */\n${uniforms}\n`;
    },
  });
}
