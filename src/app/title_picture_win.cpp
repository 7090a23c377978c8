#include "app/title_picture.h"

#include <optional>
#include <vector>

#include "app/title_name.h"
#include "report/report.h"
#include "resource/bitmap.h"
#include "resource/gdi.h"
#include "resource/little_endian.h"
#include "resource/mapped_file.h"

namespace {

constexpr COLORREF TITLE_INK = RGB(255, 255, 255);
constexpr COLORREF TITLE_OUTLINE = RGB(12, 16, 36);
// Where the outline's copies of the title lie from the title itself, in
// pixels: every point within two of it, and a shadow down and to the right.
constexpr POINT OUTLINE_OFFSETS[] = {{-2, -1}, {-2, 0}, {-2, 1}, {-1, -2}, {-1, -1}, {-1, 0}, {-1, 1}, {-1, 2},
                                     {0, -2},  {0, -1}, {0, 1},  {0, 2},   {1, -2},  {1, -1}, {1, 0},  {1, 1},
                                     {1, 2},   {2, -1}, {2, 0},  {2, 1},   {3, 3},   {2, 3},  {3, 2}};
constexpr const wchar_t* DELETE_FAILED = L"The title's picture: DeleteObject failed\n";

// The game's face, bold, at a cell height of `height` pixels, smoothed.
CFontHandle MakeTitleFont(int height) {
    return CFontHandle(CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH | FF_ROMAN, GAME_FONT_FACE),
                       DELETE_FAILED);
}

// A picture being written on: its bitmap (a 32-bit DIB section) and size.
struct Sheet {
    CBitmapHandle bitmap;
    int width = 0;
    int height = 0;
};

std::optional<Sheet> Decode(BmpImage image) {
    if (image.data == nullptr || image.size <= 0) return std::nullopt;
    // Read through a view of its own: the archive's pages stay out of memory.
    const CMappedRange bytes = CMappedRange::Of(image.data, static_cast<std::size_t>(image.size));
    Sheet sheet{CreateBitmapFromBmp(bytes.data(), bytes.size(), DELETE_FAILED)};
    BITMAP info{};
    if (!sheet.bitmap || GetObjectW(sheet.bitmap.get(), sizeof info, &info) == 0) return std::nullopt;
    sheet.width = info.bmWidth;
    sheet.height = info.bmHeight;
    return sheet;
}

// The sheet's pixels as a 24-bit top-down BMP image; empty when GDI fails.
// The bitmap must not be selected into a device context.
std::string Encode(const Sheet& sheet) {
    const int w = sheet.width, h = sheet.height;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};  // top-down, blue green red x
    std::vector<std::uint8_t> quads(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
    CWindowDC screen(nullptr);
    if (!screen || GetDIBits(screen.get(), sheet.bitmap.get(), 0, static_cast<UINT>(h), quads.data(), &info,
                             DIB_RGB_COLORS) != h) {
        return {};
    }
    constexpr std::uint32_t HEADERS = 14 + 40;
    const std::uint32_t stride = (static_cast<std::uint32_t>(w) * 3 + 3) / 4 * 4;
    const std::uint32_t pixelBytes = stride * static_cast<std::uint32_t>(h);
    std::string out = "BM";
    PutU32(out, HEADERS + pixelBytes);  // file size
    PutU32(out, 0);  // two reserved words
    PutU32(out, HEADERS);  // pixel offset
    PutU32(out, 40);  // info header size
    PutU32(out, static_cast<std::uint32_t>(w));
    PutU32(out, static_cast<std::uint32_t>(-h));  // negative: top-down
    PutU16(out, 1);  // planes
    PutU16(out, 24);  // bits per pixel
    PutU32(out, 0);  // uncompressed
    PutU32(out, pixelBytes);
    PutU32(out, 2835);  // 72 dots per inch, both ways
    PutU32(out, 2835);
    PutU32(out, 0);  // no colour table
    PutU32(out, 0);
    out.reserve(out.size() + pixelBytes);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = quads.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w) * 4;
        for (int x = 0; x < w; ++x) out.append(reinterpret_cast<const char*>(row + x * 4), 3);
        out.append(stride - static_cast<std::uint32_t>(w) * 3, '\0');
    }
    return out;
}

