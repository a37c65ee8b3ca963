#!/bin/sh
# What an administrator installs beside ravelin-who, tried with the real
# programs (systemd-analyze, promtool, Debian's node exporter on loopback);
# and --version of the tools.   monitoring_test.sh BUILD_DIR TESTDATA_DIR
set -u
build=$1
data=$2
work=$(mktemp -d)
exporter=
trap '[ -n "$exporter" ] && kill "$exporter"; rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }
for tool in systemd-analyze promtool prometheus-node-exporter python3 visudo; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (./dev installs it)"; exit 1; }
done

for t in ravelin-who ravelin-jet ravelin-jetclient; do
    "$build/$t" --version | grep -qx "$t [0-9.]*" || fail "$t --version"
done
prefix=$work/prefix
cmake --install "$build/jet/tools" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
mkdir -p "$prefix/bin" && cp "$build/ravelin-who" "$prefix/bin/"
units=$prefix/lib/systemd/system
monitoring=$prefix/share/ravelin/monitoring
grep -q "^ExecStart=$prefix/bin/ravelin-who --prometheus " "$units/ravelin-who.service" ||
    fail "the service does not start the installed ravelin-who"
systemd-analyze verify --man=no "$units/ravelin-who.service" "$units/ravelin-who.timer" || fail "systemd-analyze verify"
promtool check rules "$monitoring/ravelin-who-rules.yml" >/dev/null || fail "promtool check rules"
promtool test rules "$(dirname "$0")/ravelin-who-rules.test.yml" >/dev/null || fail "promtool test rules"
visudo -cqf "$monitoring/ravelin-who-sudoers" || fail "visudo: the sudoers drop-in"
grep -q "command = \[ \"$prefix/bin/ravelin-who\", \"--check\" \]" "$monitoring/ravelin-who-icinga2.conf" ||
    fail "the Icinga 2 command does not run the installed ravelin-who"

share=$work/share  # one of its databases has a name that is not UTF-8
mkdir -p "$share" "$work/textfile"
cp "$data/access/testV2000.mdb" "$share/sales.mdb"
: >"$share/sales.ldb"
odd=$(printf 'odd\377\033')
cp "$data/access/testV2000.mdb" "$share/$odd.mdb"
: >"$share/$odd.ldb"

line=$(sed -n 's/^ *command_line *//p' "$monitoring/ravelin-who-nagios.cfg")
verdict=$(sh -c "$(printf '%s' "$line" | sed "s|\\\$ARG1\\\$|--samba off --scan $share|")")
perf="'users_$share/odd\\xFF\\x1B.mdb'=0;;;0;255 'users_$share/sales.mdb'=0;;;0;255"
[ "$verdict" = "RAVELIN-WHO OK - 0 users connected, 0 suspect | users=0;;;0 suspect=0 $perf" ] ||
    fail "Nagios command said: $verdict"

# A metrics file that can't be written is a failure of the service.
"$prefix/bin/ravelin-who" --samba off --prometheus "$work/nonesuch/ravelin.prom" --scan "$share" 2>/dev/null
code=$?
[ $code -eq 4 ] || fail "metrics not written: exit code $code"
grep -q "^SuccessExitStatus=.*\b$code\b" "$units/ravelin-who.service" && fail "the service takes exit code $code for success"

prom=$work/textfile/ravelin.prom
"$prefix/bin/ravelin-who" --samba off --prometheus "$prom" --scan "$share" --scan "$work/nonesuch" "$work/gone.mdb" 2>/dev/null
promtool check metrics <"$prom" || fail "promtool check metrics"

# The dashboard loads as JSON, and every query is valid PromQL over metrics
# ravelin-who writes (all of them written here: --require-mount of a folder
# that is no mount point) or the age of its file.
all=$work/all.prom
"$prefix/bin/ravelin-who" --samba off --prometheus "$all" --scan "$share" --require-mount "$share" 2>/dev/null
python3 - "$monitoring/ravelin-who-grafana.json" "$all" "$work/queries.yml" <<'PY' || fail "the Grafana dashboard"
import json, re, sys
dashboard = json.load(open(sys.argv[1]))
written = set(re.findall(r"^# TYPE (\w+) ", open(sys.argv[2]).read(), re.M))
queries = [t["expr"] for p in dashboard["panels"] for t in p["targets"]]
assert len(queries) >= 4, queries
for q in queries:
    named = set(re.findall(r"\b(ravelin_\w+|node_textfile_mtime_seconds)\b", q))
    assert named and named <= written | {"node_textfile_mtime_seconds"}, (q, written)
with open(sys.argv[3], "w") as rules:  # promtool checks rules' expressions as PromQL
    rules.write("groups:\n- name: dashboard\n  rules:\n")
    for i, q in enumerate(queries):
        rules.write("  - record: dashboard:q%d\n    expr: %s\n" % (i, json.dumps(q)))
PY
promtool check rules "$work/queries.yml" >/dev/null || fail "the Grafana dashboard's queries are not PromQL"

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
prometheus-node-exporter --web.listen-address="127.0.0.1:$port" --collector.disable-defaults \
    --collector.textfile --collector.textfile.directory="$work/textfile" >"$work/exporter.log" 2>&1 &
exporter=$!
metrics=$(python3 - "$port" <<'PY'
import sys, time, urllib.request
for _ in range(100):
    try:
        print(urllib.request.urlopen("http://127.0.0.1:%s/metrics" % sys.argv[1], timeout=5).read().decode())
        break
    except OSError:
        time.sleep(0.1)
PY
)
for series in 'node_textfile_scrape_error 0' "ravelin_users{database=\"$share/sales.mdb\",state=\"suspect\"} 0" \
              "ravelin_readable{database=\"$share/odd\\\\xFF\\\\x1B.mdb\"} 1" \
              "ravelin_readable{database=\"$work/gone.mdb\"} 0" "ravelin_scan_readable{root=\"$work/nonesuch\"} 0"; do
    printf '%s\n' "$metrics" | grep -qxF "$series" || fail "the node exporter does not show: $series"
done
[ $failed -eq 0 ] || cat "$work/exporter.log"
exit $failed
