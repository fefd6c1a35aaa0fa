#!/usr/bin/python3
"""The web page in a real browser shows what the headless runner shows.

Serves the built page folder, opens it in headless Chromium through
ChromeDriver with the clock pinned and the ticks run by hand, presses and
touches through the DevTools protocol's input events (every press and every
release reaches the page, one finger or two), and compares the canvas, the
PNG that "Save screenshot" downloads and the screen at fractional device
scales with the runner's screenshots of the same steps, pixel for pixel: both
run the same firmware and host core. Then the page's own tools: links that
carry the state, a translation dropped on the page (its fit check as the
runner's, run apart from the live panel), the layout on a phone, the page
opened from a file, and its size and idle cost.

Exit status 0 passed, 1 failed, 2 bad usage, 77 skipped (no web build, or no
browser), which CTest reports as skipped.
"""

import argparse
import base64
import functools
import gzip
import http.server
import importlib.util
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import zlib

SKIP = 77
CLOCK = "2026-12-06 13:47:00"
MENU_BUTTON = (290, 225)
BACK_BUTTON = (20, 225)
PLUS_BUTTON = (200, 225)
# What a browser loads when it opens the page from a web server, and at most
# how much, compressed.
PAGE_FILES = ("index.html", "page.js", "page.css", "kandorelle.js", "kandorelle.wasm")
PAGE_SIZE_LIMIT = 150 * 1024
# The parts that the page loads when they are first used, each bounded so
# that growth is caught: the checks module (states, links, translations and
# their fit check), the PO parser and the fit check's worker.
LAZY_PARTS = {
    "the checks module": (("kandorelle-checks.js", "kandorelle-checks.wasm"), 145 * 1024),
    "the PO parser": (("po-reader.js",), 4 * 1024),
    "the fit check's worker": (("fit-worker.js",), 1024),
}
IDLE_CORE_LIMIT = 0.25
READY_LIMIT_MS = 1000

# Steps both sides take, as runner lines.
TO_WARM_WATER = "tap 290 225\ntick 200\ntap 100 122\ntick 30\ntap 100 122\ntick 200\n"
TO_LANGUAGE_LIST = TO_WARM_WATER + "tap 182 225\ntick 100\ntap 182 225\ntick 100\ntap 182 225\ntick 200\ntap 290 225\ntick 200\n"
# A hold on "+" while editing the warm water set value, from 50 to its top.
HOLD_TICKS = 825
PLANT = "set collector 95.5\nfault 22\n"
# The fault history edited on the page: an entry at a chosen time, one at the
# panel's time, then entry 3 deleted; then every entry.
HISTORY_TIME = "2026-11-30 08:15:30"
HISTORY_LINES = f"history add 22 {HISTORY_TIME}\nhistory add 7\nhistory delete 3\n"

RUNNER_SCRIPTS = {
    "walk": f"""clock {CLOCK}
tick 300
screenshot start.png
tap {MENU_BUTTON[0]} {MENU_BUTTON[1]}
tick 200
screenshot menu.png
zoom 2
screenshot menu-zoom2.png
tap {BACK_BUTTON[0]} {BACK_BUTTON[1]}
tick 200
screenshot start-zoom2.png
tap {MENU_BUTTON[0]} {MENU_BUTTON[1]}
tick 200
screenshot menu-zoom2-touch.png
zoom 3
screenshot menu-zoom3.png
""",
    # The panel's own language switch, from the list: the list in English.
    "language": f"""clock {CLOCK}
tick 300
{TO_LANGUAGE_LIST}tap 100 78
tick 30
tap 290 225
tick 200
tap 290 225
tick 200
screenshot list-en.png
""",
    "hold": f"""clock {CLOCK}
tick 300
{TO_WARM_WATER}tap 290 225
tick 50
press {PLUS_BUTTON[0]} {PLUS_BUTTON[1]}
tick {HOLD_TICKS}
release
tick 103
screenshot hold.png
""",
    "plant": f"""clock {CLOCK}
tick 300
{PLANT}tap 20 225
tick 200
screenshot plant.png
""",
    "history": f"""clock {CLOCK}
tick 300
{HISTORY_LINES}state save history.json
history clear
state save history-clear.json
""",
}


def skip(message):
    print(f"SKIPPED: {message}")
    sys.exit(SKIP)


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, ".wasm": "application/wasm"}

    def log_message(self, *args):
        pass