// Writes the title on the sheet, centred in `box`: the outline's copies in
// `outline`, then the title in `ink`. False when GDI fails.
bool Write(Sheet& sheet, HFONT font, const std::wstring& title, const RECT& box, COLORREF outline, COLORREF ink) {
    CMemoryDC dc(CreateCompatibleDC(nullptr), L"The title's picture: DeleteDC failed\n");
    if (!dc) return false;
    CSelectGuard selectBitmap(dc.get(), sheet.bitmap.get());
    CSelectGuard selectFont(dc.get(), font);
    SetBkMode(dc.get(), TRANSPARENT);
    const auto draw = [&](POINT offset, COLORREF colour) {
        RECT r = box;
        OffsetRect(&r, offset.x, offset.y);
        SetTextColor(dc.get(), colour);
        return DrawTextW(dc.get(), title.c_str(), static_cast<int>(title.size()), &r,
                         DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS) != 0;
    };
    for (const POINT offset : OUTLINE_OFFSETS) {
        if (!draw(offset, outline)) return false;
    }
    const bool written = draw(POINT{0, 0}, ink);
    GdiFlush();
    return written;
}

}  // namespace

std::unique_ptr<const TitledPicture> DrawTitleName(BmpImage picture, BmpImage mask, const std::wstring& title) {
    std::optional<Sheet> pictureSheet = Decode(picture), maskSheet = Decode(mask);
    if (!pictureSheet || !maskSheet) return nullptr;

    int height = TITLE_NAME_MIN_HEIGHT;
    {
        CMemoryDC measure(CreateCompatibleDC(nullptr), L"The title's picture: DeleteDC failed\n");
        if (!measure) return nullptr;
        height = TitleNameHeight([&](int candidate) {
            const CFontHandle font = MakeTitleFont(candidate);
            const CSelectGuard select(measure.get(), font.get());
            SIZE extent{};
            if (!font ||
                !GetTextExtentPoint32W(measure.get(), title.c_str(), static_cast<int>(title.size()), &extent)) {
                return TITLE_NAME_MAX_WIDTH + 1;
            }
            return static_cast<int>(extent.cx);
        });
    }
    const CFontHandle font = MakeTitleFont(height);
    if (!font) return nullptr;

    // One line on TITLE_NAME_CENTRE_Y (the middle of a picture too low for
    // it), TITLE_NAME_MAX_WIDTH wide in the middle of the picture.
    const int width = pictureSheet->width;
    const int centreY =
        pictureSheet->height >= 2 * TITLE_NAME_CENTRE_Y ? TITLE_NAME_CENTRE_Y : pictureSheet->height / 2;
    const int boxWidth = width < TITLE_NAME_MAX_WIDTH ? width : TITLE_NAME_MAX_WIDTH;
    const RECT box{(width - boxWidth) / 2, centreY - height, (width - boxWidth) / 2 + boxWidth, centreY + height};
    // The mask takes the outline and the title in white: shown wherever the
    // title is.
    const COLORREF shown = RGB(255, 255, 255);
    if (!Write(*pictureSheet, font.get(), title, box, TITLE_OUTLINE, TITLE_INK) ||
        !Write(*maskSheet, font.get(), title, box, shown, shown)) {
        return nullptr;
    }
    auto titled = std::make_unique<TitledPicture>();
    titled->picture = Encode(*pictureSheet);
    titled->mask = Encode(*maskSheet);
    if (titled->picture.empty() || titled->mask.empty()) return nullptr;
    return titled;
}

std::unique_ptr<const TitledPicture> TitledPictureOf(const CArchive& archive, BmpImage picture, BmpImage mask) {
    const std::uint8_t* entry = archive.GetData(TITLE_NAME_ENTRY);
    if (entry == nullptr) return nullptr;
    // A title is far shorter; what lies beyond cannot make a longer entry one.
    constexpr std::size_t MOST_BYTES_READ = 4096;
    const std::size_t entrySize = static_cast<std::size_t>(archive.GetSize(TITLE_NAME_ENTRY));
    const std::size_t size = entrySize < MOST_BYTES_READ ? entrySize : MOST_BYTES_READ;
    std::vector<std::uint8_t> bytes(size);
    CopyMappedBytes(entry, size, bytes.data());
    const std::optional<std::wstring> title = TitleNameFromEntry(bytes.data(), bytes.size());
    if (!title) {
        ReportTrace(L"%ls holds no title the game can write; the title picture is shown as it is\n", TITLE_NAME_ENTRY);
        return nullptr;
    }
    std::unique_ptr<const TitledPicture> titled = DrawTitleName(picture, mask, *title);
    if (!titled) ReportTrace(L"The game's title could not be written on the title picture\n");
    return titled;
}
