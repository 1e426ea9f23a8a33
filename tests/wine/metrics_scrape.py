#!/usr/bin/python3
"""The service's metrics file read by real collectors.

  metrics_scrape.py SIM_DIR FOLDER

Points the installed TempService (on the demo machine in SIM_DIR) at FOLDER
with a short interval and restarts it; checks the file it writes with
`promtool check metrics`; serves it with prometheus-node-exporter's textfile
collector and scrapes that with a Prometheus server, both on free loopback
ports; asks Prometheus for every drive's temperature and health through its
HTTP API and compares them with the demo machine and with
`ArdmonProbe --json`; heats a drive and waits for the next scan to reach
Prometheus. Every process it starts is ended by its id; the
configuration is removed again.
"""

import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE_TOOLS = os.path.join(REPO, "tools", "wine")
KEY = r"HKLM\SOFTWARE\Halvane\Quenby\Metrics"
INTERVAL_SECONDS = 10
HEALTH = {"unknown": 0, "good": 1, "caution": 2, "bad": 3}
# The demo machine (disklib/sim/demo.json): drive 0 an IDE disk at 38
# degrees, drive 5 the NVMe system drive at 43, both good.
DEMO = {"0": (38, 1), "5": (43, 1)}
HOT = 61


def wine(*args):
    return subprocess.run([os.path.join(WINE_TOOLS, "run"), *args], stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, check=True).stdout


def service(command):
    subprocess.run([os.path.join(WINE_TOOLS, "service"), command, "TempService"], check=True,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(what, check, seconds):
    deadline = time.monotonic() + seconds
    while True:
        result = check()
        if result:
            return result
        if time.monotonic() > deadline:
            sys.exit("timed out waiting for " + what)
        time.sleep(0.2)


def query(port, promql):
    url = "http://127.0.0.1:%d/api/v1/query?%s" % (port, urllib.parse.urlencode({"query": promql}))
    try:
        with urllib.request.urlopen(url, timeout=5) as answer:
            body = json.load(answer)
    except OSError:
        return {}
    return {r["metric"].get("drive", ""): float(r["value"][1]) for r in body["data"]["result"]}


def check(condition, message):
    if not condition:
        sys.exit("FAILED: " + message)


def main():
    sim_dir, folder = sys.argv[1], sys.argv[2]
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    work = tempfile.mkdtemp(prefix="ardmon-scrape.")
    fixture = os.path.join(sim_dir, "ArdmonSim.json")
    with open(fixture, "rb") as f:
        original = f.read()
    processes = []
    try:
        wine("reg", "add", KEY, "/v", "Folder", "/t", "REG_SZ", "/d", "Z:" + folder, "/f")
        wine("reg", "add", KEY, "/v", "IntervalSeconds", "/t", "REG_DWORD", "/d",
             str(INTERVAL_SECONDS), "/f")
        started = time.monotonic()
        service("stop")
        service("start")
        metrics = os.path.join(folder, "quenby.prom")
        wait_for("quenby.prom", lambda: os.path.exists(metrics), INTERVAL_SECONDS + 5)
        print("quenby.prom %.1f s after the restart began" % (time.monotonic() - started))

        lint = subprocess.run(["promtool", "check", "metrics"], stdin=open(metrics, "rb"),
                              capture_output=True, text=True)
        check(lint.returncode == 0 and not (lint.stdout + lint.stderr).strip(),
              "promtool check metrics: " + lint.stdout + lint.stderr)

        exporter_port, prometheus_port = free_port(), free_port()
        log = open(os.path.join(work, "collectors.log"), "w")
        processes.append(subprocess.Popen(
            ["prometheus-node-exporter", "--web.listen-address=127.0.0.1:%d" % exporter_port,
             "--collector.disable-defaults", "--collector.textfile",
             "--collector.textfile.directory=" + folder],
            stdin=subprocess.DEVNULL, stdout=log, stderr=log))
        config = os.path.join(work, "prometheus.yml")
        with open(config, "w") as f:
            f.write("global: {scrape_interval: 1s, evaluation_interval: 1s}\n"
                    "scrape_configs:\n"
                    "  - job_name: quenby\n"
                    "    static_configs: [{targets: ['127.0.0.1:%d']}]\n" % exporter_port)
        processes.append(subprocess.Popen(
            ["prometheus", "--config.file=" + config,
             "--storage.tsdb.path=" + os.path.join(work, "data"),
             "--web.listen-address=127.0.0.1:%d" % prometheus_port],
            stdin=subprocess.DEVNULL, stdout=log, stderr=log))

        temperatures = wait_for("Prometheus to scrape the drives",
                                lambda: query(prometheus_port, "quenby_drive_temperature_celsius"),
                                30)
        health = query(prometheus_port, "quenby_drive_health")
        errors = query(prometheus_port, "node_textfile_scrape_error")
        check(errors == {"": 0.0}, "the textfile collector reports an error: %s" % errors)
        for drive, (celsius, status) in DEMO.items():
            check(temperatures.get(drive) == celsius and health.get(drive) == status,
                  "drive %s: %s degrees, health %s" % (drive, temperatures.get(drive),
                                                       health.get(drive)))

        usage = wine(os.path.join(sim_dir, "ArdmonProbe.exe"), "--help")
        check("--json" in usage and "(none)" in usage, "--help lists both outputs: " + usage)
        probe = json.loads(wine(os.path.join(sim_dir, "ArdmonProbe.exe"), "--json"))
        drives = {str(d["number"]): d for d in probe["drives"]}
        check(set(drives) == set(health), "probe %s, metrics %s" % (sorted(drives), sorted(health)))
        for number, drive in drives.items():
            check(temperatures.get(number) == drive["temperatureC"] and
                  health[number] == HEALTH[drive["health"]],
                  "drive %s: the probe and the metrics disagree" % number)
        print("Prometheus and ArdmonProbe --json agree on %d drives" % len(drives))

        # The file is written anew every interval: the NVMe drive heats up.
        machine = json.loads(original)
        next(d for d in machine["disks"] if d["number"] == 5)["nvme"]["temperature"] = HOT
        with open(fixture, "w") as f:
            json.dump(machine, f)
        hot = 'quenby_drive_temperature_celsius{drive="5"}'
        wait_for("the next scan in Prometheus", lambda: query(prometheus_port, hot).get("5") == HOT,
                 INTERVAL_SECONDS + 5)
        print("the next scan reached Prometheus")
    finally:
        with open(fixture, "wb") as f:
            f.write(original)
        for process in processes:
            process.terminate()
            process.wait(10)
        subprocess.run([os.path.join(WINE_TOOLS, "run"), "reg", "delete", KEY, "/f"],
                       stdin=subprocess.DEVNULL, capture_output=True)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
