#include "cli/PlanOutput.h"

#include "cli/ExitCode.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace quorvel;

namespace {

PlanRow row(int line, std::uint8_t last, bool dhcp) {
    PlanRow r;
    r.line = line;
    r.mac = {0x02, 0x51, 0x56, 0, 0, last};
    r.dhcp = dhcp;
    if (!dhcp) {
        r.ip = {198, 18, 3, last};
        r.mask = {255, 254, 0, 0};
        r.gateway = {198, 18, 0, 1};
    }
    return r;
}

DeviceRecord answering(const PlanRow& r, std::uint8_t staticAddress) {
    DeviceRecord d;
    d.mac = r.mac;
    d.ip = r.ip;
    d.subnetMask = r.mask;
    d.gateway = r.gateway;
    d.staticAddress = staticAddress;
    return d;
}

} // namespace

TEST(PlanOutput, verifiesAddressAndMode) {
    const PlanRow fixed = row(2, 1, false), dynamic = row(3, 2, true);
    EXPECT_TRUE(AnswersAsPlanned(fixed, answering(fixed, 1)));
    EXPECT_FALSE(AnswersAsPlanned(fixed, answering(fixed, 0))); // right address, wrong mode
    DeviceRecord otherGateway = answering(fixed, 1);
    otherGateway.gateway[3] = 254;
    EXPECT_FALSE(AnswersAsPlanned(fixed, otherGateway));
    DeviceRecord otherMask = answering(fixed, 1);
    otherMask.subnetMask[1] = 255;
    EXPECT_FALSE(AnswersAsPlanned(fixed, otherMask));
    DeviceRecord otherBoard = answering(fixed, 1);
    otherBoard.mac[5] = 9;
    EXPECT_FALSE(AnswersAsPlanned(fixed, otherBoard));
    DeviceRecord dhcpBoard = answering(dynamic, 0);
    dhcpBoard.ip[3] = 77; // any address the server gave it
    EXPECT_TRUE(AnswersAsPlanned(dynamic, dhcpBoard));
    EXPECT_FALSE(AnswersAsPlanned(dynamic, answering(dynamic, 1)));
}

TEST(PlanOutput, exitCodeAndOutputsPerRow) {
    const PlanOutcome ok{row(2, 1, false), RowVerdict::Programmed, "Success -- Device Programmed",
                         true};
    const PlanOutcome unverified{row(3, 2, true), RowVerdict::Programmed,
                                 "Success -- Device Programmed", false};
    const PlanOutcome silent{row(4, 3, false), RowVerdict::TimedOut,
                             "Timeout -- Did not receive an acknowlegement", false};
    const PlanOutcome refused{row(5, 4, false), RowVerdict::Refused,
                              "Failure -- Device did not recognize MAC address", std::nullopt};
    const struct {
        std::vector<PlanOutcome> outcomes;
        int exit;
    } cases[] = {
        {{ok}, ExitSuccess},
        {{ok, unverified}, ExitNothing},
        {{ok, silent}, ExitNothing},
        {{silent, refused}, ExitRefused},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlanExitCode(c.outcomes), c.exit);

    const std::vector<PlanOutcome> three{ok, unverified, silent};
    const QJsonArray rows = QJsonDocument::fromJson(PlanJson(three)).array();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].toObject()["line"].toInt(), 2);
    EXPECT_EQ(rows[0].toObject()["mac"].toString(), "02-51-56-00-00-01");
    EXPECT_EQ(rows[0].toObject()["ip"].toString(), "198.18.3.1");
    EXPECT_TRUE(rows[0].toObject()["succeeded"].toBool());
    EXPECT_TRUE(rows[0].toObject()["verified"].toBool());
    EXPECT_EQ(rows[1].toObject()["mode"].toString(), "DHCP");
    EXPECT_TRUE(rows[1].toObject()["ip"].isNull());
    EXPECT_EQ(rows[2].toObject()["result"].toString(),
              "Timeout -- Did not receive an acknowlegement");
    EXPECT_FALSE(rows[2].toObject()["succeeded"].toBool());

    EXPECT_EQ(PlanTable(three),
              "LINE  MAC                PLANNED                                         RESULT"
              "                                        VERIFIED\n"
              "2     02-51-56-00-00-01  198.18.3.1 mask 255.254.0.0 gateway 198.18.0.1  Success "
              "-- Device Programmed                  verified\n"
              "3     02-51-56-00-00-02  dhcp                                            Success "
              "-- Device Programmed                  not verified\n"
              "4     02-51-56-00-00-03  198.18.3.3 mask 255.254.0.0 gateway 198.18.0.1  Timeout "
              "-- Did not receive an acknowlegement  not verified\n");
    // Without --verify there is no verified column.
    EXPECT_EQ(PlanTable(std::vector<PlanOutcome>{refused}).find("VERIFIED"), std::string::npos);
}
