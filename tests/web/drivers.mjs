// One small interface over three ways of driving a browser, so that the
// page's cases are written once:
//   chromium  Debian's chromium, headless, through puppeteer-core (CDP)
//   firefox   Debian's firefox-esr, headless, through puppeteer-core (WebDriver BiDi)
//   webkit    WebKitGTK's MiniBrowser under Xvfb, through webkit2gtk-driver
//             (W3C WebDriver over HTTP, spoken here with node's fetch)
//
// Quirks met, and what the interface does about them:
// - Firefox over BiDi: Enter or Space sent to a focused button does not
//   activate it, even on a plain page; a click does (quirks.enterPressesButton).
//   Its keyboard knows no Menu key ("Unknown key: ContextMenu").
//   The first tab ignores the default viewport: it is set once the tab is open.
// - WebKitGTK: the page's language is the LANG of the process that starts the
//   driver (LANGUAGE is ignored under C; C and C.UTF-8 give navigator.language
//   "C"); a locale not generated falls back to "en-US". The driver keeps no
//   console log, so only errors after the page has loaded are caught, through
//   the page's error events, and runs no script before a page's own (no
//   preload). W3C WebDriver has no Menu key either. Under Xvfb
//   it draws every advance to a whole pixel (hinted metrics): text runs 5-10 %
//   wider than the window's, so captions are held to their lines, not widths. The window
//   size set is the outer one; the viewport is set from the difference.
// - Chromium: headless ignores --lang; --accept-lang sets navigator.language.
// - Every engine: scripts run as a function body with `arguments`, in the page
//   but outside its Content-Security-Policy; a promise returned is awaited.
import { spawn } from "node:child_process";
import { mkdtempSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import puppeteer from "puppeteer-core";

const MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser";

// Opens ENGINE with the browser's language LANGUAGE (a BCP 47 tag, or "C").
export async function launch(engine, language) {
  return engine === "webkit" ? webkit(language) : pptr(engine, language);
}

async function pptr(engine, language) {
  const firefox = engine === "firefox";
  const browser = await puppeteer.launch({ browser: firefox ? "firefox" : "chrome", headless: true, defaultViewport: null,
    executablePath: (firefox ? process.env.CALORVIN_FIREFOX : process.env.CALORVIN_CHROMIUM) || (firefox ? "/usr/bin/firefox-esr" : "/usr/bin/chromium"),
    args: firefox ? [] : ["--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
      "--disable-component-update", "--disable-sync", `--accept-lang=${language}`,
      `--user-data-dir=${mkdtempSync(join(tmpdir(), "calorvin-chromium-"))}`],
    extraPrefsFirefox: { "intl.accept_languages": language, "intl.locale.requested": language } });
  const page = (await browser.pages())[0] ?? await browser.newPage();
  await page.setViewport({ width: 800, height: 700 });
  const errors = [];
  page.on("pageerror", (e) => errors.push(String(e.message ?? e)));
  page.on("console", (m) => { if (m.type() === "error") errors.push(m.text()); });
  if (!firefox) await page.setOfflineMode(true);
  const element = async (id) => (await page.$(`#${id}`)) ?? Promise.reject(new Error(`no element #${id}`));
  return {
    engine, quirks: { enterPressesButton: !firefox }, open: (url) => page.goto(url),
    js: (body, ...args) => page.evaluate(`(async function () { ${body} }).apply(null, ${JSON.stringify(args)})`),
    async press(chord) { // "Control+Shift+C": the modifiers held while the last key is pressed
      const keys = chord.split("+");
      const steps = [...keys.slice(0, -1).map((k) => [k, "down"]), [keys.at(-1), "press"], ...keys.slice(0, -1).reverse().map((k) => [k, "up"])];
      for (const [k, how] of steps) await page.keyboard[how](k);
    },
    type: (text) => page.keyboard.type(text), click: async (id) => (await element(id)).click(),
    upload: async (id, path) => (await element(id)).uploadFile(path),
    // Whether the accessibility tree holds an object of this role and name that is the element ID.
    named: async (id, role, name) => (await Promise.all((await page.$$(`aria/${name}[role="${role}"]`))
      .map((e) => e.evaluate((n) => n.id)))).includes(id),
    viewport: (width, height) => page.setViewport({ width, height }), screenshot: (path) => page.screenshot({ path }),
    errors: () => errors, close: () => browser.close(),
    preload: (script) => page.evaluateOnNewDocument(script), // run in every page before its own scripts
  };
}

// W3C WebDriver's key codes for the keys the cases press.
const CODES = { Control: "\uE009", Shift: "\uE008", Enter: "\uE007", Escape: "\uE00C", Tab: "\uE004", F10: "\uE03A" };

async function webkit(language) {
  const port = 4500 + Math.floor(Math.random() * 20000);
  const lang = language === "C" ? "C.UTF-8" : `${language.replace("-", "_")}.UTF-8`;
  const server = spawn("xvfb-run", ["-a", "-n", String(port), "-s", "-screen 0 1280x1024x24", process.env.CALORVIN_WEBKIT_DRIVER || "WebKitWebDriver", `--port=${port}`],
                       { detached: true, stdio: "ignore", env: { ...process.env, LANG: lang, LC_ALL: "", LANGUAGE: "" } });
  const stop = () => { try { process.kill(-server.pid, "SIGTERM"); } catch { /* gone already */ } };
  process.on("exit", stop);
  const base = `http://127.0.0.1:${port}`;
  async function w(method, path, body) {
    const { value } = await (await fetch(base + path, { method, body: body && JSON.stringify(body) })).json();
    return value?.error ? Promise.reject(new Error(`${value.error}: ${value.message}`)) : value;
  }
  for (let tries = 0; !await w("GET", "/status").then(() => true, () => false); tries++)
    await (tries < 100 ? new Promise((r) => setTimeout(r, 100)) : Promise.reject(new Error("WebKitWebDriver does not answer")));
  const { sessionId } = await w("POST", "/session", { capabilities: { alwaysMatch: {
    browserName: "MiniBrowser", "webkitgtk:browserOptions": { binary: MINIBROWSER, args: ["--automation"] } } } });
  const s = `/session/${sessionId}`;
  const js = (body, ...args) => w("POST", `${s}/execute/sync`,
                                  { script: `return (async function () { ${body} }).apply(null, arguments)`, args });
  const element = async (id) => Object.values(await w("POST", `${s}/element`, { using: "css selector", value: `#${id}` }))[0];
  const keys = (actions) => w("POST", `${s}/actions`, { actions: [{ type: "key", id: "keyboard", actions }] });
  async function viewport(width, height) {
    await w("POST", `${s}/window/rect`, { width, height });
    const [iw, ih] = await js("return [innerWidth, innerHeight]");
    await w("POST", `${s}/window/rect`, { width: 2 * width - iw, height: 2 * height - ih });
  }
  await viewport(800, 700);
  const code = (k) => CODES[k] ?? (k.length === 1 ? k : Promise.reject(new Error(`no WebDriver key ${k}`)));
  return {
    engine: "webkit", quirks: { enterPressesButton: true, wholePixelAdvances: true },
    async open(url) {
      await w("POST", `${s}/url`, { url });
      await js("window.calorvinErrors = []; for (const e of ['error', 'unhandledrejection'])"
               + " addEventListener(e, (x) => calorvinErrors.push(String(x.message ?? x.reason)))");
    },
    js,
    press: (chord) => Promise.all(chord.split("+").map(code)).then((ks) =>
      keys([...ks.map((value) => ({ type: "keyDown", value })), ...ks.reverse().map((value) => ({ type: "keyUp", value }))])),
    type: (text) => keys([...text].flatMap((value) => [{ type: "keyDown", value }, { type: "keyUp", value }])),
    click: async (id) => w("POST", `${s}/element/${await element(id)}/click`, {}),
    upload: async (id, path) => w("POST", `${s}/element/${await element(id)}/value`, { text: path }),
    named: (id, role, name) => element(id).then(async (e) =>
      await w("GET", `${s}/element/${e}/computedrole`) === role && await w("GET", `${s}/element/${e}/computedlabel`) === name),
    viewport,
    screenshot: async (path) => writeFileSync(path, Buffer.from(await w("GET", `${s}/screenshot`), "base64")),
    errors: () => js("return window.calorvinErrors ?? []"),
    close: () => w("DELETE", s).catch(() => {}).then(stop),
  };
}
