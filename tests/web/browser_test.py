#!/usr/bin/python3
"""The web page in a real browser shows what the headless runner shows.

Serves the built page folder, opens it in headless Chromium through
ChromeDriver with the clock pinned and the ticks run by hand, clicks, touches
and types as a user would, and compares the canvas (and the PNG that "Save
screenshot" downloads) with the runner's screenshots of the same steps, pixel
for pixel: both run the same firmware and host core.

Exit status 0 passed, 1 failed, 2 bad usage, 77 skipped (no web build, or no
browser), which CTest reports as skipped.
"""

import argparse
import base64
import functools
import http.server
import importlib.util
import math
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77
CLOCK = "2026-12-06 13:47:00"
MENU_BUTTON = (290, 225)
BACK_BUTTON = (20, 225)

# The runner's side of the walk; the browser repeats it step by step below.
RUNNER_SCRIPT = f"""clock {CLOCK}
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
"""


def skip(message):
    print(f"SKIPPED: {message}")
    sys.exit(SKIP)


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, ".wasm": "application/wasm"}

    def log_message(self, *args):
        pass


class Page:
    """The page in the browser, driven through the calls a test may use."""

    def __init__(self, driver):
        self.driver = driver
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.actions.action_builder import ActionBuilder

        self.ActionChains = ActionChains
        self.ActionBuilder = ActionBuilder

    def wait_ready(self, seconds=20):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            ready = self.driver.execute_script("return window.kandorelle ? window.kandorelle.readyMs : null")
            if ready is not None:
                return ready
            time.sleep(0.05)
        status = self.driver.execute_script("return document.getElementById('status').textContent")
        raise AssertionError(f"the page did not start within {seconds} s; it says: {status}")

    def tick(self, count):
        self.driver.execute_script("window.kandorelle.tick(arguments[0])", count)

    # A pointer position in the viewport that the page maps back to exactly
    # the canvas pixel (x, y), whatever fraction the canvas's offset has.
    def _viewport_point(self, x, y):
        rect = self.driver.execute_script(
            "const r = document.getElementById('panel').getBoundingClientRect(); return [r.left, r.top];")
        return math.ceil(rect[0] + x), math.ceil(rect[1] + y)

    def _pointer(self, kind):
        from selenium.webdriver.common.actions.pointer_input import PointerInput

        actions = self.ActionBuilder(self.driver, mouse=PointerInput(kind, kind))
        return actions, actions.pointer_action

    def press(self, x, y, kind="mouse"):
        vx, vy = self._viewport_point(x, y)
        actions, pointer = self._pointer(kind)
        pointer.move_to_location(vx, vy)
        pointer.pointer_down()
        actions.perform()

    def release(self, kind="mouse"):
        actions, pointer = self._pointer(kind)
        pointer.pointer_up()
        actions.perform()

    # The runner's `tap X Y`: held for three ticks, then three more ticks; by
    # the left mouse button or by a finger ("touch").
    def tap(self, x, y, kind="mouse"):
        self.press(x, y, kind)
        self.tick(3)
        self.release(kind)
        self.tick(3)

    # Keys go to the page as they are; sending them "to the canvas" would
    # click it first, and the panel would see that click as a touch.
    def key(self, text):
        self.driver.execute_script("document.getElementById('panel').focus({preventScroll: true})")
        self.ActionChains(self.driver).send_keys(text).perform()

    def downloaded_png(self, folder, seconds=20):
        """The one PNG that the page saved into `folder`, as canvas_rgb gives it."""
        from PIL import Image

        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            saved = [name for name in os.listdir(folder) if name.endswith(".png")]
            if saved:
                image = Image.open(os.path.join(folder, saved[0])).convert("RGB")
                return image.size[0], image.size[1], image.tobytes()
            time.sleep(0.1)
        raise AssertionError(f"'Save screenshot' wrote no PNG into {folder} within {seconds} s")

    def canvas_rgb(self):
        """The canvas as (width, height, bytes R, G, B per pixel)."""
        width, height, data = self.driver.execute_script(
            """const c = document.getElementById('panel');
               const rgba = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
               let text = '';
               for (let i = 0; i < rgba.length; i += 4) text += String.fromCharCode(rgba[i], rgba[i + 1], rgba[i + 2]);
               return [c.width, c.height, btoa(text)];""")
        return width, height, base64.b64decode(data)


