// The page's script: only what a browser alone can do. The form is the core's (WebAssembly,
// CalorvinCore, typed in web/bridge.cpp): the script passes the boxes' texts and shows what comes back.
"use strict";
(() => {
  const data = JSON.parse(document.getElementById("calorvin-data").textContent);
  const $ = (id) => document.getElementById(id);
  const element = (tag, properties) => Object.assign(document.createElement(tag), properties);
  // The fifteen boxes as the core numbers them: the entries, then the results.
  const boxes = [...data.entries, ...data.results];
  const texts = () => boxes.map((name) => $(name).value);
  // The core is made once the window is drawn with its fonts: its bytes,
  // decoded off the main thread, and its compilation hold back no frame.
  const ready = document.fonts.ready
    .then(() => new Promise((drawn) => requestAnimationFrame(() => setTimeout(drawn))))
    .then(() => fetch("data:application/wasm;base64," + $("calorvin-core").textContent))
    .then((response) => response.arrayBuffer())
    .then((bytes) => CalorvinCore({ wasmBinary: new Uint8Array(bytes) }))
    .then((made) => (core = made));
  let core = null; // once made, for what cannot wait: a double-click, a tooltip
  // Results show the decimal separator of the browser's language (a point for one no number format knows, "C").
  const separator = (() => { try { return new Intl.NumberFormat(navigator.language).formatToParts(1.5)[1].value; }
                             catch { return "."; } })(); // entries always use a point
  let busy = false, ended = false, menuBack = null; // busy: a command runs or waits for the core; nothing else starts

  // Writes boxes as the window does: each text shown from its start.
  const write = (writes) => writes.forEach(({ box, text }) =>
    Object.assign($(boxes[box]), { value: text, scrollLeft: 0 }).setSelectionRange(0, 0));

  // Modal boxes one at a time, then the focus back where it was. OK or Esc
  // dismisses one and shows the next at once, in the same task.
  let dismiss = null;
  $("warningOk").addEventListener("click", () => dismiss?.());
  $("warning").addEventListener("cancel", (e) => { e.preventDefault(); dismiss?.(); });
  async function showBoxes(title, lines) {
    for (const text of lines) {
      $("warningTitle").textContent = title, $("warningText").textContent = text;
      $("warning").showModal(), $("warningOk").focus();
      await new Promise((resolve) => { dismiss = () => { dismiss = null; $("warning").close(); resolve(); }; });
    }
  }
  // One command at a time from its start, also while it waits for the core; then the focus back where it was.
  async function exclusive(command, ...args) {
    const back = !busy && !ended && (busy = true) && document.activeElement;
    if (back) try { await command(...args); } finally { busy = false, back.focus(); }
  }

  const commands = {
    CmdCalcola: async () => {
      const run = (await ready).calcola(texts(), separator);
      write(run.writes);
      await showBoxes(data.warningTitle, run.warnings);
    },
    CmdCancella: async () => write((await ready).cancella()),
    CmdUscita: () => { // window.close() is allowed where the page is the only one its tab has shown
      ended = true, window.close(), document.body.classList.add("ended");
      Object.assign($("ended"), { textContent: data.ended, hidden: false });
    },
  };
  for (const [name, run] of Object.entries(commands))
    $(name).addEventListener("click", () => exclusive(run));
  // The test on record onto the clipboard, both forms, or the box saying why not.
  async function copyTest() {
    const test = (await ready).record(texts());
    if (test.refusal !== undefined) return showBoxes(data.warningTitle, [test.refusal]);
    const fill = (e) => (e.preventDefault(), e.clipboardData.setData("text/plain", test.text),
                         e.clipboardData.setData("text/html", test.html));
    // Some engines copy nothing from a collapsed selection (a caret in a box): a scratch text is selected.
    const box = document.activeElement, at = [box.selectionStart, box.selectionEnd], scratch = element("span", { textContent: "-" });
    if (at[0] === at[1]) getSelection().selectAllChildren(document.body.appendChild(scratch));
    document.addEventListener("copy", fill), document.execCommand("copy"), document.removeEventListener("copy", fill);
    if (at[0] === at[1]) scratch.remove(), box.setSelectionRange?.(...at);
  }
  // The printed page as the core describes it: heading, margins and gaps, the window, the table and warnings.
  const printStyle = document.head.appendChild(element("style"));
  async function fillPrint() {
    const now = new Date();
    const page = (await ready).printed(texts(), data.title,
      [now.getFullYear(), now.getMonth() + 1, now.getDate(), now.getHours(), now.getMinutes()]);
    printStyle.textContent = `@page{size:A4;margin:${page.margin}mm}:root{--gap:${page.gap}px}`;
    $("recordHead").innerHTML = `<header>${page.heading}</header>`; // the core's HTML, every text escaped
    $("record").innerHTML = page.body ?? "";
    if (page.refusal !== undefined) await showBoxes(data.warningTitle, [page.refusal]);
    return page.refusal === undefined;
  }
  const printTest = async () => { if (await fillPrint()) window.print(); };
  window.addEventListener("beforeprint", () => { fillPrint(); });
  // The batch: a CSV file chosen or dropped; its results come back as a download, its messages in a box.
  async function batch(file) {
    const { csv, message } = (await ready).batch(file.name, new Uint8Array(await file.arrayBuffer()), separator);
    const href = csv && URL.createObjectURL(new Blob([csv], { type: "text/csv;charset=utf-8" }));
    if (href) element("a", { href, download: file.name.replace(/(\.csv)?$/i, " risultati.csv") }).click();
    if (href) setTimeout(() => URL.revokeObjectURL(href), 60000);
    if (message) await showBoxes(file.name, [message]);
  }
  const chooseFile = () => $("csvFile").click();
  $("csvFile").addEventListener("change", ({ target }) => (target.files[0] && exclusive(batch, target.files[0]), target.value = ""));
  document.addEventListener("dragover", (e) => e.preventDefault());
  document.addEventListener("drop", (e) => (e.preventDefault(), e.dataTransfer.files[0] && exclusive(batch, e.dataTransfer.files[0])));
  // The additions, by the menu of a right click outside the boxes, of the menu key or Shift+F10 on a button or the
  // window (a box keeps its own), and by their keys, as the window's table lists them.
  const menu = $("menu"), shortcuts = {}, closeMenu = () => { if (!menu.hidden) menu.hidden = true, menuBack?.focus(); };
  const byCommand = { copyTest: () => exclusive(copyTest), printTest: () => exclusive(printTest), evaluateCsv: chooseFile };
  data.menu.forEach(({ command, caption, keys }) => {
    menu.append(element("div", { textContent: caption, role: "menuitem", tabIndex: -1, onclick: () => (closeMenu(), byCommand[command]()) }));
    keys.forEach((key) => { shortcuts[key] = byCommand[command]; }); // "Ctrl+Shift+C"
  });
  const openMenu = (x, y) => (menuBack = document.activeElement,
    Object.assign(menu.style, { left: `${x}px`, top: `${y}px` }), menu.hidden = false, menu.firstChild.focus());
  $("Calorvin").addEventListener("contextmenu", (e) => { // the keyboard's menu may be open already
    if (!e.target.matches("input") && !busy && !ended) e.preventDefault(), menu.hidden && openMenu(e.clientX, e.clientY);
  });
  menu.addEventListener("keydown", (e) => {
    const item = document.activeElement, next = { ArrowDown: item.nextSibling ?? menu.firstChild,
                                                  ArrowUp: item.previousSibling ?? menu.lastChild }[e.key];
    if (next || e.key === "Enter" || e.key === " ") e.preventDefault(), next ? next.focus() : item.click();
  });
  document.addEventListener("mousedown", (e) => {
    if (!menu.contains(e.target)) closeMenu();
    // Labels, lines and the background take no focus and react to no click.
    if (e.target.closest("#Calorvin") && !e.target.matches("input, button")) e.preventDefault();
  });
  document.querySelectorAll("#Calorvin label").forEach((l) => l.addEventListener("click", (e) => e.preventDefault()));

  // Tab goes round the window's controls in the table's order, as on the desktop.
  const cycle = [...document.querySelectorAll("#Calorvin [tabindex]")].sort((a, b) => a.tabIndex - b.tabIndex);
  document.addEventListener("keydown", (e) => {
    if (ended || busy) return;
    if (e.key === "Escape") closeMenu();
    const at = (e.key === "ContextMenu" || (e.shiftKey && e.key === "F10")) && !e.target.matches("input")
      && (e.target.closest("#Calorvin [tabindex]") ?? $("Calorvin")).getBoundingClientRect();
    if (at) return e.preventDefault(), openMenu(at.left, at.bottom);
    const wraps = e.key === "Tab" && [e.shiftKey ? cycle[0] : cycle.at(-1), ...cycle].indexOf(document.activeElement) < 1;
    const run = wraps ? () => (e.shiftKey ? cycle.at(-1) : cycle[0]).focus()
      : shortcuts[[e.ctrlKey && "Ctrl", e.shiftKey && "Shift", e.altKey && "Alt", e.code.replace(/^Key/, "")].filter(Boolean).join("+")];
    if (run) e.preventDefault(), run();
  });

  // The whole text on hover, where it does not fit; a double-click selects the whole number.
  for (const box of document.querySelectorAll("#Calorvin input")) {
    box.addEventListener("mouseenter", () => { box.title = box.scrollWidth <= box.clientWidth ? "" : core?.tooltip(box.value) ?? ""; });
    box.addEventListener("dblclick", () => {
      const [start, end] = core?.runAt(box.value, box.selectionStart) ?? [0, 0];
      if (end > start) box.setSelectionRange(start, end);
    });
  }
  cycle[0].focus();
  // The window centred; in a viewport smaller than it, shown whole, scaled down.
  const fit = (w = $("Calorvin")) => w.style.setProperty("--fit", Math.min(1, innerWidth / w.offsetWidth, innerHeight / w.offsetHeight));
  addEventListener("resize", () => fit()), fit();
})();
