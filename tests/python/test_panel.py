"""The Python API: what it shows is what the runner shows, and bad input is
refused with the runner's words."""

import os
import signal
import subprocess

import numpy as np
import pytest
from PIL import Image

from kandorelle import CheckFailed, Panel


def runner_picture(tmp_path, lines):
    png = tmp_path / "runner.png"
    script = "clock 2026-12-06 13:47:00; " + lines + f"; screenshot {png}"
    subprocess.run([os.environ["KANDO_CLI"], "-e", script], check=True)
    return np.asarray(Image.open(png).convert("RGB"))


def open_menu(p):
    p.tap("menu")
    p.wait_page("menu")
    p.wait_settled()


def fault_view(p):
    p.plant["collector"] = 95.5
    p.fault(22)
    p.tap("lamp")
    p.wait_page("current-fault")
    p.wait_settled()


def drag_rows(p):
    open_menu(p)
    p.press(100, 122)
    p.tick(5)
    p.drag(100, 160)
    p.tick(5)
    p.release()
    p.tap(100, 156, ticks=4)
    p.wait_settled()


@pytest.mark.parametrize(
    "lines, steps",
    [
        ("tap menu; wait page menu; wait settled", open_menu),
        ("set collector 95.5; fault 22; tap lamp; wait page current-fault; wait settled", fault_view),
        ("tap menu; wait page menu; wait settled; press 100 122; tick 5; drag 100 160; tick 5; release; "
         "tap 100 156 4; wait settled", drag_rows),
    ],
    ids=["menu", "fault", "touches"],
)
def test_screen_is_the_runners_screenshot(panel, tmp_path, lines, steps):
    steps(panel)
    assert np.array_equal(panel.screen(), runner_picture(tmp_path, lines))


def test_screen_is_a_read_only_view_that_outlives_the_panel(panel):
    view = panel.screen()
    kept = panel.screen(copy=True)
    assert view.shape == (240, 320, 3) and view.dtype == np.uint8 and not view.flags.writeable
    open_menu(panel)
    assert not np.array_equal(view, kept)  # the view follows the panel
    assert tuple(view[16, 305]) == panel.pixel(305, 16)
    panel.close()
    with Panel() as other:
        other.tick(50)
        assert view.sum() > 0  # still the closed panel's picture, not freed memory


def test_one_panel_per_process():
    with Panel() as p:
        with pytest.raises(RuntimeError, match="a panel is already open in this process"):
            Panel()
    with pytest.raises(ZeroDivisionError):
        with Panel():
            1 / 0
    with Panel() as p:  # both closed: a third starts
        p.tick(n=2)
    with pytest.raises(RuntimeError, match="the panel is closed"):
        p.tick()


@pytest.mark.parametrize(
    "call, error, message",
    [
        (lambda p: p.press(400, 5), ValueError, "press: x '400' is out of range (0 to 319)"),
        (lambda p: p.tap(10), TypeError, "tap(x, y) wants y too"),
        (lambda p: p.tap(1.5, 3), TypeError, "x is a whole number, not float"),
        (lambda p: p.tap(10, 10, ticks=0), ValueError, "tap: ticks '0' is out of range (1 to 100000)"),
        (lambda p: p.tap("pencli"), ValueError, "tap: no page has a 'pencli'; names: pump,"),
        (lambda p: p.tap("pencil"), CheckFailed, "no 'pencil' on page 0 start-page; the bar holds: "),
        (lambda p: p.tap(text='a\n"b'), ValueError, "text holds a line break"),
        (lambda p: p.tick(-1), ValueError, "tick: count '-1' is out of range (0 to 10000000)"),
        (lambda p: p.tick(2**70), ValueError, "is out of range (0 to 10000000)"),
        (lambda p: p.tick(1.5), TypeError, "tick(): n must be an int, not float"),
        (lambda p: p.tick(m=1), TypeError, "tick() got an unexpected keyword argument 'm'"),
        (lambda p: p.wait_page("nowhere"), ValueError, "wait: no page 'nowhere' (a page's number 0..45"),
        (lambda p: p.wait_page("menu", timeout=0.1), CheckFailed, "waited 108 ms for page menu; page 0 start-page"),
        (lambda p: p.wait_settled(timeout=-1), ValueError, "timeout is seconds of panel time, 0 or more"),
        (lambda p: p.expect_text(name="menu"), ValueError, "'menu' is a picture; a text goes in double quotes"),
        (lambda p: p.expect_text("55°C"), CheckFailed, "expected text '55°C', got page 0 start-page shows"),
        (lambda p: p.pixel(0, 240), ValueError, "y '240' is out of range (0 to 239)"),
        (lambda p: p.fault(51), ValueError, "fault: 51 is out of range 0..50"),
        (lambda p: p.history_add(3, "2026-13-01 00:00:00"), ValueError, "history: month 13 is out of range (1 to 12)"),
        (lambda p: p.plant.__setitem__("collector", 95.55), ValueError, "with at most one decimal"),
        (lambda p: p.plant.__setitem__("frost", [1]), TypeError, "frost takes a number, True/False, None"),
        (lambda p: p.plant["nope"], KeyError, "unknown name 'nope'; valid names: collector,"),
        (lambda p: setattr(p, "language", "xx"), ValueError, "unknown language 'xx' (languages: de, en,"),
        (lambda p: p.screenshot("/nonexistent/x.png"), OSError, "screenshot: the folder /nonexistent does not"),
        (lambda p: p.screenshot("x.png", zoom=4), ValueError, "screenshot: zoom '4' is out of range (1 to 3)"),
        (lambda p: p.expect_screen("nope.png"), FileNotFoundError, "no golden image nope.png"),
        (lambda p: p.expect_screen("x.png", mask=[(0, 0, 5)]), TypeError, "a region is (x, y, width, height)"),
        (lambda p: p.state_load("nope.json"), FileNotFoundError, "state: no state file nope.json"),
        (lambda p: p.run("tick 5\nfrobnicate"), ValueError, "-e:2: unknown command 'frobnicate'"),
        (lambda p: p.run("expect fault 3\nexpect page menu"), CheckFailed,
         "-e:1: expected fault 3, got 0 No fault\n-e:2: expected page 1 menu, got 0 start-page"),
    ],
)
def test_bad_calls_say_what_the_runner_says(panel, call, error, message):
    with pytest.raises(error) as raised:
        call(panel)
    assert message in (raised.value.args[0] if error is KeyError else str(raised.value))
    panel.tick()  # and the panel goes on


