"""The Kandorelle II panel, driven from Python.

A Panel runs the panel's own firmware on the same host core as the window
and the headless runner, with a pinned clock and no display. Taps, waits and
checks are the runner's own: they mean what they mean in a script and fail
with the runner's messages.

    from kandorelle import Panel

    with Panel(language="en") as p:
        p.tap("menu")
        p.wait_page("menu")
        p.plant["collector"] = 95.5
        assert p.pixel(305, 16) == (0, 0x7D, 0)

The firmware's state is global, so a process holds one panel at a time; the
pytest plugin (kandorelle.pytest_plugin) gives each test a fresh one and
runs on many cores with pytest-xdist.
"""

from __future__ import annotations

import datetime as _datetime
import json as _json
import math as _math
import numbers as _numbers
import operator as _operator
import os as _os
import re as _re
from collections.abc import Iterator, MutableMapping
from typing import NamedTuple, Union

from ._kandorelle import Panel as _Core
from ._kandorelle import _languages, _page_names, _plant_names

__all__ = ["CheckFailed", "DEFAULT_CLOCK", "LANGUAGES", "PAGES", "Page", "Panel", "Plant"]

#: The clock a panel starts with unless told otherwise.
DEFAULT_CLOCK = "2026-12-06 13:47:00"
#: The panel's languages, as codes, in the panel's own order.
LANGUAGES: tuple[str, ...] = tuple(_languages())
#: The pages' names by number, as `print page` and wait_page() name them.
PAGES: tuple[str, ...] = tuple(_page_names())

_NAMES = tuple(_plant_names())
_WORD = _re.compile(r'[^\s"#]+')
_DEFAULT_WAIT = 5.0  # seconds of panel time, as the runner waits

PlantValue = Union[float, int, bool, None]


class CheckFailed(AssertionError):
    """A check, a wait or a tap that failed.

    The message is the runner's: what was expected and what the screen showed
    instead. pytest reports it as a failed test.
    """


class Page(NamedTuple):
    """The page shown: its number and its name (1, 'menu')."""

    number: int
    name: str

    def __str__(self) -> str:
        return f"{self.number} {self.name}"


class Plant(MutableMapping):
    """The plant values by name, as the runner's `set` and `print` know them.

    Temperatures and the flow rate read as floats (None for an absent
    sensor), flags as True/False, the rest as ints. A value is set from a
    number, True/False, None (absent) or one of the runner's words ("clear",
    "absent", "on"); it is checked as the runner checks it. Values cannot be
    removed; reset() sets every one back to its start value.
    """

    __slots__ = ("_panel",)

    def __init__(self, panel: Panel) -> None:
        self._panel = panel

    def __getitem__(self, name: str) -> PlantValue:
        return self._panel._plant_get(_name(name))

    def __setitem__(self, name: str, value: PlantValue | str) -> None:
        self._panel._plant_set(_name(name), _plant_word(name, value))

    def __delitem__(self, name: str) -> None:
        raise TypeError("a plant value cannot be removed; plant.reset() sets every value back")

    def __iter__(self) -> Iterator[str]:
        return iter(_NAMES)

    def __len__(self) -> int:
        return len(_NAMES)

    def __contains__(self, name: object) -> bool:
        return name in _NAMES

    def reset(self) -> None:
        """Every plant value back to its start value; nothing is held any more."""
        self._panel._play("reset plant")

    def __repr__(self) -> str:
        return "Plant({" + ", ".join(f"{n!r}: {self[n]!r}" for n in _NAMES) + "})"


