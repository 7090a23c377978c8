// A game's program without a compiler: the PE resource reader and writer on
// a hand-made image and on the engine the Windows build made, the resources
// that carry the game's title, version and icon, and `ondrell-pack program`
// on a game's folder. Read back with the tests' own readers
// (program_fixture.h); game_program_system_test.cpp reads the same with
// Windows' own functions.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/program_identity.h"
#include "resource/codepage.h"
#include "support/test_support.h"
#include "pack_run.h"
#include "program_fixture.h"
#include "tools/pack/pack.h"
#include "tools/pack/program.h"
#include "tools/pack/program_resources.h"

namespace fs = std::filesystem;

namespace {

std::uint16_t Get16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8);
}
std::uint32_t Get32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(Get16(b, at)) | static_cast<std::uint32_t>(Get16(b, at + 2)) << 16;
}
void Set32(std::string& b, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
}
std::string Zeros(std::size_t count) { return std::string(count, '\0'); }

// A resource directory's header: characteristics, time stamp and version
// (all 0), then the counts of its named and of its numbered entries.
void Directory(CBytes& b, std::uint16_t named, std::uint16_t numbered) {
    b.U32(0).U32(0).U32(0).U16(named).U16(numbered);
}

// A resource tree at RVA 0x1000 with two resources: type "TXT" (named),
// name 1, Japanese (0x411), "hello" in code page 932; and type 6, name
// "ABC", US English (0x409), "abc". Offsets are from the tree's start.
std::string HandTree() {
    const std::uint32_t SUB = 0x80000000;  // a subdirectory, or a named entry
    CBytes b;
    Directory(b, 1, 1);  // @0 root: 1 named entry, 1 numbered entry
    b.U32(SUB | 160).U32(SUB | 32);  // @16 the type named by the text at 160 ("TXT"), its names' directory
    b.U32(6).U32(SUB | 56);  // @24 type 6
    Directory(b, 0, 1);  // @32 the names of "TXT": name 1
    b.U32(1).U32(SUB | 80);  // @48
    Directory(b, 1, 0);  // @56 the names of type 6: "ABC"
    b.U32(SUB | 168).U32(SUB | 104);  // @72
    Directory(b, 0, 1);  // @80 the languages of "TXT" 1: Japanese, whose data entry is at 128
    b.U32(0x411).U32(128);  // @96
    Directory(b, 0, 1);  // @104 the languages of 6 "ABC": US English, data entry at 144
    b.U32(0x409).U32(144);  // @120
    b.U32(0x1000 + 176).U32(5).U32(932).U32(0);  // @128 data entries: RVA, size, code page, reserved
    b.U32(0x1000 + 184).U32(3).U32(0).U32(0);  // @144
    b.U16(3).Raw(std::string("T\0X\0T\0", 6));  // @160 the names: a length in UTF-16 units, then the units
    b.U16(3).Raw(std::string("A\0B\0C\0", 6));  // @168
    b.Raw("hello").Raw(Zeros(3)).Raw("abc");  // @176 and @184 the data, each 8-byte aligned
    return b.str();
}

const ResourceTable HAND_TABLE = {
    {{ResourceName::Named(u"TXT"), ResourceName::Id(1), 0x411}, {"hello", 932}},
    {{ResourceName::Id(6), ResourceName::Named(u"ABC"), 0x409}, {"abc", 0}},
};

struct ImageForm {
    bool pe32Plus = true;
    std::uint32_t headersSize = 0x200;
    std::uint32_t securityBytes = 0;  // the certificate table's size
    std::string tree = HandTree();
};

