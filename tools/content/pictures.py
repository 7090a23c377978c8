"""Builds every picture and mask of the registry as RGB arrays, keyed by
file stem."""

import backgrounds
import characters
import slides
import ui
from registry import CONFIG_STEMS, MENU_STEMS, TITLE_STEMS

MENU_LABELS = {"MENU_SAVE": "セーブ", "MENU_LOAD": "ロード", "MENU_DICTIONARY": "用語集",
               "MENU_ERASEWINDOW": "ウィンドウを消す", "MENU_CONFIG": "設定", "MENU_BACKTOTITLE": "タイトルへ",
               "MENU_EXITGAME": "ゲーム終了"}
TITLE_LABELS = {"TITLE_START": "はじめから", "TITLE_LOAD": "つづきから", "TITLE_OMAKE": "用語集", "TITLE_CONFIG": "設定",
                "TITLE_EXIT": "終了", "TITLE_STAFF": "スタッフ"}
CONFIG_LABELS = {"CONFIG_WINDOW": "ウィンドウ", "CONFIG_FULLSCREEN": "フルスクリーン", "CONFIG_ON": "ON",
                 "CONFIG_OFF": "OFF", "CONFIG_NORMAL": "ふつう", "CONFIG_FAST": "速い", "CONFIG_INSTANT": "瞬間",
                 "CONFIG_INITIALIZE": "初期設定に戻す", "CONFIG_OK": "OK", "CONFIG_CANCEL": "キャンセル",
                 "CONFIG_APPLY": "適用"}
DICTIONARY_LABELS = {"TOGLOSSLIST": "用語一覧へ", "POPBACK": "ひとつ戻る", "BACK": "閉じる"}
# Choices whose disabled look marks the chosen option rather than an unusable one.
CONFIG_COMMANDS = {"CONFIG_INITIALIZE", "CONFIG_OK", "CONFIG_CANCEL", "CONFIG_APPLY"}


