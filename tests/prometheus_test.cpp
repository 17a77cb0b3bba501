// The poller among the real Prometheus components: the shipped alert
// rules pass their unit tests, the example central configuration is valid,
// and the node exporter and a Prometheus server read what the poller
// writes.
#include <gtest/gtest.h>

#include "realtools.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

const std::string examples = std::string(PC_SOURCE_DIR) + "/packaging/prometheus";

}  // namespace

TEST(AlertRules, PassTheirUnitTests) {
    REQUIRE_PROGRAM("promtool", "prometheus");
    CommandResult check = runCommand("cd '" + examples + "' && promtool check rules pcpoll-alerts.yml");
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_NE(check.output.find("SUCCESS: 5 rules found"), std::string::npos) << check.output;
    CommandResult test = runCommand("cd '" + examples + "' && promtool test rules pcpoll-alerts.test.yml");
    EXPECT_EQ(test.status, 0) << test.output;
    EXPECT_NE(test.output.find("SUCCESS"), std::string::npos) << test.output;
}

TEST(AlertRules, ExampleCentralConfigurationIsValid) {
    REQUIRE_PROGRAM("promtool", "prometheus");
    CommandResult check = runCommand("promtool check config '" + examples + "/prometheus.yml'");
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_NE(check.output.find("SUCCESS: 1 rule files found"), std::string::npos) << check.output;
}
