#include <gtest/gtest.h>

#include <thread>

#include "support/test_support.h"

namespace {

TEST(Report, EachFunctionFormatsItsMessageAtItsOwnLevel) {
    CReportCapture capture;
    ReportTrace(L"t");
    ReportWarning(L"w");
    ReportError(L"%ls", L"100%d %ls %n");  // data passed as an argument is never a format
    ReportFatalError(L"BitBlt failed at %ls::Draw (%d)\n", L"CSlide", 7);
    WriteDebugOutput(L"~CScene was called\n");
    const std::vector<CapturedReport> expected = {{E_REPORT_LEVEL::TRACE, L"t"},
                                                  {E_REPORT_LEVEL::WARNING, L"w"},
                                                  {E_REPORT_LEVEL::ERROR_, L"100%d %ls %n"},
                                                  {E_REPORT_LEVEL::FATAL, L"BitBlt failed at CSlide::Draw (7)\n"},
                                                  {E_REPORT_LEVEL::TRACE, L"~CScene was called\n"}};
    ASSERT_EQ(capture.reports().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(capture.reports()[i].level, expected[i].level) << i;
        EXPECT_EQ(capture.reports()[i].text, expected[i].text) << i;
    }
}

TEST(Report, MessageIsCutTo2047CharactersAndTheSinkIsRestoredAfterACapture) {
    CReportCapture outer;
    {
        CReportCapture inner;
        // The buffer holds 2048 characters: at most 2047 and the terminator.
        for (const std::size_t length : {std::size_t{2047}, std::size_t{2048}, std::size_t{5000}}) {
            std::wstring message(length, L'x');
            message[length - 1] = L'!';
            ReportWarning(L"%ls", message.c_str());
            EXPECT_EQ(inner.reports().back().text, message.substr(0, 2047)) << length;
        }
    }
    ReportTrace(L"outer");
    ASSERT_EQ(outer.reports().size(), 1u);
    EXPECT_EQ(outer.reports()[0].text, L"outer");
}

// Held reports reach neither the sink nor a box: from a warning up, those
// of the holding thread are kept in the innermost holder; traces and other
// threads' reports pass as usual, and once the holder goes its thread's
// reports do too.
TEST(Report, HeldReportsAreKeptFromTheirThreadOnly) {
    CReportCapture sink;
    {
        CHeldReports outer;
        ReportFatalError(L"index %d", 3);
        {
            CHeldReports inner;
            ReportWarning(L"w");
            ReportError(L"e");
            ReportTrace(L"t");
            std::thread([] { ReportError(L"elsewhere"); }).join();
            EXPECT_EQ(inner.Texts(), (std::vector<std::wstring>{L"w", L"e"}));
        }
        ReportError(L"outer again");
        EXPECT_TRUE(outer.Any());
        EXPECT_EQ(outer.Texts(), (std::vector<std::wstring>{L"index 3", L"outer again"}));
    }
    ReportError(L"after");
    ASSERT_EQ(sink.reports().size(), 3u);
    EXPECT_EQ(sink.reports()[0].text, L"t");
    EXPECT_EQ(sink.reports()[1].level, E_REPORT_LEVEL::ERROR_);
    EXPECT_EQ(sink.reports()[1].text, L"elsewhere");
    EXPECT_EQ(sink.reports()[2].text, L"after");
    const CHeldReports empty;
    EXPECT_FALSE(empty.Any());
}

}  // namespace
