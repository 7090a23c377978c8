// Feeds the bytes as a whole data archive (IMG.dat / SOUND.dat image) to
// CArchive twice: from memory, and from a file, which the archive maps as the
// game does. Every key either kept must be kept by the other with the same
// bytes, each entry's bytes must lie inside the image, and reading every one
// of them (and reading each again through a view of its own) shows under
// AddressSanitizer any record that was let point outside it.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "resource/archive.h"

namespace {

// One file per fuzzing process, rewritten for every input and removed at the
// end (its name is never destroyed, so the exit handler can still read it).
const std::string& ScratchName() {
    static const std::string* name = [] {
        const auto* made = new std::string("/tmp/ondrell-archive-fuzz-" + std::to_string(getpid()) + ".dat");
        std::atexit([] { std::remove(ScratchName().c_str()); });
        return made;
    }();
    return *name;
}

bool WriteScratch(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(ScratchName().c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SilenceReports();
    const CArchive archive(data, size);
    FUZZ_CHECK(archive.IsLoaded());
    FUZZ_CHECK(WriteScratch(data, size));
    const CArchive mapped(std::wstring(ScratchName().begin(), ScratchName().end()));
    FUZZ_CHECK(mapped.IsLoaded());
    FUZZ_CHECK(mapped.GetKeys() == archive.GetKeys());

    unsigned sum = 0;
    for (const std::wstring& key : archive.GetKeys()) {
        const int entrySize = archive.GetSize(key);
        const std::uint8_t* bytes = archive.GetData(key);
        FUZZ_CHECK(bytes != nullptr && entrySize >= 0 && static_cast<std::size_t>(entrySize) <= size);
        const std::uint8_t* mappedBytes = mapped.GetData(key);
        FUZZ_CHECK(mapped.GetSize(key) == entrySize && mappedBytes != nullptr);
        FUZZ_CHECK(std::memcmp(bytes, mappedBytes, static_cast<std::size_t>(entrySize)) == 0);
        const CMappedRange range = CMappedRange::Of(mappedBytes, static_cast<std::size_t>(entrySize));
        FUZZ_CHECK(range.size() == static_cast<std::size_t>(entrySize));
        FUZZ_CHECK(std::memcmp(range.data(), bytes, range.size()) == 0);
        for (int i = 0; i < entrySize; ++i) sum += bytes[i];
    }
    FUZZ_CHECK(archive.GetData(L"./IMG/no such entry") == nullptr);
    return static_cast<int>(sum & 0);
}
