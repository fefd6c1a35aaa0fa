# The panel's pytest plugin: the panel and assert_screen fixtures,
# --update-goldens and --shard I/N.
pytest_plugins = ["kandorelle.pytest_plugin"]
