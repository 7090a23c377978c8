// Feeds the bytes as a whole data archive (IMG.dat / SOUND.dat image) to
// CArchive, then looks up every key it kept and reads every entry's bytes, so
// a bad index that let a record point outside its copy shows up under
// AddressSanitizer.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "resource/archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SilenceReports();
    CArchive archive(data, size);
    FUZZ_CHECK(archive.IsLoaded());
    unsigned sum = 0;
    for (const std::wstring& key : archive.GetKeys()) {
        const int entrySize = archive.GetSize(key);
        const std::uint8_t* bytes = archive.GetData(key);
        // Every kept entry is a copy of bytes of the file.
        FUZZ_CHECK(bytes != nullptr && entrySize >= 0 && static_cast<std::size_t>(entrySize) <= size);
        for (int i = 0; i < entrySize; ++i) sum += bytes[i];
    }
    FUZZ_CHECK(archive.GetData(L"./IMG/no such entry") == nullptr);
    return static_cast<int>(sum & 0);
}