class Page:
    """The page in one browser, driven as a user and as the console would."""

    def __init__(self, driver):
        self.driver = driver

    def cdp(self, command, arguments=None):
        return self.driver.execute_cdp_cmd(command, arguments or {})

    def js(self, script, *arguments):
        return self.driver.execute_script(script, *arguments)

    def wait_ready(self, seconds=20):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            ready = self.js("return window.kandorelle ? window.kandorelle.readyMs : null")
            if ready is not None:
                return ready
            time.sleep(0.05)
        raise AssertionError(f"the page did not start within {seconds} s; it says: {self.status()}")

    def open(self, url):
        self.driver.get(url)
        return self.wait_ready()

    def status(self):
        return self.js("return document.getElementById('status').textContent")

    def call(self, expression, *arguments):
        """Awaits a promise of window.kandorelle; returns [ok, value or message]."""
        return self.driver.execute_async_script(
            f"const done = arguments[arguments.length - 1];"
            f"Promise.resolve().then(() => {expression}).then(v => done([true, v]), e => done([false, String(e.message)]));",
            *arguments)

    def tick(self, count):
        ok, message = self.call("window.kandorelle.tick(arguments[0])", count)
        assert ok, message

    def run(self, text):
        return self.call("window.kandorelle.run(arguments[0])", text)

    # The viewport point at the middle of panel pixel (x, y).
    def point(self, x, y):
        r = self.js("const r = document.getElementById('panel').getBoundingClientRect(); return [r.left, r.top, r.width];")
        scale = r[2] / 320
        return r[0] + (x + 0.5) * scale, r[1] + (y + 0.5) * scale

    def mouse(self, kind, x, y):
        vx, vy = self.point(x, y)
        self.cdp("Input.dispatchMouseEvent", {"type": kind, "x": vx, "y": vy, "button": "left",
                                              "buttons": 1 if kind == "mousePressed" else 0, "clickCount": 1})

    def touch(self, kind, *fingers):
        points = []
        for finger, (x, y) in fingers:
            vx, vy = self.point(x, y)
            points.append({"x": vx, "y": vy, "id": finger})
        self.cdp("Input.dispatchTouchEvent", {"type": kind, "touchPoints": points})

    # The runner's `tap X Y`: held for three ticks, then three more ticks.
    def tap(self, x, y, kind="mouse"):
        if kind == "mouse":
            self.mouse("mousePressed", x, y)
            self.tick(3)
            self.mouse("mouseReleased", x, y)
        else:
            self.touch("touchStart", (1, (x, y)))
            self.tick(3)
            self.touch("touchEnd")
        self.tick(3)

    # Keys go to the page as they are; the canvas has the focus.
    def key(self, text):
        self.js("document.getElementById('panel').focus({preventScroll: true})")
        self.cdp("Input.dispatchKeyEvent", {"type": "keyDown", "key": text, "text": text})
        self.cdp("Input.dispatchKeyEvent", {"type": "keyUp", "key": text})

    def canvas_rgb(self):
        """The canvas as (width, height, bytes R, G, B per pixel)."""
        width, height, data = self.js(
            """const c = document.getElementById('panel');
               const rgba = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
               let text = '';
               for (let i = 0; i < rgba.length; i += 4) text += String.fromCharCode(rgba[i], rgba[i + 1], rgba[i + 2]);
               return [c.width, c.height, btoa(text)];""")
        return width, height, base64.b64decode(data)

    def screen_rgb(self):
        """What the screen shows of the canvas, in device pixels."""
        from PIL import Image

        shot = Image.open(io.BytesIO(base64.b64decode(self.cdp("Page.captureScreenshot", {"format": "png"})["data"])))
        left, top, width, height, scale = self.js(
            "const r = document.getElementById('panel').getBoundingClientRect();"
            "return [r.left, r.top, r.width, r.height, window.devicePixelRatio];")
        box = tuple(round(v * scale) for v in (left, top, left + width, top + height))
        crop = shot.convert("RGB").crop(box)
        return crop.size[0], crop.size[1], crop.tobytes()


