// The page, opened from disk, in one browser engine (drivers.mjs):
//
//     node page_test.mjs ENGINE PAGE LAYOUT_JSON CASE
//
// CASE is one key of CASES. The expectations come from the window's table
// (LAYOUT_JSON, written from ui/layout.h) and the core's reference test. A
// case an engine cannot drive is skipped there with its reason (exit 77).
import { readFileSync, writeFileSync, mkdtempSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";
import { launch } from "./drivers.mjs";

const HERE = dirname(fileURLToPath(import.meta.url));
const REFERENCE = { TxtPin: "20", TxtPout: "5", TxtB: "45", TxtH: "500", TxtN: "20", TxtQ: "100", TxtEta: "80", TxtCO: "250" };
const RESULTS = { TxtP: "5", TxtMw: "100", TxtPw: "2.32558139534884", TxtPa: "2.67441860465116", TxtCOppm: "200",
                  TxtDp: "15", TxtEtaw: "46.5116279069767" };
const RECORDED = [" 20", "5", "45", "500", "20", "100", "0,9", "250 µ"]; // computes and warns; copied trimmed, in UTF-8
const PRESS = "premere Calcola prima di copiare o salvare la prova.";
const NO_RUN = "Nessun calcolo da registrare: " + PRESS;
const TYPED_OVER = "I dati in uscita sono stati modificati dopo l'ultimo calcolo: " + PRESS;
const NOT_COMPUTED = "L'ultimo calcolo non ha prodotto risultati, quindi i dati in uscita non corrispondono ai dati in"
                   + " ingresso: correggere i dati in ingresso e " + PRESS;
const WARNINGS = [ // an empty form: every check but the final weight's, in check order
  ...["del peso iniziale", "della massa del combustibile in kg/h", "del potere calorifico del combustibile", "del salto termico",
      "della portata in l/h", "del rendimento"].map((what) => `Il valore immesso ${what} deve essere maggiore di zero`),
  "Il valore della media del CO normalizzato al 13% deve essere maggiore di zero"];
const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);
const active = (d) => d.js("return document.activeElement.id");
const boxOpen = (d) => d.js("return document.getElementById('warning').open");
async function until(d, body, what, ms = 10000) {
  for (const end = Date.now() + ms; Date.now() < end; await new Promise((r) => setTimeout(r, 50)))
    if (await d.js(body)) return;
  throw new Error(`waited ${ms} ms for ${what}`);
}
const boxShown = (d, what) => until(d, "return document.getElementById('warning').open", what);
// Types TEXT at the end of box ID, as a user who clicked into it.
const type = async (d, id, text) => d.type(text, await d.js("const b = document.getElementById(arguments[0]); b.focus();"
  + " b.setSelectionRange(b.value.length, b.value.length)", id));

// Each warning box in turn, as assistive tools see it; dismissed with Esc and Enter (or OK clicked) by turns.
async function dismissWarnings(d) {
  const seen = [];
  while (await boxOpen(d)) {
    const shown = await d.js("return ['warningTitle', 'warningText'].map((id) => document.getElementById(id).textContent)"
                             + ".concat(document.activeElement.textContent)");
    seen.push([await d.named("warning", "alertdialog", shown[0]) ? "alertdialog" : "?", ...shown]);
    await (seen.length % 2 ? d.press("Escape") : d.quirks.enterPressesButton ? d.press("Enter") : d.click("warningOk"));
  }
  return seen;
}

// Types these texts into the entry boxes, in table order, and presses Calcola.
async function calculate(d, entries = []) {
  for (const [i, text] of entries.entries()) await type(d, Object.keys(REFERENCE)[i], text);
  await d.click("CmdCalcola");
  await until(d, "return document.getElementById('warning').open || document.getElementById('TxtP').value !== ''", "Calcola");
}

async function referenceResults(d, separator) {
  await calculate(d, Object.values(REFERENCE));
  const shown = await d.js("return arguments[0].map((id) => document.getElementById(id).value)", Object.keys(RESULTS));
  const expected = Object.values(RESULTS).map((t) => t.replace(".", separator));
  return same(shown, expected) && !(await dismissWarnings(d)).length ? [] : [`shown ${shown}, expected ${expected}`];
}

