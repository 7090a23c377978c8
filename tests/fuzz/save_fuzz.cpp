// Feeds the bytes as a save file ("./SYS/save0.dat") to ParseSaveFile, then
// writes the slot back: the first 33472 bytes come back unchanged except the
// header the reader ignores and the text units behind each text's NUL.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "save/save_slot.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const SaveSlot slot = ParseSaveFile(data, size);
    FUZZ_CHECK(slot.used == 1);
    FUZZ_CHECK(slot.thumbnailPixels.size() == THUMBNAIL_BYTES);
    FUZZ_CHECK(slot.dateText.back() == 0 && slot.caption.back() == 0);
    FUZZ_CHECK(SaveTextToWide(slot.caption).size() < SAVE_TEXT_UNITS);

    std::vector<std::uint8_t> original(SAVE_FILE_BYTES);
    std::copy_n(data, std::min(size, SAVE_FILE_BYTES), original.begin());
    const std::vector<std::uint8_t> image = SaveFileImage(slot);
    FUZZ_CHECK(image.size() == SAVE_FILE_BYTES);
    FUZZ_CHECK(std::equal(image.begin(), image.begin() + SAVE_DATE_AT, original.begin()));
    FUZZ_CHECK(std::equal(image.begin() + SAVE_PIXELS_AT, image.end(), original.begin() + SAVE_PIXELS_AT));
    // Reading the written image again gives the same slot.
    const SaveSlot again = ParseSaveFile(image.data(), image.size());
    FUZZ_CHECK(again.scriptPosition == slot.scriptPosition && again.dateText == slot.dateText &&
               again.caption == slot.caption && again.thumbnailPixels == slot.thumbnailPixels);
    return 0;
}