// A program image of one section, ".rsrc", holding `form.tree`: headers in
// the first 0x200 bytes, the section's data after them in whole 0x200-byte
// units.
std::string HandImage(const ImageForm& form = {}) {
    const std::uint16_t optionalSize = form.pe32Plus ? 240 : 224;
    const auto treeBytes = static_cast<std::uint32_t>(form.tree.size());
    const std::uint32_t rawBytes = (treeBytes + 0x1FF) / 0x200 * 0x200;
    CBytes b;
    b.Raw("MZ").Raw(Zeros(0x3A)).U32(0x40);  // DOS header: "PE" at 0x40
    b.Raw(std::string("PE\0\0", 4));
    b.U16(0x8664).U16(1).U32(0).U32(0).U32(0).U16(optionalSize).U16(0x22);  // machine, 1 section, optional header
    b.U16(form.pe32Plus ? 0x20B : 0x10B).U16(0);  // magic, linker version
    b.U32(0).U32(rawBytes).U32(0).U32(0).U32(0);  // code, initialized data, uninitialized data, entry, code base
    if (form.pe32Plus) {
        b.U32(0x40000000).U32(0);  // 64-bit image base
    } else {
        b.U32(0).U32(0x400000);  // data base, image base
    }
    b.U32(0x1000).U32(0x200);  // @32 section and file alignment
    b.U32(0).U32(0).U32(0).U32(0);  // versions
    b.U32(0x1000 + (treeBytes + 0xFFF) / 0x1000 * 0x1000);  // @56 image size
    b.U32(form.headersSize).U32(0);  // headers size, checksum
    b.U16(2).U16(0);  // subsystem (GUI), DLL characteristics
    b.Raw(Zeros(form.pe32Plus ? 32 : 16)).U32(0);  // stack and heap sizes, loader flags
    b.U32(16);  // data directories
    for (int i = 0; i < 16; ++i) {
        if (i == 2) {
            b.U32(0x1000).U32(treeBytes);  // resources
        } else if (i == 4) {
            b.U32(form.securityBytes ? 0x200 + rawBytes : 0).U32(form.securityBytes);  // certificates: a file offset
        } else {
            b.U32(0).U32(0);
        }
    }
    // The section table: name, virtual size and address, raw size and
    // offset, relocations and line numbers, characteristics.
    b.Raw(std::string(".rsrc\0\0\0", 8)).U32(treeBytes).U32(0x1000);
    b.U32(rawBytes).U32(0x200).U32(0).U32(0).U32(0).U32(0x40000040);
    b.Raw(Zeros(0x200 - b.size()));
    b.Raw(form.tree).Raw(Zeros(0x200 + rawBytes - b.size()));
    return b.str();
}

std::size_t SectionTableAt(const std::string& image) {
    const std::size_t pe = Get32(image, 0x3C);
    return pe + 24 + Get16(image, pe + 20);
}

TEST(PeResources, ReadsAHandMadeTree) {
    for (const bool pe32Plus : {true, false}) {
        std::wstring problem;
        const std::optional<ResourceTable> table = ReadPeResources(HandImage({.pe32Plus = pe32Plus}), problem);
        ASSERT_TRUE(table) << WideToUtf8(problem);
        EXPECT_EQ(*table, HAND_TABLE);
    }
}

// A new tree goes into a section of its own after the last one; the headers
// count it, the image grows by it, and everything else keeps its bytes.
TEST(PeResources, ReplacingAppendsASectionAndReadsBack) {
    for (const bool pe32Plus : {true, false}) {
        const std::string image = HandImage({.pe32Plus = pe32Plus});
        ResourceTable table = HAND_TABLE;
        table.erase(table.begin());
        table[{ResourceName::Id(16), ResourceName::Id(1), 0}] = {std::string(1000, 'v'), 0};
        table[{ResourceName::Named(u"ZZ"), ResourceName::Named(u"Q"), 7}] = {"", 0};
        table[{ResourceName::Named(u"AA"), ResourceName::Id(2), 0}] = {"x", 0};
        std::wstring problem;
        const std::optional<std::string> out = ReplacePeResources(image, table, problem);
        ASSERT_TRUE(out) << WideToUtf8(problem);
        EXPECT_EQ(ReadPeResources(*out, problem), table);

        const std::size_t pe = Get32(image, 0x3C);
        const std::size_t optional = pe + 24;
        const std::size_t directories = optional + (pe32Plus ? 112 : 96);
        const std::size_t header = SectionTableAt(image) + 40;
        EXPECT_EQ(Get16(*out, pe + 6), 2);  // sections
        EXPECT_EQ(out->substr(header, 8), std::string(".rsrc\0\0\0", 8));
        const std::uint32_t treeBytes = Get32(*out, header + 8);
        EXPECT_EQ(Get32(*out, header + 12), 0x2000u);  // right after the old section in memory
        EXPECT_EQ(Get32(*out, header + 16), (treeBytes + 0x1FF) / 0x200 * 0x200);  // in whole file-alignment units
        EXPECT_EQ(Get32(*out, header + 20), 0x400u);  // after the old end of the file
        EXPECT_EQ(Get32(*out, header + 36), 0x40000040u);  // initialized data, readable
        EXPECT_EQ(Get32(*out, optional + 56), 0x3000u);  // image size
        EXPECT_EQ(Get32(*out, optional + 8), 0x200u + Get32(*out, header + 16));  // initialized data
        EXPECT_EQ(Get32(*out, directories + 16), 0x2000u);
        EXPECT_EQ(Get32(*out, directories + 20), treeBytes);
        EXPECT_EQ(out->size(), 0x400u + Get32(*out, header + 16));
        // The old tree stays, renamed.
        EXPECT_EQ(out->substr(header - 40, 8), ".oldrsrc");
        EXPECT_EQ(out->substr(0x200, 0x200), image.substr(0x200, 0x200));

        // A rewritten program can be rewritten again.
        const std::optional<std::string> again = ReplacePeResources(*out, HAND_TABLE, problem);
        ASSERT_TRUE(again) << WideToUtf8(problem);
        EXPECT_EQ(ReadPeResources(*again, problem), HAND_TABLE);
        EXPECT_EQ(Get16(*again, pe + 6), 3);
        EXPECT_EQ(again->substr(0x200, out->size() - 0x200), out->substr(0x200));
    }
}