def compare(name, browser, runner_png, out_dir):
    from PIL import Image

    width, height, rgb = browser
    expected = Image.open(runner_png).convert("RGB")
    problems = []
    if (width, height) != expected.size:
        problems.append(f"size {width} x {height}, the runner's is {expected.size[0]} x {expected.size[1]}")
    else:
        want = expected.tobytes()
        wrong = [i // 3 for i in range(0, len(rgb), 3) if rgb[i:i + 3] != want[i:i + 3]]
        if wrong:
            first = wrong[0]
            x, y = first % width, first // width
            problems.append(f"{len(wrong)} pixels differ, the first at ({x}, {y}): "
                            f"browser {tuple(rgb[first * 3:first * 3 + 3])}, runner {tuple(want[first * 3:first * 3 + 3])}")
    if problems:
        saved = os.path.join(out_dir, f"browser-{name}.png")
        Image.frombytes("RGB", (width, height), rgb).save(saved)
        shutil.copy(runner_png, os.path.join(out_dir, f"runner-{name}.png"))
        print(f"FAILED {name}: {'; '.join(problems)} (both pictures in {out_dir})")
        return False
    print(f"ok {name}: {width} x {height}, identical to the runner's screenshot")
    return True


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

    for name in ("index.html", "page.js", "page.css", "kandorelle.js", "kandorelle.wasm"):
        if not os.path.isfile(os.path.join(args.web_dir, name)):
            skip(f"no web build in {args.web_dir} (missing {name}); './dev.sh web' builds it")
    for module in ("selenium", "PIL"):
        if importlib.util.find_spec(module) is None:
            skip(f"{module} is not installed for {sys.executable}; './dev.sh web' installs it")
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    for program in (args.browser, args.driver):
        if not os.access(program, os.X_OK):
            skip(f"{program} is missing; './dev.sh web' installs chromium and chromium-driver")
    if not os.access(args.runner, os.X_OK):
        print(f"{args.runner}: the runner is missing", file=sys.stderr)
        return 2

    out_dir = args.out or tempfile.mkdtemp(prefix="kandorelle-web-")
    os.makedirs(out_dir, exist_ok=True)
    with tempfile.TemporaryDirectory() as shots:
        with open(os.path.join(shots, "walk.txt"), "w", encoding="ascii") as script:
            script.write(RUNNER_SCRIPT)
        subprocess.run([os.path.abspath(args.runner), "walk.txt"], cwd=shots, check=True)

        server = http.server.ThreadingHTTPServer(
            ("127.0.0.1", 0), functools.partial(QuietHandler, directory=os.path.abspath(args.web_dir)))
        threading.Thread(target=server.serve_forever, daemon=True).start()

        options = webdriver.ChromeOptions()
        options.binary_location = args.browser
        downloads = os.path.join(shots, "downloads")
        os.makedirs(downloads)
        options.add_experimental_option("prefs", {"download.default_directory": downloads,
                                                  "download.prompt_for_download": False})
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                         "--window-size=1200,1000", "--force-device-scale-factor=1"):
            options.add_argument(argument)
        driver = webdriver.Chrome(service=Service(args.driver), options=options)
        try:
            page = Page(driver)
            clock = CLOCK.replace(" ", "T")
            driver.get(f"http://127.0.0.1:{server.server_address[1]}/index.html?clock={clock}&manual")
            ready_ms = page.wait_ready()

            ok = True
            page.tick(300)
            ok &= compare("start", page.canvas_rgb(), os.path.join(shots, "start.png"), out_dir)
            page.tap(*MENU_BUTTON)
            page.tick(200)
            ok &= compare("menu", page.canvas_rgb(), os.path.join(shots, "menu.png"), out_dir)
            page.key("2")
            ok &= compare("menu-zoom2", page.canvas_rgb(), os.path.join(shots, "menu-zoom2.png"), out_dir)
            page.tap(BACK_BUTTON[0] * 2, BACK_BUTTON[1] * 2)
            page.tick(200)
            ok &= compare("start-zoom2", page.canvas_rgb(), os.path.join(shots, "start-zoom2.png"), out_dir)
            page.tap(MENU_BUTTON[0] * 2, MENU_BUTTON[1] * 2, kind="touch")
            page.tick(200)
            ok &= compare("menu-zoom2-touch", page.canvas_rgb(), os.path.join(shots, "menu-zoom2-touch.png"), out_dir)
            page.key("3")
            driver.find_element("id", "screenshot").click()
            ok &= compare("menu-zoom3-saved", page.downloaded_png(downloads), os.path.join(shots, "menu-zoom3.png"),
                          out_dir)
            print(f"note: interactive {ready_ms} ms after loading")
        finally:
            driver.quit()
            server.shutdown()
    if not ok:
        stale_hint(args.web_dir)
    if ok and not args.out:
        shutil.rmtree(out_dir, ignore_errors=True)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