// An empty form's warnings; Calcola pressed twice at once, and the copy with
// it, show each box once, one at a time, and every command ends.
async function emptyFormWarnings(d) {
  await d.js("const b = document.getElementById('CmdCalcola'); b.focus(); b.click(); b.click();"
    + " document.dispatchEvent(new KeyboardEvent('keydown', { ctrlKey: true, shiftKey: true, code: 'KeyC' }))");
  await boxShown(d, "a warning");
  const seen = await dismissWarnings(d);
  await d.press("Control+Shift+C"); // once the boxes are gone, refused: nothing computed
  seen.push(...await boxShown(d, "a warning").then(() => dismissWarnings(d)));
  const want = [...WARNINGS, NOT_COMPUTED].map((t) => ["alertdialog", "Attenzione !!!", t, "OK"]);
  const faults = same(seen, want) ? [] : [`warnings ${JSON.stringify(seen)}`];
  if (await active(d) !== "CmdCalcola") faults.push("the focus is not back on Calcola");
  if (await d.js("return arguments[0].some((id) => document.getElementById(id).value)", Object.keys(RESULTS)))
    faults.push("a result was written although the gate failed");
  return faults;
}

// A copy shortcut in box ID: what it put on the clipboard (text, and the HTML
// table's cells read back tab-separated), or null, and the warnings it showed.
async function copyShortcut(d, id, chord = "Control+Shift+C") {
  await d.js("window.copied = null; window.addEventListener('copy', (e) => { const t = e.clipboardData;"
    + " const cells = (r) => [...r.cells].map((c) => c.textContent).join('\\t') + '\\n';"
    + " window.copied = [t.getData('text/plain'), [...new DOMParser().parseFromString("
    + " t.getData('text/html'), 'text/html').querySelectorAll('tr')].map(cells).join('')]; }, { once: true })");
  await d.press(chord, await d.js("document.getElementById(arguments[0]).focus()", id));
  await until(d, "return window.copied || document.getElementById('warning').open", "a copy or a warning");
  return [await d.js("return window.copied"), (await dismissWarnings(d)).map((s) => s[2])];
}

// The copy after Calcola is the window's, both forms, with the caret in a box;
// plain Ctrl+C copies only the box's text; once a result is typed over,
// refused with the window's reason; Cancella blanks every box and forgets the
// run. The form's rules in full are the core's (tests/core/form_test.cpp).
async function recordAsTheWindow(d) {
  await calculate(d, RECORDED);
  await dismissWarnings(d);
  const table = readFileSync(join(HERE, "..", "ui", "recorded.tsv"), "utf8") // the window's test's, "_" its separator
    .replaceAll("_", ".").replace("\t250\t", "\t250 µ\t");
  const faults = [], expect = (ok, what) => ok || faults.push(what);
  let [copied, seen] = await copyShortcut(d, "TxtPin");
  expect(same(copied, [table, table]) && !seen.length, `copied ${JSON.stringify(copied)}, warnings ${seen}`);
  await d.js("document.getElementById('TxtB').select()");
  [copied, seen] = await copyShortcut(d, "TxtB", "Control+c"); // the browser's own copy: no data of ours
  expect(same(copied, ["", ""]) && !seen.length, `Ctrl+C copied ${JSON.stringify(copied)}, warnings ${seen}`);
  for (const _ of [1, 2]) { // the printed record, made afresh for each print
    await d.js("document.querySelector('#record ul')?.remove(); dispatchEvent(new Event('beforeprint'))");
    await until(d, "return document.querySelector('#record li') !== null", "the printed record"); }
  const printed = await d.js("const r = document.getElementById('record'), h = document.getElementById('recordHead');"
    + " return [r.querySelectorAll('table').length, r.querySelector('li').textContent,"
    + " [...h.querySelectorAll('span')].map((s) => s.textContent).join('|').replace(document.title + '|', ''),"
    + " [...document.styleSheets].flatMap((s) => [...s.cssRules]).filter((r) => r.type === CSSRule.PAGE_RULE).map((r) => r.style.margin).join()]");
  expect(same(printed.slice(0, 2), [1, WARNINGS[5]]) && /^\d\d\/\d\d\/\d{4} \d\d:\d\d$/.test(printed[2]) && printed[3].endsWith("12mm"),
         `printed ${printed}`);
  await type(d, "TxtDp", "9");
  [copied, seen] = await copyShortcut(d, "TxtDp");
  expect(same(seen, [TYPED_OVER]) && copied === null, `a result typed over: copied ${copied}, warnings ${seen}`);
  await d.click("CmdCancella");
  const shown = await d.js("return [...new Set([...document.querySelectorAll('#Calorvin input')].map((b) => b.value))]");
  [copied, seen] = await copyShortcut(d, "TxtPin");
  expect(same(shown, [" "]) && same(seen, [NO_RUN]) && copied === null, `after Cancella: boxes ${shown}, copied ${copied}, warnings ${seen}`);
  return faults;
}