TEST(PeResources, ImagesThatCannotBeReadOrRewrittenSayWhy) {
    std::string noRoomAfter = HandImage();
    noRoomAfter[SectionTableAt(noRoomAfter) + 40] = 'x';  // something else right after the table
    std::string cutTree = HandImage();
    Set32(cutTree, 0x200 + 128, 0x1000 + 0x1FE);  // "hello" running past the section's data
    std::string fourLevels = HandImage();
    Set32(fourLevels, 0x200 + 100, 0x80000000 | 80);  // a language that is a directory
    std::string loop = HandImage();
    Set32(loop, 0x200 + 52, 0x80000000 | 32);  // the names of "TXT" are their own languages
    std::string badMagic = HandImage();
    badMagic[Get32(badMagic, 0x3C) + 24] = 0x0B;
    badMagic[Get32(badMagic, 0x3C) + 25] = 0x03;

    struct Case {
        const char* what;
        std::string image;
        const wchar_t* readProblem;  // null: read
        const wchar_t* writeProblem;  // null: rewritten
    } const cases[] = {
        {"empty", "", L"not a Windows program (no \"MZ\" header)", L"not a Windows program (no \"MZ\" header)"},
        {"PE past the end", "MZ" + Zeros(0x3A) + std::string("\xFF\0\0\0", 4),
         L"not a Windows program (no \"PE\" header)", L"not a Windows program (no \"PE\" header)"},
        {"cut", HandImage().substr(0, 0x60), L"a damaged program (a cut header)", L"a damaged program (a cut header)"},
        {"magic", badMagic, L"a damaged program (an optional header of unknown form)",
         L"a damaged program (an optional header of unknown form)"},
        {"headers end at the table", HandImage({.headersSize = 0x170}), nullptr,
         L"the program's headers have no room for another section"},
        {"bytes after the table", noRoomAfter, nullptr, L"the program's headers have no room for another section"},
        {"signed", HandImage({.securityBytes = 0x10}), nullptr,
         L"the program carries a digital signature, which changing its resources would break"},
        {"data outside", cutTree, L"a damaged program (a resource's data outside the file)", nullptr},
        {"four levels", fourLevels, L"a damaged program (a resource tree of more or fewer than three levels)", nullptr},
        {"a loop", loop, L"a damaged program (a resource tree of more or fewer than three levels)", nullptr},
    };
    for (const Case& c : cases) {
        std::wstring problem;
        const std::optional<ResourceTable> read = ReadPeResources(c.image, problem);
        EXPECT_EQ(read ? L"(read)" : problem, c.readProblem ? c.readProblem : L"(read)") << c.what;
        problem.clear();
        const std::optional<std::string> written = ReplacePeResources(c.image, HAND_TABLE, problem);
        EXPECT_EQ(written ? L"(rewritten)" : problem, c.writeProblem ? c.writeProblem : L"(rewritten)") << c.what;
    }
}

