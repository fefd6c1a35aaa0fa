"""pytest plugin for the Kandorelle II panel.

Load it with `pytest -p kandorelle.pytest_plugin`, or with
`pytest_plugins = ["kandorelle.pytest_plugin"]` in a conftest.py. It gives:

- the `panel` fixture: a fresh Panel per test, clock pinned; the marker
  `@pytest.mark.panel(language="en", clock=..., state=...)` or an indirect
  parameter (a language code, or a dict of Panel's arguments) starts it
  otherwise;
- the `assert_screen` fixture: assert_screen(panel, "golden/name.png",
  tolerance=0, mask=[...]) compares with a golden image beside the test
  file, with the runner's rules (.actual.png and .diff.png on failure);
- `--update-goldens`: assert_screen writes the golden images instead;
- `--shard I/N`: only the I-th of N parts of the tests (the test ids are
  sorted and dealt out in turn, as the runner deals out scripts), for a CI
  matrix of N jobs.

A failed test's report (and pytest's JUnit XML) carries the page the panel
showed and the pictures of a failed screen check. Under pytest-xdist each
worker is a process with a panel of its own.
"""

from __future__ import annotations

import os
import re
from collections.abc import Callable, Iterator, Sequence
from pathlib import Path

import pytest

from . import CheckFailed, Panel

_SHARD = re.compile(r"([0-9]{1,4})/([0-9]{1,4})")
_MAX_SHARDS = 1000


def pytest_addoption(parser: pytest.Parser) -> None:
    group = parser.getgroup("kandorelle", "Kandorelle II panel")
    group.addoption(
        "--update-goldens",
        action="store_true",
        default=False,
        help="assert_screen writes the golden images instead of comparing with them",
    )
    group.addoption(
        "--shard",
        metavar="I/N",
        default=None,
        help="run only the I-th of N parts of the tests (sorted ids dealt out in turn), for a CI matrix of N jobs",
    )


def parse_shard(text: str) -> tuple[int, int]:
    """I/N as (I, N), with the runner's limits and message."""
    match = _SHARD.fullmatch(text)
    if match:
        index, count = int(match[1]), int(match[2])
        if 1 <= index <= count <= _MAX_SHARDS:
            return index, count
    raise pytest.UsageError(f"--shard: '{text}' is not I/N with 1 <= I <= N <= {_MAX_SHARDS}")


def shard_of(ids: Sequence[str], index: int, count: int) -> set[str]:
    """The ids of shard `index` of `count`: the distinct ids sorted, the k-th going to shard k mod count + 1."""
    return {test_id for k, test_id in enumerate(sorted(set(ids))) if k % count == index - 1}


def pytest_configure(config: pytest.Config) -> None:
    config.addinivalue_line(
        "markers", "panel(clock=..., language=..., state=...): how the panel fixture starts the panel"
    )
    shard = config.getoption("shard")
    config.stash[_shard_key] = parse_shard(shard) if shard is not None else None


_shard_key = pytest.StashKey[tuple[int, int] | None]()
_panel_key = pytest.StashKey[Panel]()


@pytest.hookimpl(trylast=True)
def pytest_collection_modifyitems(config: pytest.Config, items: list[pytest.Item]) -> None:
    shard = config.stash.get(_shard_key, None)
    if shard is None:
        return
    mine = shard_of([item.nodeid for item in items], *shard)
    kept = [item for item in items if item.nodeid in mine]
    dropped = [item for item in items if item.nodeid not in mine]
    if dropped:
        config.hook.pytest_deselected(items=dropped)
        items[:] = kept


@pytest.fixture
def panel(request: pytest.FixtureRequest) -> Iterator[Panel]:
    """A fresh panel for the test, clock pinned; closed after it."""
    options: dict = {}
    marker = request.node.get_closest_marker("panel")
    if marker is not None:
        options.update(marker.kwargs)
    param = getattr(request, "param", None)
    if isinstance(param, dict):
        options.update(param)
    elif param is not None:
        options["language"] = param
    with Panel(**options) as p:
        request.node.stash[_panel_key] = p
        yield p


@pytest.fixture
def assert_screen(request: pytest.FixtureRequest) -> Callable[..., None]:
    """assert_screen(panel, golden, tolerance=0, mask=()): the screen against a golden image.

    `golden` is relative to the test file's folder; `mask` holds (x, y, w, h)
    regions or "animations". A difference fails the test and leaves
    NAME.actual.png and NAME.diff.png beside the golden image; with
    --update-goldens the golden image is written instead.
    """
    update = request.config.getoption("update_goldens")
    folder = Path(request.node.path).parent

    def check(panel: Panel, golden: str | os.PathLike[str], tolerance: int = 0, mask: Sequence = ()) -> None:
        __tracebackhide__ = True
        path = _shown_path(folder / golden)
        if not update and not os.path.exists(path):
            raise FileNotFoundError(f"no golden image {path} (run pytest with --update-goldens to write it)")
        try:
            panel.expect_screen(path, tolerance, mask, update=update)
        except CheckFailed as failure:
            request.node.user_properties.append(("actual image", failure.actual))
            request.node.user_properties.append(("diff image", failure.diff))
            raise

    return check


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item: pytest.Item, call: pytest.CallInfo) -> Iterator[None]:
    outcome = yield
    report = outcome.get_result()
    p = item.stash.get(_panel_key, None)
    if report.when != "call" or not report.failed or p is None or p.closed:
        return
    texts = ", ".join(f"'{t}'" for t in p.texts()) or "no text"
    seen = f"page {p.page} shows {texts}"
    report.sections.append(("panel", seen))
    item.user_properties.append(("panel", seen))  # the teardown report carries them


def _shown_path(path: Path) -> str:
    """A path as messages show it: relative to the working folder when it lies within."""
    relative = os.path.relpath(path)
    return str(path) if relative.startswith("..") else relative
