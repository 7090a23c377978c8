#include <gtest/gtest.h>

#include "resource/gdi.h"
#include "support/test_support.h"

namespace {

// A handle that GDI does not know: releasing it fails, and the owner reports
// that with its own text at the error level.
TEST(GdiOwners, FailedReleaseIsReportedWithTheOwnersText) {
    CReportCapture capture;
    {
        CBitmapHandle bitmap(reinterpret_cast<HBITMAP>(static_cast<INT_PTR>(0x7777)), L"DeleteObject failed at ~CButton\n");
        CMemoryDC dc(reinterpret_cast<HDC>(static_cast<INT_PTR>(0x7778)), L"CVell::DeleteDC failed\n");
    }
    EXPECT_EQ(capture.Texts(E_REPORT_LEVEL::ERROR_),
              (std::vector<std::wstring>{L"CVell::DeleteDC failed\n", L"DeleteObject failed at ~CButton\n"}));
}

TEST(GdiOwners, SuccessfulReleaseReportsNothingAndSelectGuardRestores) {
    CReportCapture capture;
    {
        CMemoryDC dc(CreateCompatibleDC(nullptr));
        CBitmapHandle bitmap(CreateCompatibleBitmap(dc.get(), 4, 4));
        const HGDIOBJ before = GetCurrentObject(dc.get(), OBJ_BITMAP);
        {
            CSelectGuard select(dc.get(), bitmap.get());
            EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), bitmap.get());
        }
        EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), before);
    }
    EXPECT_TRUE(capture.reports().empty());
}

}  // namespace
