#!/usr/bin/env python3
"""The metrics as a monitoring system sees them.

Starts node_exporter (textfile collector only) and a Prometheus server that
scrapes it every second, both on loopback ports of their own with temporary
directories; runs two real-time hostsim servers with different ports whose
metrics directories are links to the collector's directory; then asks Prometheus'
HTTP API for the frame rate, for a histogram_quantile(0.99, ...) that must
agree with the p99 zeq_kestrin_stats printed, for node_exporter's textfile
scrape error, and runs every expression of the shipped dashboard.  Both
daemons are stopped whatever happens (and die with this process if it is
killed).

usage: end_to_end.py --hostsim PATH --plugin PATH --stub PATH --source DIR --work DIR
"""
import argparse
import ctypes
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import time
import urllib.error
import urllib.parse
import urllib.request

PORTS = (27015, 27016)
BUCKETS = [0.00025, 0.0005, 0.001, 0.0015, 0.002, 0.003, 0.005, 0.01, 0.02, 0.05, 0.1, float("inf")]


def die_with_parent():
    # The daemons get SIGTERM when this process ends, even by SIGKILL.
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def get(url, timeout=5):
    with urllib.request.urlopen(url, timeout=timeout) as response:
        return response.read().decode()


def wait_ready(url, what, process, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if process.poll() is not None:
            raise RuntimeError(f"{what} ended with code {process.returncode}")
        try:
            get(url, timeout=1)
            return
        except OSError:
            time.sleep(0.2)
    raise RuntimeError(f"{what} is not ready after {seconds} s")


class Prometheus:
    def __init__(self, port):
        self.base = f"http://127.0.0.1:{port}/api/v1/"

    def query(self, expression):
        url = self.base + "query?" + urllib.parse.urlencode({"query": expression})
        try:
            reply = json.loads(get(url))
        except urllib.error.HTTPError as error:
            reply = json.loads(error.read().decode())
        if reply.get("status") != "success":
            raise AssertionError(f"query failed: {expression}: {reply.get('error')}")
        return reply["data"]["result"]

    def value(self, expression):
        result = self.query(expression)
        if len(result) != 1:
            raise AssertionError(f"{expression}: {len(result)} series, expected 1")
        return float(result[0]["value"][1])


def bucket_of(seconds):
    lower = 0.0
    for upper in BUCKETS:
        if seconds <= upper:
            return lower, upper
        lower = upper
    return lower, float("inf")


def stats_p99_us(output):
    # "  interval p99 (us)   <last 4 s>   <since map start>"
    match = re.search(r"^\s*interval p99 \(us\)\s+(\d+)\s+(\d+)\s*$", output, re.M)
    if not match:
        raise AssertionError("zeq_kestrin_stats printed no p99:\n" + output)
    return int(match.group(2))


def dashboard_expressions(path):
    with open(path, encoding="utf-8") as file:
        dashboard = json.load(file)
    expressions = []
    for panel in dashboard["panels"]:
        for target in panel.get("targets", []):
            expressions.append((panel["title"], target["expr"]))
    for variable in dashboard["templating"]["list"]:
        query = variable.get("query")
        if isinstance(query, dict):
            match = re.fullmatch(r"label_values\((.*), \w+\)", query["query"])
            expressions.append(("variable " + variable["name"], match.group(1)))
    return expressions


def main():
    parser = argparse.ArgumentParser()
    for option in ("--hostsim", "--plugin", "--stub", "--source", "--work"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()

    work = os.path.abspath(args.work)
    shutil.rmtree(work, ignore_errors=True)
    textfile = os.path.join(work, "textfile")
    os.makedirs(textfile)
    os.makedirs(os.path.join(work, "prometheus-data"))
    exporter_port, prometheus_port = free_port(), free_port()
    config = os.path.join(work, "prometheus.yml")
    with open(config, "w", encoding="utf-8") as file:
        rules = os.path.join(os.path.abspath(args.source), "packaging", "prometheus", "zeq_kestrin_rules.yml")
        file.write("global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\n"
                   f"rule_files:\n  - {rules}\n"
                   "scrape_configs:\n  - job_name: node\n"
                   f"    static_configs:\n      - targets: ['127.0.0.1:{exporter_port}']\n")

    daemons = []
    sessions = []
    try:
        exporter_log = open(os.path.join(work, "node_exporter.log"), "w")
        daemons.append(subprocess.Popen(
            ["prometheus-node-exporter", "--collector.disable-defaults", "--collector.textfile",
             f"--collector.textfile.directory={textfile}", f"--web.listen-address=127.0.0.1:{exporter_port}"],
            stdout=exporter_log, stderr=subprocess.STDOUT, preexec_fn=die_with_parent))
        prometheus_log = open(os.path.join(work, "prometheus.log"), "w")
        daemons.append(subprocess.Popen(
            ["prometheus", f"--config.file={config}", f"--storage.tsdb.path={work}/prometheus-data",
             f"--web.listen-address=127.0.0.1:{prometheus_port}"],
            stdout=prometheus_log, stderr=subprocess.STDOUT, preexec_fn=die_with_parent))
        wait_ready(f"http://127.0.0.1:{exporter_port}/metrics", "node_exporter", daemons[0])
        wait_ready(f"http://127.0.0.1:{prometheus_port}/-/ready", "prometheus", daemons[1])
        prometheus = Prometheus(prometheus_port)

        # Two real-time servers on one directory: 100 frames a second with
        # jitter and a 30 ms frame every 50, so that p99 lies in a wide bucket.
        for port in PORTS:
            root = os.path.join(work, f"server_{port}")
            # The operator's way to the collector's directory: the metrics
            # directory is a link to it (the console may not name it).
            os.makedirs(os.path.join(root, "cstrike", "addons", "zeq_kestrin"))
            os.symlink(textfile, os.path.join(root, "cstrike", "addons", "zeq_kestrin", "metrics"))
            # The second server's map name holds bytes that are not UTF-8 as
            # Prometheus reads it (a surrogate, an overlong form), as old
            # single-byte code pages make: its file must still parse.
            map_name = b"de_dust2" if port == PORTS[0] else b"de_\xed\xa0\x80\xe0\x80\xafdust"
            lines = [b"map " + map_name, "zeq_kestrin_metrics 1", "wait 13",
                     "zeq_kestrin_stats", "quit"]
            # Started with the frame profile, with one human player.
            lines[2:2] = ["zeq_kestrin_profile 1", "connect alice", "ping 1 45 2"]
            sessions.append(subprocess.Popen(
                [args.hostsim, "--plugin", args.plugin, "--root", root, "--stub-game", args.stub, "--realtime",
                 "--port", str(port), "--jitter-us", "300", "--long-frame-every", "50", "--long-frame-ms", "30",
                 "--launch-option", "-zeq_kestrin_profile"]
                + lines, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace"))
        outputs = [session.communicate(timeout=60)[0] for session in sessions]
        for port, session, output in zip(PORTS, sessions, outputs):
            if session.returncode != 0 or "Could not write the metrics file" in output:
                raise AssertionError(f"server {port} failed ({session.returncode}):\n{output}")
        files = sorted(name for name in os.listdir(textfile))
        if files != [f"zeq_kestrin_{port}.prom" for port in PORTS]:
            raise AssertionError(f"the directory holds {files}")

        # Wait for a scrape of the final files: the counts equal the files'.
        counts = {}
        file_fps = {}
        for port in PORTS:
            with open(os.path.join(textfile, f"zeq_kestrin_{port}.prom"), encoding="utf-8", errors="replace") as file:
                text = file.read()
            counts[port] = float(re.search(r"^zeq_kestrin_frame_interval_seconds_count\{.*\} (\S+)$",
                                           text, re.M).group(1))
            file_fps[port] = float(re.search(r"^zeq_kestrin_frames_per_second\{.*\} (\S+)$", text, re.M).group(1))
        deadline = time.monotonic() + 20
        while True:
            seen = {int(r["metric"]["port"]): float(r["value"][1])
                    for r in prometheus.query("zeq_kestrin_frame_interval_seconds_count")}
            if seen == counts:
                break
            if time.monotonic() > deadline:
                raise AssertionError(f"Prometheus holds the counts {seen}, the files {counts}")
            time.sleep(0.5)

        if prometheus.value("node_textfile_scrape_error") != 0:
            raise AssertionError("node_exporter reports a textfile scrape error")
        for port, output in zip(PORTS, outputs):
            labels = f'port="{port}",game="cstrike"'
            fps = prometheus.value(f"zeq_kestrin_frames_per_second{{{labels}}}")
            # What the server wrote, through node_exporter and Prometheus (a
            # loaded machine makes fewer than the 100 asked, and the automatic
            # control may overshoot them a little: the figure is the file's,
            # whatever it is).
            if fps != file_fps[port] or not 0 < fps <= 110:
                raise AssertionError(f"server {port}: Prometheus holds {fps} frames a second, the file {file_fps[port]}")
            p99 = stats_p99_us(output) / 1e6
            quantile = prometheus.value(
                f"histogram_quantile(0.99, zeq_kestrin_frame_interval_seconds_bucket{{{labels}}})")
            lower, upper = bucket_of(p99)
            # The printed p99 is whole milliseconds: at a bucket's edge the
            # interval behind it may lie in the bucket above.
            if abs(p99 - upper) < 1e-3:
                upper = bucket_of(upper * 1.001)[1]
            print(f"server {port}: {fps:g} fps; p99 printed {p99 * 1e3:g} ms, histogram_quantile "
                  f"{quantile * 1e3:g} ms, bucket ({lower * 1e3:g}, {upper * 1e3:g}] ms")
            if not lower <= quantile <= upper:
                raise AssertionError(f"server {port}: quantile {quantile} outside the bucket of {p99}")
        # The slow frames (the 30 ms frames) as the files counted them.
        for port in PORTS:
            with open(os.path.join(textfile, f"zeq_kestrin_{port}.prom"), encoding="utf-8") as file:
                slow = float(re.search(r"^zeq_kestrin_slow_frames_total\{.*\} (\S+)$", file.read(), re.M).group(1))
            seen = prometheus.value(f'zeq_kestrin_slow_frames_total{{port="{port}"}}')
            print(f"server {port}: {seen:g} slow frames")
            if seen != slow or slow < 1:
                raise AssertionError(f"server {port}: Prometheus holds {seen} slow frames, the file {slow}")
        fleet = prometheus.value("histogram_quantile(0.99, sum by (le) (zeq_kestrin_frame_interval_seconds_bucket))")
        print(f"fleet p99 {fleet * 1e3:g} ms")

        # A file the exporter cannot parse: its series are dropped, and the
        # shipped alerts see both the scrape error and the vanished server.
        with open(os.path.join(textfile, f"zeq_kestrin_{PORTS[1]}.prom"), "w", encoding="utf-8") as file:
            file.write("zeq_kestrin_players{port=\"27016\" 1\n")
        expected = {("ZeqKestrinTextfileUnreadable", None), ("ZeqKestrinServerVanished", str(PORTS[1]))}
        deadline = time.monotonic() + 20
        while True:
            alerts = {(r["metric"]["alertname"], r["metric"].get("port"))
                      for r in prometheus.query('ALERTS{alertname=~"ZeqKestrin.*"}')}
            if expected <= alerts:
                break
            if time.monotonic() > deadline:
                raise AssertionError(f"alerts pending or firing: {alerts}, expected {expected}")
            time.sleep(0.5)
        print(f"an unreadable file raises {sorted(a for a, _ in expected)}")

        # Every expression of the dashboard, with its variables filled in.
        dashboard = os.path.join(args.source, "packaging", "grafana", "zeq_kestrin_dashboard.json")
        empty = []
        for title, expression in dashboard_expressions(dashboard):
            concrete = (expression.replace("$__rate_interval", "10s").replace('"$instance"', '".*"')
                        .replace('port=~"$port"', 'port=~".*"').replace('"$port"', f'"{PORTS[0]}"'))
            if "$" in concrete:
                raise AssertionError(f"{title}: an unknown variable in {expression}")
            if not prometheus.query(concrete):
                empty.append(expression)
        print(f"dashboard: every expression runs; without data here: {empty or 'none'}")
        # The machine's load is there only while the load monitor samples it.
        missing = [e for e in empty if "zeq_kestrin_machine_cpu_load_ratio" not in e]
        if missing:
            raise AssertionError(f"dashboard expressions without data: {missing}")
        return 0
    finally:
        for session in sessions:
            if session.poll() is None:
                session.kill()
                session.wait()
        for daemon in daemons:
            daemon.terminate()
        for daemon in daemons:
            try:
                daemon.wait(timeout=10)
            except subprocess.TimeoutExpired:
                daemon.kill()
                daemon.wait()


if __name__ == "__main__":
    # A test runner's SIGTERM ends the run through the daemons' cleanup.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    try:
        sys.exit(main())
    except (AssertionError, RuntimeError) as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        sys.exit(1)