// Directories that point back at each other are refused, not walked for
// ever: 64 types that all share one names' directory of 64 names that all
// share one languages' directory of 64 languages.
TEST(PeResources, SharedDirectoriesAreRefused) {
    CBytes tree;
    const auto directory = [&](std::uint32_t target) {
        Directory(tree, 0, 64);
        for (std::uint32_t i = 1; i <= 64; ++i) tree.U32(i).U32(target);
    };
    const std::uint32_t size = 16 + 64 * 8;
    directory(0x80000000 | size);  // types
    directory(0x80000000 | 2 * size);  // names
    directory(3 * size);  // languages, each to the data entry after them
    tree.U32(0x1000).U32(1).U32(0).U32(0);
    std::wstring problem;
    EXPECT_FALSE(ReadPeResources(HandImage({.tree = tree.str()}), problem));
    EXPECT_EQ(problem, L"a damaged program (resource directories that share entries)");
}

// The engine the Windows build made: its own resources survive a rewrite
// unchanged.
TEST(PeResources, RoundTripOnTheEngine) {
    const std::string engine = ReadFileBytes(fs::path(ENGINE_EXE));
    ASSERT_GT(engine.size(), 4096u) << ENGINE_EXE << " is not built (cmake --build build/win --target ondrell)";
    std::wstring problem;
    const std::optional<ResourceTable> table = ReadPeResources(engine, problem);
    ASSERT_TRUE(table) << WideToUtf8(problem);
    // ondrell.rc: one icon group of four images, the version, nothing else.
    std::map<std::uint16_t, int> types;
    for (const auto& [key, data] : *table) ++types[key.type.id];
    EXPECT_EQ(types,
              (std::map<std::uint16_t, int>{{RESOURCE_ICON, 4}, {RESOURCE_GROUP_ICON, 1}, {RESOURCE_VERSION, 1}}));
    const std::optional<std::string> same = ReplacePeResources(engine, *table, problem);
    ASSERT_TRUE(same) << WideToUtf8(problem);
    EXPECT_EQ(ReadPeResources(*same, problem), table);
}

// The version resource, node by node: the fixed part, the six strings of
// US English in Unicode, the translation.
TEST(ProgramResources, VersionInformation) {
    const std::string bytes = VersionInfoBytes({L"\u661F\u306E\u56F3\u66F8\u9928", L"1.02.3", {1, 2, 3, 0}, L"hoshi"});
    EXPECT_EQ(Get16(bytes, 0), bytes.size());
    const std::optional<VersionRead> read = ReadVersion(bytes);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->signature, 0xFEEF04BDu);
    EXPECT_EQ(read->fileVersionMS, 0x00010002u);
    EXPECT_EQ(read->fileVersionLS, 0x00030000u);
    EXPECT_EQ(read->productVersionMS, 0x00010002u);
    EXPECT_EQ(read->productVersionLS, 0x00030000u);
    EXPECT_EQ(read->fileType, 1u);  // an application
    EXPECT_EQ(read->strings, (std::map<std::u16string, std::u16string>{
                                 {u"FileDescription", u"\u661F\u306E\u56F3\u66F8\u9928"},
                                 {u"FileVersion", u"1.02.3"},
                                 {u"InternalName", u"hoshi"},
                                 {u"OriginalFilename", u"hoshi.exe"},
                                 {u"ProductName", u"\u661F\u306E\u56F3\u66F8\u9928"},
                                 {u"ProductVersion", u"1.02.3"},
                             }));
    EXPECT_EQ(read->translation, 1200u << 16 | 0x0409u);
}

// Keys the game leaves out keep the engine's; without any, nothing changes.
TEST(ProgramResources, LeftOutKeysKeepTheEngines) {
    const ResourceTable engine = {{{ResourceName::Id(RESOURCE_VERSION), ResourceName::Id(1), 0x409}, {"old", 0}}};
    EXPECT_EQ(GameProgramResources(engine, {}, nullptr), engine);

    GameIni onlyExe;
    onlyExe.exe = L"hoshi";
    const ResourceTable named = GameProgramResources(engine, onlyExe, nullptr);
    ASSERT_EQ(named.size(), 1u);  // no title string
    const auto& [key, data] = *named.begin();
    EXPECT_EQ(key.language, 0x409);  // the version keeps its language
    std::optional<VersionRead> version = ReadVersion(data.bytes);
    ASSERT_TRUE(version);
    EXPECT_EQ(version->strings[u"ProductName"], u"Ondrell");
    EXPECT_EQ(version->strings[u"ProductVersion"], u"1.20");
    EXPECT_EQ(version->fileVersionMS, 1u << 16 | 20u);
    EXPECT_EQ(version->strings[u"OriginalFilename"], u"hoshi.exe");

    GameIni onlyTitle;
    onlyTitle.title = L"T";
    const ResourceTable titled = GameProgramResources(engine, onlyTitle, nullptr);
    EXPECT_EQ(ReadTableString(titled, TITLE_STRING_ID), u"T");
    EXPECT_EQ(ReadTableString(titled, TITLE_STRING_ID + 1), u"");
    for (const auto& [k, d] : titled) {
        if (k.type.id == RESOURCE_VERSION) {
            EXPECT_EQ(ReadVersion(d.bytes)->strings[u"OriginalFilename"], u"ondrell.exe");
        }
    }
}

