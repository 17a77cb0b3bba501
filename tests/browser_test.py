#!/usr/bin/python3
"""pcstat's HTML pages in a real browser.

Writes a scratch shop (three entrances with two months of reports, one
day's file missing and a counter that did not answer) and, on a faked
clock, the page of `pcstat --format html` (also as the weekly mail writes
it, with `--compare previous`) and the dashboard of `pcstat --dashboard`;
then the same reports copied into two shop directories and their
dashboard: a page per shop and the league as the index.  Checks every page
with Debian's tidy (no errors), then opens them from file:// in headless
Chromium with the network cut off, at 1280x800 and at 390x844: no console
error, no request that failed or left the file system, no horizontal
scroll on the phone, every chart present and sized, every link leading to
a written page, and the totals shown equal to those of `--format csv` (and
`--league --format csv`) for the same options.  Screenshots of both sizes
are kept in the artefact directory.

Usage: browser_test.py PCSTAT_SCRATCH FAKETIME_LIBRARY ARTEFACT_DIR

Exits 0 when everything holds, 1 on a failure, 77 (skipped) when Chromium,
its driver, Selenium or tidy is missing, unless CI=true, where a missing
tool is a failure.
"""

import csv
import io
import os
import shutil
import subprocess
import sys
import tempfile
from datetime import date, timedelta

SKIPPED = 77
NOW = "2026-03-10 12:40:00"  # a Tuesday, in UTC
TODAY = date(2026, 3, 10)
ENTRANCES = ["door1", "door2", "door3"]
SIZES = [(1280, 800, "desktop"), (390, 844, "phone")]

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def checksum(body):
    a = b = 0
    for c in body.encode()[:255]:
        a += c
        b += a
    return "0X%04X" % ((a % 251) * 256 + (b % 251))


def record(time, total, faults=0, no_answer=0):
    body = "%s;%6d;%2d;%2d;" % (time, total, faults, no_answer)
    return body + checksum(body) + "\n"


def write_shop(root, reports):
    """Pollers open 09:00-21:00 every 15 minutes; reports from 60 days back
    up to the faked present moment."""
    conf_dir = os.path.join(root, "scratch", "opt", "velmora")
    os.makedirs(conf_dir)
    os.makedirs(reports)
    for k, name in enumerate(ENTRANCES):
        with open(os.path.join(conf_dir, name + ".conf"), "w") as conf:
            conf.write("portname = /dev/null\nentry = %s/%s.csv\nrecordtime = 900\n"
                       "opentime = 09:00-21:00\n" % (reports, name))
        total = 1000 * (k + 1)
        for back in range(60, -1, -1):
            day = TODAY - timedelta(days=back)
            if name == "door2" and back == 3:
                continue  # a day without a file
            lines = []
            for minute in range(9 * 60, 21 * 60 + 1, 15):
                if back == 0 and minute > 12 * 60 + 30:
                    break
                unanswered = name == "door3" and back == 1 and minute == 12 * 60
                if not unanswered:
                    total += (minute * 7 + day.toordinal() * (k + 3)) % 13 + k
                lines.append(record("%02d:%02d" % (minute // 60, minute % 60), total,
                                    no_answer=1 if unanswered else 0))
            with open(os.path.join(reports, "%s_%s.csv" % (name, day.strftime("%Y%m%d"))),
                      "w") as report:
                report.writelines(lines)


def run_stat(stat, faketime, root, *arguments):
    # The sanitizer build's runtime must let libfaketime come first.
    env = dict(os.environ, TZ="UTC", LD_PRELOAD=faketime, FAKETIME="@" + NOW,
               FAKETIME_DONT_FAKE_MONOTONIC="1",
               ASAN_OPTIONS="verify_asan_link_order=0:detect_leaks=1")
    done = subprocess.run([stat, *arguments], cwd=root, env=env, capture_output=True,
                          timeout=120)
    return done.returncode, done.stdout.decode(), done.stderr.decode()


def csv_visitors(text):
    return sum(int(row["visitors"]) for row in csv.DictReader(io.StringIO(text)))


def tidy(path):
    done = subprocess.run(["tidy", "-q", "-e", "--doctype", "html5", path],
                          capture_output=True, text=True, timeout=60)
    errors = [line for line in done.stderr.splitlines() if " - Error: " in line]
    for line in done.stderr.splitlines():
        print("     tidy: " + line)
    return done.returncode < 2 and not errors


def missing_tools():
    missing = [tool for tool in ("chromium", "chromedriver", "tidy") if not shutil.which(tool)]
    try:
        import selenium  # noqa: F401
    except ImportError:
        missing.append("python3-selenium")
    return missing


def open_browser(profile):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                     "--no-first-run", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync",
                     "--user-data-dir=" + profile,
                     # Nothing may leave the machine: no proxy answers, no name resolves.
                     "--proxy-server=http://127.0.0.1:9", "--host-resolver-rules=MAP * ~NOTFOUND"):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
    driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
    driver.set_page_load_timeout(60)
    driver.execute_cdp_cmd("Network.enable", {})
    driver.execute_cdp_cmd("Network.emulateNetworkConditions",
                           {"offline": True, "latency": 0, "downloadThroughput": -1,
                            "uploadThroughput": -1})
    return driver