// A CSV file chosen from the menu's input: its results as a download, its
// refused line in a box; a file of megabytes as well; and no address outside
// the page can be reached.
async function batch(d) {
  const lines = ["Pin;Pout;B;H;N;Q;Eta;CO", Object.values(REFERENCE).join(";"), '"x', Object.values(REFERENCE).join(";")];
  const path = join(mkdtempSync(join(tmpdir(), "calorvin-batch-")), "prova.csv");
  writeFileSync(path, lines.join("\n")); // no line break after the last test
  await d.js("window.blobs = []; const make = URL.createObjectURL; URL.createObjectURL = (b) => { blobs.push(b); return make(b); }");
  await d.upload("csvFile", path);
  await boxShown(d, "the refused line's box");
  const got = await d.js("return await window.blobs[0].text()");
  const test = [...Object.values(REFERENCE), ...Object.values(RESULTS)].join(";") + ";";
  const want = [lines[0] + ";P;Mw;Pw;Pa;COppm;Dp;Etaw;Avvisi", test, ";".repeat(15) + "virgolette non chiuse", test].join("\n") + "\n";
  let seen = await dismissWarnings(d);
  const faults = got === want && same(seen, [["alertdialog", "prova.csv", "riga 3: virgolette non chiuse", "OK"]])
    ? [] : [`results ${JSON.stringify(got)}, boxes ${JSON.stringify(seen)}`];
  const wide = join(dirname(path), "prova 16.csv"); // refused by its name
  writeFileSync(wide, "\ufeff" + lines[1], "utf16le");
  await d.upload("csvFile", wide);
  seen = await boxShown(d, "the UTF-16 file's box").then(() => dismissWarnings(d)).then((boxes) => boxes.map((s) => s[2]));
  if (!same(seen, ['calorvin: "prova 16.csv" è in UTF-16: salvarlo come CSV UTF-8'])) faults.push(`UTF-16: ${seen}`);
  writeFileSync(path, lines[0] + "\n" + (lines[1] + "\n").repeat(120000)); // 3.6 MB
  await d.js("window.blobs = []");
  await d.upload("csvFile", path);
  await until(d, "return window.blobs.length", "a large file's results", 30000);
  const big = await d.js("return (await window.blobs[0].text()).split('\\n').slice(1, -1)");
  if (big.length !== 120000 || new Set(big).size !== 1 || big[0] !== test) faults.push(`${big.length} results of a large file`);
  const blocked = await d.js("const blocked = []; addEventListener('securitypolicyviolation', (e) => blocked.push(e.blockedURI));"
    + " await Promise.allSettled(['https://example.org/', 'http://example.org/'].map((u) => fetch(u)));"
    + " await new Promise((r) => setTimeout(r, 200)); return blocked");
  return blocked.length === 2 ? faults : [...faults, `the network reachable: only ${blocked} blocked`];
}

async function tabOrder(d, layout) {
  const focusable = layout.filter((c) => c.kind === "box" || c.kind === "button").sort((a, b) => a.tabIndex - b.tabIndex);
  const expected = [...focusable.slice(1), focusable[0]].map((c) => c.name);
  const faults = (await active(d)) === "TxtPin" ? [] : [`first focus on ${await active(d)}`];
  const walked = [];
  for (const _ of expected) await d.press("Tab").then(async () => walked.push(await active(d)));
  if (!same(walked, expected)) faults.push(`Tab goes ${walked}`);
  await d.press("Shift+Tab");
  if (await active(d) !== expected.at(-2)) faults.push(`Shift+Tab from the first control goes to ${await active(d)}`);
  // Enter and Esc in a box press nothing; a click on a label moves no focus.
  for (const step of [() => d.click("TxtPin"), () => d.press("Enter"), () => d.press("Escape"), () => d.click("LBLPeso")]) await step();
  if (await active(d) !== "TxtPin" || await boxOpen(d)) faults.push("Enter, Esc or a label's click did something");
  // A double-click selects the run of non-blanks clicked in, from the start of the box on.
  for (const [at, run] of [[2, [0, 4]], [6, [5, 7]]])
    await d.js("const b = document.getElementById('TxtPin'); b.value = '12.5 kg'; b.setSelectionRange(arguments[0], arguments[0]);"
      + " b.dispatchEvent(new MouseEvent('dblclick')); return [b.selectionStart, b.selectionEnd]", at)
      .then((got) => same(got, run) || faults.push(`a double-click at ${at} in '12.5 kg' selects ${got}`));
  return faults;
}

