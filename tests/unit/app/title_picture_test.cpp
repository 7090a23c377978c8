#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "app/game_state.h"
#include "app/title_name.h"
#include "app/title_picture.h"
#include "resource/archive.h"
#include "resource/archive_writer.h"
#include "resource/stored_text.h"
#include "scene/button_window.h"
#include "support/bmp_builder.h"
#include "support/test_support.h"
#include "unit/scene/canvas.h"
#include "unit/scene/frames.h"

namespace {

// The plain title picture (a dark blue), the title's ink and the outline's
// darkest part, and what lies under the title screen.
constexpr std::uint32_t NIGHT = 0x203050, WHITE = 0xFFFFFF, BLACK = 0x000000, GREEN = 0x00C000;
constexpr int WIDTH = 800, HEIGHT = 600;
// The title buttons' first row: the title stays above it.
constexpr int FIRST_BUTTON_Y = 310;

// A game's picture archive: TITLE and TITLE_BASE_MASK (800 x 600: by default
// a plain picture, shown everywhere) and, when given, TITLE_NAME holding
// `titleName` as stored text.
class CTitleArchive {
public:
    explicit CTitleArchive(std::optional<std::string> titleName, std::uint32_t picture = NIGHT,
                           std::uint32_t mask = WHITE) {
        std::vector<ArchiveEntryBytes> entries = {{L"./IMG/TITLE.bmp", MakeBmp24(WIDTH, HEIGHT, picture)},
                                                  {L"./IMG/TITLE_BASE_MASK.bmp", MakeBmp24(WIDTH, HEIGHT, mask)}};
        if (titleName) entries.push_back({TITLE_NAME_ENTRY, *titleName});
        const std::optional<std::string> image = BuildArchiveImage(entries);
        EXPECT_TRUE(image.has_value());
        archive_ = std::make_unique<CArchive>(reinterpret_cast<const std::uint8_t*>(image->data()), image->size());
    }
    const CArchive& archive() const { return *archive_; }
    BmpImage Entry(const wchar_t* key) const { return {archive_->GetData(key), archive_->GetSize(key)}; }

private:
    std::unique_ptr<CArchive> archive_;
};

// The stored form of a title as the packer writes it.
std::string Stored(const std::string& utf8) { return StoredTextFromUtf8(utf8, L"TITLE_NAME").value(); }

// The title screen as the game sets it up, its panel picture from
// TitledPictureOf, shown and faded in for `frames` frames (all of the fade
// by default), then drawn over a canvas filled with `under`.
struct ShownTitle {
    std::unique_ptr<const TitledPicture> titled;
    std::unique_ptr<CTestCanvas> canvas;
};
ShownTitle Show(const CTitleArchive& game, std::uint32_t under = BLACK, int frames = 100) {
    ShownTitle shown;
    BmpImage picture = game.Entry(L"./IMG/TITLE.bmp"), mask = game.Entry(L"./IMG/TITLE_BASE_MASK.bmp");
    shown.titled = TitledPictureOf(game.archive(), picture, mask);
    if (shown.titled) {
        picture = shown.titled->Picture();
        mask = shown.titled->Mask();
    }
    CButtonWindow<E_GameState> title(nullptr, WIDTH, HEIGHT, L"TITLE_BASE", WIDTH, HEIGHT, 0, 0, 255);
    EXPECT_TRUE(title.SetBMP(L"TITLE_BASE", picture.data, picture.size, mask.data, mask.size));
    title.SetShow(true);
    for (int frame = 0; frame < frames && title.IsAnimating(); ++frame) title.GetDrawEvent();
    shown.canvas = std::make_unique<CTestCanvas>(WIDTH, HEIGHT);
    shown.canvas->Fill(under);
    title.Draw(shown.canvas->dc(), shown.canvas->all());
    return shown;
}

// Where the pixels of one kind lie on the canvas: how many, and the box
// around them (right and bottom exclusive).
struct Area {
    int count = 0;
    RECT box{WIDTH, HEIGHT, 0, 0};
    int CentreX2() const { return box.left + box.right; }  // twice the centre, in pixels
    int CentreY2() const { return box.top + box.bottom; }
    int Width() const { return box.right - box.left; }
    int Height() const { return box.bottom - box.top; }
};
template <class Is>
Area Find(const CTestCanvas& canvas, Is is) {
    Area area;
    for (int y = 0; y < HEIGHT; ++y) {
        for (int x = 0; x < WIDTH; ++x) {
            if (!is(canvas.Pixel(x, y))) continue;
            ++area.count;
            area.box = {std::min<LONG>(area.box.left, x), std::min<LONG>(area.box.top, y),
                        std::max<LONG>(area.box.right, x + 1), std::max<LONG>(area.box.bottom, y + 1)};
        }
    }
    return area;
}
// The title's white ink, and anything that is not `plain` (the ink, its
// outline and their smoothed edges).
Area Ink(const CTestCanvas& canvas) {
    return Find(canvas, [](std::uint32_t c) { return Red(c) >= 230 && Green(c) >= 230 && Blue(c) >= 230; });
}
Area Changed(const CTestCanvas& canvas, std::uint32_t plain) {
    return Find(canvas, [plain](std::uint32_t c) { return c != plain; });
}

// The title, white over a dark outline, in the middle of the picture's
// width and on its upper band, above the buttons; the rest of the picture
// is as it was.
void ExpectTitleWritten(const CTestCanvas& canvas, std::uint32_t plain, const char* what) {
    SCOPED_TRACE(what);
    const Area ink = Ink(canvas), changed = Changed(canvas, plain);
    ASSERT_GT(ink.count, 150) << "no title";
    EXPECT_NEAR(ink.CentreX2(), WIDTH, 8) << "centred across the picture";
    EXPECT_NEAR(changed.CentreX2(), WIDTH, 8);
    EXPECT_NEAR(ink.CentreY2(), 2 * TITLE_NAME_CENTRE_Y, 24) << "on the band";
    EXPECT_LE(ink.Width(), TITLE_NAME_MAX_WIDTH);
    EXPECT_LT(changed.box.bottom, FIRST_BUTTON_Y) << "above the buttons";
    // The outline: darker than the picture, round the ink and no further
    // than it and the shadow reach.
    const Area dark = Find(canvas, [](std::uint32_t c) { return Red(c) < 24 && Green(c) < 24 && Blue(c) < 44; });
    EXPECT_GT(dark.count, ink.count / 2) << "no outline";
    EXPECT_LE(changed.box.left, ink.box.left - 1);
    EXPECT_GE(changed.box.left, ink.box.left - 4);
    EXPECT_LE(changed.box.right, ink.box.right + 5);
    EXPECT_LE(changed.box.bottom, ink.box.bottom + 5);
}

// The title of the entry, in either stored form, is written on the title
// picture; the pixels around it are the picture's.
TEST(TitlePicture, WritesTheGamesTitleCentredAboveTheButtons) {
    const CReportCapture reports;
    const struct {
        const char* what;
        std::string stored;
    } titles[] = {
        {"Shift_JIS form", Stored("\xE6\x98\x9F\xE3\x81\xAE\xE5\x9B\xB3\xE6\x9B\xB8\xE9\xA4\xA8")},  // 星の図書館
        {"Unicode form", Stored("Caf\xC3\xA9 \xE2\x9C\x93")},  // "Café ✓", which Shift_JIS lacks
    };
    EXPECT_EQ(StoredTextForm(titles[0].stored), E_STORED_TEXT_FORM::SHIFT_JIS);
    EXPECT_EQ(StoredTextForm(titles[1].stored), E_STORED_TEXT_FORM::UNICODE_);
    for (const auto& title : titles) {
        const ShownTitle shown = Show(CTitleArchive(title.stored));
        ASSERT_NE(shown.titled, nullptr) << title.what;
        ExpectTitleWritten(*shown.canvas, NIGHT, title.what);
        // The game's own large face: taller than the message window's text.
        EXPECT_GE(Ink(*shown.canvas).Height(), 28) << title.what;
    }
    EXPECT_EQ(reports.Count(E_REPORT_LEVEL::FATAL) + reports.Count(E_REPORT_LEVEL::ERROR_), 0);
}

// Without the entry, or with one that holds no title, the title picture is
// shown exactly as it is, and nothing fails.
TEST(TitlePicture, WithoutAReadableTitleThePictureIsShownAsItIs) {
    const CReportCapture reports;
    const struct {
        const char* what;
        std::optional<std::string> entry;
    } games[] = {
        {"no entry", std::nullopt},
        {"empty", std::string()},
        {"UTF-8 cut short", std::string("\xFF"
                                        "Caf\xC3")},
        {"only spaces", std::string("  \r\n")},
        {"control characters", std::string("\x01\x02\x03")},
        {"far too long", std::string(5000, 'A')},
    };
    for (const auto& game : games) {
        const ShownTitle shown = Show(CTitleArchive(game.entry));
        EXPECT_EQ(shown.titled, nullptr) << game.what;
        const Area changed = Changed(*shown.canvas, NIGHT);
        EXPECT_EQ(changed.count, 0) << game.what;
    }
    EXPECT_EQ(reports.Count(E_REPORT_LEVEL::FATAL) + reports.Count(E_REPORT_LEVEL::ERROR_), 0);
}

// A title too wide for the line shrinks until it fits, and is still
// written large enough to fill most of it.
TEST(TitlePicture, ALongTitleShrinksToFitTheLine) {
    std::string twentyFour;
    for (int i = 0; i < 24; ++i) twentyFour += "\xE5\x9B\xB3";  // 図, a full-width character
    const ShownTitle shown = Show(CTitleArchive(Stored(twentyFour)));
    ASSERT_NE(shown.titled, nullptr);
    ExpectTitleWritten(*shown.canvas, NIGHT, "24 full-width characters");
    const Area ink = Ink(*shown.canvas);
    EXPECT_GT(ink.Width(), TITLE_NAME_MAX_WIDTH * 3 / 4);
    const ShownTitle one = Show(CTitleArchive(Stored("\xE5\x9B\xB3")));
    EXPECT_LT(ink.Height(), Ink(*one.canvas).Height()) << "smaller than one character alone";
}

// A title picture that lets the screen behind it show (here all of it) still
// shows the title: its mask takes the title too.
TEST(TitlePicture, TheTitleShowsOverATransparentTitlePicture) {
    const ShownTitle plain = Show(CTitleArchive(std::nullopt, WHITE, BLACK), GREEN);
    EXPECT_EQ(Changed(*plain.canvas, GREEN).count, 0);
    const ShownTitle titled = Show(CTitleArchive(Stored("Hoshi"), WHITE, BLACK), GREEN);
    ASSERT_NE(titled.titled, nullptr);
    ExpectTitleWritten(*titled.canvas, GREEN, "over the screen behind");
}

// The title fades in with the title screen: at the fade's first step (60 of
// 255) its white, like the picture round it, is blended over what lies under
// the screen.
TEST(TitlePicture, FadesInWithTheTitleScreen) {
    const ShownTitle first = Show(CTitleArchive(Stored("Hoshi")), BLACK, 1);
    int brightest = 0;
    for (int y = 0; y < HEIGHT; y += 1) {
        for (int x = 0; x < WIDTH; ++x) brightest = std::max(brightest, Red(first.canvas->Pixel(x, y)));
    }
    EXPECT_NEAR(brightest, 255 * 60 / 255, 3);
    const Area faint = Find(*first.canvas, [&](std::uint32_t c) { return Red(c) >= brightest - 2; });
    EXPECT_NEAR(faint.CentreX2(), WIDTH, 8);
    EXPECT_NEAR(faint.CentreY2(), 2 * TITLE_NAME_CENTRE_Y, 24);
    EXPECT_NEAR(Blue(first.canvas->Pixel(10, 10)), 0x50 * 60 / 255, 2);  // the picture, faded alike
}

}  // namespace
