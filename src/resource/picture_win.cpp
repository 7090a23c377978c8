#include "resource/picture.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "report/report.h"
#include "resource/bitmap.h"
#include "resource/mapped_file.h"

// Every registered picture by its bytes, and the made bitmaps with what they
// take. Never destroyed, so that a picture released while the process ends
// still finds it.
struct PictureTable {
    std::mutex lock;
    std::map<CPicture::Key, std::weak_ptr<CPicture>> registered;
    std::set<CPicture*> made;
    std::size_t madeBytes = 0;
    std::uint64_t drawCount = 0;
    std::uint64_t drawCountAtTrim = 0;  // drawCount when TrimPictureBitmaps last ran
    std::uint64_t madeCount = 0;

    static PictureTable& Get() {
        static auto* table = new PictureTable;
        return *table;
    }
    // With the lock held.
    void Forget(CPicture& picture) {
        if (!picture.bitmap) return;
        made.erase(&picture);
        madeBytes -= picture.bitmapBytes;
        picture.bitmapBytes = 0;
        picture.bitmap.Reset();
    }
};

bool CPicture::Key::operator<(const Key& other) const {
    // Ordered as integers: pointers into different buffers do not compare.
    const auto a = reinterpret_cast<std::uintptr_t>(data), b = reinterpret_cast<std::uintptr_t>(other.data);
    return a != b ? a < b : size < other.size;
}

CPicture::CPicture(Key key, const BmpLayout& layout, const wchar_t* failureText)
    : key(key), layout(layout), failureText(failureText) {}

std::shared_ptr<CPicture> CPicture::Register(const std::uint8_t* data, std::size_t size, const wchar_t* failureText) {
    const Key key{data, size};
    PictureTable& table = PictureTable::Get();
    {
        const std::lock_guard<std::mutex> hold(table.lock);
        const auto found = table.registered.find(key);
        if (found != table.registered.end()) {
            if (auto shared = found->second.lock()) return shared;
        }
    }
    // Only the header is read, and read from the file: touching the mapped
    // entry would leave its neighbourhood resident.
    if (data == nullptr) {
        return nullptr;
    }
    std::uint8_t header[BMP_VALIDATED_BYTES];
    const std::size_t headerBytes = size < sizeof header ? size : sizeof header;
    CopyMappedBytes(data, headerBytes, header);
    const auto layout = ValidateBmp(header, size);
    if (!layout) {
        return nullptr;
    }
    std::shared_ptr<CPicture> picture(new CPicture(key, *layout, failureText));
    const std::lock_guard<std::mutex> hold(table.lock);
    table.registered[key] = picture;
    return picture;
}

CPicture::~CPicture() {
    PictureTable& table = PictureTable::Get();
    const std::lock_guard<std::mutex> hold(table.lock);
    const auto found = table.registered.find(key);
    // A registration of the same bytes after the last holder let go of this
    // one has a picture of its own there.
    if (found != table.registered.end() && found->second.expired()) table.registered.erase(found);
    table.Forget(*this);
}

HBITMAP CPicture::Bitmap() {
    PictureTable& table = PictureTable::Get();
    {
        const std::lock_guard<std::mutex> hold(table.lock);
        lastDrawn = ++table.drawCount;
        lastDrawnMs = GetTickCount64();
        if (bitmap || failed) return bitmap.get();

        {
            const CMappedRange pixels = CMappedRange::Of(key.data, key.size);
            bitmap = CreateBitmapFromBmp(pixels.data(), pixels.size(), failureText);
            // GDI reads the pixels of some depths itself and fails where they
            // can no longer be read: that is not this picture's fault.
            if (!bitmap) ReadEveryMappedPage(pixels.data(), pixels.size());
        }
        BITMAP info{};
        if (bitmap && GetObjectW(bitmap.get(), sizeof info, &info) != 0) {
            bitmapBytes = static_cast<std::size_t>(info.bmWidthBytes) * static_cast<std::size_t>(info.bmHeight);
            table.made.insert(this);
            table.madeBytes += bitmapBytes;
            ++table.madeCount;
            return bitmap.get();
        }
        bitmap.Reset();
        failed = true;
    }
    // Reported without the lock: a report may wait for the player.
    ReportFatalError(L"A picture of %d x %d pixels could not be made into a bitmap\n", Width(), Height());
    return nullptr;
}

std::optional<std::uint32_t> CPicture::SingleColour() {
    PictureTable& table = PictureTable::Get();
    const std::lock_guard<std::mutex> hold(table.lock);
    if (!colourKnown) {
        const CMappedRange pixels = CMappedRange::Of(key.data, key.size);
        singleColour = SingleColourOf(pixels.data(), layout);
        colourKnown = true;
    }
    return singleColour;
}

bool CPicture::IsMade() const {
    PictureTable& table = PictureTable::Get();
    const std::lock_guard<std::mutex> hold(table.lock);
    return static_cast<bool>(bitmap);
}

void TrimPictureBitmaps(std::size_t budgetBytes, std::uint64_t nowMs, std::uint64_t unusedMs) {
    PictureTable& table = PictureTable::Get();
    const std::lock_guard<std::mutex> hold(table.lock);
    const std::uint64_t lastFrameFrom = table.drawCountAtTrim;
    table.drawCountAtTrim = table.drawCount;
    std::vector<CPicture*> oldestFirst(table.made.begin(), table.made.end());
    std::sort(oldestFirst.begin(), oldestFirst.end(),
              [](const CPicture* a, const CPicture* b) { return a->lastDrawn < b->lastDrawn; });
    for (CPicture* picture : oldestFirst) {
        const bool unused = nowMs >= picture->lastDrawnMs && nowMs - picture->lastDrawnMs >= unusedMs;
        if (picture->lastDrawn > lastFrameFrom || (table.madeBytes <= budgetBytes && !unused)) break;
        table.Forget(*picture);
    }
}

std::size_t PictureBitmapBytes() {
    PictureTable& table = PictureTable::Get();
    const std::lock_guard<std::mutex> hold(table.lock);
    return table.madeBytes;
}

std::uint64_t PicturesMade() {
    PictureTable& table = PictureTable::Get();
    const std::lock_guard<std::mutex> hold(table.lock);
    return table.madeCount;
}
