#include "app/file_notice.h"

namespace {

// "<Japanese>。\n<English>." for the problem, or the system's text.
struct Reason {
    std::wstring japanese;
    std::wstring english;
};

Reason ReasonOf(const FileFailureFacts& facts) {
    const FileProblemWords words = DescribeFileProblem(facts.problem);
    if (words.english != nullptr) return {words.japanese, words.english};
    std::wstring system = facts.systemText.empty() ? L"error " + std::to_wstring(facts.error) : facts.systemText;
    return {system, system};
}

std::wstring FileLine(const FileFailureFacts& facts) {
    return DisplayedFileName(facts.path) + L" (error " + std::to_wstring(facts.error) + L")";
}

}  // namespace

std::wstring DisplayedFileName(const std::wstring& path) {
    std::wstring shown = path.rfind(L"./", 0) == 0 || path.rfind(L".\\", 0) == 0 ? path.substr(2) : path;
    for (wchar_t& c : shown) {
        if (c == L'/') c = L'\\';
    }
    return shown;
}

FileNotice SaveFailureNotice(int index, const FileFailureFacts& facts) {
    const Reason reason = ReasonOf(facts);
    const std::wstring slot = std::to_wstring(index + 1);
    std::wstring text = L"スロット " + slot + L" にセーブできませんでした。" + reason.japanese + L"。\n";
    text += L"The game was not saved in slot " + slot + L": " + reason.english + L".\n\n";
    text += FileLine(facts);
    return {L"セーブできませんでした", text};
}

FileNotice SettingsFailureNotice(const FileFailureFacts& facts) {
    const Reason reason = ReasonOf(facts);
    std::wstring text = L"設定を保存できませんでした。" + reason.japanese + L"。\n";
    text += L"The settings were not saved: " + reason.english + L".\n";
    text += L"設定はゲームを終わるまで有効です。They stay in force until the game ends.\n\n";
    text += FileLine(facts);
    return {L"設定を保存できませんでした", text};
}
