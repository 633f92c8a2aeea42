#include "cli/AssignPlan.h"

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

// Stands in for the dialog's address check: refuses 0.0.0.0 only.
std::optional<std::string> refuseZero(const PlanRow& row) {
    if (row.ip == Ipv4Address{0, 0, 0, 0})
        return "IP address 0.0.0.0 would strand the board";
    return std::nullopt;
}

std::vector<std::string> problems(std::string_view text) {
    std::vector<std::string> out;
    for (const PlanProblem& p : ReadAssignPlan(text, refuseZero).problems)
        out.push_back(PlanProblemText("plan.csv", p));
    return out;
}

} // namespace

TEST(AssignPlan, readsRowsCommentsAndDhcp) {
    const AssignPlan plan = ReadAssignPlan("\xEF\xBB\xBF# rollout, floor 2\r\n"
                                           "MAC, IP ,mask,gateway\r\n"
                                           "\r\n"
                                           "00-0B-3C-00-00-01,198.18.0.21,255.255.255.0,"
                                           "198.18.0.1\r\n"
                                           "  # the kitchen printer takes DHCP\n"
                                           "00:0b:3c:00:00:02, DHCP ,,\n"
                                           "00-0B-3C-00-00-03,dhcp\n"
                                           "00-0B-3C-00-00-04,198.18.0.23,255.255.255.0,0.0.0.0",
                                           refuseZero);
    ASSERT_TRUE(plan.problems.empty()) << plan.problems[0].what;
    ASSERT_EQ(plan.rows.size(), 4u);
    EXPECT_EQ(plan.rows[0].line, 4);
    EXPECT_EQ(plan.rows[0].mac, (MacAddress{0x00, 0x0B, 0x3C, 0, 0, 1}));
    EXPECT_FALSE(plan.rows[0].dhcp);
    EXPECT_EQ(plan.rows[0].ip, (Ipv4Address{198, 18, 0, 21}));
    EXPECT_EQ(plan.rows[0].mask, (Ipv4Address{255, 255, 255, 0}));
    EXPECT_EQ(plan.rows[0].gateway, (Ipv4Address{198, 18, 0, 1}));
    EXPECT_EQ(plan.rows[1].line, 6);
    EXPECT_TRUE(plan.rows[1].dhcp);
    EXPECT_EQ(plan.rows[1].ip, (Ipv4Address{0, 0, 0, 0}));
    EXPECT_TRUE(plan.rows[2].dhcp);
    EXPECT_EQ(plan.rows[3].gateway, (Ipv4Address{0, 0, 0, 0}));

    // Columns in another order.
    const AssignPlan reordered =
        ReadAssignPlan("gateway,mask,mac,ip\n198.18.0.1,255.255.255.0,00-0B-3C-00-00-01,"
                       "198.18.0.21\n",
                       refuseZero);
    ASSERT_EQ(reordered.rows.size(), 1u);
    EXPECT_EQ(reordered.rows[0].ip, (Ipv4Address{198, 18, 0, 21}));
    EXPECT_EQ(reordered.rows[0].gateway, (Ipv4Address{198, 18, 0, 1}));
}

