#include "support/test_support.h"

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>

CReportCapture::CReportCapture() : previous_(SetReportSink(this)) {}
CReportCapture::~CReportCapture() { SetReportSink(previous_); }

void CReportCapture::Report(E_REPORT_LEVEL level, const wchar_t* text) { reports_.push_back({level, text}); }

std::vector<std::wstring> CReportCapture::Texts(E_REPORT_LEVEL level) const {
    std::vector<std::wstring> texts;
    for (const auto& report : reports_) {
        if (report.level == level) texts.push_back(report.text);
    }
    return texts;
}

int CReportCapture::Count(E_REPORT_LEVEL level) const { return static_cast<int>(Texts(level).size()); }

CScratchDir::CScratchDir() {
    static std::atomic<int> counter{0};
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("ondrell-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

CScratchDir::~CScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path CScratchDir::Write(const std::string& relative, const std::string& bytes) const {
    const auto full = path_ / std::filesystem::path(relative);
    std::filesystem::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return full;
}

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

CBytes& CBytes::I32(std::int32_t value) { return U32(static_cast<std::uint32_t>(value)); }

CBytes& CBytes::U32(std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return *this;
}

CBytes& CBytes::U16(std::uint16_t value) {
    bytes_.push_back(static_cast<char>(value & 0xFF));
    bytes_.push_back(static_cast<char>(value >> 8));
    return *this;
}

CBytes& CBytes::Raw(const std::string& bytes) {
    bytes_ += bytes;
    return *this;
}