def build_pictures():
    """The list of jobs: (stems, function returning one array per stem)."""
    jobs = []

    def job(stems, make):
        jobs.append((stems, make))

    job(["BASE"], lambda: (backgrounds.base(),))
    job(["HAIKEI1"], lambda: (backgrounds.lab(),))
    job(["HAIKEI2"], lambda: (backgrounds.server_room(),))
    job(["HAIKEI3"], lambda: (backgrounds.night_street(),))
    job(["STAFF"], lambda: (backgrounds.staff_roll(),))

    def character_set(prefix, draw, count, mask_stem):
        def make():
            out, mask = characters.render_expressions(draw, count)
            return tuple(out) + (mask,)
        job(["%s_%d" % (prefix, e) for e in range(1, count + 1)] + [mask_stem], make)

    character_set("CHAR1", characters.draw_shiori, 5, "CHAR1_MASK")
    character_set("CHAR2", characters.draw_haruto, 4, "CHAR2_MASK")
    job(["CHAR_DUMMY", "CHAR_DUMMY_MASK"],
        lambda: characters.render_character(characters.draw_bit, 1, characters.MASCOT_SIZE))

    job(["TEXTWINDOW", "TEXTWINDOW_MASK"], ui.text_window)
    for stem, label in (("VOICE", "VOICE"), ("AUTO", "AUTO")):
        def make(stem=stem, label=label):
            normal, mask = ui.small_button(stem + "_MASK", label, "normal")
            cover, _ = ui.small_button(stem + "_MASK", label, "cover")
            invalid, _ = ui.small_button(stem + "_MASK", label, "invalid" if stem == "VOICE" else "selected")
            return normal, cover, invalid, mask
        job([stem + "_NORMAL", stem + "_COVER", stem + "_INVALID", stem + "_MASK"], make)

    job(["MENU_BASE", "MENU_BASE_MASK"], ui.menu_base)
    for stem in MENU_STEMS:
        job([stem, stem + "_MASK"], lambda stem=stem: ui.button(stem + "_MASK", MENU_LABELS[stem], "normal"))
    job(["MENU_COVER", "MENU_COVER_MASK"], lambda: ui.frame_cover("MENU_COVER_MASK"))

    job(["TITLE", "TITLE_BASE_MASK"], ui.title_picture)

    def title_buttons():
        out, mask = [], None
        for stem in TITLE_STEMS:
            picture, m = ui.button("TITLE_BUTTON_MASK", TITLE_LABELS[stem], "title", label_size=19, radius=20)
            mask = m
            out.append(picture)
        return tuple(out) + (mask,)
    job(list(TITLE_STEMS) + ["TITLE_BUTTON_MASK"], title_buttons)
    job(["TITLE_COVER", "TITLE_COVER_MASK"], lambda: ui.frame_cover("TITLE_COVER_MASK", (255, 150, 60), radius=20))

    job(["DICTIONARY", "DICTIONARY_MASK"], ui.dictionary_base)
    for which, direction in (("PAGENEXT", 1), ("PAGEBEFORE", -1)):
        stem = "DICTIONARY_" + which

        def make(stem=stem, direction=direction):
            normal, mask = ui.page_button(stem + "_MASK", direction, "normal")
            cover, _ = ui.page_button(stem + "_MASK", direction, "cover")
            invalid, _ = ui.page_button(stem + "_MASK", direction, "invalid")
            return normal, cover, invalid, mask
        job([stem, stem + "_COVER", stem + "_INVALID", stem + "_MASK"], make)
    for which, label in DICTIONARY_LABELS.items():
        stem = "DICTIONARY_" + which

        def make(stem=stem, label=label):
            normal, mask = ui.button(stem + "_MASK", label, "normal", label_size=17)
            invalid, _ = ui.button(stem + "_MASK", label, "invalid", label_size=17)
            return normal, invalid, mask
        job([stem, stem + "_INVALID", stem + "_MASK"], make)
    job(["DICTIONARY_COVER", "DICTIONARY_COVER_MASK"], lambda: ui.frame_cover("DICTIONARY_COVER_MASK"))

    job(["CONFIG_BASE", "CONFIG_BASE_MASK"], ui.config_base)
    for stem in CONFIG_STEMS:
        def make(stem=stem):
            label = CONFIG_LABELS[stem]
            size = 17 if len(label) < 6 else 15
            if stem in ("CONFIG_ON", "CONFIG_OFF"):
                size = 13
            normal, mask = ui.button(stem + "_MASK", label, "normal", size, radius=7)
            cover, cover_mask = ui.button(stem + "_COVER_MASK", label, "cover", size, radius=7)
            invalid, _ = ui.button(stem + "_MASK", label, "invalid" if stem in CONFIG_COMMANDS else "selected", size,
                                   radius=7)
            return normal, invalid, mask, cover, cover_mask
        job([stem, stem + "_INVALID", stem + "_MASK", stem + "_COVER", stem + "_COVER_MASK"], make)

    def volume():
        bar, mask = ui.volume_bar(False)
        invalid, _ = ui.volume_bar(True)
        knob, knob_mask = ui.volume_knob()
        return bar, invalid, mask, knob, knob_mask
    job(["CONFIG_VOLUME", "CONFIG_VOLUME_INVALID", "CONFIG_VOLUME_MASK", "CONFIG_VOLUME_KNOB",
         "CONFIG_VOLUME_KNOB_MASK"], volume)

    job(["SLIDE_DUMMY", "SLIDE_DUMMY_MASK"], slides.slide_dummy)

    def all_slides():
        out, mask = [], None
        for n in range(1, 18):
            picture, m = slides.slide(n)
            if mask is not None and (m != mask).any():
                raise RuntimeError("slide %d has another outline" % n)
            mask = m
            out.append(picture)
        return tuple(out) + (mask,)
    job(["SLIDE_%d" % n for n in range(1, 18)] + ["SLIDE_MASK"], all_slides)

    def saveload():
        generic, mask = ui.saveload_base("セーブ／ロード", (90, 130, 200))
        save, _ = ui.saveload_base("セーブ", (220, 110, 130))
        load, _ = ui.saveload_base("ロード", (60, 170, 140))
        return generic, save, load, mask
    job(["SAVELOAD_BASE", "SAVE_BASE", "LOAD_BASE", "SAVELOAD_BASE_MASK"], saveload)

    def frames():
        normal, mask = ui.save_frame("normal")
        invalid, _ = ui.save_frame("invalid")
        return normal, invalid, mask
    job(["SAVELOAD_FRAME_NORMAL", "SAVELOAD_FRAME_INVALID", "SAVELOAD_FRAME_MASK"], frames)
    job(["SAVELOAD_FRAME_COVER", "SAVELOAD_FRAME_COVER_MASK"],
        lambda: ui.frame_cover("SAVELOAD_FRAME_COVER_MASK", markers=False))
    job(["SAVELOAD_RETURN", "SAVELOAD_RETURN_MASK"], lambda: ui.button("SAVELOAD_RETURN_MASK", "もどる", "normal"))
    job(["SAVELOAD_RETURN_COVER", "SAVELOAD_RETURN_COVER_MASK"],
        lambda: ui.button("SAVELOAD_RETURN_COVER_MASK", "もどる", "cover"))

    job(["CHOICE", "CHOICE_MASK"], lambda: ui.choice_button("CHOICE_MASK", "normal"))
    job(["CHOICE_COVER", "CHOICE_COVER_MASK"], lambda: ui.choice_button("CHOICE_COVER_MASK", "cover"))

    return jobs


def run_job(job):
    stems, make = job
    arrays = make()
    if len(arrays) != len(stems):
        raise RuntimeError("%s: made %d pictures" % (stems[0], len(arrays)))
    return dict(zip(stems, arrays))


def run_index(index):
    return run_job(build_pictures()[index])


def build_all(only=None, pool=None):
    """{stem: RGB array} of everything, or of the jobs whose first stem is in
    `only`; `pool` (a multiprocessing pool) spreads the work."""
    jobs = build_pictures()
    indices = [i for i, j in enumerate(jobs) if only is None or j[0][0] in only]
    results = pool.map(run_index, indices) if pool is not None else map(run_index, indices)
    out = {}
    for part in results:
        out.update(part)
    return out