TEST(AssignPlan, badRowsAreNamedByLineAndRunNothing) {
    const std::string header = "mac,ip,mask,gateway\n";
    const std::string good = "00-0B-3C-00-00-01,198.18.0.21,255.255.255.0,198.18.0.1\n";
    const struct {
        std::string plan;
        std::vector<std::string> expected;
    } cases[] = {
        {"",
         {"plan.csv: the plan is empty (expected a header mac,ip,mask,gateway and one row "
          "per board)"}},
        {"# only a comment\n\n",
         {"plan.csv: the plan is empty (expected a header "
          "mac,ip,mask,gateway and one row per board)"}},
        {header, {"plan.csv: the plan has no rows"}},
        {"mac,ip,mask\n" + good,
         {"plan.csv:1: missing column \"gateway\" (the header is mac,ip,mask,gateway)"}},
        {"mac,ip,mask,gateway,name\n" + good,
         {"plan.csv:1: unknown column \"name\" (the header is mac,ip,mask,gateway)"}},
        {"mac,ip,ip,mask,gateway\n", {"plan.csv:1: column \"ip\" is named twice"}},
        {header + "00-0B-3C-00-00-01,198.18.0.21,255.255.255.0\n", {"plan.csv:2: missing gateway"}},
        {header + "00-0B-3C-00-00-01,,255.255.255.0,198.18.0.1\n",
         {"plan.csv:2: missing IP address (or dhcp)"}},
        {header + ",198.18.0.21,255.255.255.0,198.18.0.1\n", {"plan.csv:2: missing MAC address"}},
        {header + good + "00-0B-3C-00-00-02,198.18.0.22,255.255.255.0,198.18.0.1,x\n",
         {"plan.csv:3: expected 4 fields, found 5"}},
        {header + "00-0B-3C-00-00-0G,198.18.0.21,255.255.255.0,198.18.0.1\n",
         {"plan.csv:2: bad MAC address \"00-0B-3C-00-00-0G\" (expected 00-0B-3C-12-34-56)"}},
        {header + "00-0B-3C-00-00-01,198.18.0.21,255.255.255.0,198.18.1\n",
         {"plan.csv:2: gateway: bad IPv4 address \"198.18.1\" (expected four numbers like "
          "198.18.0.20)"}},
        {header + "00-0B-3C-00-00-01,dhcp,255.255.255.x,\n",
         {"plan.csv:2: mask: bad IPv4 address \"255.255.255.x\" (expected four numbers like "
          "198.18.0.20)"}},
        {header + good + "00:0B:3C:00:00:01,198.18.0.22,255.255.255.0,198.18.0.1\n",
         {"plan.csv:3: MAC 00-0B-3C-00-00-01 is planned twice (first on line 2)"}},
        {header + good + "00-0B-3C-00-00-02,198.18.0.21,255.255.255.0,198.18.0.1\n",
         {"plan.csv:3: address 198.18.0.21 is planned twice (first on line 2)"}},
        {header + "00-0B-3C-00-00-01,0.0.0.0,255.255.255.0,198.18.0.1\n",
         {"plan.csv:2: IP address 0.0.0.0 would strand the board"}},
        // GB18030 bytes (a plan saved in the boards' code page) and a lone
        // continuation byte: not UTF-8; every bad row is named.
        {header + "# \xB4\xF2\xD3\xA1\xBB\xFA\n" + good +
             "00-0B-3C-00-00-02,198.18.0.22,255.255.255.0,198.18.0.1 \x80\n",
         {"plan.csv:2: not UTF-8 text (save the plan as UTF-8)",
          "plan.csv:4: not UTF-8 text (save the plan as UTF-8)"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(problems(c.plan), c.expected) << c.plan;
    }
    // One row too many refuses the plan in one line, however many rows are bad.
    std::string huge = header;
    for (std::size_t i = 0; i <= kMaxPlanRows; ++i)
        huge += (i % 2 ? "00-0B-3C-00-00-0G,dhcp\n" : "00-0B-3C-00-00-01,dhcp\n");
    EXPECT_EQ(problems(huge), std::vector<std::string>{"plan.csv: the plan has more than 100000 "
                                                       "rows; split it into smaller plans"});
    // A DHCP row is not checked for stranding addresses, and two DHCP rows
    // plan no address twice.
    EXPECT_TRUE(problems(header + "00-0B-3C-00-00-01,dhcp,0.0.0.0,0.0.0.0\n"
                                  "00-0B-3C-00-00-02,dhcp,0.0.0.0,0.0.0.0\n")
                    .empty());
}

TEST(AssignPlan, readsTheToolsOwnQuotedCsv) {
    const AssignPlan plan = ReadAssignPlan("\"mac\",\"ip\",\"mask\",\"gateway\"\r\n"
                                           "\"00-0B-3C-00-00-05\",\"198.18.0.25\","
                                           "\"255.255.255.0\",\"198.18.0.1\"\r\n",
                                           refuseZero);
    ASSERT_TRUE(plan.problems.empty()) << plan.problems[0].what;
    ASSERT_EQ(plan.rows.size(), 1u);
    EXPECT_EQ(plan.rows[0].ip, (Ipv4Address{198, 18, 0, 25}));
}
