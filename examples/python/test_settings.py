"""Editing the warm water set value: five steps up, stored with the tick."""


def test_warm_water_set_value_edit(panel, assert_screen):
    panel.tap("menu")
    panel.wait_page("menu")
    panel.tap("Settings")  # the first tap selects the row ...
    panel.tap("Settings")  # ... the second opens it
    panel.wait_page("warm-water-set-value")
    panel.expect_text("50°C")

    panel.tap("pencil")
    for _ in range(5):
        panel.tap("plus")
    panel.tap("confirm")
    panel.wait_settled()
    panel.expect_text("55°C")
    assert_screen(panel, "golden/warm-water-55.png")
