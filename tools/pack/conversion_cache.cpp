#include "tools/pack/conversion_cache.h"

namespace fs = std::filesystem;

CConversionCache::Entry* CConversionCache::Find(const fs::path& file) {
    std::error_code error;
    Identity identity;
    identity.size = fs::file_size(file, error);
    if (error) return nullptr;
    const fs::file_time_type written = fs::last_write_time(file, error);
    if (error) return nullptr;
    identity.writeTime = static_cast<std::int64_t>(written.time_since_epoch().count());
    Kept& kept = entries_[file];
    if (!(kept.identity == identity)) {
        kept.identity = identity;
        kept.entry = Entry{};
    }
    kept.used = true;
    return &kept.entry;
}

void CConversionCache::ForgetUnused() {
    std::erase_if(entries_, [](const auto& item) { return !item.second.used; });
    for (auto& [file, kept] : entries_) kept.used = false;
}
