// WithWaitCursor: the hourglass while the work runs, and afterwards the cursor
// that was showing before, whatever it was.
#include <gtest/gtest.h>
#include <windows.h>

#include "form1.h"

namespace pelvaro {
namespace {

TEST(WithWaitCursor, ShowsTheHourglassWhileTheWorkRunsAndThenTheCursorBefore) {
    const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    for (const HCURSOR before :
         {LoadCursorW(nullptr, IDC_ARROW), LoadCursorW(nullptr, IDC_IBEAM), HCURSOR{}}) {
        SetCursor(before);
        int runs = 0;
        WithWaitCursor([&] {
            ++runs;
            EXPECT_EQ(GetCursor(), wait) << "the hourglass while the work runs";
        });
        EXPECT_EQ(runs, 1) << "the work runs once";
        EXPECT_EQ(GetCursor(), before) << "the cursor from before the work, after it";
    }
}

}  // namespace
}  // namespace pelvaro
