// A game's program as Windows reads it: the packer writes the tests' game
// (program_fixture.h) into a copy of the engine, and the system's own
// functions read it back: LoadStringW, FindResourceW, GetFileVersionInfoW
// and VerQueryValueW, LoadImageW and ExtractIconExW, CheckSumMappedFile.
#include <gtest/gtest.h>
#include <windows.h>
#include <imagehlp.h>
#include <shellapi.h>

#include <filesystem>
#include <vector>

#include "app/program_identity.h"
#include "program_fixture.h"
#include "resource/codepage.h"
#include "resource/gdi.h"
#include "support/test_support.h"
#include "tools/pack/program.h"
#include "tools/pack/program_resources.h"

namespace fs = std::filesystem;

namespace {

// A module loaded as data only: its resources, none of its code.
class CDataModule {
public:
    explicit CDataModule(const std::wstring& path)
        : module_(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~CDataModule() {
        if (module_) FreeLibrary(module_);
    }
    CDataModule(const CDataModule&) = delete;
    CDataModule& operator=(const CDataModule&) = delete;
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

// The game's program, written once for every test here.
class GameProgram : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        scratch_ = new CScratchDir;
        scratch_->Write("game/game.ini", GameIniText());
        scratch_->Write("game/icon.png", QuadrantIconPng());
        program_ = new std::wstring((scratch_->path() / "hoshi.exe").wstring());
        std::string out, err;
        ASSERT_TRUE(WriteGameProgram(Utf8ToWide(ENGINE_EXE).value(), (scratch_->path() / "game").wstring(), *program_,
                                     out, err))
            << err;
    }
    static void TearDownTestSuite() {
        delete program_;
        delete scratch_;
    }

    static CScratchDir* scratch_;
    static std::wstring* program_;
};
CScratchDir* GameProgram::scratch_ = nullptr;
std::wstring* GameProgram::program_ = nullptr;

std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || length == 0) return L"(none)";
    return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

// The icon drawn with DrawIconEx over white, as 0xRRGGBB per pixel, top row
// first.
std::vector<DWORD> DrawnOverWhite(HICON icon, int size) {
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const CMemoryDC dc(CreateCompatibleDC(nullptr));
    const CBitmapHandle surface(CreateDIBSection(dc.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    const CSelectGuard select(dc.get(), surface.get());
    PatBlt(dc.get(), 0, 0, size, size, WHITENESS);
    EXPECT_TRUE(DrawIconEx(dc.get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL));
    GdiFlush();
    const auto* pixels = static_cast<const DWORD*>(bits);
    std::vector<DWORD> out(pixels, pixels + size * size);
    for (DWORD& p : out) p &= 0xFFFFFF;
    return out;
}

// Each quadrant's colour over white, inside its edges.
void ExpectQuadrantsOverWhite(const std::vector<DWORD>& pixels, int size) {
    const int inside[2] = {size / 4, size * 3 / 4};
    for (int q = 0; q < 4; ++q) {
        const DWORD pixel = pixels[static_cast<std::size_t>(inside[q / 2] * size + inside[q % 2])];
        const std::uint8_t* c = ICON_QUADRANTS[q].rgba;
        for (int k = 0; k < 3; ++k) {
            const int want = (c[k] * c[3] + 255 * (255 - c[3]) + 127) / 255;
            const int got = static_cast<int>(pixel >> (16 - 8 * k) & 0xFF);
            EXPECT_NEAR(got, want, 2) << "size " << size << " quadrant " << q << " channel " << k;
        }
    }
}

TEST_F(GameProgram, CarriesTheTitleAsItsCaptionString) {
    const CDataModule module(*program_);
    ASSERT_NE(module.get(), nullptr);
    const wchar_t* text = nullptr;
    const int length = LoadStringW(module.get(), TITLE_STRING_ID, reinterpret_cast<LPWSTR>(&text), 0);
    ASSERT_GT(length, 0);
    EXPECT_EQ(std::wstring(text, static_cast<std::size_t>(length)), TITLE);
    // The engine carries none: the game falls back to DEFAULT_CAPTION.
    const CDataModule engine(Utf8ToWide(ENGINE_EXE).value());
    EXPECT_EQ(LoadStringW(engine.get(), TITLE_STRING_ID, reinterpret_cast<LPWSTR>(&text), 0), 0);
}

TEST_F(GameProgram, CarriesTheGamesVersionAndName) {
    DWORD ignored = 0;
    std::vector<BYTE> info(GetFileVersionInfoSizeW(program_->c_str(), &ignored));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoW(program_->c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(5, 2));  // 2.5.1
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(5, 2));
    EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(VersionString(info, L"ProductName"), TITLE);
    EXPECT_EQ(VersionString(info, L"FileDescription"), TITLE);
    EXPECT_EQ(VersionString(info, L"ProductVersion"), L"2.5.1");
    EXPECT_EQ(VersionString(info, L"FileVersion"), L"2.5.1");
    EXPECT_EQ(VersionString(info, L"OriginalFilename"), L"hoshi.exe");
    EXPECT_EQ(VersionString(info, L"InternalName"), L"hoshi");
    void* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", &translation, &length));
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(*static_cast<const DWORD*>(translation), MAKELONG(0x0409, 1200));
}

// Each size Explorer asks for draws the author's picture, found by
// LoadImageW in the program's group and by ExtractIconExW from the file.
TEST_F(GameProgram, CarriesTheAuthorsIconAtEachSize) {
    const CDataModule module(*program_);
    ASSERT_NE(module.get(), nullptr);
    ASSERT_NE(FindResourceW(module.get(), MAKEINTRESOURCEW(PROGRAM_ICON_ID), MAKEINTRESOURCEW(RESOURCE_GROUP_ICON)),
              nullptr);
    for (const int size : PROGRAM_ICON_SIZES) {
        const CIconHandle icon(
            static_cast<HICON>(LoadImageW(module.get(), MAKEINTRESOURCEW(PROGRAM_ICON_ID), IMAGE_ICON, size, size, 0)));
        ASSERT_TRUE(icon) << size;
        ICONINFO parts{};
        ASSERT_TRUE(GetIconInfo(icon.get(), &parts));
        const CBitmapHandle colour(parts.hbmColor), mask(parts.hbmMask);
        BITMAP bitmap{};
        GetObjectW(colour.get(), sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);  // the image of that size, not a scaled one
        ExpectQuadrantsOverWhite(DrawnOverWhite(icon.get(), size), size);
    }
    HICON large = nullptr, small = nullptr;
    ASSERT_EQ(ExtractIconExW(program_->c_str(), 0, &large, &small, 1), 2u);
    const CIconHandle largeIcon(large), smallIcon(small);
    ExpectQuadrantsOverWhite(DrawnOverWhite(largeIcon.get(), GetSystemMetrics(SM_CXICON)), GetSystemMetrics(SM_CXICON));
    ExpectQuadrantsOverWhite(DrawnOverWhite(smallIcon.get(), GetSystemMetrics(SM_CXSMICON)),
                             GetSystemMetrics(SM_CXSMICON));
}

// The header's checksum is the one Windows computes for the file.
TEST_F(GameProgram, ChecksumIsTheSystems) {
    const std::string bytes = ReadFileBytes(fs::path(*program_));
    DWORD inHeader = 0, computed = 0;
    ASSERT_NE(
        CheckSumMappedFile(const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size()), &inHeader, &computed),
        nullptr);
    EXPECT_EQ(inHeader, computed);
}

}  // namespace
