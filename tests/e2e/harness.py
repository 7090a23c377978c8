# The end-to-end tests drive the game through tools/setup/wine_display.py
# (Wine on a display of its own and one run of the game on it), which the
# benchmark scripts and ./play --screenshot use too.

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools/setup"))
from wine_display import DEADLINE, DEFAULT_CAPTION, ROOT, WINE, Display, Game, near, restart_wine, start_wine, wait_for, wine_env  # noqa: E402,F401
