"use strict";
// The terms as a picture, above a clicked pixel's text: for red, green and
// blue a bar of the terms GL adds up (emission, global ambient, then each
// light's ambient, diffuse and specular), each part in its term's hue, a
// line at 1 where GL clamps and the part beyond it hatched; then the colour
// the equation gives, the corners GL blended (per-vertex shading) or the
// fragment's own sum (per pixel), and the colour drawn, as swatches. A table
// beside it holds the same numbers, for screen readers and for copying.
import { element } from "./controls.js";
const SVG_NS = "http://www.w3.org/2000/svg";
const TERM_CHANNELS = ["red", "green", "blue"];
const BLEND_CORNERS = ["A", "B", "C"];
const TERMS_CHART = { width: 320, left: 40, right: 44, top: 16, bar: 22, gap: 8 };

function svgElement(tag, attributes, ...children) {
  const e = document.createElementNS(SVG_NS, tag);
  for (const [name, value] of Object.entries(attributes)) e.setAttribute(name, value);
  for (const child of children) e.append(child);
  return e;
}

// The terms that add up to the sum, in the order GL adds them; none where
// no solid is under the pixel. `key` names the explanation's field.
function termsOf(explained) {
  if (!explained.surface) return [];
  const terms = [{ key: "emission", name: "emission", short: "E", value: explained.emission },
                 { key: "global_ambient", name: "global ambient", short: "G", value: explained.global_ambient }];
  explained.lights.forEach((light, i) => {
    if (!light.on) return;
    for (const kind of ["ambient", "diffuse", "specular"]) {
      terms.push({ key: `lights.${i}.${kind}`, name: `light ${i} ${kind}`, short: `${i}${kind[0]}`, value: light[kind] });
    }
  });
  return terms;
}

// A term's hue: its colour brightened until its largest channel is 1, as
// the bar's length already shows how much of it there is.
function hueOf(rgb) {
  const top = Math.max(...rgb);
  return top > 0 ? `rgb(${rgb.map((v) => Math.round((255 * v) / top)).join(", ")})` : "#000";
}

// A hue's relative luminance, as the contrast of text is reckoned (sRGB).
function luminanceOf(rgb) {
  const top = Math.max(...rgb);
  const linear = (v) => (v <= 0.04045 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4);
  const [r, g, b] = rgb.map((v) => linear(top > 0 ? v / top : 0));
  return 0.2126 * r + 0.7152 * g + 0.0722 * b;
}
// Black or white text on a term's hue, whichever stands out more: at
// least 4.5:1 on any hue (black on pure red is 5.25:1, white only 4.0:1).
const lightInkOn = (rgb) => 1.05 / (luminanceOf(rgb) + 0.05) > (luminanceOf(rgb) + 0.05) / 0.05;

// A weight as shown: a corner's -0.000001 (the pixel's centre on its edge) is 0.
const cornerWeight = (w, decimals) => (Math.abs(w) < 0.5 * 10 ** -decimals ? 0 : w).toFixed(decimals);
const levelsOf = (rgb) => rgb.map((v) => Math.round(255 * Math.min(Math.max(v, 0), 1)));
const cssColour = (levels) => `rgb(${levels.map(Math.round).join(", ")})`;

function barChart(terms, sum) {
  const { width, left, right, top, bar, gap } = TERMS_CHART;
  const most = Math.max(1.25, Math.ceil(Math.max(...sum) * 4) / 4);
  const scale = (width - left - right) / most;
  const height = top + 3 * (bar + gap) + 12;
  const chart = svgElement("svg", { width, height, viewBox: `0 0 ${width} ${height}`, role: "img",
                                    "aria-label": "The terms added up for red, green and blue" },
    svgElement("defs", {}, svgElement("pattern", { id: "over-one", width: 6, height: 6, patternUnits: "userSpaceOnUse",
                                                   patternTransform: "rotate(45)" },
      svgElement("rect", { width: 6, height: 6, fill: "rgba(255, 255, 255, 0.6)" }),
      svgElement("rect", { width: 2, height: 6, fill: "rgba(0, 0, 0, 0.45)" }))));
  TERM_CHANNELS.forEach((channel, c) => {
    const y = top + c * (bar + gap);
    chart.append(svgElement("text", { x: 0, y: y + bar / 2 + 4 }, channel));
    let x = left;
    for (const term of terms) {
      const length = term.value[c] * scale;
      if (length <= 0) continue;
      const part = svgElement("rect", { class: "term", "data-term": term.key, "data-channel": c, x, y,
                                        width: length, height: bar, fill: hueOf(term.value) },
                              svgElement("title", {}, `${term.name}, ${channel}: ${term.value[c].toFixed(4)}`));
      chart.append(part);
      if (length >= 16) {
        chart.append(svgElement("text", { x: x + length / 2, y: y + bar / 2 + 4, "text-anchor": "middle",
                                          class: lightInkOn(term.value) ? "on-term light-ink" : "on-term",
                                          "data-on": hueOf(term.value), "pointer-events": "none" }, term.short));
      }
      x += length;
    }
    if (sum[c] > 1) {
      chart.append(svgElement("rect", { class: "over", x: left + scale, y, width: (sum[c] - 1) * scale, height: bar },
                              svgElement("title", {}, `${channel}: ${(sum[c] - 1).toFixed(4)} over 1, clamped away`)));
    }
    chart.append(svgElement("rect", { class: "outline", x: left, y, width: Math.max(sum[c], 0) * scale, height: bar }),
                 svgElement("text", { x: width - right + 4, y: y + bar / 2 + 4 }, sum[c].toFixed(3)));
  });
  const bottom = top + 3 * (bar + gap) - gap;
  // At most 7 ticks, however large the sum (attenuation can make it 100).
  const step = [0.5, 1, 2, 5, 10, 20, 50, 100, 200, 500, 1000].find((d) => most / d <= 6) || most;
  for (let tick = 0; tick <= most + 1e-9; tick += step) {
    chart.append(svgElement("text", { class: "tick", x: left + tick * scale, y: bottom + 11, "text-anchor": "middle" },
                            String(tick)));
  }
  chart.append(svgElement("line", { class: "clamp", x1: left + scale, x2: left + scale, y1: top - 4, y2: bottom + 2 }),
               svgElement("text", { class: "clamp-label", x: left + scale, y: top - 6, "text-anchor": "middle" },
                          "1: GL clamps"));
  return chart;
}