// A string goes into its block among the 15 others, which stay.
TEST(ProgramResources, StringKeepsTheOthersOfItsBlock) {
    ResourceTable table;
    PutString(table, 17, L"seventeen");  // block 2, index 1
    PutString(table, 31, L"thirty-one");  // block 2, index 15
    PutString(table, 17, L"again");
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table.begin()->first, (ResourceKey{ResourceName::Id(RESOURCE_STRING), ResourceName::Id(2), 0}));
    EXPECT_EQ(ReadTableString(table, 17), u"again");
    EXPECT_EQ(ReadTableString(table, 31), u"thirty-one");
    EXPECT_EQ(ReadTableString(table, 16), u"");
    EXPECT_EQ(table.begin()->second.bytes.size(), 16 * 2 + 2 * (5 + 10));
}

// The icon replaces its group and the images the group named; another
// group and its image stay, and the new images take numbers no icon uses.
TEST(ProgramResources, IconReplacesItsGroupAndImages) {
    const ResourceName icon = ResourceName::Id(RESOURCE_ICON);
    const ResourceName group = ResourceName::Id(RESOURCE_GROUP_ICON);
    // Group 1 names images 1 and 2; group 5 names image 3.
    const auto groupBytes = [](std::vector<std::uint16_t> ids) {
        CBytes b;
        b.U16(0).U16(1).U16(static_cast<std::uint16_t>(ids.size()));
        for (const std::uint16_t id : ids) b.Raw(std::string("\x10\x10\0\0", 4)).U16(1).U16(32).U32(4).U16(id);
        return b.str();
    };
    ResourceTable table = {
        {{icon, ResourceName::Id(1), 0x411}, {"one", 0}},
        {{icon, ResourceName::Id(2), 0x411}, {"two", 0}},
        {{icon, ResourceName::Id(3), 0x411}, {"three", 0}},
        {{group, ResourceName::Id(1), 0x411}, {groupBytes({1, 2}), 0}},
        {{group, ResourceName::Id(5), 0x411}, {groupBytes({3}), 0}},
    };
    PutIcon(table, 1, QuadrantIcon());
    EXPECT_EQ(table.at({icon, ResourceName::Id(3), 0x411}).bytes, "three");
    EXPECT_EQ(table.at({group, ResourceName::Id(5), 0x411}).bytes, groupBytes({3}));
    const std::vector<GroupEntry> entries = ReadIconGroup(table.at({group, ResourceName::Id(1), 0x411}).bytes);
    std::vector<int> ids;
    for (const GroupEntry& e : entries) {
        ids.push_back(e.id);
        EXPECT_EQ(e.bitCount, 32);
        const std::optional<RgbaPicture> picture = ReadIconImage(table.at({icon, ResourceName::Id(e.id), 0x411}).bytes);
        ASSERT_TRUE(picture);
        ExpectQuadrants(*picture, e.width);
    }
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 4, 5}));
    EXPECT_EQ(table.size(), 2u + 5u);  // two groups, image 3 and four new ones
}

