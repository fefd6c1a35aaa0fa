"""The menu in every language: its five rows, each on the screen whole."""

import pytest

from kandorelle import LANGUAGES

ROWS = ["MenuMeasurement", "SolarYields", "Settings", "SystemData", "Check"]
CONTENT = (0, 35, 320, 173)  # between the title bar and the bottom bar


@pytest.mark.parametrize("panel", LANGUAGES, indirect=True)
def test_menu_shows_every_row_whole(panel):
    panel.tap("menu")
    panel.wait_page("menu")
    panel.wait_settled()
    for row in ROWS:
        panel.expect_text(name=row, within=CONTENT)
    for element in panel.scene():
        if element["kind"] == "text":
            assert element["x"] + element["width"] <= 320, f"{element['text']!r} runs off the screen"
