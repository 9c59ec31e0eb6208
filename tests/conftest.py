import os

from hypothesis import settings

# Timing varies with the sanitizer build and a loaded machine, so property
# tests have no deadline; CI replays the same examples on every run.
settings.register_profile("default", deadline=None)
settings.register_profile("ci", deadline=None, derandomize=True)
settings.load_profile("ci" if os.environ.get("CI") else "default")
