#!/usr/bin/python3
"""The page in headless Chromium, opened from disk with the network off.

    page_test.py PAGE LAYOUT_JSON CASE

CASE is one row of CASES. The expectations come from the window's table
(LAYOUT_JSON, written from ui/description/layout.h) and the core's reference test.
"""
import json
import os
import re
import shutil
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.common.exceptions import TimeoutException
from selenium.webdriver.support.ui import WebDriverWait

REFERENCE = {"TxtPin": "20", "TxtPout": "5", "TxtB": "45", "TxtH": "500", "TxtN": "20",
             "TxtQ": "100", "TxtEta": "80", "TxtCO": "250"}
RESULTS = {"TxtP": "5", "TxtMw": "100", "TxtPw": "2.32558139534884", "TxtPa": "2.67441860465116",
           "TxtCOppm": "200", "TxtDp": "15", "TxtEtaw": "46.5116279069767"}
RECORDED = [" 20", "5", "45", "500", "20", "100", "0,9", "250"]  # computes and warns; copied trimmed
RECORDED_TABLE = os.path.join(os.path.dirname(__file__), "..", "ui", "recorded.tsv")  # the window's test's, "_" its separator
CAPTION_WIDTHS = os.path.join(os.path.dirname(__file__), "..", "ui", "caption_widths.tsv")  # as the window draws them
NO_RUN = "Nessun calcolo da registrare: premere Calcola prima di copiare o salvare la prova."
PRESS = "premere Calcola prima di copiare o salvare la prova."
TYPED_OVER = "I dati in uscita sono stati modificati dopo l'ultimo calcolo: " + PRESS
WARNINGS = [  # an empty form: every check but the final weight's, in check order
    "Il valore immesso del peso iniziale deve essere maggiore di zero",
    "Il valore immesso della massa del combustibile in kg/h deve essere maggiore di zero",
    "Il valore immesso del potere calorifico del combustibile deve essere maggiore di zero",
    "Il valore immesso del salto termico deve essere maggiore di zero",
    "Il valore immesso della portata in l/h deve essere maggiore di zero",
    "Il valore immesso del rendimento deve essere maggiore di zero",
    "Il valore della media del CO normalizzato al 13% deve essere maggiore di zero",
]


def browser(language):
    options = webdriver.ChromeOptions()
    options.binary_location = os.environ.get("CALORVIN_CHROMIUM") or shutil.which("chromium")
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 f"--user-data-dir={tempfile.mkdtemp(prefix='calorvin-chromium-')}", f"--lang={language}",
                 "--window-size=800,700"):
        options.add_argument(flag)
    options.add_experimental_option("prefs", {"intl.accept_languages": language})
    driver = webdriver.Chrome(service=Service(os.environ.get("CALORVIN_CHROMEDRIVER") or shutil.which("chromedriver")), options=options)
    driver.set_network_conditions(offline=True, latency=0, throughput=0)
    return driver


def dismiss_warnings(driver):
    """Each warning box in turn, as assistive tools see it; dismissed with Enter and Esc by turns."""
    seen = []
    while driver.execute_script("return document.getElementById('warning').open"):
        dialog = driver.find_element(By.ID, "warning")
        seen.append((dialog.aria_role, driver.find_element(By.ID, "warningTitle").text,
                     driver.find_element(By.ID, "warningText").text, driver.switch_to.active_element.text))
        driver.switch_to.active_element.send_keys(Keys.ESCAPE if len(seen) % 2 else Keys.ENTER)
    return seen


def calculate(driver, entries=()):
    """Types these texts into the entry boxes, in table order, and presses Calcola."""
    for name, text in zip(REFERENCE, entries):
        driver.find_element(By.ID, name).send_keys(text)
    driver.find_element(By.ID, "CmdCalcola").click()
    WebDriverWait(driver, 10).until(lambda d: d.execute_script(
        "return document.getElementById('warning').open || document.getElementById('TxtP').value !== ''"))


def reference_results(driver, separator):
    calculate(driver, REFERENCE.values())
    expected = {name: text.replace(".", separator) for name, text in RESULTS.items()}
    shown = {name: driver.find_element(By.ID, name).get_property("value") for name in RESULTS}
    return [] if shown == expected and not dismiss_warnings(driver) else [f"shown {shown}, expected {expected}"]


