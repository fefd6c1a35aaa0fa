pytest_plugins = ["kandorelle.pytest_plugin", "pytester"]