class Panel(_Core):
    """A fresh panel: the firmware started, the clock pinned, nothing drawn yet.

    clock:    the wall clock, "YYYY-MM-DD HH:MM:SS" or a datetime; it stands
              still, as in the runner.
    language: the panel's language as a code (see LANGUAGES).
    state:    a state file (the runner's `state save`) to start from.

    One panel per process at a time: creating a second while one is open
    raises RuntimeError. close(), or leaving a `with Panel() as p:` block,
    frees it. Positions are panel pixels (0..319, 0..239); timeouts are
    seconds of panel time (ticks of 12 ms), not of the computer's.
    """

    def __init__(
        self,
        clock: str | _datetime.datetime = DEFAULT_CLOCK,
        language: str = "de",
        state: str | _os.PathLike[str] | None = None,
    ) -> None:
        """A fresh panel; see the class's documentation for the arguments."""
        super().__init__(_time_text(clock, "clock"), _text(language, "language"))
        if state is not None:
            try:
                self.state_load(state)
            except BaseException:
                self.close()
                raise

    def __enter__(self) -> Panel:
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def __repr__(self) -> str:
        if self.closed:
            return "<kandorelle.Panel closed>"
        return f"<kandorelle.Panel page {self.page}, {self.language}>"

    # The finger.

    def press(self, x: int, y: int) -> None:
        """Puts the finger down at panel pixel (x, y)."""
        self._play(f"press {_whole(x, 'x')} {_whole(y, 'y')}")

    def drag(self, x: int, y: int) -> None:
        """Moves the held finger to panel pixel (x, y)."""
        self._play(f"drag {_whole(x, 'x')} {_whole(y, 'y')}")

    def release(self) -> None:
        """Lifts the finger."""
        self._play("release")

    def tap(
        self,
        target: int | str | None = None,
        y: int | None = None,
        ticks: int = 3,
        *,
        text: str | None = None,
        row: int | None = None,
    ) -> None:
        """Taps a point, a button, a text or a row, as the runner's tap does.

        tap(x, y, ticks=3)   presses at (x, y) for `ticks` ticks, releases and
                             runs 3 more ticks.
        tap("menu")          a button by its picture's name (menu, pencil,
                             confirm, plus, lamp ...) or a text by its name
                             (Settings taps "Einstellungen" on a German panel).
        tap(text="Einstellungen")   a list row or label by its text.
        tap(row=3)           row 3 of the page's list (1 = the first).

        A target is tapped once it is drawn and the page has finished drawing
        (up to 5 s); one that never comes, or is there twice, raises
        CheckFailed with what the screen holds instead.
        """
        forms = (target is not None) + (text is not None) + (row is not None)
        if forms != 1:
            raise TypeError("tap() takes x and y, a name, text= or row=")
        if isinstance(target, str):
            if y is not None or ticks != 3:
                raise TypeError("tap(name) takes no y or ticks; tap(x, y, ticks) taps a point")
            if not _WORD.fullmatch(target):
                raise ValueError(f"no page has a {target!r} as a name; a text is tapped with tap(text=...)")
            self._play(f"tap {target}")
        elif target is not None:
            if y is None:
                raise TypeError("tap(x, y) wants y too")
            self._play(f"tap {_whole(target, 'x')} {_whole(y, 'y')} {_whole(ticks, 'ticks')}")
        elif text is not None:
            self._play(f"tap {_quoted(text, 'text')}")
        else:
            self._play(f"tap row {_whole(row, 'row')}")

    # Waiting for the panel; each ticks until it is so, or raises CheckFailed.

    def wait_page(self, page: int | str, timeout: float = _DEFAULT_WAIT) -> None:
        """Ticks until the page (a number or a name, see PAGES) is shown and drawn."""
        if isinstance(page, str):
            if not _WORD.fullmatch(page):
                raise ValueError(
                    f"no page {page!r} (a page's number 0..{len(PAGES) - 1} or name, as print page shows it)"
                )
            word = page
        else:
            word = str(_whole(page, "page"))
        self._play(f"wait page {word} {_timeout(timeout)}")

    def wait_text(self, text: str | None = None, *, name: str | None = None, timeout: float = _DEFAULT_WAIT) -> None:
        """Ticks until a text (as written, blanks not counting) or a text's name is on the screen."""
        self._play(f"wait text {_target(text, name)} {_timeout(timeout)}")

    def wait_gone(self, text: str | None = None, *, name: str | None = None, timeout: float = _DEFAULT_WAIT) -> None:
        """Ticks until a text, or a text's name, is no longer on the screen."""
        self._play(f"wait gone {_target(text, name)} {_timeout(timeout)}")

    def wait_settled(self, timeout: float = _DEFAULT_WAIT) -> None:
        """Ticks until nothing is left to draw and nothing but an animation has changed for 30 ticks."""
        self._play(f"wait settled {_timeout(timeout)}")

    # What the screen shows.

    @property
    def page(self) -> Page:
        """The page shown, as Page(number, name)."""
        return Page(*self._page())

    def scene(self) -> list[dict]:
        """What the screen shows, element by element, as `print scene` writes it."""
        return _json.loads(self._scene_json())

    def shows(
        self, text: str | None = None, *, name: str | None = None, within: tuple[int, int, int, int] | None = None
    ) -> bool:
        """Whether a text (as written), or a name (a text's or a picture's), is on the screen.

        within=(x, y, w, h) looks only there (an element counts when its
        centre lies in the region).
        """
        if (text is None) == (name is None):
            raise TypeError("give a text or name=, one of them")
        if text is not None:
            return self._shows(_text(text, "text"), True, _region(within))
        return self._shows(_text(name, "name"), False, _region(within))

    def expect_text(
        self, text: str | None = None, *, name: str | None = None, within: tuple[int, int, int, int] | None = None
    ) -> None:
        """Raises CheckFailed, with what the page shows, unless the text is on the screen."""
        self._play(f"expect text {_target(text, name)}{_in(within)}")

    def expect_no_text(
        self, text: str | None = None, *, name: str | None = None, within: tuple[int, int, int, int] | None = None
    ) -> None:
        """Raises CheckFailed, with what the page shows, if the text is on the screen."""
        self._play(f"expect no text {_target(text, name)}{_in(within)}")

    def expect_screen(
        self,
        golden: str | _os.PathLike[str],
        tolerance: int = 0,
        mask: tuple = (),
        *,
        update: bool = False,
    ) -> None:
        """Compares the screen with a golden PNG, as the runner's expect screen does.

        Up to `tolerance` pixels may differ; `mask` leaves regions out: (x, y,
        w, h) tuples, or "animations" for the animations on the screen. A
        difference raises CheckFailed and leaves NAME.actual.png and
        NAME.diff.png beside the golden image (a passing check removes them);
        with update=True the golden image is written instead. A missing golden
        image raises FileNotFoundError, one of another size ValueError.
        """
        __tracebackhide__ = True
        path = _os.fspath(golden)
        words = [f"expect screen {_quoted(path, 'golden')} {_whole(tolerance, 'tolerance')}"]
        for region in mask:
            if region == "animations":
                words.append("mask animations")
            else:
                words.append("mask " + " ".join(str(v) for v in _region(region)))
        try:
            self._play(" ".join(words), cannot=ValueError, update=update)
        except CheckFailed as failure:
            stem = path[:-4] if path.endswith(".png") else path
            failure.actual = stem + ".actual.png"
            failure.diff = stem + ".diff.png"
            raise
        except ValueError as error:
            if not _os.path.exists(path):
                raise FileNotFoundError(str(error)) from None
            raise

    def screenshot(self, path: str | _os.PathLike[str], zoom: int = 1) -> None:
        """Writes what the panel shows as a PNG, at zoom 1..3 (whole, or not at all)."""
        self._play(f"screenshot {_quoted(_os.fspath(path), 'path')} {_whole(zoom, 'zoom')}", cannot=OSError)

    # The plant behind the panel.

    @property
    def plant(self) -> Plant:
        """The plant values by name: p.plant["collector"] = 95.5."""
        return Plant(self)

    def fault(self, code: int) -> None:
        """Raises fault `code` (1..50) as the controller would; 0 clears it."""
        self._plant_set("fault", str(_whole(code, "code")))

    def clear_fault(self) -> None:
        """Clears the current fault."""
        self._plant_set("fault", "clear")

    def history_add(self, code: int, when: str | _datetime.datetime | None = None) -> None:
        """Logs fault `code` in the fault history, at `when` or at the clock's time."""
        at = "" if when is None else " " + _time_text(when, "when")
        self._play(f"history add {_whole(code, 'code')}{at}")

    def state_save(self, path: str | _os.PathLike[str]) -> None:
        """Writes the plant, the settings, the histories and the clock as JSON."""
        self._play(f"state save {_quoted(_os.fspath(path), 'path')}", cannot=OSError)

    def state_load(self, path: str | _os.PathLike[str]) -> None:
        """Loads a state written by state_save() or the runner; a damaged file changes nothing."""
        name = _os.fspath(path)
        if not _os.path.exists(name):
            raise FileNotFoundError(f"state: no state file {name}")
        self._play(f"state load {_quoted(name, 'path')}", cannot=ValueError)

    # Runner lines.

    def run(self, script: str) -> str:
        """Plays runner lines (one command a line) on this panel; returns what `print` wrote.

        The lines are checked whole before the first runs (ValueError); a
        failed check lets the rest run and then raises CheckFailed with every
        failure as FILE:LINE: message.
        """
        return self._play(_text(script, "script"), file="-e")

    def _play(self, line: str, *, cannot: type[Exception] = RuntimeError, update: bool = False, file: str = "panel") -> str:
        __tracebackhide__ = True  # pytest shows the caller's line, not this one
        outcome, message, output = self._run(line, file, update)
        if outcome == 0:
            return output
        if outcome == 1:
            raise CheckFailed(message)
        if outcome == 2:
            raise ValueError(message)
        if outcome == 3:
            raise OSError(message)
        raise cannot(message)