def empty_form_warnings(driver, layout):
    calculate(driver)
    seen = dismiss_warnings(driver)
    expected = [("alertdialog", "Attenzione !!!", text, "OK") for text in WARNINGS]
    faults = [] if seen == expected else [f"warnings {seen}"]
    if driver.switch_to.active_element.get_attribute("id") != "CmdCalcola":
        faults.append("the focus is not back on Calcola")
    if any(driver.find_element(By.ID, name).get_property("value") for name in RESULTS):
        faults.append("a result box was written although the gate failed")
    return faults


def copy_shortcut(driver, name, keys=(Keys.CONTROL, Keys.SHIFT, "c")):
    """Ctrl+Shift+C in a box: what the copy put on the clipboard (text, and the HTML table's cells read back
    tab-separated), or None, and the warnings it showed."""
    driver.execute_script("window.copied = null; window.addEventListener('copy', (e) => { const t = e.clipboardData;"
                          " const cells = (r) => [...r.cells].map((c) => c.textContent).join('\\t') + '\\n';"
                          " window.copied = [t.getData('text/plain'), [...new DOMParser().parseFromString("
                          " t.getData('text/html'), 'text/html').querySelectorAll('tr')].map(cells).join('')]; });")
    driver.find_element(By.ID, name).send_keys(*keys)
    WebDriverWait(driver, 10).until(lambda d: d.execute_script("return window.copied || document.getElementById('warning').open"))
    return driver.execute_script("return window.copied"), [seen[2] for seen in dismiss_warnings(driver)]


def record_as_the_window(driver, layout):
    """The copy after Calcola is the window's, both forms, and plain Ctrl+C copies only the box's text; once a
    result is typed over, refused with the window's reason; Cancella blanks every box and forgets the run. The
    form's rules in full are the core's (tests/core/form_test.cpp)."""
    calculate(driver, RECORDED[:-1] + [RECORDED[-1] + " µ"])  # read as 250; kept whole, in UTF-8, on record
    dismiss_warnings(driver)
    with open(RECORDED_TABLE, encoding="utf-8") as f:
        table = f.read().replace("_", ".").replace("\t250\t", "\t250 µ\t")
    copied, seen = copy_shortcut(driver, "TxtPin")
    faults = [] if copied == [table, table] and not seen else [f"copied {copied}, warnings {seen}"]
    driver.find_element(By.ID, "TxtB").send_keys(Keys.CONTROL, "a")
    copied, seen = copy_shortcut(driver, "TxtB", (Keys.CONTROL, "c"))  # the browser's own copy: no data yet
    faults += [] if copied == ["", ""] and not seen else [f"Ctrl+C copied {copied}, warnings {seen}"]
    for _ in range(2):  # the printed record, made afresh for each print
        driver.execute_script("document.querySelector('#record ul')?.remove(); dispatchEvent(new Event('beforeprint'))")
        WebDriverWait(driver, 10).until(lambda d: d.execute_script("return document.querySelector('#record li')"))
    printed = driver.execute_script("const r = document.getElementById('record'), h = document.getElementById('recordHead');"
                                    " return [r.querySelectorAll('table').length, r.querySelector('li').textContent,"
                                    " [...h.querySelectorAll('span')].map((s) => s.textContent).join('|')]")
    heading = re.fullmatch(re.escape(driver.title) + r"\|\d\d/\d\d/\d{4} \d\d:\d\d", printed.pop())
    faults += [] if printed == [1, WARNINGS[5]] and heading else [f"printed {printed}, heading {heading}"]
    driver.find_element(By.ID, "TxtDp").send_keys("9")
    copied, seen = copy_shortcut(driver, "TxtDp")
    faults += [] if seen == [TYPED_OVER] and copied is None else [f"a result typed over: copied {copied}, warnings {seen}"]
    driver.find_element(By.ID, "CmdCancella").click()
    shown = {name: driver.find_element(By.ID, name).get_property("value") for name in [*REFERENCE, *RESULTS]}
    copied, seen = copy_shortcut(driver, "TxtPin")
    faults += ([] if set(shown.values()) == {" "} and seen == [NO_RUN] and copied is None
               else [f"after Cancella: boxes {shown}, copied {copied}, warnings {seen}"])
    return faults


