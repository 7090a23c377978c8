// Feeds the bytes as a save file ("./SYS/save0.dat") to ParseSaveFile, then
// writes the slot back: the first 33472 bytes come back unchanged except the
// header the reader ignores and the text units behind each text's NUL, a
// story read from the extension is written again, and reading the written
// image gives the same slot, story included.
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
    if (slot.story) {
        FUZZ_CHECK(size > SAVE_FILE_BYTES);
        FUZZ_CHECK(slot.story->path.size() <= STORY_MAX_PATH && slot.story->flags.size() <= STORY_MAX_FLAGS);
        FUZZ_CHECK(slot.story->messagesSinceChoice >= 0);
        for (const std::int32_t choice : slot.story->path) FUZZ_CHECK(choice >= 0 && choice <= STORY_MAX_CHOICE_INDEX);
    }

    std::vector<std::uint8_t> original(SAVE_FILE_BYTES);
    std::copy_n(data, std::min(size, SAVE_FILE_BYTES), original.begin());
    const std::vector<std::uint8_t> image = SaveFileImage(slot);
    // Every story the reader accepts, the writer stores whole.
    FUZZ_CHECK((image.size() > SAVE_FILE_BYTES) == slot.story.has_value());
    FUZZ_CHECK(image.size() <= SAVE_FILE_MAX_BYTES);
    FUZZ_CHECK(std::equal(image.begin(), image.begin() + SAVE_DATE_AT, original.begin()));
    FUZZ_CHECK(
        std::equal(image.begin() + SAVE_PIXELS_AT, image.begin() + SAVE_FILE_BYTES, original.begin() + SAVE_PIXELS_AT));
    // Reading the written image again gives the same slot.
    const SaveSlot again = ParseSaveFile(image.data(), image.size());
    FUZZ_CHECK(again.scriptPosition == slot.scriptPosition && again.dateText == slot.dateText &&
               again.caption == slot.caption && again.thumbnailPixels == slot.thumbnailPixels &&
               again.story == slot.story);
    return 0;
}
