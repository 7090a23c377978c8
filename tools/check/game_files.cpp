#include "tools/check/game_files.h"

#include <filesystem>
#include <iterator>

#include "resource/codepage.h"
#include "tools/common/load_check.h"
#include "tools/pack/convert_sources.h"
#include "tools/pack/game_sources.h"
#include "tools/pack/pack.h"

namespace {

constexpr std::wstring_view IMAGE_PREFIX = L"./IMG/";

std::optional<std::string_view> EntryOf(const CArchive* archive, const std::wstring& key) {
    if (!archive) return std::nullopt;
    const std::uint8_t* data = archive->GetData(key);
    if (!data) return std::nullopt;
    return std::string_view(reinterpret_cast<const char*>(data), static_cast<std::size_t>(archive->GetSize(key)));
}

std::optional<std::string_view> EntryOf(const std::map<std::wstring, std::string>& entries, const std::wstring& key) {
    const auto found = entries.find(key);
    if (found == entries.end()) return std::nullopt;
    return std::string_view(found->second);
}

// Reads one archive; its damage reports become findings on the file.
std::unique_ptr<CArchive> ReadArchive(const std::wstring& path, std::vector<Finding>& findings) {
    const CReportCollector reports;
    auto archive = std::make_unique<CArchive>(path);
    for (const std::wstring& text : reports.texts()) {
        findings.push_back(MakeFinding(path, {}, E_SEVERITY::ERROR_, text));
    }
    return archive;
}

}  // namespace

std::unique_ptr<CGameFiles> CGameFiles::FromArchives(const std::wstring& images, const std::wstring& sounds,
                                                     std::vector<Finding>& findings) {
    std::unique_ptr<CGameFiles> files(new CGameFiles);
    files->imagePath_ = images;
    files->imageArchive_ = ReadArchive(images, findings);
    if (!sounds.empty()) {
        files->soundArchive_ = ReadArchive(sounds, findings);
        files->knowsSounds_ = true;
    }
    return files;
}

std::unique_ptr<CGameFiles> CGameFiles::FromSources(const std::wstring& folder,
                                                    const std::optional<std::filesystem::path>& interface,
                                                    std::vector<Finding>& findings, CConversionCache* cache) {
    std::unique_ptr<CGameFiles> files(new CGameFiles);
    files->imagePath_ = folder;
    files->fromSources_ = true;
    files->knowsSounds_ = true;
    const CReportCollector reports;
    GameSources game;
    CollectGameSources(PathFromWide(folder), interface, game);
    for (const PackSource& source : game.images) files->nameHints_.insert(source.key);
    // Only what ondrell-pack's `game` packs, converted as it converts it;
    // findings about them name the author's files.
    KeepUsedSources(PathFromWide(folder), game, findings, files->conversions_, cache);
    std::vector<PackSource> sources = std::move(game.images);
    std::move(game.sounds.begin(), game.sounds.end(), std::back_inserter(sources));
    const auto isImage = [](const PackSource& source) {
        return source.key.compare(0, IMAGE_PREFIX.size(), IMAGE_PREFIX) == 0;
    };
    for (PackSource& source : sources) {
        const bool image = isImage(source);
        TextConversionFault fault;
        std::optional<std::string> bytes;
        if (source.failed) {
            // A finding already says why.
        } else if (source.converted && source.form != E_SOURCE_FORM::TEXT) {
            bytes = std::move(source.text);
        } else {
            bytes = ReadPackSource(source, &fault);
        }
        if (!bytes) {
            files->unreadable_.insert(source.key);
            if (fault.line > 0) {
                findings.push_back(
                    MakeFinding(source.shown, {fault.line, fault.column}, E_SEVERITY::ERROR_, fault.text));
            }
            continue;
        }
        if (image) {
            files->images_.emplace(source.key, std::move(*bytes));
            files->shownImages_.emplace(source.key, source.shown);
        } else {
            files->sounds_.emplace(source.key, std::move(*bytes));
        }
    }
    for (const std::wstring& text : reports.texts()) {
        findings.push_back(MakeFinding(folder, {}, E_SEVERITY::ERROR_, text));
    }
    return files;
}

std::optional<std::string_view> CGameFiles::Image(const std::wstring& key) const {
    return fromSources_ ? EntryOf(images_, key) : EntryOf(imageArchive_.get(), key);
}

std::vector<std::wstring> CGameFiles::ImageKeys() const {
    if (!fromSources_) return imageArchive_ ? imageArchive_->GetKeys() : std::vector<std::wstring>{};
    std::set<std::wstring> keys;
    for (const std::wstring& key : unreadable_) {
        if (key.rfind(L"./IMG/", 0) == 0) keys.insert(key);
    }
    for (const auto& [key, bytes] : images_) keys.insert(key);
    keys.insert(nameHints_.begin(), nameHints_.end());
    return {keys.begin(), keys.end()};
}

std::optional<std::string_view> CGameFiles::Sound(const std::wstring& key) const {
    return fromSources_ ? EntryOf(sounds_, key) : EntryOf(soundArchive_.get(), key);
}

std::wstring CGameFiles::ShownImage(const std::wstring& key) const {
    if (!fromSources_) {
        return imagePath_ + L"(" + key + L")";
    }
    const auto known = shownImages_.find(key);
    if (known != shownImages_.end()) return known->second;
    // Where the author would put it: the two texts are written as ".utf8".
    std::wstring path = imagePath_;
    if (!path.empty() && path.back() != L'/' && path.back() != L'\\') path += L'/';
    path += key.compare(0, 2, L"./") == 0 ? key.substr(2) : key;
    if (IsCheckedTextKey(key)) path += L".utf8";
    return path;
}