def batch(driver, layout):
    """A CSV file chosen from the menu's input: its results as a download (a row for the refused line too), its
    refused line in a box; a file of megabytes as well; and no address outside the page can be reached."""
    lines = ["Pin;Pout;B;H;N;Q;Eta;CO", ";".join(REFERENCE.values()), '"x', ";".join(REFERENCE.values())]
    path = os.path.join(tempfile.mkdtemp(prefix="calorvin-batch-"), "prova.csv")
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))  # no line break after the last test
    driver.execute_script("window.blobs = []; const make = URL.createObjectURL;"
                          " URL.createObjectURL = (b) => { window.blobs.push(b); return make(b); };")
    driver.find_element(By.ID, "csvFile").send_keys(path)
    WebDriverWait(driver, 10).until(lambda d: d.execute_script("return document.getElementById('warning').open"))
    got = driver.execute_script("return await window.blobs[0].text()")
    test = ";".join([*REFERENCE.values(), *RESULTS.values()]) + ";"
    want = "\n".join([lines[0] + ";P;Mw;Pw;Pa;COppm;Dp;Etaw;Avvisi", test, ";" * 15 + "virgolette non chiuse", test]) + "\n"
    seen = dismiss_warnings(driver)
    faults = ([] if got == want else [f"results {got!r}"]) + (
        [] if seen == [("alertdialog", "prova.csv", "riga 3: virgolette non chiuse", "OK")] else [f"boxes {seen}"])
    wide = os.path.join(os.path.dirname(path), "prova 16.csv")  # refused by its name
    with open(wide, "w", encoding="utf-16") as f:
        f.write(lines[1])
    driver.find_element(By.ID, "csvFile").send_keys(wide)
    WebDriverWait(driver, 10).until(lambda d: d.execute_script("return document.getElementById('warning').open"))
    seen = [text for _, _, text, _ in dismiss_warnings(driver)]
    faults += [] if seen == ['calorvin: "prova 16.csv" è in UTF-16: salvarlo come CSV UTF-8'] else [f"UTF-16: {seen}"]
    with open(path, "w", encoding="utf-8") as f:
        f.write(lines[0] + "\n" + (lines[1] + "\n") * 120000)  # 3.6 MB
    driver.execute_script("window.blobs = []")
    driver.find_element(By.ID, "csvFile").send_keys(path)
    try:
        WebDriverWait(driver, 30).until(lambda d: d.execute_script("return window.blobs.length"))
        big = driver.execute_script("return (await window.blobs[0].text()).split('\\n').slice(1, -1)")
        faults += [] if len(big) == 120000 and set(big) == {test} else [f"{len(big)} results of a large file"]
    except TimeoutException:
        faults.append("no results for a large file")
    blocked = driver.execute_async_script(
        "const done = arguments[0], blocked = []; addEventListener('securitypolicyviolation', (e) => blocked.push(e.blockedURI));"
        " Promise.allSettled(['https://example.org/', 'http://example.org/'].map((u) => fetch(u)))"
        ".then(() => setTimeout(() => done(blocked), 200))")
    faults += [f"console: {e['message'][:300]}" for e in driver.get_log("browser")  # the refusals are logged
               if e["level"] == "SEVERE" and "Content Security Policy" not in e["message"]]
    return faults + ([] if len(blocked) == 2 else [f"the network reachable: only {blocked} blocked"])


def tab_order(driver, layout):
    focusable = sorted((c for c in layout if c["kind"] in ("box", "button")), key=lambda c: c["tabIndex"])
    expected = [c["name"] for c in focusable[1:]] + [focusable[0]["name"]]
    active = lambda: driver.switch_to.active_element.get_attribute("id")
    faults = [] if active() == "TxtPin" else [f"first focus on {active()}"]
    walked = []
    for _ in expected:
        driver.switch_to.active_element.send_keys(Keys.TAB)
        walked.append(active())
    if walked != expected:
        faults.append(f"Tab goes {walked}")
    driver.switch_to.active_element.send_keys(Keys.SHIFT, Keys.TAB)
    if active() != expected[-2]:
        faults.append(f"Shift+Tab from the first control goes to {active()}")
    # Enter and Esc in a box press nothing; a click on a label moves no focus.
    box = driver.find_element(By.ID, "TxtPin")
    box.click()
    box.send_keys(Keys.ENTER, Keys.ESCAPE)
    driver.find_element(By.ID, "LBLPeso").click()
    if active() != "TxtPin" or driver.execute_script("return document.getElementById('warning').open"):
        faults.append("Enter, Esc or a label's click did something")
    # A double-click selects the run of non-blanks clicked in, from the start of the box on.
    for at, run in ((2, [0, 4]), (6, [5, 7])):
        got = driver.execute_script("const b = arguments[0]; b.value = '12.5 kg'; b.setSelectionRange(arguments[1],"
                                    " arguments[1]); b.dispatchEvent(new MouseEvent('dblclick'));"
                                    " return [b.selectionStart, b.selectionEnd]", box, at)
        if got != run:
            faults.append(f"a double-click at {at} in '12.5 kg' selects {got}")
    return faults