// A swatch with a caption under it.
function termSwatch(levels, caption) {
  return element("figure", {}, element("span", { className: "swatch", style: `background: ${cssColour(levels)}` }),
                 element("figcaption", { textContent: caption }));
}

// What GL made of the sum: the equation at the point, clamped; then the
// corners GL blended, or the fragment's own sum, and the colour drawn.
function blendRow(explained) {
  const block = element("div", { className: "blend" });
  const say = (text, line) => element("span", { className: line ? "line" : "", textContent: text });
  if (explained.surface) {
    const levels = levelsOf(explained.equation);
    block.append(termSwatch(levels, ""), say(`the sum, clamped: ${levels.join(", ")}`));
  }
  if (explained.fragment) {
    block.append(say("GL drew the fragment's own sum, with its normal blended:", true),
                 termSwatch(levelsOf(explained.fragment.colour), "fragment"), "\u2192");
  } else if (explained.weights) {
    block.append(say("GL blended the colours it lit the corners with:", true));
    explained.vertices.forEach((corner, k) => {
      const colour = corner.colour || corner.model_colour;
      const weight = cornerWeight(explained.weights[k], 2);
      if (colour) block.append(termSwatch(levelsOf(colour), `${BLEND_CORNERS[k]} \u00d7${weight}`));
    });
    block.append("=", termSwatch(explained.interpolated, "blend"), "\u2192");
  }
  block.append(termSwatch(explained.drawn, "drawn"));
  return block;
}

// The table of the same numbers: the terms and their sum in 0 to 1, then
// 8-bit levels for what GL drew.
function termsTable(explained, terms) {
  const table = element("table", {}, element("caption", { textContent: "The same numbers" }),
    element("thead", {}, element("tr", {}, element("th", { scope: "col", textContent: "term" }),
                                 ...TERM_CHANNELS.map((channel) => element("th", { scope: "col", textContent: channel })))));
  const body = element("tbody");
  const row = (key, name, values, decimals, className, colour) => {
    const header = element("th", { scope: "row" });
    if (colour) header.append(element("span", { className: "swatch", style: `background: ${colour}` }), " ");
    header.append(name);
    const tr = element("tr", { className: className || "" }, header,
                       ...values.map((v) => element("td", { textContent: v.toFixed(decimals) })));
    if (key) tr.dataset.term = key;
    body.append(tr);
  };
  const termRow = (term) => row(term.key, term.name, term.value, 4, "", hueOf(term.value));
  terms.filter((term) => !term.key.startsWith("lights.")).forEach(termRow);
  explained.lights.forEach((light, i) => {
    if (light.on) terms.filter((term) => term.key.startsWith(`lights.${i}.`)).forEach(termRow);
    else body.append(element("tr", {}, element("th", { scope: "row", textContent: `light ${i}` }),
                             element("td", { colSpan: 3, textContent: "off" })));
  });
  if (explained.surface) {
    row("sum", "sum", explained.sum, 4, "total");
    row("equation", "clamped", explained.equation, 4);
    row("levels", "\u00d7 255", levelsOf(explained.equation), 0, "total");
  }
  if (explained.fragment) {
    row("fragment", "fragment", levelsOf(explained.fragment.colour), 0);
  } else if (explained.weights) {
    explained.vertices.forEach((corner, k) => {
      const colour = corner.colour || corner.model_colour;
      const name = `${BLEND_CORNERS[k]} \u00d7 ${cornerWeight(explained.weights[k], 3)}`;
      if (colour) row(`corner.${k}`, name, levelsOf(colour), 0);
    });
    row("interpolated", "blend", explained.interpolated, 2);
  }
  row("drawn", "drawn", explained.drawn, 0, "total");
  table.append(body);
  return table;
}

// Shows `explained` (window.lab.explain's answer) as the chart and table.
export function showTerms(explained) {
  const terms = termsOf(explained);
  const place = document.getElementById("terms");
  const chart = element("div", { className: "chart" });
  if (terms.length) {
    chart.append(barChart(terms, explained.sum), element("p", { className: "key",
      textContent: "E emission, G global ambient; 0a, 0d, 0s: light 0's ambient, diffuse, specular" }));
  } else {
    chart.append(element("p", { textContent: "No solid under this pixel: nothing is lit here." }));
  }
  chart.append(blendRow(explained));
  place.replaceChildren(chart, termsTable(explained, terms));
}