async function geometry(d, layout) {
  const faults = [];
  const origin = await d.js("const r = document.getElementById('Calorvin').getBoundingClientRect(); return [r.x, r.y, r.width, r.height]");
  if (!await d.named("Calorvin", "main", await d.js("return document.title"))) faults.push("the window is not named as its title");
  if (Math.round(origin[2]) !== 632 || Math.round(origin[3]) !== 597) faults.push(`client area ${origin[2]} x ${origin[3]}`);
  for (const c of layout) {
    const [x, y, width, height, style, baseline] = await d.js(`const e = document.getElementById(arguments[0]), line = arguments[1];
      const r = e.getBoundingClientRect(), s = getComputedStyle(e);
      const mark = Object.assign(document.createElement('span'), { style: 'display: inline-block' }); // on the first baseline
      const baseline = arguments[2] && (e.prepend(mark), mark.getBoundingClientRect().bottom - r.top); mark.remove();
      return [r.x, r.y, r.width, r.height, [line ? s.backgroundColor : s.color, line ? '' : s.textAlign,
              s.fontFamily ? s.fontSize + ' ' + s.fontWeight + ' ' + s.fontStyle : ''], baseline]`,
      c.name, c.kind === "line", c.baseline);
    const got = [x - origin[0], y - origin[1], width, height];
    const want = [c.left / 15, c.top / 15, ...c.kind === "line" ? [(c.width - c.left) / 15, 1] : [c.width / 15, c.height / 15]];
    if (got.some((g, i) => Math.abs(g - want[i]) > 1)) faults.push(`${c.name} at ${got}, the window has ${want}`);
    if (style[0] !== c.style[0] || style[1] !== c.style[1] || (c.style[2] && style[2] !== c.style[2]))
      faults.push(`${c.name} drawn ${style}, the window has ${c.style}`);
    if (c.baseline && Math.abs(baseline - c.baseline) > 0.5)
      faults.push(`${c.name}'s first baseline ${baseline} px down, the window's ${c.baseline}`);
    // Accessible names collapse runs of blanks ("Portata  Q").
    if (c.kind === "box" && !(await d.named(c.name, "textbox", c.caption.replace(/\s+/g, " ").trim())
        && await d.js("return document.getElementById(arguments[0]).getAttribute('aria-description')", c.name))) faults.push(`${c.name} unnamed`);
  }
  const widths = readFileSync(join(HERE, "..", "ui", "caption_widths.tsv"), "utf8").split("\n")
    .filter((l) => l && !l.startsWith("#")).map((l) => l.split("\t"));
  for (const [name, width] of d.quirks.wholePixelAdvances ? [] : widths) { // as the window draws them
    const drawn = await d.js("const r = document.createRange(); r.selectNodeContents(document.getElementById(arguments[0]));"
                             + " return r.getBoundingClientRect().width", name);
    if (Math.abs(drawn - Number(width)) > 1.5) faults.push(`${name}'s caption ${drawn} px wide, the window's ${width}`);
  }
  // Every character a box may show (ASCII, Latin-1, "…") in the boxes' own face: none falls back to another font.
  const fallen = await d.js(`const s = getComputedStyle(document.getElementById('TxtPin')), c = document.createElement('canvas').getContext('2d');
    const width = (ch, fallback) => (c.font = [s.fontStyle, s.fontWeight, s.fontSize, s.fontFamily + ', ' + fallback].join(' '), c.measureText(ch).width);
    let all = '\u2026'; for (let i = 32; i < 256; ++i) if (i < 127 || i > 160) all += String.fromCharCode(i);
    return [...all].filter((ch) => width(ch, 'monospace') !== width(ch, 'serif')).join('')`);
  if (fallen) faults.push(`a box draws ${JSON.stringify(fallen)} in another face`);
  // A box's and a button's text centred on its face's line as in the window: ascent one em, descent a fifth of it.
  const lines = await d.js(`return ['TxtPin', 'CmdCalcola'].map((id) => { const s = getComputedStyle(document.getElementById(id));
    const c = document.createElement('canvas').getContext('2d'); c.font = [s.fontStyle, s.fontWeight, s.fontSize, s.fontFamily].join(' ');
    const m = c.measureText('0'), em = parseFloat(s.fontSize);
    return [id, m.fontBoundingBoxAscent, m.fontBoundingBoxDescent, em, Math.round(em / 5)]; }).filter((l) => l[1] !== l[3] || l[2] !== l[4])`);
  if (lines.length) faults.push(`a text's line (id, ascent, descent) ${lines}, the window's (em, a fifth)`);
  // Every caption on one line, as in the window, and drawn whole where it runs wider than its label.
  return faults.concat(await d.js(`return [...document.querySelectorAll('#Calorvin .l')].filter((e) => e.firstChild).filter((e) => {
    const r = document.createRange(); r.selectNodeContents(e.firstChild); const b = r.getBoundingClientRect();
    const over = document.elementFromPoint(b.right - 1, b.top + b.height / 2);
    return new Set([...r.getClientRects()].map((x) => Math.round(x.top))).size > 1 || !(over === e || over?.id === 'Calorvin');
  }).map((e) => e.id + "'s caption wraps or is cut")`));
}

