"""The pytest plugin: golden images with the runner's rules, and shards."""

import pytest

from kandorelle.pytest_plugin import shard_of

# The README's example, with the values to vary.
WALK = """
def test_collector_on_the_temperatures_page(panel, assert_screen):
    panel.plant["collector"] = {collector}
    panel.plant["solar.return"] = {solar_return}
    panel.tap("shortcut")
    panel.wait_page("temperatures")
    panel.wait_settled()
    assert_screen(panel, "golden/collector.png", mask=[(215, 40, 55, 28)])
"""


def test_a_golden_image_is_written_checked_masked_and_explained(pytester):
    pytester.makeconftest('pytest_plugins = ["kandorelle.pytest_plugin"]')
    pytester.makepyfile(test_walk=WALK.format(collector=95.5, solar_return=53.4))
    pytester.mkdir("golden")
    missing = pytester.runpytest()
    missing.assert_outcomes(failed=1)
    missing.stdout.fnmatch_lines(["*no golden image golden/collector.png (run pytest with --update-goldens*"])
    pytester.runpytest("--update-goldens").assert_outcomes(passed=1)
    pytester.runpytest().assert_outcomes(passed=1)

    pytester.makepyfile(test_walk=WALK.format(collector=12.5, solar_return=53.4))
    pytester.runpytest().assert_outcomes(passed=1)  # the collector's value is masked

    pytester.makepyfile(test_walk=WALK.format(collector=12.5, solar_return=60.0))
    failed = pytester.runpytest("--junitxml=report.xml")
    failed.assert_outcomes(failed=1)
    failed.stdout.fnmatch_lines(
        [
            "*CheckFailed: expected screen golden/collector.png (tolerance 0 pixels), got * differing pixels; "
            "see golden/collector.actual.png and golden/collector.diff.png",
            "*page 2 temperatures shows *' 60,0 °C'*",
        ]
    )
    assert (pytester.path / "golden/collector.diff.png").is_file()
    report = (pytester.path / "report.xml").read_text()
    assert 'name="diff image" value="golden/collector.diff.png"' in report
    assert "page 2 temperatures shows" in report

    pytester.runpytest("--update-goldens").assert_outcomes(passed=1)
    assert not (pytester.path / "golden/collector.diff.png").exists()


@pytest.mark.parametrize(
    "ids, index, count, mine",
    [
        (["b", "a", "c", "a"], 1, 2, {"a", "c"}),
        (["b", "a", "c", "a"], 2, 2, {"b"}),
        (["t::x[2]", "t::x[10]", "s::y"], 1, 3, {"s::y"}),
        (["t::x[2]", "t::x[10]", "s::y"], 3, 3, {"t::x[2]"}),
        (["a"], 2, 2, set()),
    ],
)
def test_shards_deal_out_the_sorted_ids_in_turn(ids, index, count, mine):
    assert shard_of(ids, index, count) == mine


def test_shards_split_a_run_and_refuse_a_bad_split(pytester):
    pytester.makeconftest('pytest_plugins = ["kandorelle.pytest_plugin"]')
    pytester.makepyfile(
        """
        import pytest
        @pytest.mark.parametrize("n", range(5))
        def test_n(n):
            pass
        """
    )
    ran = [pytester.runpytest("--shard", f"{i}/2").parseoutcomes()["passed"] for i in (1, 2)]
    assert ran == [3, 2]
    bad = pytester.runpytest("--shard", "3/2")
    assert bad.ret == pytest.ExitCode.USAGE_ERROR
    bad.stderr.fnmatch_lines(["*--shard: '3/2' is not I/N with 1 <= I <= N <= 1000"])