def requests_of(driver):
    """The URLs the page asked for, and those whose loading failed."""
    import json

    asked, failed = [], []
    for entry in driver.get_log("performance"):
        message = json.loads(entry["message"])["message"]
        if message["method"] == "Network.requestWillBeSent":
            asked.append(message["params"]["request"]["url"])
        elif message["method"] == "Network.loadingFailed":
            failed.append(message["params"].get("errorText", "?"))
    return asked, failed


PAGE_FACTS = """
const svgs = [...document.querySelectorAll('figure svg')].map(s => {
  const r = s.getBoundingClientRect();
  return [r.width, r.height];
});
const foot = [...document.querySelectorAll('table')].map(t =>
  [t.caption ? t.caption.textContent : '',
   [...t.querySelectorAll('tfoot th, tfoot td')].map(c => c.textContent)]);
const links = [...document.querySelectorAll('a[href]')].map(a => a.href);
return {scrollWidth: document.documentElement.scrollWidth, innerWidth: window.innerWidth,
        links: links,
        lang: document.documentElement.lang, svgs: svgs, foot: foot,
        scripts: document.scripts.length,
        panel: (document.getElementById('kompletnosc') || {textContent: ''}).textContent};
"""


def look(driver, path, name, artefacts, expect_charts):
    """Opens path at each size; returns the facts of the page at the last."""
    facts = None
    for width, height, size in SIZES:
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                               {"width": width, "height": height, "deviceScaleFactor": 1,
                                "mobile": width < 600})
        driver.get_log("browser")
        driver.get_log("performance")
        driver.get("file://" + path)
        facts = driver.execute_script(PAGE_FACTS)
        console = [entry for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]
        asked, failed = requests_of(driver)
        outside = [url for url in asked if not url.startswith("file://")]
        what = "%s at %dx%d" % (name, width, height)
        check(not console, what + ": no console error " + repr(console))
        check(not failed and not outside,
              what + ": no failed or outside request " + repr(failed + outside))
        check(facts["lang"] == "pl" and facts["scripts"] == 0, what + ": lang pl, no script")
        check(facts["scrollWidth"] <= facts["innerWidth"],
              what + ": no horizontal scroll (%d <= %d)" % (facts["scrollWidth"],
                                                            facts["innerWidth"]))
        check(len(facts["svgs"]) == expect_charts,
              what + ": %d charts, expected %d" % (len(facts["svgs"]), expect_charts))
        broken = [link for link in facts["links"]
                  if not link.startswith("file://") or not os.path.isfile(link[len("file://"):])]
        check(not broken, what + ": every link leads to a written page " + repr(broken))
        for w, h in facts["svgs"]:
            check(w >= min(300, width - 40) and h >= 100 and w <= width,
                  what + ": chart sized %.0fx%.0f" % (w, h))
        driver.save_screenshot(os.path.join(artefacts, "%s-%s.png" % (name, size)))
    return facts


def write_shops(root, reports):
    """door1 and door2 as the shop north, door3 as south."""
    for shop, names in (("north", ["door1", "door2"]), ("south", ["door3"])):
        os.makedirs(os.path.join(root, shop))
        for name in names:
            for file in os.listdir(reports):
                if file.startswith(name + "_"):
                    shutil.copy(os.path.join(reports, file), os.path.join(root, shop, file))


def league_visitors(text):
    return {row["shop"]: row["visitors"] for row in csv.DictReader(io.StringIO(text))}


