// The page's script: only what a browser alone can do. The form is the
// core's (WebAssembly, CalorvinCore, its functions typed in web/bridge.cpp):
// the script passes the boxes' texts and writes, shows, copies, prints or
// downloads what comes back.
"use strict";
(() => {
  const data = JSON.parse(document.getElementById("calorvin-data").textContent);
  const $ = (id) => document.getElementById(id);
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
    .then((core) => { core.start(data.clear.map((name) => boxes.indexOf(name))); return core; });
  // Results show the decimal separator of the browser's language; entries always use a point.
  const separator = new Intl.NumberFormat(navigator.language).formatToParts(1.5)
    .find((part) => part.type === "decimal")?.value || ".";
  let busy = false; // a command's boxes are up: nothing else starts
  let ended = false;

  // Writes boxes as the window does: each text shown from its start.
  function write(writes) {
    for (const { box, text } of writes) {
      const element = $(boxes[box]);
      element.value = text;
      element.setSelectionRange(0, 0);
      element.scrollLeft = 0;
    }
  }

  // One modal box at a time; the focus goes back where it was. OK or Esc
  // dismisses it and shows the next at once, in the same task.
  let dismiss = null;
  function showBox(title, text) {
    return new Promise((resolve) => {
      const dialog = $("warning");
      $("warningTitle").textContent = title;
      $("warningText").textContent = text;
      dismiss = () => { dismiss = null; dialog.close(); resolve(); };
      dialog.showModal();
      $("warningOk").focus();
    });
  }
  $("warningOk").addEventListener("click", () => dismiss?.());
  $("warning").addEventListener("cancel", (e) => { e.preventDefault(); dismiss?.(); });
  async function showBoxes(title, lines) {
    const back = document.activeElement;
    busy = true;
    for (const text of lines) await showBox(title, text);
    busy = false;
    if (back) back.focus();
  }

  async function calcola() {
    const run = (await ready).calcola(texts(), separator);
    write(run.writes);
    await showBoxes(data.warningTitle, run.warnings);
  }
  const cancella = async () => write((await ready).cancella());
  function uscita() {
    ended = true;
    window.close(); // allowed where the page is the only one its tab has shown
    document.body.classList.add("ended");
    $("ended").textContent = data.ended;
    $("ended").hidden = false;
  }
  const commands = { CmdCalcola: calcola, CmdCancella: cancella, CmdUscita: uscita };
  for (const [name, run] of Object.entries(commands))
    $(name).addEventListener("click", () => { if (!busy && !ended) run(); });

  // The test on record onto the clipboard, both forms, or the box saying why not.
  async function copyTest() {
    const test = (await ready).record(texts());
    if (test.refusal !== undefined) return showBoxes(data.warningTitle, [test.refusal]);
    const fill = (event) => {
      event.clipboardData.setData("text/plain", test.text);
      event.clipboardData.setData("text/html", test.html);
      event.preventDefault();
    };
    document.addEventListener("copy", fill);
    document.execCommand("copy");
    document.removeEventListener("copy", fill);
  }

  // The printed page as the core describes it: heading, margins and gaps, the window, the table and warnings.
  const printStyle = document.head.appendChild(document.createElement("style"));
  async function fillPrint() {
    const now = new Date();
    const page = (await ready).printed(texts(), data.title,
      [now.getFullYear(), now.getMonth() + 1, now.getDate(), now.getHours(), now.getMinutes()]);
    printStyle.textContent = `@page{size:A4;margin:${page.margin}mm}:root{--gap:${page.gap}px}`;
    const head = document.createElement("header");
    for (const text of [page.title, page.date]) head.append(Object.assign(document.createElement("span"), { textContent: text }));
    $("recordHead").replaceChildren(head);
    $("record").innerHTML = page.body ?? ""; // the core's HTML, every text escaped
    if (page.refusal !== undefined) await showBoxes(data.warningTitle, [page.refusal]);
    return page.refusal === undefined;
  }
  async function printTest() {
    if (await fillPrint()) window.print();
  }

  // The batch: a CSV file chosen or dropped; its results come back as a download.
  async function batch(file) {
    const core = await ready;
    const answer = core.batch(file.name, new Uint8Array(await file.arrayBuffer()), separator);
    if (answer.csv) {
      const link = document.createElement("a");
      link.href = URL.createObjectURL(new Blob([answer.csv], { type: "text/csv;charset=utf-8" }));
      link.download = file.name.replace(/(\.csv)?$/i, " risultati.csv");
      link.click();
      setTimeout(() => URL.revokeObjectURL(link.href), 60000);
    }
    const messages = answer.messages;
    if (messages.length) {
      const shown = messages.slice(0, 20).join("\n");
      await showBoxes(file.name, [messages.length > 20 ? `${shown}\n… (${messages.length} righe)` : shown]);
    }
  }
  $("csvFile").addEventListener("change", () => {
    const file = $("csvFile").files[0];
    $("csvFile").value = "";
    if (file) batch(file);
  });
  document.addEventListener("dragover", (e) => e.preventDefault());
  document.addEventListener("drop", (e) => {
    e.preventDefault();
    const file = e.dataTransfer.files[0];
    if (file && !busy && !ended) batch(file);
  });

  // The additions, by shortcut and by the menu of a right click outside the boxes.
  const additions = [copyTest, printTest, () => $("csvFile").click()];
  const menu = $("menu");
  data.menu.forEach((text, i) => {
    const item = Object.assign(document.createElement("div"), { textContent: text, tabIndex: -1 });
    item.setAttribute("role", "menuitem");
    item.addEventListener("click", () => { menu.hidden = true; additions[i](); });
    menu.append(item);
  });
  $("Calorvin").addEventListener("contextmenu", (e) => {
    if (e.target.matches("input") || busy || ended) return;
    e.preventDefault();
    Object.assign(menu.style, { left: `${e.clientX}px`, top: `${e.clientY}px` });
    menu.hidden = false;
  });
  document.addEventListener("mousedown", (e) => {
    if (!menu.contains(e.target)) menu.hidden = true;
    // Labels, lines and the background take no focus and react to no click.
    if (e.target.closest("#Calorvin") && !e.target.matches("input, button")) e.preventDefault();
  });
  document.querySelectorAll("#Calorvin label").forEach((l) => l.addEventListener("click", (e) => e.preventDefault()));
  window.addEventListener("beforeprint", () => { fillPrint(); });

  // Tab goes round the window's controls in the table's order, as on the desktop.
  const cycle = [...document.querySelectorAll("#Calorvin [tabindex]")].sort((a, b) => a.tabIndex - b.tabIndex);
  document.addEventListener("keydown", (e) => {
    if (ended || busy) return;
    if (e.key === "Escape") menu.hidden = true;
    if (e.key === "Tab") {
      const edge = e.shiftKey ? cycle[0] : cycle[cycle.length - 1];
      if (document.activeElement === edge || !cycle.includes(document.activeElement)) {
        e.preventDefault();
        (e.shiftKey ? cycle[cycle.length - 1] : cycle[0]).focus();
      }
    } else if (e.ctrlKey && e.shiftKey && e.code === "KeyC") {
      e.preventDefault();
      copyTest();
    } else if (e.ctrlKey && !e.shiftKey && (e.code === "KeyS" || e.code === "KeyP")) {
      e.preventDefault();
      printTest();
    } else if (e.ctrlKey && !e.shiftKey && e.code === "KeyO") {
      e.preventDefault();
      additions[2]();
    }
  });

  for (const box of document.querySelectorAll("#Calorvin input")) {
    // The whole text on hover, where it does not fit.
    box.addEventListener("mouseenter", () => {
      const text = box.value;
      box.title = box.scrollWidth <= box.clientWidth ? "" : text.length > 1000 ? text.slice(0, 1000) + "…" : text;
    });
    // A double-click selects the whole number: the run of non-blanks (or of blanks) clicked.
    box.addEventListener("dblclick", () => {
      const t = box.value;
      const blank = (c) => c === " " || c === "\t";
      let start = box.selectionStart;
      const onBlanks = (start >= t.length || blank(t[start])) && (start === 0 || blank(t[start - 1]));
      let end = start;
      while (start > 0 && blank(t[start - 1]) === onBlanks) --start;
      while (end < t.length && blank(t[end]) === onBlanks) ++end;
      if (end > start) box.setSelectionRange(start, end);
    });
  }
  cycle[0].focus();
})();