def downloaded(folder, suffix, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        saved = [name for name in os.listdir(folder) if name.endswith(suffix)]
        if saved:
            return os.path.join(folder, saved[0])
        time.sleep(0.1)
    raise AssertionError(f"nothing ending in {suffix} was saved into {folder} within {seconds} s")


def png_rgb(path, scale=1):
    from PIL import Image

    image = Image.open(path).convert("RGB")
    if scale != 1:
        image = image.resize((image.size[0] * scale, image.size[1] * scale), Image.NEAREST)
    return image.size[0], image.size[1], image.tobytes()


class Checks:
    def __init__(self, out_dir):
        self.out_dir = out_dir
        self.failed = []

    def check(self, name, ok, message=""):
        if ok:
            print(f"ok {name}")
        else:
            print(f"FAILED {name}: {message}")
            self.failed.append(name)

    def same(self, name, shown, expected):
        from PIL import Image

        width, height, rgb = shown
        problem = ""
        if (width, height) != expected[:2]:
            problem = f"size {width} x {height}, expected {expected[0]} x {expected[1]}"
        elif rgb != expected[2]:
            want = expected[2]
            wrong = [i // 3 for i in range(0, len(rgb), 3) if rgb[i:i + 3] != want[i:i + 3]]
            first = wrong[0]
            problem = (f"{len(wrong)} pixels differ, the first at ({first % width}, {first // width}): "
                       f"shown {tuple(rgb[first * 3:first * 3 + 3])}, expected {tuple(want[first * 3:first * 3 + 3])}")
        if problem:
            Image.frombytes("RGB", (width, height), rgb).save(os.path.join(self.out_dir, f"shown-{name}.png"))
            Image.frombytes("RGB", expected[:2], expected[2]).save(os.path.join(self.out_dir, f"expected-{name}.png"))
            problem += f" (both pictures in {self.out_dir})"
        self.check(name, not problem, problem)


def browser(args, downloads, touch=False):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    options = webdriver.ChromeOptions()
    options.binary_location = args.browser
    options.add_experimental_option("prefs", {"download.default_directory": downloads,
                                              "download.prompt_for_download": False})
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--window-size=1200,1000", "--force-device-scale-factor=1", "--force-color-profile=srgb",
                     "--allow-file-access-from-files"):
        options.add_argument(argument)
    page = Page(webdriver.Chrome(service=Service(args.driver), options=options))
    page.driver.set_script_timeout(60)
    page.cdp("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})
    page.cdp("Page.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})
    return page


def viewport(page, width, height, scale=1):
    page.cdp("Emulation.setDeviceMetricsOverride",
             {"width": width, "height": height, "deviceScaleFactor": scale, "mobile": False})
    page.js("window.dispatchEvent(new Event('resize'))")


def state_link(base, state_json):
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    data = packer.compress(state_json.encode()) + packer.flush()
    return base + "#state=" + base64.urlsafe_b64encode(data).decode().rstrip("=")


def walk(page, c, shots, downloads):
    """The runner's walk by mouse, keys and touch, and the saved screenshot."""
    c.check("the page is interactive within 1 s", page.ready_ms < READY_LIMIT_MS, f"{page.ready_ms} ms")
    c.check("the page opens with its own files only", loaded(page) <= set(PAGE_FILES), sorted(loaded(page)))
    page.tick(300)
    c.same("start", page.canvas_rgb(), png_rgb(os.path.join(shots, "start.png")))
    page.tap(*MENU_BUTTON)
    page.tick(200)
    c.same("menu", page.canvas_rgb(), png_rgb(os.path.join(shots, "menu.png")))
    page.key("2")
    c.same("menu-zoom2", page.canvas_rgb(), png_rgb(os.path.join(shots, "menu-zoom2.png")))
    page.tap(*BACK_BUTTON)
    page.tick(200)
    c.same("start-zoom2", page.canvas_rgb(), png_rgb(os.path.join(shots, "start-zoom2.png")))
    page.tap(*MENU_BUTTON, kind="touch")
    page.tick(200)
    c.same("menu-zoom2-touch", page.canvas_rgb(), png_rgb(os.path.join(shots, "menu-zoom2-touch.png")))
    page.key("3")
    page.js("document.getElementById('screenshot').click()")
    saved = downloaded(downloads, ".png")
    c.check("a screenshot is named after the page and the panel's time",
            os.path.basename(saved) == "kandorelle-menu-20261206-134700-x3.png", os.path.basename(saved))
    c.same("menu-zoom3-saved", png_rgb(saved), png_rgb(os.path.join(shots, "menu-zoom3.png")))

    # At fractional device scales every panel pixel is a square of whole
    # device pixels, as large as the zoom asks for at that scale.
    for scale in (1.25, 1.5):
        viewport(page, 1200, 1000, scale)
        page.js("window.kandorelle.setZoom(1)")
        factor = page.js("return document.getElementById('panel').width / 320")
        c.same(f"menu at device scale {scale}", page.screen_rgb(), png_rgb(os.path.join(shots, "menu.png"), factor))
    viewport(page, 1200, 1000)


def two_fingers(page, c, shots):
    """A hold on "+" goes on while a second finger comes and goes."""
    ok, message = page.run(TO_WARM_WATER.replace("\n", ";") + "tap 290 225; tick 50")
    assert ok, message
    page.touch("touchStart", (1, PLUS_BUTTON))
    page.tick(20)
    page.touch("touchStart", (1, PLUS_BUTTON), (2, (60, 100)))
    page.tick(5)
    # A touchEnd names the fingers that lift: the second one.
    page.touch("touchEnd", (2, (60, 100)))
    page.tick(HOLD_TICKS - 25)
    page.touch("touchEnd")
    page.tick(103)
    c.same("hold on plus with a second finger", page.canvas_rgb(), png_rgb(os.path.join(shots, "hold.png")))


def language_with_list_open(page, c, shots):
    ok, message = page.run(TO_LANGUAGE_LIST.replace("\n", ";"))
    assert ok, message
    page.js("const s = document.getElementById('language'); s.value = '1'; s.dispatchEvent(new Event('change'))")
    page.tick(200)
    c.same("the open language list in the language chosen on the page", page.canvas_rgb(),
           png_rgb(os.path.join(shots, "list-en.png")))


def plant_controls_and_link(page, args, pinned, c, shots, downloads):
    """Plant controls, kandorelle.run, and a link that opens the same screen."""
    page.js("""const set = (name, value) => { const e = document.querySelector(`#plant input[name="${name}"]`);
               e.value = value; e.dispatchEvent(new Event('change')); };
               set('collector', '95.5');""")
    ok, message = page.run("fault 22; tap 20 225; tick 200")
    c.check("kandorelle.run plays runner lines", ok, message)
    c.same("plant controls and run", page.canvas_rgb(), png_rgb(os.path.join(shots, "plant.png")))
    ok, link = page.call("window.kandorelle.link()")
    assert ok, link
    shown = page.canvas_rgb()
    page.js("document.getElementById('save-state').click()")
    saved_state = downloaded(downloads, ".json")

    other = browser(args, downloads)
    try:
        other.open(link.replace("#", "&manual#", 1))
        other.tick(200)
        c.same("a link opens the same screen in a fresh browser", other.canvas_rgb(), shown[:3])

        # A link is untrusted: checked as a state file is, bounded, and a bad
        # one opens the start page with the reason.
        ok, state = page.call("window.kandorelle.state()")
        assert ok, state
        state = json.loads(state)
        state["plant"]["collector"] = 300.0
        start = png_rgb(os.path.join(shots, "start.png"))
        for n, (name, bad, says) in enumerate((
                ("an out-of-range value", state_link("", json.dumps(state, indent=2)),
                 "link:6: collector: 300.0 is not a value with one decimal in -50..250"),
                ("a damaged state", "#state=AAAA", "state is damaged"),
                ("an oversized link", "#state=" + "A" * 20000, "longer than 16384 characters"))):
            other.open(f"{pinned}&case={n}{bad}")
            other.tick(300)
            c.check(f"a link with {name} says so", says in other.status(), other.status())
            c.same(f"a link with {name} opens the start page", other.canvas_rgb(), start)
    finally:
        other.driver.quit()

    # The runner's lines on the page, from the current fault's page: what each
    # resolves with, or how its message begins.
    for name, lines, ok_expected, says in (
            ("a bad line is refused with the runner's message", "expect page 99", False,
             "run:1: expect: no page '99'"),
            ("a failed check says what it got", "expect collector 20.0", False,
             "run:1: expected collector 20.0, got 95.5"),
            ("names, waits and repeats play", 'tap home; wait page start-page; tap menu; wait page menu; '
             'expect text "Einstellungen"; repeat 2 print page', True, "page = 1 menu\npage = 1 menu\n"),
            ("a tap of a name that is not there ends the script", "tap pencil; print page", False,
             "run:1: no 'pencil' on page 1 menu; the bar holds: "),
            ("a wait longer than a minute is refused", "wait page menu 61s", False,
             "run:1: wait: the page waits at most 60 s at a time")):
        ok, message = page.run(lines)
        c.check(f"kandorelle.run: {name}", ok == ok_expected and message.startswith(says) and
                (ok or "page =" not in message), message)
    # Some 18 MB of print lines: the page keeps the first megabyte and lives on.
    ok, message = page.run("repeat 12000 print all")
    c.check("kandorelle.run keeps a megabyte of what print writes", ok and len(message) < 1100000 and
            message.endswith(" more bytes of output were not kept)\n"), f"{ok} {len(message)} {message[-80:]}")

    # The state that "Save state..." saved, opened with "Open state..." on a
    # fresh page.
    page.open(pinned)
    page.js("document.getElementById('state-file').hidden = false")
    page.driver.find_element("id", "state-file").send_keys(saved_state)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline and not page.status().startswith("Opened"):
        time.sleep(0.05)
    ok, message = page.run("expect collector 95.5; expect fault 22")
    c.check("Open state... opens what Save state... saved", ok and page.status().startswith("Opened"),
            f"{page.status()} {message}")
    # A byte that is not UTF-8 in a state file: refused as the runner refuses it.
    with open(saved_state, "rb") as f:
        data = f.read().replace(b'"clock": "', b'"clock": "\xe9', 1)
    bad = os.path.join(shots, "not-utf8.json")
    with open(bad, "wb") as f:
        f.write(data)
    runner = subprocess.run([os.path.abspath(args.runner), "-e", "state load not-utf8.json"], cwd=shots,
                            capture_output=True, text=True, errors="replace")
    says = runner.stderr.strip().split("state: ", 1)[-1]
    page.driver.find_element("id", "state-file").send_keys(bad)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline and "not-utf8.json" not in page.status():
        time.sleep(0.05)
    c.check("Open state... refuses bytes that are not UTF-8 as the runner does",
            runner.returncode == 2 and "ill-formed UTF-8" in says and page.status().startswith(says),
            f"{page.status()}; the runner: {says}")


def too_wide_translation(po_dir, runner, work):
    """fr.po with one text made too wide, and the runner's fit check of it, started."""
    with open(os.path.join(po_dir, "fr.po"), encoding="utf-8") as f:
        text = f.read().replace('msgstr "Heures pompe"', 'msgstr "Durée marche pompe"')
    path = os.path.join(work, "fr.po")
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    check = subprocess.Popen([os.path.abspath(runner), "--check-texts", "--texts", "fr.po"], cwd=work,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    return path, check


def not_utf8_translation(page, c, path, runner, work):
    """A PO file with a byte that is not UTF-8 is refused at its line, as the
    runner refuses it, not shown with the browser's stand-in character."""
    with open(path, "rb") as f:
        data = f.read().replace("Durée marche pompe".encode(), "Durée marche pomp\xe9".encode("latin-1"))
    bad = os.path.join(work, "latin1.po")
    with open(bad, "wb") as f:
        f.write(data)
    check = subprocess.run([os.path.abspath(runner), "--check-texts", "--texts", "latin1.po"], cwd=work,
                           capture_output=True, text=True)
    page.driver.find_element("id", "po-file").send_keys(bad)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline and "latin1.po" not in page.status():
        time.sleep(0.05)
    findings = page.js("return Array.from(document.querySelectorAll('#findings li'), e => e.textContent)")
    c.check("a PO file that is not UTF-8 is refused at its line as the runner refuses it",
            check.returncode == 2 and findings == check.stderr.splitlines() and "refused" in page.status(),
            f"{findings}, expected {check.stderr.splitlines()}; {page.status()}")
    # A drop of something else is refused at once, not read as a translation.
    page.js("""const files = new DataTransfer();
               files.items.add(new File([new Uint8Array([0x89, 0x50, 0x4E, 0x47])], 'menu.png'));
               document.dispatchEvent(new DragEvent('drop', {dataTransfer: files, bubbles: true, cancelable: true}));""")
    c.check("a dropped picture is refused: the page takes .po and .json files",
            page.status().startswith("menu.png: the page takes a translation (.po) or a state (.json)"), page.status())


def translation_preview(page, c, path, expected, where, shown_page, in_worker):
    """A dropped PO file shows its language at once, lists the texts that do not
    fit as --check-texts does, and the check leaves the live panel alone (run
    in workers, the page answers meanwhile)."""
    page.js("document.getElementById('po-file').hidden = false")
    page.driver.find_element("id", "po-file").send_keys(path)
    # The checks module and the PO parser load when a translation first comes.
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline and page.js("return document.getElementById('language').value") != "2":
        time.sleep(0.05)
    c.check(f"{where}: the panel shows the dropped language",
            page.js("return document.getElementById('language').value") == "2", page.status())
    if in_worker:
        ok, message = page.run("tick 10")
        checking = page.js("return document.getElementById('preview-file').textContent.includes('checking')")
        c.check(f"{where}: the page answers while the fit check runs", ok and checking, message)
    deadline = time.monotonic() + 60
    title = ""
    while time.monotonic() < deadline and ("checking" in title or not title):
        title = page.js("return document.getElementById('preview-file').textContent")
        time.sleep(0.1)
    findings = page.js("return Array.from(document.querySelectorAll('#findings li'), e => e.textContent)")
    c.check(f"{where}: the page lists the texts that do not fit as --check-texts does", findings == expected,
            f"{title}: {findings}, expected {expected}")
    ok, message = page.run(f"expect page {shown_page}")
    c.check(f"{where}: the fit check leaves the live panel where it was", ok, message)
    if in_worker:
        parts = {"kandorelle-checks.js", "kandorelle-checks.wasm", "po-reader.js", "fit-worker.js"}
        c.check(f"{where}: the page loaded its checks and PO parser when first used", parts <= loaded(page),
                sorted(loaded(page)))


def fault_history(page, c, shots):
    """The history's controls make the runner's history lines: the page's state
    holds the history that the runner's state holds after the same lines."""
    def history():
        ok, state = page.call("window.kandorelle.state()")
        assert ok, state
        return json.loads(state)["faultHistory"]

    def expected(name):
        with open(os.path.join(shots, name), encoding="utf-8") as f:
            return json.load(f)["faultHistory"]

    def click(selector):
        page.driver.find_element("css selector", selector).click()

    page.tick(300)
    choose = "const e = document.querySelector(arguments[0]); e.value = arguments[1];"
    page.js(choose, 'select[name="fault-choice"]', "22")
    page.js(choose, 'input[name="history-time"]', HISTORY_TIME.replace(" ", "T"))
    click("#plant-history ~ .buttons button:nth-child(1)")
    page.js(choose, 'select[name="fault-choice"]', "7")
    page.js(choose, 'input[name="history-time"]', "")
    click("#plant-history ~ .buttons button:nth-child(1)")
    click("#plant-history li:nth-child(3) input")
    click("#history-delete")
    c.check("the history's controls add at a chosen time, at the panel's, and delete an entry as the runner's lines do",
            history() == expected("history.json"), history())
    shown = page.js("return Array.from(document.querySelectorAll('#plant-history li'), e => e.textContent)")
    c.check("the history list shows the entry at its chosen time", shown[1].startswith(f"{HISTORY_TIME} · 22 "), shown)
    c.check("Delete entry waits for an entry to be chosen", page.js("return document.getElementById('history-delete').disabled"))
    click("#plant-history ~ .buttons button:nth-child(3)")
    c.check("emptying the history empties it as history clear does", history() == expected("history-clear.json"),
            history())


# The words of the plant controls' labels that the page breaks across lines.
BROKEN_WORDS = """const broken = [];
for (const label of document.querySelectorAll('#plant label')) {
  for (const node of label.childNodes) {
    if (node.nodeType !== Node.TEXT_NODE) continue;
    for (const m of node.textContent.matchAll(/\\S+/g)) {
      const r = document.createRange();
      r.setStart(node, m.index);
      r.setEnd(node, m.index + m[0].length);
      if (new Set(Array.from(r.getClientRects()).map(x => Math.round(x.top))).size > 1) broken.push(m[0]);
    }
  }
}
return broken;"""


def status_list_width(page, c):
    """The controller-status list shows its longest entry whole, and no label
    breaks inside a word, in every language, on phones and on a laptop."""
    cut = []
    broken = []
    for width in (320, 390, 1280):
        viewport(page, width, 900)
        for language in range(7):
            page.js("const s = document.getElementById('language'); s.value = arguments[0];"
                    "s.dispatchEvent(new Event('change'))", str(language))
            broken += [f"language {language} at {width} px: {word}" for word in page.js(BROKEN_WORDS)]
            if width == 320:
                continue
            shown, whole = page.js(
                """const s = document.querySelector('#plant select[name="status"]');
                   const shown = s.getBoundingClientRect().width;
                   s.style.cssText = 'max-width: none; width: max-content';
                   const whole = s.getBoundingClientRect().width;
                   s.style.cssText = '';
                   return [shown, whole];""")
            if shown < whole:
                cut.append(f"language {language} at {width} px: {shown:.0f} px of {whole:.0f}")
    c.check("the status list shows its entries whole in every language at 390 and 1280 px", not cut, cut)
    c.check("no plant label breaks inside a word in any language at 320, 390 and 1280 px", not broken, broken)
    viewport(page, 1200, 1000)


def small_screens(page, c):
    """On phones and a low laptop the whole panel stays on screen, and Fit
    leaves out the frame where that lets the panel be larger."""
    viewport(page, 360, 640, scale=2)
    page.key("0")
    r = page.js("const r = document.getElementById('panel').getBoundingClientRect(); return [r.left, r.width];")
    c.check("Fit on a 360 px phone at device scale 2 shows the panel 320 px wide, from the edge", r == [0, 320], r)
    for width, height in ((320, 568), (390, 844), (1280, 625)):
        viewport(page, width, height)
        for key in "123":
            page.key(key)
            r = page.js("const r = document.getElementById('panel').getBoundingClientRect(); return [r.right, r.bottom];")
            c.check(f"key {key} at {width} x {height} keeps the panel whole", r[0] <= width and r[1] <= height,
                    f"the panel ends at {r}")
    viewport(page, 390, 844)
    page.key("0")
    page.tap(*MENU_BUTTON, kind="touch")
    page.tick(200)
    ok, message = page.run("expect page 1")
    c.check("a phone-sized panel takes a touch", ok, message)
    viewport(page, 1200, 1000)


def clock_and_manual(page, base, c):
    for clock, says in (("2026-02-30T10:00:00", "February 2026 has 28 days"),
                        ("1999-12-31T10:00:00", "year 1999 is out of range (2000 to 2099)")):
        page.open(f"{base}?clock={clock}&manual")
        c.check(f"clock={clock} says what is wrong", says in page.status(), page.status())
    page.open(f"{base}?lang=fr&clock=2026-12-06T13:47:00&manual")
    c.check("lang=fr shows French in the page's language list too",
            page.js("return document.getElementById('language').value") == "2",
            page.js("return document.getElementById('language').value"))
    # Before its first tick the panel has read no clock: the page shows, links
    # and names files by the pinned one, never by a clock of zeros.
    page.open(f"{base}?clock=2026-12-06T13:47:00&manual")
    shown = page.js("return document.getElementById('plant-clock').textContent")
    _, link = page.call("window.kandorelle.link()")
    c.check("a page with ticks by hand shows and links its pinned clock before its first tick",
            shown.startswith("2026-12-06 13:47:00") and "clock=2026-12-06T13%3A47%3A00" in link, [shown, link])
    page.open(f"{base}?clock=2026-12-06T13:47:00&manual=0")
    before = page.canvas_rgb()[2]
    # An idle start page, measured by the browser's own task time.
    tasks = lambda: {m["name"]: m["value"] for m in page.cdp("Performance.getMetrics")["metrics"]}["TaskDuration"]
    page.cdp("Performance.enable")
    t0, w0 = tasks(), time.monotonic()
    time.sleep(1.5)
    idle = (tasks() - t0) / (time.monotonic() - w0)
    c.check("manual=0 lets the page tick by itself", page.canvas_rgb()[2] != before)
    c.check(f"an idle start page costs at most {IDLE_CORE_LIMIT:.0%} of a core", idle <= IDLE_CORE_LIMIT,
            f"{idle:.0%}")
    print(f"note: idle start page {idle:.1%} of a core")
    # A long tick() runs in slices: the page answers while it runs.
    page.js("window.longTick = window.kandorelle.tick(1000000)")
    t0 = time.monotonic()
    page.js("return document.title")
    answered = time.monotonic() - t0
    page.js("window.kandorelle.stop()")
    ok, message = page.call("window.longTick")
    c.check("the page answers while tick(1000000) runs", answered < 0.5 and message == "tick: stopped",
            f"{answered:.2f} s, {message}")


def compressed(web_dir, names):
    total = 0
    for name in names:
        with open(os.path.join(web_dir, name), "rb") as f:
            total += len(gzip.compress(f.read(), 9))
    return total


def page_size(web_dir, c):
    total = compressed(web_dir, PAGE_FILES)
    print(f"note: the page is {total / 1024:.1f} KB compressed (gzip -9) when it opens")
    c.check(f"the page stays under {PAGE_SIZE_LIMIT // 1024} KB compressed", total <= PAGE_SIZE_LIMIT,
            f"{total / 1024:.1f} KB")
    for part, (names, limit) in LAZY_PARTS.items():
        size = compressed(web_dir, names)
        print(f"note: {part}, loaded when first used, is {size / 1024:.1f} KB compressed")
        c.check(f"{part} stays under {limit // 1024} KB compressed", size <= limit, f"{size / 1024:.1f} KB")


def loaded(page):
    """The names of the files the page has fetched since it opened."""
    return {os.path.basename(url.split("?")[0]) for url in
            page.js("return performance.getEntriesByType('resource').map(e => e.name)")}


def stale_hint(web_dir):
    """Says so when a source file is newer than the built module."""
    root = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
    built = os.path.getmtime(os.path.join(web_dir, "kandorelle.wasm"))
    for folder in ("panel", "host", "web"):
        for where, _, files in os.walk(os.path.join(root, folder)):
            for name in files:
                if os.path.getmtime(os.path.join(where, name)) > built:
                    print(f"hint: {os.path.join(where, name)} is newer than the web build; './dev.sh web' rebuilds it")
                    return


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--web-dir", required=True, help="the built page folder (build-web)")
    parser.add_argument("--runner", required=True, help="the headless runner, kandorelle-cli")
    parser.add_argument("--browser", default=shutil.which("chromium") or "/usr/bin/chromium")
    parser.add_argument("--driver", default=shutil.which("chromedriver") or "/usr/bin/chromedriver")
    parser.add_argument("--out", help="where pictures of a failure go (default: a new temporary folder)")
    args = parser.parse_args()

    web_dir = os.path.abspath(args.web_dir)
    lazy = tuple(name for names, _ in LAZY_PARTS.values() for name in names)
    for name in PAGE_FILES + lazy + ("kandorelle-file.js", "kandorelle-checks-file.js"):
        if not os.path.isfile(os.path.join(web_dir, name)):
            skip(f"no web build in {web_dir} (missing {name}); './dev.sh web' builds it")
    for module in ("selenium", "PIL"):
        if importlib.util.find_spec(module) is None:
            skip(f"{module} is not installed for {sys.executable}; './dev.sh web' installs it")
    for program in (args.browser, args.driver):
        if not os.access(program, os.X_OK):
            skip(f"{program} is missing; './dev.sh web' installs chromium and chromium-driver")
    if not os.access(args.runner, os.X_OK):
        print(f"{args.runner}: the runner is missing", file=sys.stderr)
        return 2
    po_dir = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "po")

    out_dir = args.out or tempfile.mkdtemp(prefix="kandorelle-web-")
    os.makedirs(out_dir, exist_ok=True)
    c = Checks(out_dir)
    with tempfile.TemporaryDirectory() as shots:
        po_path, runner_check = too_wide_translation(po_dir, args.runner, shots)
        for name, script in RUNNER_SCRIPTS.items():
            with open(os.path.join(shots, name + ".txt"), "w", encoding="ascii") as f:
                f.write(script)
            subprocess.run([os.path.abspath(args.runner), name + ".txt"], cwd=shots, check=True)

        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(QuietHandler, directory=web_dir))
        threading.Thread(target=server.serve_forever, daemon=True).start()
        base = f"http://127.0.0.1:{server.server_address[1]}/index.html"
        pinned = f"{base}?clock={CLOCK.replace(' ', 'T')}&manual"
        downloads = os.path.join(shots, "downloads")
        os.makedirs(downloads)
        page = browser(args, downloads)
        try:
            page.ready_ms = page.open(pinned)
            print(f"note: interactive {page.ready_ms} ms after loading")
            walk(page, c, shots, downloads)
            page.open(pinned)
            two_fingers(page, c, shots)
            page.open(pinned)
            language_with_list_open(page, c, shots)
            page.open(pinned)
            plant_controls_and_link(page, args, pinned, c, shots, downloads)
            page.open(pinned)
            fault_history(page, c, shots)
            status_list_width(page, c)
            page.open(pinned)
            small_screens(page, c)
            expected = runner_check.communicate()[1].splitlines()
            assert runner_check.returncode == 1 and len(expected) == 1, (runner_check.returncode, expected)
            translation_preview(page, c, po_path, expected, "served", "menu", True)
            not_utf8_translation(page, c, po_path, args.runner, shots)
            # Opened from a file, the page starts all the same; its fit check
            # runs beside the panel, as a worker cannot load the module there.
            page.open("file://" + os.path.join(web_dir, "index.html") + f"?clock={CLOCK.replace(' ', 'T')}&manual")
            page.tick(300)
            c.same("the page opened from a file", page.canvas_rgb(), png_rgb(os.path.join(shots, "start.png")))
            translation_preview(page, c, po_path, expected, "from a file", "start-page", False)
            ok, link = page.call("window.kandorelle.link()")
            c.check("from a file: the page makes a link with its state", ok and "#state=" in link, link[:200])
            clock_and_manual(page, base, c)
            page_size(web_dir, c)
        finally:
            if runner_check.poll() is None:
                runner_check.kill()
                runner_check.wait()
            page.driver.quit()
            server.shutdown()
    if c.failed:
        stale_hint(web_dir)
        print(f"{len(c.failed)} checks failed: {', '.join(c.failed)}")
        return 1
    if not args.out:
        shutil.rmtree(out_dir, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