def foot_of(facts, caption_start):
    for caption, cells in facts["foot"]:
        if caption.startswith(caption_start):
            return cells
    return None


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    stat, faketime, artefacts = sys.argv[1:]
    missing = missing_tools()
    if missing:
        print("missing: " + ", ".join(missing) + " (tools/install-deps.sh installs them)")
        return 1 if os.environ.get("CI") == "true" else SKIPPED
    os.makedirs(artefacts, exist_ok=True)
    # A point-free place for the reports: the poller's entry, which names
    # them, is split at its first point, and the build tree may hold one.
    root = tempfile.mkdtemp(prefix="pctest-browser-", dir="/tmp")
    try:
        write_shop(root, os.path.join(root, "reports"))
        status, page, _ = run_stat(stat, faketime, root, "--format", "html", "--days", "7")
        check(status == 0, "pcstat --format html --days 7 ends with 0")
        report = os.path.join(artefacts, "report.html")
        with open(report, "w") as out:
            out.write(page)
        status, _, error = run_stat(stat, faketime, root, "--dashboard", "www")
        check(status == 0, "pcstat --dashboard www ends with 0 " + error)
        dashboard = os.path.join(root, "www", "index.html")
        check(os.path.isfile(dashboard), "the dashboard is www/index.html")
        shutil.copy(dashboard, os.path.join(artefacts, "dashboard.html"))
        dashboard = os.path.join(artefacts, "dashboard.html")
        status, page, _ = run_stat(stat, faketime, root, "--format", "html", "--days", "7",
                                   "--to", "yesterday", "--compare", "previous")
        check(status == 0 and "<th scope=\"col\">zmiana</th>" in page,
              "the weekly mail's page has the change column")
        mail = os.path.join(artefacts, "mail.html")
        with open(mail, "w") as out:
            out.write(page)
        shops = os.path.join(root, "shops")
        write_shops(shops, os.path.join(root, "reports"))
        status, _, error = run_stat(stat, faketime, root, "--dashboard", "wwwshops",
                                    "shops/north", "shops/south")
        check(status == 0, "pcstat --dashboard of two shops ends with 0 " + error)
        shop_pages = os.path.join(artefacts, "shops")
        shutil.copytree(os.path.join(root, "wwwshops"), shop_pages, dirs_exist_ok=True)
        check(sorted(os.listdir(shop_pages)) ==
              ["index.html", "sklep-north.html", "sklep-south.html"],
              "the shops' dashboard is an index and a page per shop")
        check(tidy(report), "tidy finds no error in the report page")
        check(tidy(mail), "tidy finds no error in the weekly mail's page")
        for name in ("index.html", "sklep-north.html"):
            check(tidy(os.path.join(shop_pages, name)), "tidy finds no error in " + name)
        check(tidy(dashboard), "tidy finds no error in the dashboard")

        week = csv_visitors(run_stat(stat, faketime, root, "--format", "csv", "--days", "7")[1])
        today = csv_visitors(run_stat(stat, faketime, root, "--format", "csv", "--date",
                                      "today")[1])
        week_ago = csv_visitors(run_stat(stat, faketime, root, "--format", "csv", "--date",
                                         "-7")[1])
        last7 = csv_visitors(run_stat(stat, faketime, root, "--format", "csv", "--from", "-7",
                                      "--to", "-1")[1])
        before7 = csv_visitors(run_stat(stat, faketime, root, "--format", "csv", "--from",
                                        "-14", "--to", "-8")[1])
        door1_today = csv_visitors(run_stat(stat, faketime, root, "--format", "csv", "--date",
                                            "today", "door1")[1])
        league_today = league_visitors(run_stat(stat, faketime, root, "--league", "--format",
                                                "csv", "--date", "today", "shops/north",
                                                "shops/south")[1])

        driver = open_browser(os.path.join(root, "profile"))
        try:
            facts = look(driver, report, "report", artefacts, 1)
            check(facts["foot"] and facts["foot"][0][1][-1] == str(week),
                  "report: the total shown %r is the csv's %d" % (
                      facts["foot"][0][1][-1:] if facts["foot"] else None, week))
            facts = look(driver, dashboard, "dashboard", artefacts, 2)
            todays = [cells for caption, cells in facts["foot"] if caption.startswith("Dziś")]
            check(len(todays) == 1 + len(ENTRANCES), "dashboard: a today table in all and each")
            check(todays and todays[0][1:] == [str(today), str(week_ago)],
                  "dashboard: today %r and a week ago in all are the csv's %d and %d" % (
                      todays[0][1:] if todays else None, today, week_ago))
            check(len(todays) > 1 and todays[1][1] == str(door1_today),
                  "dashboard: door1 today is the csv's %d" % door1_today)
            weeks = foot_of(facts, "Ostatnie 7 dni")
            check(weeks is not None and weeks[1] == str(last7) and weeks[3] == str(before7),
                  "dashboard: the last 7 days %r are the csv's %d against %d" % (
                      weeks, last7, before7))
            check("2026-03-07missing-file" in facts["panel"] and
                  "2026-03-09unanswered" in facts["panel"],
                  "dashboard: the completeness panel lists door2's missing file and door3's "
                  "unanswered reading")
            look(driver, mail, "mail", artefacts, 1)
            facts = look(driver, os.path.join(shop_pages, "index.html"), "shops", artefacts, 0)
            today_league = foot_of(facts, "Sklepy według liczby odwiedzających; Dni " +
                                   TODAY.isoformat() + " - " + TODAY.isoformat())
            total = sum(int(visitors) for visitors in league_today.values())
            check(today_league is not None and today_league[1] == str(total) and
                  total == today,
                  "shops: today's league in all %r is the league csv's %d" % (today_league,
                                                                               total))
            check(len(facts["links"]) == 6, "shops: each shop linked from each of three tables")
            facts = look(driver, os.path.join(shop_pages, "sklep-north.html"), "shop-north",
                         artefacts, 2)
            todays = [cells for caption, cells in facts["foot"] if caption.startswith("Dziś")]
            check(todays and todays[0][1] == league_today.get("north"),
                  "shop-north: today %r is the league csv's %s" % (
                      todays[0][1:] if todays else None, league_today.get("north")))
        finally:
            driver.quit()
    finally:
        shutil.rmtree(root, ignore_errors=True)
    print("%d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
