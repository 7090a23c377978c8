#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

TEST(Report, FormatsValuesIntoTheMessage) {
    CReportCapture capture;
    ReportFatalError(L"BitBlt failed at %ls::Draw (%d)\n", L"CSlide", 7);
    ASSERT_EQ(capture.reports().size(), 1u);
    EXPECT_EQ(capture.reports()[0].level, E_REPORT_LEVEL::FATAL);
    EXPECT_EQ(capture.reports()[0].text, L"BitBlt failed at CSlide::Draw (7)\n");
}

TEST(Report, EachFunctionReportsAtItsOwnLevel) {
    CReportCapture capture;
    ReportTrace(L"t");
    ReportWarning(L"w");
    ReportError(L"e");
    ReportFatalError(L"f");
    WriteDebugOutput(L"~CScene was called\n");
    ASSERT_EQ(capture.reports().size(), 5u);
    EXPECT_EQ(capture.reports()[0].level, E_REPORT_LEVEL::TRACE);
    EXPECT_EQ(capture.reports()[1].level, E_REPORT_LEVEL::WARNING);
    EXPECT_EQ(capture.reports()[2].level, E_REPORT_LEVEL::ERROR_);
    EXPECT_EQ(capture.reports()[3].level, E_REPORT_LEVEL::FATAL);
    EXPECT_EQ(capture.reports()[4].level, E_REPORT_LEVEL::TRACE);
    EXPECT_EQ(capture.reports()[4].text, L"~CScene was called\n");
}

// Data passed as an argument is never interpreted as a format.
TEST(Report, PercentSignsInArgumentsStayAsTheyAre) {
    CReportCapture capture;
    ReportError(L"%ls", L"100%d %ls %n");
    ASSERT_EQ(capture.reports().size(), 1u);
    EXPECT_EQ(capture.reports()[0].text, L"100%d %ls %n");
}

// The buffer holds 2048 characters: at most 2047 of the message and the
// terminator, however long the message is.
struct LengthCase {
    std::size_t length;
    std::size_t shown;
};

class ReportLength : public ::testing::TestWithParam<LengthCase> {};

TEST_P(ReportLength, MessageIsCutTo2047Characters) {
    const auto [length, shown] = GetParam();
    std::wstring message(length, L'x');
    if (length > 0) message[length - 1] = L'!';
    CReportCapture capture;
    ReportWarning(L"%ls", message.c_str());
    ASSERT_EQ(capture.reports().size(), 1u);
    EXPECT_EQ(capture.reports()[0].text.size(), shown);
    EXPECT_EQ(capture.reports()[0].text, message.substr(0, shown));
}

INSTANTIATE_TEST_SUITE_P(Boundaries, ReportLength,
                         ::testing::Values(LengthCase{0, 0}, LengthCase{2046, 2046}, LengthCase{2047, 2047},
                                           LengthCase{2048, 2047}, LengthCase{5000, 2047}));

TEST(Report, SinkIsRestoredWhenTheCaptureEnds) {
    CReportCapture outer;
    {
        CReportCapture inner;
        ReportTrace(L"inner");
        EXPECT_EQ(inner.reports().size(), 1u);
    }
    ReportTrace(L"outer");
    ASSERT_EQ(outer.reports().size(), 1u);
    EXPECT_EQ(outer.reports()[0].text, L"outer");
}

}  // namespace