def _text(value: object, what: str) -> str:
    if not isinstance(value, str):
        raise TypeError(f"{what} is a str, not {type(value).__name__}")
    return value


def _name(name: object) -> str:
    if not isinstance(name, str):
        raise KeyError(name)
    return name


def _whole(value: object, what: str) -> int:
    if isinstance(value, bool):
        raise TypeError(f"{what} is a whole number, not bool")
    try:
        return _operator.index(value)
    except TypeError:
        raise TypeError(f"{what} is a whole number, not {type(value).__name__}") from None


def _quoted(text: object, what: str) -> str:
    """A text as one script word, in double quotes with its quotes and backslashes kept."""
    text = _text(text, what)
    if "\n" in text or "\r" in text:
        raise ValueError(f"{what} holds a line break")
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def _target(text: str | None, name: str | None) -> str:
    if (text is None) == (name is None):
        raise TypeError("give a text or name=, one of them")
    if text is not None:
        return _quoted(text, "text")
    if not _WORD.fullmatch(_text(name, "name")):
        raise ValueError(f"no page has a {name!r} as a name; a text is given as it is written, without name=")
    return name


def _timeout(seconds: object) -> str:
    if isinstance(seconds, bool) or not isinstance(seconds, _numbers.Real):
        raise TypeError(f"timeout is seconds of panel time, not {type(seconds).__name__}")
    if not _math.isfinite(seconds) or seconds < 0:
        raise ValueError(f"timeout is seconds of panel time, 0 or more, not {seconds}")
    return f"{round(seconds * 1000)}ms"


def _region(region: object) -> tuple[int, int, int, int] | None:
    if region is None:
        return None
    if isinstance(region, str) or not hasattr(region, "__len__") or len(region) != 4:
        raise TypeError(f"a region is (x, y, width, height), not {region!r}")
    return tuple(_whole(v, w) for v, w in zip(region, ("x", "y", "width", "height")))


def _in(within: object) -> str:
    region = _region(within)
    return "" if region is None else " in " + " ".join(str(v) for v in region)


def _time_text(when: object, what: str) -> str:
    if isinstance(when, _datetime.datetime):
        return when.strftime("%Y-%m-%d %H:%M:%S")
    text = _text(when, what)
    if "\n" in text:
        raise ValueError(f"{what} holds a line break")
    return text


def _plant_word(name: str, value: object) -> str:
    """A Python value as the word the runner's `set` takes."""
    if value is None:
        return "absent"
    if isinstance(value, bool):
        return "on" if value else "off"
    if isinstance(value, str):
        return value
    if isinstance(value, _numbers.Integral):
        return str(int(value))
    if isinstance(value, _numbers.Real):
        return repr(float(value))
    raise TypeError(f"{name} takes a number, True/False, None (absent) or a word, not {type(value).__name__}")
