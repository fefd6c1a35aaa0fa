"""A fault from the controller lights the lamp; once cleared, the lamp is green again."""

import pytest

LAMP = (305, 16)
GREEN = (0x00, 0x7D, 0x00)
RED = (0xFF, 0x00, 0x00)


@pytest.mark.panel(language="en")
@pytest.mark.parametrize("code", [3, 22, 50])
def test_fault_lights_the_lamp_until_cleared(panel, code):
    panel.wait_settled()
    assert panel.pixel(*LAMP) == GREEN

    panel.fault(code)
    panel.wait_text(f"Fault code {code:02}")
    assert panel.pixel(*LAMP) == RED

    panel.tap("lamp")
    panel.wait_page("current-fault")
    panel.expect_text(f"Fault code {code:02}")

    panel.clear_fault()
    panel.wait_gone(f"Fault code {code:02}")
    assert panel.plant["fault"] == 0
    assert panel.pixel(*LAMP) == GREEN