// One RT_ICON image byte by byte: a 2 x 2 picture, its top row red and
// half-transparent green, its bottom row transparent and blue.
TEST(ProgramResources, IconImageIsA32BitDibWithItsMask) {
    const RgbaPicture picture{2, 2, {255, 0, 0, 255, 0, 255, 0, 128, 9, 9, 9, 0, 0, 0, 255, 255}};
    CBytes expected;
    expected.U32(40).U32(2).U32(4);  // BITMAPINFOHEADER; twice the height: colours and mask
    expected.U16(1).U16(32).U32(0);  // planes, bits, uncompressed
    expected.U32(2 * 2 * 4 + 2 * 4).U32(0).U32(0).U32(0).U32(0);  // colours and mask rows of 4 bytes
    expected.Raw(std::string("\x09\x09\x09\x00\xFF\x00\x00\xFF", 8));  // bottom row, BGRA
    expected.Raw(std::string("\x00\x00\xFF\xFF\x00\xFF\x00\x80", 8));  // top row
    expected.Raw(std::string("\x80\0\0\0", 4));  // bottom row of the mask: the left pixel hidden
    expected.Raw(std::string("\0\0\0\0", 4));  // top row: none
    EXPECT_EQ(IconImageBytes(picture), expected.str());
}

TEST(ProgramResources, IconScalingAveragesByTransparencyAndCentres) {
    // Each pixel of 16 from 4 x 4 of 64, of 48 from 4/3 x 4/3, of 256 from
    // 1/4 x 1/4: every quadrant keeps its colour inside.
    for (const int size : PROGRAM_ICON_SIZES) ExpectQuadrants(ScaleIcon(QuadrantIcon(), size), size);
    // A wide picture fills the square's width, centred between transparent
    // bands: 2 x 1 into 1 x 1 covers half the pixel's height. A hidden
    // pixel's colour does not count.
    const RgbaPicture wide{2, 1, {255, 0, 0, 255, 0, 255, 0, 0}};
    EXPECT_EQ(ScaleIcon(wide, 1).rgba, (std::vector<std::uint8_t>{255, 0, 0, 64}));
    const RgbaPicture tall{1, 4, {0, 0, 200, 255, 0, 0, 200, 255, 0, 0, 200, 255, 0, 0, 200, 255}};
    const RgbaPicture narrow = ScaleIcon(tall, 4);  // one pixel wide in the middle
    for (int y = 0; y < 4; ++y) {
        const auto row = std::vector<std::uint8_t>(narrow.rgba.begin() + y * 16, narrow.rgba.begin() + y * 16 + 16);
        EXPECT_EQ(row, (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 200, 128, 0, 0, 200, 128, 0, 0, 0, 0})) << y;
    }
    // Scaled up, one pixel becomes many of the same.
    const RgbaPicture dot = ScaleIcon({1, 1, {10, 20, 30, 128}}, 16);
    for (std::size_t i = 0; i < dot.rgba.size(); i += 4) {
        EXPECT_EQ(std::vector<std::uint8_t>(dot.rgba.begin() + static_cast<std::ptrdiff_t>(i),
                                            dot.rgba.begin() + static_cast<std::ptrdiff_t>(i) + 4),
                  (std::vector<std::uint8_t>{10, 20, 30, 128}));
    }
}