def geometry(driver, layout):
    faults = []
    window = driver.find_element(By.ID, "Calorvin")
    origin = window.rect
    if window.accessible_name != driver.title:
        faults.append(f"the window is named {window.accessible_name!r}, its title is {driver.title!r}")
    if (round(origin["width"]), round(origin["height"])) != (632, 597):
        faults.append(f"client area {origin['width']} x {origin['height']}")
    for c in layout:
        r = driver.find_element(By.ID, c["name"]).rect
        if c["kind"] == "line":
            want = (c["left"] / 15, c["top"] / 15, (c["width"] - c["left"]) / 15, 1)
        else:
            want = (c["left"] / 15, c["top"] / 15, c["width"] / 15, c["height"] / 15)
        got = (r["x"] - origin["x"], r["y"] - origin["y"], r["width"], r["height"])
        if any(abs(a - b) > 1 for a, b in zip(got, want)):
            faults.append(f"{c['name']} at {got}, the window has {want}")
        element = driver.find_element(By.ID, c["name"])
        style = driver.execute_script(
            "const s = getComputedStyle(arguments[0]); return [arguments[1] ? s.backgroundColor : s.color,"
            " arguments[1] ? '' : s.textAlign, s.fontFamily ? `${s.fontSize} ${s.fontWeight} ${s.fontStyle}` : '']",
            element, c["kind"] == "line")
        if style[:2] != c["style"][:2] or (c["style"][2] and style[2] != c["style"][2]):
            faults.append(f"{c['name']} drawn {style}, the window has {c['style']}")
        if c["baseline"]:  # an empty inline block sits on the first baseline
            baseline = driver.execute_script(
                "const l = arguments[0], mark = document.createElement('span'); mark.style.display = 'inline-block';"
                " l.prepend(mark); const y = mark.getBoundingClientRect().bottom - l.getBoundingClientRect().top;"
                " mark.remove(); return y", element)
            if abs(baseline - c["baseline"]) > 0.5:
                faults.append(f"{c['name']}'s first baseline {baseline} px down, the window's {c['baseline']}")
        if c["kind"] == "box":
            # Accessible names collapse runs of blanks ("Portata  Q").
            if element.accessible_name != " ".join(c["caption"].split()) or not element.get_attribute("aria-description"):
                faults.append(f"{c['name']} is named {element.accessible_name!r}")
    with open(CAPTION_WIDTHS, encoding="utf-8") as f:
        for name, width in (line.split("\t") for line in f.read().splitlines() if not line.startswith("#")):
            drawn = driver.execute_script("const r = document.createRange(); r.selectNodeContents(arguments[0]);"
                                          " return r.getBoundingClientRect().width", driver.find_element(By.ID, name))
            if abs(drawn - float(width)) > 1.5:
                faults.append(f"{name}'s caption {drawn} px wide, the window's {width}")
    return faults


CASES = {  # case: (browser language, check)
    "reference_point": ("en-US", lambda d, layout: reference_results(d, ".")),
    "reference_comma": ("it-IT", lambda d, layout: reference_results(d, ",")),
    "empty_form_warnings": ("it-IT", empty_form_warnings),
    "record_as_the_window": ("en-US", record_as_the_window),
    "tab_order": ("en-US", tab_order),
    "geometry": ("en-US", geometry),
    "batch": ("en-US", batch),
}


def main(page, layout_json, case):
    language, check = CASES[case]
    with open(layout_json, encoding="utf-8") as f:
        layout = json.load(f)
    driver = browser(language)
    try:
        driver.get("file://" + page)
        WebDriverWait(driver, 10).until(lambda d: d.execute_script("return document.fonts.status === 'loaded'"))
        faults = check(driver, layout)
        errors = [e for e in driver.get_log("browser") if e["level"] == "SEVERE"]
        faults += [f"console: {e['message'][:300]}" for e in errors]
    finally:
        driver.quit()
    for fault in faults:
        print(f"{case}: {fault}")
    return 1 if faults else 0


if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[3] not in CASES:
        sys.exit(__doc__ + "cases: " + ", ".join(CASES))
    sys.exit(main(*sys.argv[1:]))