// The additions' menu from the keyboard, on a button (a box keeps its own):
// open with its first item focused; Esc closes it and gives the focus back.
async function keyboardMenu(d, chord) {
  await d.press(chord, await d.js("document.getElementById('TxtPin').focus()"));
  const boxOwn = await d.js("return document.getElementById('menu').hidden");
  await d.press(chord, await d.js("document.getElementById('CmdCancella').focus()"));
  const shown = await d.js("const m = document.getElementById('menu'); return !m.hidden && document.activeElement === m.firstChild");
  await d.press("Escape");
  const closed = await d.js("return document.getElementById('menu').hidden") && await active(d) === "CmdCancella";
  return shown && closed && boxOwn ? [] : [`${chord}: menu shown with its first item focused ${shown}, closed back ${closed}, a box its own ${boxOwn}`];
}

// A viewport smaller than the window scales it down whole, centred; a larger
// one shows it at its own size, centred.
async function smallViewport(d) {
  const faults = [];
  for (const [w, h] of [[400, 300], [1000, 400], [900, 800]]) {
    await d.viewport(w, h).then(() => new Promise((r) => setTimeout(r, 200)));
    const [vw, vh, scrolls, ...got] = await d.js("const r = document.getElementById('Calorvin').getBoundingClientRect(), e = document"
      + ".scrollingElement; return [innerWidth, innerHeight, e.scrollWidth > e.clientWidth || e.scrollHeight > e.clientHeight, r.x, r.y, r.width, r.height]");
    const scale = Math.min(1, vw / 632, vh / 597), want = [(vw - 632 * scale) / 2, (vh - 597 * scale) / 2, 632 * scale, 597 * scale];
    if (scrolls || got.some((g, i) => Math.abs(g - want[i]) > 1.5)) faults.push(`in ${vw} x ${vh}: the window at ${got}, scrolls ${scrolls}; want ${want}`);
  }
  return faults;
}

