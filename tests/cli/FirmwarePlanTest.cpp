#include "cli/FirmwarePlan.h"

#include <gtest/gtest.h>

using namespace quorvel;

TEST(FirmwarePlan, rowsAndProblems) {
    const FirmwarePlan good = ReadFirmwarePlan("\xEF\xBB\xBF"
                                               "# the second floor\r\n"
                                               "File , MAC\r\n"
                                               "\"fw/a,b.img\",02-51-56-00-00-01\r\n"
                                               "\r\n"
                                               "/srv/v2.img, 02:51:56:00:00:02\r\n");
    ASSERT_TRUE(good.problems.empty()) << good.problems.front().what;
    ASSERT_EQ(good.rows.size(), 2u);
    EXPECT_EQ(good.rows[0].line, 3);
    EXPECT_EQ(good.rows[0].file, "fw/a,b.img");
    EXPECT_EQ(good.rows[1].mac, (MacAddress{0x02, 0x51, 0x56, 0, 0, 2}));
    EXPECT_EQ(good.rows[1].file, "/srv/v2.img");

    const struct {
        const char* plan;
        int line;
        std::string what;
    } bad[] = {
        {"", 0, "the plan is empty (expected a header mac,file and one row per board)"},
        {"mac,file\n", 0, "the plan has no rows"},
        {"mac,image\n", 1, "unknown column \"image\" (the header is mac,file)"},
        {"mac,file,mac\n", 1, "column \"mac\" is named twice"},
        {"mac\n02-51-56-00-00-01\n", 1, "the header needs the columns mac and file"},
        {"mac,file\n,a.img\n", 2, "missing MAC address: the row names no board"},
        {"mac,file\n02-51-56-00-00-01,\n", 2, "missing file: the row names no image"},
        {"mac,file\n02-51-56-00-00-0g,a.img\n", 2,
         "bad MAC address \"02-51-56-00-00-0g\" (expected 00-0B-3C-12-34-56)"},
        {"mac,file\n02-51-56-00-00-01,a.img\n02:51:56:00:00:01,b.img\n", 3,
         "MAC 02-51-56-00-00-01 is planned twice (first on line 2)"},
        {"mac,file\n02-51-56-00-00-01,a.img,x\n", 2, "expected 2 fields, found 3"},
        {"mac,file\n02-51-56-00-00-01,\"a.img\n", 2, "a quoted field is never closed"},
        {"mac,file\n02-51-56-00-00-01,\xFF.img\n", 2, "not UTF-8 text (save the plan as UTF-8)"},
    };
    for (const auto& c : bad) {
        const FirmwarePlan plan = ReadFirmwarePlan(c.plan);
        ASSERT_FALSE(plan.problems.empty()) << c.plan;
        EXPECT_EQ(plan.problems.front().line, c.line) << c.plan;
        EXPECT_EQ(plan.problems.front().what, c.what) << c.plan;
    }
}