// `ondrell-pack program` and `program-info` on a game's folder.
TEST(PackProgram, WritesTheGamesProgramFromItsFolder) {
    const CScratchDir dir;
    const std::wstring engine = Utf8ToWide(ENGINE_EXE).value();
    const std::wstring game = Wide(dir.path() / "game");
    const std::wstring out = Wide(dir.path() / "out.exe");
    fs::create_directories(dir.path() / "game");

    // Without game.ini and icon.png: the engine byte for byte.
    PackRun plain = Pack({L"program", engine, game, out});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(ReadFileBytes(dir.path() / "out.exe"), ReadFileBytes(fs::path(ENGINE_EXE)));
    EXPECT_EQ(Pack({L"program-info", game}).out, "program\tondrell.exe\ntitle\tOndrell ver. 1.20\nexe\t\n");

    dir.Write("game/game.ini", GameIniText());
    dir.Write("game/icon.png", QuadrantIconPng());
    const PackRun own = Pack({L"program", engine, game, out});
    ASSERT_EQ(own.status, 0) << own.err;
    EXPECT_EQ(own.err, "");
    EXPECT_EQ(own.out, "Wrote \"" + WideToUtf8(out) + "\": title \"" + TITLE_UTF8 +
                           "\", version 2.5.1, the icon of icon.png.\n");
    EXPECT_EQ(Pack({L"program-info", game}).out,
              std::string("program\thoshi.exe\ntitle\t") + TITLE_UTF8 + "\nexe\thoshi\n");
    // The game's resources read back as the game gave them.
    const std::string engineBytes = ReadFileBytes(fs::path(ENGINE_EXE)),
                      written = ReadFileBytes(dir.path() / "out.exe");
    std::wstring problem;
    const std::optional<ResourceTable> read = ReadPeResources(written, problem);
    ASSERT_TRUE(read) << WideToUtf8(problem);
    EXPECT_EQ(ReadTableString(*read, TITLE_STRING_ID), Utf16(TITLE));
    // Everything up to the engine's end is the engine's, but for the headers.
    EXPECT_EQ(written.substr(4096, engineBytes.size() - 4096), engineBytes.substr(4096));
    std::map<std::uint16_t, int> gameTypes;
    for (const auto& [key, data] : *read) ++gameTypes[key.type.id];
    EXPECT_EQ(gameTypes,
              (std::map<std::uint16_t, int>{
                  {RESOURCE_ICON, 4}, {RESOURCE_STRING, 1}, {RESOURCE_GROUP_ICON, 1}, {RESOURCE_VERSION, 1}}));
    for (const auto& [key, data] : *read) {
        if (key.type.id == RESOURCE_VERSION) {
            std::optional<VersionRead> version = ReadVersion(data.bytes);
            ASSERT_TRUE(version);
            EXPECT_EQ(version->fileVersionMS, 2u << 16 | 5u);
            EXPECT_EQ(version->fileVersionLS, 1u << 16);
            EXPECT_EQ(version->strings[u"ProductName"], Utf16(TITLE));
            EXPECT_EQ(version->strings[u"OriginalFilename"], u"hoshi.exe");
        }
        if (key.type.id == RESOURCE_GROUP_ICON) {
            EXPECT_EQ(key.name, ResourceName::Id(PROGRAM_ICON_ID));
            std::vector<int> sizes;
            for (const GroupEntry& entry : ReadIconGroup(data.bytes)) {
                sizes.push_back(entry.width);
                const auto image =
                    read->find({ResourceName::Id(RESOURCE_ICON), ResourceName::Id(entry.id), key.language});
                ASSERT_NE(image, read->end()) << entry.id;
                EXPECT_EQ(entry.bytes, image->second.bytes.size());
                const std::optional<RgbaPicture> picture = ReadIconImage(image->second.bytes);
                ASSERT_TRUE(picture) << entry.width;
                ExpectQuadrants(*picture, entry.width);
            }
            EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 256}));
        }
    }

    // An error in either file writes nothing and says why; warnings are
    // shown and the program is written.
    fs::remove(dir.path() / "out.exe");
    dir.Write("game/icon.png", "GIF89a");
    const std::string icon = WideToUtf8(game) + "/icon.png";
    const PackRun badIcon = Pack({L"program", engine, game, out});
    EXPECT_EQ(badIcon.status, 1);
    EXPECT_EQ(badIcon.err, icon +
                               ":0:0: error: not a PNG file (it does not start with the PNG signature)\n"
                               "ondrell-pack: the program was not written: game.ini or icon.png has errors.\n");
    EXPECT_FALSE(fs::exists(dir.path() / "out.exe"));
    fs::remove(dir.path() / "game/icon.png");
    dir.Write("game/game.ini", "[game]\nexe = a|b\nsize = 3\n");
    const std::string ini = WideToUtf8(game) + "/game.ini";
    const std::string unknownKey =
        ini + ":3:1: warning: unknown key \"size\" in [game]: it is ignored (the keys are title, exe and version)\n";
    const PackRun badIni = Pack({L"program-info", game});
    EXPECT_EQ(badIni.status, 1);
    EXPECT_EQ(badIni.out, "");
    EXPECT_EQ(badIni.err, ini +
                              ":2:7: error: the program's name \"a|b\" cannot be a file name on Windows: it holds "
                              "\"|\", which Windows file names cannot hold\n" +
                              unknownKey);
    dir.Write("game/game.ini", "[game]\nversion = 3\nsize = 3\n");
    const PackRun warned = Pack({L"program", engine, game, out});
    EXPECT_EQ(warned.status, 0);
    EXPECT_EQ(warned.err, unknownKey);
    EXPECT_EQ(warned.out, "Wrote \"" + WideToUtf8(out) + "\": version 3, the engine's icon.\n");

    const PackRun noEngine = Pack({L"program", Wide(dir.path() / "none.exe"), game, out});
    EXPECT_EQ(noEngine.status, 1);
    EXPECT_EQ(Pack({L"program", engine, game}).status, 2);
}

}  // namespace
