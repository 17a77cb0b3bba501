// The poller among the real Prometheus components: the shipped alert
// rules pass their unit tests, the example central configuration is valid,
// and the node exporter and a Prometheus server read what the poller
// writes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <iostream>
#include <regex>

#include "realtools.h"
#include "rig.h"
#include "testsupport.h"

using namespace testsupport;

namespace {

const std::string examples = std::string(PC_SOURCE_DIR) + "/packaging/prometheus";

}  // namespace

TEST(AlertRules, PassTheirUnitTests) {
    REQUIRE_PROGRAM("promtool", "prometheus");
    CommandResult check =
        runCommand("cd '" + examples + "' && promtool check rules pcpoll-alerts.yml");
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_NE(check.output.find("SUCCESS: 8 rules found"), std::string::npos) << check.output;
    CommandResult test =
        runCommand("cd '" + examples + "' && promtool test rules pcpoll-alerts.test.yml");
    EXPECT_EQ(test.status, 0) << test.output;
    EXPECT_NE(test.output.find("SUCCESS"), std::string::npos) << test.output;
}

TEST(AlertRules, TheExporterRuleWatchesTheJobOfTheExampleConfiguration) {
    std::smatch job, watched;
    std::string config = readFile(examples + "/prometheus.yml");
    std::string rules = readFile(examples + "/pcpoll-alerts.yml");
    ASSERT_TRUE(std::regex_search(config, job, std::regex("job_name: ([a-z_]+)")));
    ASSERT_TRUE(
        std::regex_search(rules, watched, std::regex("expr: up\\{job=\"([a-z_]+)\"\\} == 0")));
    EXPECT_EQ(job[1].str(), watched[1].str());
    EXPECT_EQ(job[1].str(), "shops");
}

TEST(AlertRules, ExampleCentralConfigurationIsValid) {
    REQUIRE_PROGRAM("promtool", "prometheus");
    CommandResult check = runCommand("promtool check config '" + examples + "/prometheus.yml'");
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_NE(check.output.find("SUCCESS: 1 rule files found"), std::string::npos) << check.output;
}

namespace {

constexpr int startMs = 20000;
constexpr int waitMs = 60000;
const std::string tenOClock = "@2011-03-14 09:59:58 x10";

// A process of a real component, ended by its id when the test is done,
// also when it fails.
struct Service {
    ProcessSetup setup;
    pid_t pid = -1;
    int port = -1;
    Service() = default;
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;
    ~Service() { stop(); }
    void stop() {
        if (pid <= 0) return;
        kill(pid, SIGTERM);
        waitProcess(pid, setup, startMs);
        pid = -1;
    }
    bool running() {
        if (pid <= 0) return false;
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == 0) return true;
        pid = -1;
        return false;
    }
};

// Starts the program with the arguments that makeArgs gives for a free
// loopback port, until it answers 200 at readyPath (a port taken by
// somebody else meanwhile makes it exit: another port is tried).
bool startService(Service& service, const std::string& program, const std::string& workDir,
                  const std::function<std::vector<std::string>(int)>& makeArgs,
                  const std::string& readyPath) {
    constexpr int attempts = 5;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        service.port = freeLoopbackPort();
        service.setup.program = findProgram(program);
        service.setup.workDir = workDir;
        service.setup.args = makeArgs(service.port);
        service.pid = startProcess(service.setup);
        bool up = waitUntil(
            [&] {
                return !service.running() || httpGet(service.port, readyPath, 1000).status == 200;
            },
            startMs);
        if (up && service.running()) return true;
        service.stop();
    }
    return false;
}

// The lines of a metrics page whose name starts with prefix.
std::vector<std::string> seriesLines(const std::string& page, const std::string& prefix) {
    std::vector<std::string> lines;
    for (const std::string& line : splitLines(page))
        if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    return lines;
}

bool hasLine(const std::string& page, const std::string& line) {
    return ("\n" + page).find("\n" + line + "\n") != std::string::npos;
}

// The value of the one sample that starts with series (name and labels).
std::string sampleValue(const std::string& page, const std::string& series) {
    for (const std::string& line : splitLines(page))
        if (line.rfind(series + " ", 0) == 0) return line.substr(series.size() + 1);
    return "";
}

}  // namespace

