#pragma once
// Helpers shared by the unit tests: a report sink that records what the code
// under test reported, a scratch folder, and a builder for little-endian bytes.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "report/report.h"

struct CapturedReport {
    E_REPORT_LEVEL level;
    std::wstring text;
};

// Installs itself for its lifetime and records every report and destructor
// trace, so a test can assert on exactly what was reported.
class CReportCapture final : public IReportSink {
public:
    CReportCapture();
    ~CReportCapture() override;
    void Report(E_REPORT_LEVEL level, const wchar_t* text) override;

    const std::vector<CapturedReport>& reports() const { return reports_; }
    // The reports of one level, texts only.
    std::vector<std::wstring> Texts(E_REPORT_LEVEL level) const;
    int Count(E_REPORT_LEVEL level) const;

private:
    IReportSink* previous_;
    std::vector<CapturedReport> reports_;
};

// A fresh folder under the system's temporary folder, removed afterwards.
class CScratchDir {
public:
    CScratchDir();
    ~CScratchDir();
    const std::filesystem::path& path() const { return path_; }
    // Writes `bytes` to `relative` (creating folders) and answers the full path.
    std::filesystem::path Write(const std::string& relative, const std::string& bytes) const;

private:
    std::filesystem::path path_;
};

std::string ReadFileBytes(const std::filesystem::path& path);

// Little-endian byte builder for hand-made file images.
class CBytes {
public:
    CBytes& I32(std::int32_t value);
    CBytes& U32(std::uint32_t value);
    CBytes& U16(std::uint16_t value);
    CBytes& Raw(const std::string& bytes);
    std::size_t size() const { return bytes_.size(); }
    const std::string& str() const { return bytes_; }

private:
    std::string bytes_;
};