// As a screen reader's browse mode reads the window: row by row from the top
// (a control within 8 px below a row's first is in that row), each row from
// the left; a subscript with its word, each formula as one text; and what is
// drawn on top where controls overlap is the window's.
async function readingOrder(d, layout) {
  const [read, places] = await d.js(`const shown = [...document.getElementById('Calorvin').children]
      .filter((e) => e.getAttribute('aria-hidden') !== 'true' && !e.classList.contains('sr'));
    return [[...document.getElementById('Calorvin').querySelectorAll(':scope > :not([aria-hidden])')]
      .map((e) => e.textContent.replace(/\\s+/g, ' ').trim()).filter(Boolean), shown.map((e) => [e.offsetTop, e.offsetLeft, e.id])]`);
  const faults = [];
  places.reduce((row, [top, left, id], i) => (i && (top < row || (top - row <= 8 && left < places[i - 1][1]))
    && faults.push(`${id} read after ${places[i - 1][2]}`), i && top - row <= 8 ? row : top), 0);
  for (const [text, times] of [["CO al 13% di O2", 2], ["P = Rendimento x B x H / 100 x 3600", 1], ["Rend. Acqua = Pw / P x 100", 1],
                                ["CO al 13% di O2 [ppm] = CO al 13% di O2 [mg/m³] / 1,25", 1]]) // a caption in each column; a formula once
    if (read.filter((t) => t === text).length !== times) faults.push(`"${text}" is not read as one text ${times} times`);
  faults.push(...read.filter((t) => ["2", "²", "P  =", "Pw"].includes(t)).map((t) => `"${t}" read alone`));
  // The top-most control at the centre of each control and of each overlap of two, as the window stacks them.
  const box = (c) => [c.left, c.top, c.kind === "line" ? c.width : c.left + c.width, c.top + (c.kind === "line" ? 15 : c.height)].map((t) => t / 15);
  for (const [x0, y0, x1, y1] of layout.flatMap((c, i) => layout.slice(i).map((o) => box(c).map((v, i) => (i < 2 ? Math.max : Math.min)(v, box(o)[i]))))
    .filter(([x0, y0, x1, y1]) => x0 < x1 && y0 < y1)) {
    const [x, y] = [(x0 + x1) / 2, (y0 + y1) / 2];
    const top = layout.filter((o) => box(o)[0] <= x && x < box(o)[2] && box(o)[1] <= y && y < box(o)[3])
      .sort((a, b) => b.stacking - a.stacking)[0].name;
    const hit = await d.js("const r = document.getElementById('Calorvin').getBoundingClientRect();"
      + " return document.elementFromPoint(r.x + arguments[0], r.y + arguments[1]).closest('#Calorvin > *').id", x, y);
    if (hit !== top) faults.push(`${hit} drawn on top at ${x}, ${y}, the window draws ${top}`);
  }
  return faults;
}

// case: [browser language, check, {engine: why it cannot be driven there}]
const CASES = {
  reference_point: ["en-US", (d) => referenceResults(d, ".")],
  reference_comma: ["it-IT", (d) => referenceResults(d, ",")],
  reference_c_locale: ["C", (d) => referenceResults(d, ".")], // a language tag no number format knows
  keyboard_menu: ["en-US", (d) => keyboardMenu(d, "Shift+F10")],
  menu_key: ["en-US", (d) => keyboardMenu(d, "ContextMenu"), { // a keyboard's Menu key
    firefox: "puppeteer's BiDi keyboard knows no Menu key", webkit: "W3C WebDriver has no code for the Menu key" }],
  small_viewport: ["en-US", smallViewport],
  reading_order: ["en-US", readingOrder],
  empty_form_warnings: ["it-IT", emptyFormWarnings],
  record_as_the_window: ["en-US", recordAsTheWindow],
  tab_order: ["en-US", tabOrder],
  geometry: ["en-US", geometry],
  batch: ["en-US", batch],
};

async function main([engine, page, layoutJson, name]) {
  const [language, check, skips = {}] = CASES[name] ?? [];
  if (!check || !["chromium", "firefox", "webkit"].includes(engine))
    return console.error(`usage: node page_test.mjs chromium|firefox|webkit PAGE LAYOUT_JSON CASE\ncases: ${Object.keys(CASES)}`) ?? 2;
  if (skips[engine]) return console.log(`${name}: skipped in ${engine}: ${skips[engine]}`) ?? 77;
  const d = await launch(engine, language);
  let faults;
  try {
    await d.open("file://" + page);
    await until(d, "return document.fonts.status === 'loaded'", "the fonts");
    faults = await check(d, JSON.parse(readFileSync(layoutJson, "utf8")));
    faults.push(...(await d.errors()).filter((e) => !/Content.Security.Policy/i.test(e)) // the refusals are logged
      .map((e) => `console: ${e.slice(0, 300)}`));
  } catch (e) { faults = [e.stack]; } finally { await d.close(); }
  for (const f of faults) console.log(`${name} in ${engine}: ${f}`);
  return faults.length ? 1 : 0;
}

process.exitCode = await main(process.argv.slice(2));