TEST(Scrape, NodeExporterAndPrometheusShowThePoller) {
    REQUIRE_PROGRAM("prometheus-node-exporter", "prometheus-node-exporter");
    REQUIRE_PROGRAM("prometheus", "prometheus");
    REQUIRE_PROGRAM("promtool", "prometheus");
    PollerRig rig("prom_scrape");
    const std::string textfiles = rig.dir.path + "/textfile";
    const std::string metrics = textfiles + "/door1.prom";
    makeDirs(textfiles);
    rig.configure("10", "10:00-11:00", "metrics = " + metrics + "\n");
    rig.simulate({"--start", "1000", "--step", "7"});

    Service exporter;
    ASSERT_TRUE(startService(
        exporter, "prometheus-node-exporter", rig.dir.path,
        [&](int port) {
            return std::vector<std::string>{
                "--web.listen-address=127.0.0.1:" + std::to_string(port),
                "--collector.disable-defaults", "--collector.textfile",
                "--collector.textfile.directory=" + textfiles};
        },
        "/metrics"))
        << readFile(rig.dir.path + "/.prometheus-node-exporter.err");
    auto scrape = [&] { return httpGet(exporter.port, "/metrics").body; };
    const std::string entrance = "{entrance=\"door1\"}";

    // The file of a running poller, in the exporter, before and after polls.
    rig.startPoller(tenOClock);
    ASSERT_TRUE(waitUntil([&] { return pathExists(metrics); }, waitMs));
    std::vector<std::string> written{readFile(metrics)};
    ASSERT_TRUE(waitUntil([&] { return hasLine(scrape(), "pcpoll_up" + entrance + " 1"); }, waitMs))
        << scrape();
    ASSERT_TRUE(rig.waitForLines("20110314", 3));
    written.push_back(readFile(metrics));
    ASSERT_TRUE(waitUntil(
        [&] { return !sampleValue(scrape(), "pcpoll_visitors_total" + entrance).empty(); }, waitMs))
        << scrape();

    // The counter goes away: the latest good total stays.
    stopSimulator(rig.sim, SIGKILL);
    ASSERT_TRUE(rig.waitForVerbose("Utracono polaczenie z portem"));
    int lines = occurrences(rig.report("20110314"), "\n");
    ASSERT_TRUE(rig.waitForLines("20110314", lines + 2));
    ASSERT_TRUE(
        waitUntil([&] { return hasLine(scrape(), "pcpoll_port_up" + entrance + " 0"); }, waitMs))
        << scrape();
    written.push_back(readFile(metrics));
    std::string lastTotal;
    for (const std::string& line : splitLines(rig.report("20110314")))
        if (field(line, 3) == " 0") lastTotal = std::to_string(std::stoi(field(line, 1)));
    ASSERT_NE(lastTotal, "");
    EXPECT_GT(std::stoi(lastTotal), 1000);

    // A Prometheus server scrapes the exporter every second.
    writeFile(rig.dir.path + "/prometheus.yml",
              "global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\n"
              "scrape_configs:\n  - job_name: shop\n    static_configs:\n"
              "      - targets: [\"127.0.0.1:" +
                  std::to_string(exporter.port) + "\"]\n");
    Service prometheus;
    ASSERT_TRUE(startService(
        prometheus, "prometheus", rig.dir.path,
        [&](int port) {
            return std::vector<std::string>{
                "--config.file=" + rig.dir.path + "/prometheus.yml",
                "--storage.tsdb.path=" + rig.dir.path + "/prometheus-data",
                "--web.listen-address=127.0.0.1:" + std::to_string(port)};
        },
        "/-/ready"))
        << readFile(rig.dir.path + "/.prometheus.err");
    const std::string instance = "127.0.0.1:" + std::to_string(exporter.port);
    std::string answer;
    auto queried = [&] {
        answer = httpGet(prometheus.port, "/api/v1/query?query=pcpoll_visitors_total").body;
        return answer.find("\"value\":[") != std::string::npos;
    };
    ASSERT_TRUE(waitUntil(queried, waitMs)) << answer;
    EXPECT_NE(answer.find("\"status\":\"success\""), std::string::npos) << answer;
    EXPECT_NE(answer.find("\"__name__\":\"pcpoll_visitors_total\",\"entrance\":\"door1\","
                          "\"instance\":\"" +
                          instance + "\",\"job\":\"shop\""),
              std::string::npos)
        << answer;
    EXPECT_NE(answer.find(",\"" + lastTotal + "\"]"), std::string::npos)
        << "the poller's latest total " << lastTotal << ": " << answer;
    prometheus.stop();

    // The stop: the last file says pcpoll_up 0, and its counts match the
    // report, one record per poll (the stop's own exchange is not counted).
    EXPECT_EQ(rig.stopPoller().status, 0);
    written.push_back(readFile(metrics));
    std::string page;
    ASSERT_TRUE(waitUntil(
        [&] {
            page = scrape();
            return hasLine(page, "pcpoll_up" + entrance + " 0");
        },
        waitMs))
        << page;
    std::vector<std::string> report = splitLines(rig.report("20110314"));
    int answered = 0;
    for (const std::string& line : report) answered += field(line, 3) == " 0";
    const int silent = static_cast<int>(report.size()) - answered;
    EXPECT_TRUE(hasLine(page, "node_textfile_scrape_error 0")) << page;
    EXPECT_TRUE(hasLine(page, "pcpoll_info{entrance=\"door1\",port=\"" + rig.port +
                                  "\",version=\"pcpoll-0.1.0-20100826-7\"} 1"))
        << page;
    EXPECT_TRUE(hasLine(page, "pcpoll_open" + entrance + " 1")) << page;
    EXPECT_TRUE(hasLine(page, "pcpoll_port_up" + entrance + " 0")) << page;
    EXPECT_TRUE(hasLine(page, "pcpoll_last_poll_good" + entrance + " 0")) << page;
    EXPECT_TRUE(hasLine(
        page, "pcpoll_polls_total{entrance=\"door1\",result=\"good\"} " + std::to_string(answered)))
        << page;
    EXPECT_TRUE(hasLine(
        page, "pcpoll_polls_total{entrance=\"door1\",result=\"silent\"} " + std::to_string(silent)))
        << page;
    EXPECT_TRUE(hasLine(page, "pcpoll_polls_total{entrance=\"door1\",result=\"no_value\"} 0"))
        << page;
    EXPECT_TRUE(hasLine(page, "pcpoll_visitors_total" + entrance + " " + lastTotal)) << page;
    EXPECT_TRUE(hasLine(page, "pcpoll_photocell_faults" + entrance + " 0")) << page;
    EXPECT_TRUE(hasLine(
        page, "pcpoll_records_written_total" + entrance + " " + std::to_string(report.size())))
        << page;
    EXPECT_TRUE(hasLine(page, "pcpoll_record_write_errors_total" + entrance + " 0")) << page;
    // Times on the poller's clock, 14 March 2011 from 09:59:58 on (the
    // exporter shows them in floating point, exactly).
    const double day = 1300060800 + 36000 - 2;
    for (const char* name :
         {"pcpoll_start_time_seconds", "pcpoll_heartbeat_timestamp_seconds",
          "pcpoll_last_poll_timestamp_seconds", "pcpoll_last_good_poll_timestamp_seconds"}) {
        std::string value = sampleValue(page, name + entrance);
        ASSERT_FALSE(value.empty()) << name << "\n" << page;
        EXPECT_GE(std::stod(value), day) << name;
        EXPECT_LT(std::stod(value), day + 3600) << name;
    }
    std::cout << "The node exporter's scrape after the stop:\n";
    for (const std::string& line : seriesLines(page, "pcpoll_")) std::cout << line << "\n";
    for (const std::string& line : seriesLines(page, "node_textfile_scrape_error"))
        std::cout << line << "\n";

    // promtool accepts every file seen.
    for (const std::string& text : written) {
        writeFile(rig.dir.path + "/check.prom", text);
        CommandResult check =
            runCommand("promtool check metrics < '" + rig.dir.path + "/check.prom'");
        EXPECT_EQ(check.status, 0) << check.output << text;
        EXPECT_EQ(check.output, "") << text;
    }
}
