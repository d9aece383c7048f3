// The page's script: only what C++ cannot do in a browser. It passes the
// boxes' texts to the core (WebAssembly, CalorvinCore) and shows what comes
// back: results, warnings one at a time, the test on record, the batch.
"use strict";
(() => {
  const data = JSON.parse(document.getElementById("calorvin-data").textContent);
  const $ = (id) => document.getElementById(id);
  // The core is made once the window is drawn with its fonts: its bytes,
  // decoded off the main thread, and its compilation hold back no frame.
  const ready = document.fonts.ready
    .then(() => new Promise((drawn) => requestAnimationFrame(() => setTimeout(drawn))))
    .then(() => fetch("data:application/wasm;base64," + $("calorvin-core").textContent))
    .then((response) => response.arrayBuffer())
    .then((bytes) => CalorvinCore({ wasmBinary: new Uint8Array(bytes) }));
  // Results show the decimal separator of the browser's language; entries always use a point.
  const separator = new Intl.NumberFormat(navigator.language).formatToParts(1.5)
    .find((part) => part.type === "decimal")?.value || ".";
  let busy = false; // a command's boxes are up: nothing else starts
  let ended = false;
  let lastWarnings = []; // of the last Calcola, for the printed record

  // Calls a core function with these arguments: numbers as they are, strings
  // as UTF-8 on the heap for the length of the call.
  function call(core, name, ...args) {
    const pointers = [];
    const passed = args.map((a) => {
      if (typeof a === "number") return a;
      const size = core.lengthBytesUTF8(a) + 1;
      const p = core._malloc(size);
      core.stringToUTF8(a, p, size);
      pointers.push(p);
      return p;
    });
    const answer = core["_calorvin_" + name](...passed);
    pointers.forEach((p) => core._free(p));
    return answer;
  }
  const answer = (core, name, ...args) => core.UTF8ToString(call(core, name, ...args));

  // The fifteen boxes as the core numbers them: the entries, then the results.
  const boxes = [...data.entries, ...data.results];
  const setBoxes = (core) => boxes.forEach((name, i) => call(core, "set_box", i, $(name).value));

  // Sets a box as the window does: its text shown from the start.
  function setText(name, text) {
    const box = $(name);
    box.value = text;
    box.setSelectionRange(0, 0);
    box.scrollLeft = 0;
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
  async function showBoxes(title, texts) {
    const back = document.activeElement;
    busy = true;
    for (const text of texts) await showBox(title, text);
    busy = false;
    if (back) back.focus();
  }

  async function calcola() {
    const core = await ready;
    setBoxes(core);
    const lines = answer(core, "calculate", separator).split("\n").slice(0, -1);
    const computed = lines.shift() === "1";
    if (computed) data.results.forEach((name) => setText(name, lines.shift()));
    lastWarnings = lines;
    await showBoxes(data.warningTitle, lines);
  }

  async function cancella() {
    data.clear.forEach((name) => setText(name, " "));
    lastWarnings = [];
    (await ready)._calorvin_clear();
  }

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

  // The test on record, or the warning that says why there is none.
  async function record(format) {
    const core = await ready;
    setBoxes(core);
    const text = answer(core, "record", format);
    if (!text.startsWith("!")) return text;
    await showBoxes(data.warningTitle, [text.slice(1)]);
    return null;
  }

  async function copyTest() {
    const text = await record(0);
    const html = text === null ? null : await record(1);
    if (html === null) return;
    const fill = (event) => {
      event.clipboardData.setData("text/plain", text);
      event.clipboardData.setData("text/html", html);
      event.preventDefault();
    };
    document.addEventListener("copy", fill);
    document.execCommand("copy");
    document.removeEventListener("copy", fill);
  }

  // The printed page: title and date, the window, the test and the last warnings.
  async function fillPrint() {
    const table = await record(1);
    const two = (n) => String(n).padStart(2, "0");
    const now = new Date();
    const section = $("record");
    section.textContent = "";
    const head = document.createElement("header");
    head.append(Object.assign(document.createElement("span"), { textContent: data.title }),
      Object.assign(document.createElement("span"), {
        textContent: `${two(now.getDate())}/${two(now.getMonth() + 1)}/${now.getFullYear()} ` +
          `${two(now.getHours())}:${two(now.getMinutes())}` }));
    $("recordHead").replaceChildren(head);
    if (table === null) return false;
    section.append(new DOMParser().parseFromString(table, "text/html").querySelector("table"));
    if (lastWarnings.length) {
      section.append(Object.assign(document.createElement("p"), { innerHTML: "<b></b>" }));
      section.lastChild.firstChild.textContent = data.warningTitle;
      const list = document.createElement("ul");
      for (const w of lastWarnings) list.append(Object.assign(document.createElement("li"), { textContent: w }));
      section.append(list);
    }
    return true;
  }
  async function printTest() {
    if (await fillPrint()) window.print();
  }

  // The batch: a CSV file chosen or dropped; its results come back as a download.
  async function batch(file) {
    const core = await ready;
    const bytes = new Uint8Array(await file.arrayBuffer());
    const p = core._malloc(bytes.length + 1);
    core.HEAPU8.set(bytes, p);
    const out = answer(core, "batch", p, bytes.length, separator);
    core._free(p);
    const messages = answer(core, "batch_messages").split("\n").slice(0, -1);
    const csv = out.slice(out.indexOf("\n") + 1);
    if (csv) {
      const link = document.createElement("a");
      link.href = URL.createObjectURL(new Blob([csv], { type: "text/csv;charset=utf-8" }));
      link.download = file.name.replace(/(\.csv)?$/i, " risultati.csv");
      link.click();
      setTimeout(() => URL.revokeObjectURL(link.href), 60000);
    }
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
  // The menu's captions, order and keys are the window's table's.
  const byCommand = { copyTest, printTest, evaluateCsv: () => $("csvFile").click() };
  const menu = $("menu");
  const byKeys = new Map();
  data.menu.forEach(({ command, caption, keys }) => {
    const item = Object.assign(document.createElement("div"), { textContent: caption, tabIndex: -1 });
    item.setAttribute("role", "menuitem");
    item.addEventListener("click", () => { menu.hidden = true; byCommand[command](); });
    menu.append(item);
    keys.forEach((k) => byKeys.set(k, byCommand[command]));
  });
  const keysOf = (e) => [e.ctrlKey && "Ctrl", e.shiftKey && "Shift", e.altKey && "Alt",
    e.code.replace(/^Key/, "")].filter(Boolean).join("+");
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
    } else if (byKeys.has(keysOf(e))) {
      e.preventDefault();
      byKeys.get(keysOf(e))();
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
