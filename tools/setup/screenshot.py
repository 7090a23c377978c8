# Runs the game headless, waits for the title screen to finish fading in,
# saves a screenshot of the window and ends the game cleanly.
#   screenshot.py GAME_DIR OUT.png [CAPTION]
# CAPTION is the game window's (game.ini's title); the engine's without it.

import sys
from pathlib import Path

import wine_display as harness


def main():
    game_dir, target = sys.argv[1], Path(sys.argv[2]).resolve()
    title = sys.argv[3] if len(sys.argv) > 3 else harness.DEFAULT_CAPTION
    display = harness.Display()
    game = None
    try:
        game = harness.Game(game_dir, display, title=title)
        game.wait_still()
        game.screenshot(target)
        game.close_box()
        game.key("Return", window=game.exit_question())
        code = game.wait_exit()
        print(f"Saved {target} (the game ended with status {code}).")
        return 0 if code == 0 else 1
    finally:
        if game:
            game.close()
        display.close()


if __name__ == "__main__":
    sys.exit(main())