@pytest.mark.parametrize(
    "clock, language, message",
    [
        ("2026-02-30 10:00:00", "de", "clock: 2026-02-30 is not a date (February 2026 has 28 days)"),
        ("2026-02-03", "de", "clock: missing an operand after '2026-02-03'"),
        ("2026-02-03 10:00:00\ntick", "de", "clock holds a line break"),
        ("2026-02-03 10:00:00", "de,en", "unknown language 'de,en'"),
    ],
)
def test_bad_panels_are_refused_and_leave_none_open(clock, language, message):
    with pytest.raises(ValueError) as raised:
        Panel(clock=clock, language=language)
    assert message in str(raised.value)
    Panel().close()


@pytest.mark.parametrize(
    "name, value, read",
    [
        ("collector", 95.5, 95.5),
        ("collector", None, None),
        ("collector", "-12.5", -12.5),
        ("frost", True, True),
        ("flow", 12.3, 12.3),
        ("status", np.int64(7), 7),
        ("fault", "clear", 0),
        ("commissioning.counter", 4294967295, 4294967295),
    ],
)
def test_plant_values_read_back_as_set(panel, name, value, read):
    panel.plant[name] = value
    assert panel.plant[name] == read and type(panel.plant[name]) is type(read)


def test_state_round_trip_and_a_damaged_state_changes_nothing(tmp_path):
    saved = tmp_path / "state.json"
    damaged = tmp_path / "damaged.json"
    with Panel(clock="2027-01-02 03:04:05") as p:
        p.plant["collector"] = 42.0
        p.language = "en"
        p.state_save(saved)
        damaged.write_text(saved.read_text()[:-20])
    with Panel(state=saved) as p:
        assert p.plant["collector"] == 42.0 and p.language == "en"
        assert p.run("print clock") == "clock = 2027-01-02 03:04:05\n"
        with pytest.raises(ValueError, match="damaged.json:"):
            p.state_load(damaged)
        assert p.plant["collector"] == 42.0
    with pytest.raises(ValueError, match="damaged.json:"):
        Panel(state=damaged)
    Panel().close()


def test_language_switches_the_page_at_once(panel):
    open_menu(panel)
    panel.language = "en"
    panel.wait_settled()
    assert panel.page == (1, "menu") and panel.shows("Settings") and not panel.shows("Einstellungen")
    assert panel.shows(name="Settings", within=(0, 35, 320, 173))


def test_a_long_run_of_ticks_yields_to_ctrl_c(panel):
    def interrupt(signum, frame):
        raise KeyboardInterrupt

    previous = signal.signal(signal.SIGALRM, interrupt)
    try:
        signal.setitimer(signal.ITIMER_REAL, 0.2)
        with pytest.raises(KeyboardInterrupt):
            panel.tick(10_000_000)  # minutes, uninterrupted
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
    with pytest.raises(RuntimeError, match="tick: interrupted; the panel cannot go on"):
        panel.tick()
