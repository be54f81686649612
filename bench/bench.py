#!/usr/bin/env python3
"""The export benchmark: synthetic shops of several sizes, one menu export over all their
days through warnik, and the baseline program doing the same work directly, in the same run.

Called by bench/run.sh, which builds first; see bench/README.md.
"""
import argparse
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

TODAY = "31.03.26"          # gen-shop's last day and the host's date
NOW = "12:00:00"            # the host's clock: the report's name and creation stamp
FIRST, LAST = "01.03.26", "31.03.26"   # the 30 days gen-shop fills, and a day before them
SEED = 7                    # gen-shop's seed
HOST_SEED = 1               # the host's randomness (the mail boundary)
# Set for both programs by --huge-pages: glibc's allocator then asks the kernel for
# transparent huge pages, so gigabytes of records fault in 2 MiB at a time, not 4 KiB.
MEMORY_ENV = {}


def fail(reason):
    print(f"bench: {reason}", file=sys.stderr)
    sys.exit(1)


def run(cmd, cwd=None, env=None):
    """Runs cmd under /usr/bin/time; gives (wall seconds, peak resident kB, stdout)."""
    timing = Path(cwd or ".") / ".time"
    full = ["/usr/bin/time", "-o", str(timing), "-f", "%e %M"] + [str(c) for c in cmd]
    started = time.monotonic()
    done = subprocess.run(full, cwd=cwd, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          text=True)
    wall = time.monotonic() - started
    if done.returncode != 0:
        fail(f"{' '.join(map(str, cmd))} failed ({done.returncode}):\n{done.stdout}{done.stderr}")
    peak_kb = int(timing.read_text().split()[-1])
    timing.unlink()
    return wall, peak_kb, done.stdout


def make_shop(warnik, data, receipts):
    """A cached gen-shop folder: made again when the generator or the request changes."""
    folder = data / f"shop-{receipts}"
    gen_source = Path(__file__).resolve().parent.parent / "tools" / "gen_shop.cpp"
    stamp = hashlib.sha1(gen_source.read_bytes()).hexdigest() + f" {receipts} {SEED} {TODAY}"
    stamp_file = folder / "stamp"
    if stamp_file.exists() and stamp_file.read_text() == stamp:
        return folder
    shutil.rmtree(folder, ignore_errors=True)
    args = [warnik, "--today", TODAY, "gen-shop", folder, "--receipts", receipts, "--seed", SEED]
    run(args)
    stamp_file.write_text(stamp)
    return folder


def journal_phases(path):
    events = [json.loads(line) for line in path.read_text(encoding="utf-8").splitlines() if line]

    def first(pred, what):
        for i, event in enumerate(events):
            if pred(event):
                return i
        fail(f"the journal {path} has no {what}")

    shop = first(lambda e: e["event"] == "shop", "shop reading")
    report = first(lambda e: e["event"] == "file-open" and e["path"].startswith("RAP_KART"),
                   "report file")
    message = first(lambda e: e["event"] == "file-open" and e["path"] == "message.eml",
                    "message file")
    mail = first(lambda e: e["event"] == "mail", "mail hand-over")
    if not events[mail].get("delivered"):
        fail(f"the mail was not delivered: {events[mail].get('reason')}")

    def peak(begin, end):  # the highest mark between events begin and end
        return max(e.get("peak_kb", 0) for e in events[begin + 1:end + 1])

    t = [e["t"] for e in events]
    return {
        "load_s": t[shop] - (t[shop - 1] if shop > 0 else 0.0),
        "report_s": t[message] - t[report],
        "message_s": t[mail] - t[message],
        "export_s": t[mail] - t[report],
        "report_path": events[report]["path"].replace("\\", "/"),
        "rss_before_kb": events[report].get("rss_kb", 0),
        "report_peak_kb": peak(report, message),
        "message_peak_kb": peak(message, mail),
        "outbox": events[mail].get("outboxFile"),
    }


def without_creation_stamp(data):
    return re.sub(rb"<FileCreationDate>[^<]*</FileCreationDate>", b"", data)


def attachment_body(message):
    """The Base64 lines of message.eml's attachment part."""
    try:
        head = message.index(b"Content-Transfer-Encoding: base64\n")
        start = message.index(b"\n\n", head) + 2
        end = message.index(b"\n--", start) + 1
    except ValueError:
        fail("message.eml has no complete attachment part (see the alerts in journal.jsonl)")
    return message[start:end]


def sqlite_figures(shop):
    """What `sqlite3 :memory:` takes to import the shop and build the same transactions."""
    script = Path(__file__).resolve().parent / "sqlite_memory.sh"
    done = subprocess.run(["bash", str(script), str(shop)], stdout=subprocess.PIPE, text=True, check=True)
    return json.loads(done.stdout)


def one_size(build, data, receipts):
    warnik = build / "tools" / "warnik"
    plugin = build / "kronilog.so"
    baseline = build / "bench" / "bench_baseline"
    root = Path(__file__).resolve().parent.parent
    shop = make_shop(warnik, data, receipts)

    work = data / f"run-{receipts}"
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    shutil.copy(root / "examples" / "Kronilog.ini", work / "Kronilog.ini")
    env = dict(os.environ, WARNIK_JOURNAL_PROBE="1", **MEMORY_ENV)
    wall, peak_kb, _ = run([warnik, "--plugin", plugin, "--shop", shop, "--today", TODAY,
                            "--now", NOW, "--seed", HOST_SEED, "--no-wait", "--quiet",
                            "--journal", "journal.jsonl", "menu-export", FIRST, LAST],
                           cwd=work, env=env)
    ours = journal_phases(work / "journal.jsonl")
    report = work / ours["report_path"]
    message = work / "message.eml"
    temporary = next(work.glob("tempatach*.txt"))

    base = work / "baseline"
    base.mkdir()
    base_wall, base_peak_kb, out = run([baseline, "--shop", shop, "--settings",
                                        work / "Kronilog.ini", "--from", FIRST, "--to", LAST,
                                        "--today", TODAY, "--now", NOW,
                                        "--report", base / "report.xml",
                                        "--base64", base / "report.b64"], cwd=base,
                                       env=dict(os.environ, **MEMORY_ENV))
    limit = json.loads(out)

    # The same bytes: the report (apart from its creation stamp), and the attachment as
    # `base64 -w 72` encodes the report.
    our_report = report.read_bytes()
    base_report = (base / "report.xml").read_bytes()
    if without_creation_stamp(our_report) != without_creation_stamp(base_report):
        fail(f"the report {report} and the baseline's {base / 'report.xml'} differ")
    system_b64 = subprocess.run(["base64", "-w", "72", report], stdout=subprocess.PIPE,
                                check=True).stdout
    if attachment_body(message.read_bytes()) != system_b64:
        fail(f"the attachment in {message} is not `base64 -w 72` of the report")
    if (base / "report.b64").read_bytes() != subprocess.run(
            ["base64", "-w", "72", base / "report.xml"], stdout=subprocess.PIPE,
            check=True).stdout:
        fail("the baseline's Base64 text is not `base64 -w 72` of its report")

    transactions = our_report.count(b"<Transaction>")
    written = {"report": len(our_report), "message": message.stat().st_size,
               "temporary": temporary.stat().st_size}
    if ours["outbox"]:
        written["outbox"] = (work / ours["outbox"]).stat().st_size
    base_export = limit["walk_s"] + limit["encode_s"]
    return {
        "receipts": receipts,
        "receipts_loaded": limit["receipts"],
        "lines_loaded": limit["lines"],
        "transactions": transactions,
        "load_s": ours["load_s"],
        "report_s": ours["report_s"],
        "message_s": ours["message_s"],
        "export_s": ours["export_s"],
        "process_s": wall,
        "baseline_load_s": limit["load_s"],
        "baseline_walk_s": limit["walk_s"],
        "baseline_encode_s": limit["encode_s"],
        "baseline_process_s": base_wall,
        "ratio_report": ours["report_s"] / limit["walk_s"],
        "ratio_message": ours["message_s"] / limit["encode_s"],
        "ratio_export": ours["export_s"] / base_export,
        "receipts_per_s": limit["receipts"] / ours["report_s"],
        "us_per_receipt": 1e6 * ours["export_s"] / limit["receipts"],
        "baseline_us_per_receipt": 1e6 * base_export / limit["receipts"],
        "peak_kb": peak_kb,
        "baseline_peak_kb": base_peak_kb,
        "tables_kb": ours["rss_before_kb"],
        "report_work_kb": max(0, ours["report_peak_kb"] - ours["rss_before_kb"]),
        "attachment_work_kb": max(0, ours["message_peak_kb"] - ours["rss_before_kb"]),
        "bytes_written": written,
    }


def show(results):
    def mib(kb):
        return f"{kb / 1024:.1f}"

    rows = [
        ("receipts in the shop", lambda r: f"{r['receipts']}"),
        ("receipts read (registers 1-4)", lambda r: f"{r['receipts_loaded']}"),
        ("lines read", lambda r: f"{r['lines_loaded']}"),
        ("card transactions", lambda r: f"{r['transactions']}"),
        ("shop reading (s)", lambda r: f"{r['load_s']:.3f}"),
        ("report file writer (s)", lambda r: f"{r['report_s']:.3f}"),
        ("  baseline walk + write (s)", lambda r: f"{r['baseline_walk_s']:.3f}"),
        ("  ratio", lambda r: f"{r['ratio_report']:.2f}x"),
        ("message (s)", lambda r: f"{r['message_s']:.3f}"),
        ("  baseline base64 -w 72 (s)", lambda r: f"{r['baseline_encode_s']:.3f}"),
        ("  ratio", lambda r: f"{r['ratio_message']:.2f}x"),
        ("export: report + message (s)", lambda r: f"{r['export_s']:.3f}"),
        ("  ratio to baseline", lambda r: f"{r['ratio_export']:.2f}x"),
        ("  runs: fastest-slowest (s)",
         lambda r: f"{min(r['export_s_runs']):.3f}-{max(r['export_s_runs']):.3f}"),
        ("whole warnik session (s)", lambda r: f"{r['process_s']:.2f}"),
        ("  whole baseline process (s)", lambda r: f"{r['baseline_process_s']:.2f}"),
        ("receipts/s (report writer)", lambda r: f"{r['receipts_per_s']:,.0f}"),
        ("export us/receipt", lambda r: f"{r['us_per_receipt']:.2f}"),
        ("  baseline us/receipt", lambda r: f"{r['baseline_us_per_receipt']:.2f}"),
        ("peak RSS (MiB)", lambda r: mib(r["peak_kb"])),
        ("  baseline peak RSS (MiB)", lambda r: mib(r["baseline_peak_kb"])),
        ("  tables loaded (MiB)", lambda r: mib(r["tables_kb"])),
        ("  report writer's own (MiB)", lambda r: mib(r["report_work_kb"])),
        ("  attachment step's own (MiB)", lambda r: mib(r["attachment_work_kb"])),
        ("  ... as x report size", lambda r: f"{r['attachment_work_kb'] * 1024 / max(1, r['bytes_written']['report']):.2f}"),
        ("sqlite3 :memory: peak RSS (MiB)", lambda r: mib(r["sqlite"]["peak_kb"])),
        ("  its import + transactions (s)", lambda r: f"{r['sqlite']['seconds']:.2f}"),
        ("  its transactions", lambda r: f"{r['sqlite']['transactions']}"),
        ("tables loaded / sqlite (<= 1)", lambda r: f"{r['tables_kb'] / r['sqlite']['peak_kb']:.2f}"),
        ("peak RSS / sqlite (<= 2)", lambda r: f"{r['peak_kb'] / r['sqlite']['peak_kb']:.2f}"),
        ("session / export (<= 2 at 1M)", lambda r: f"{r['process_s'] / r['export_s']:.2f}"),
        ("bytes written: report", lambda r: f"{r['bytes_written']['report']:,}"),
        ("  message.eml", lambda r: f"{r['bytes_written']['message']:,}"),
        ("  temporary Base64 file", lambda r: f"{r['bytes_written']['temporary']:,}"),
        ("  outbox copy", lambda r: f"{r['bytes_written'].get('outbox', 0):,}"),
    ]
    width = max(len(name) for name, _ in rows)
    print(f"{'':{width}}  " + "  ".join(f"{r['receipts']:>12}" for r in results))
    for name, cell in rows[1:]:
        print(f"{name:{width}}  " + "  ".join(f"{cell(r):>12}" for r in results))
    if len(results) > 1:
        first, last = results[0], results[-1]
        drift = last["us_per_receipt"] / first["us_per_receipt"] - 1
        base_drift = last["baseline_us_per_receipt"] / first["baseline_us_per_receipt"] - 1
        print(f"time per receipt from {first['receipts']} to {last['receipts']}: {drift:+.0%} "
              f"(the baseline's, in the same runs: {base_drift:+.0%})")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", required=True, type=Path)
    parser.add_argument("--data", required=True, type=Path)
    parser.add_argument("--sizes", default="10000,200000,1000000")
    parser.add_argument("--json", type=Path, help="also write the figures here")
    parser.add_argument("--repeat", type=int, default=0,
                        help="runs a size (default: 11 up to 10000 receipts, else 5)")
    parser.add_argument("--huge-pages", action="store_true",
                        help="run both programs with glibc.malloc.hugetlb=1")
    args = parser.parse_args()
    if args.huge_pages:
        MEMORY_ENV["GLIBC_TUNABLES"] = "glibc.malloc.hugetlb=1"
        print("bench: both programs allocate with transparent huge pages (glibc.malloc.hugetlb=1)",
              file=sys.stderr)
    sizes = [int(s) for s in args.sizes.split(",") if s]
    args.data.mkdir(parents=True, exist_ok=True)
    # Small sizes take milliseconds and a busy machine shakes them, large ones meet other
    # jobs' memory traffic: the run with the median export time stands for the size. Each
    # size's runs are spread evenly over the whole benchmark, the sizes taking turns, so that
    # a slow spell of the machine falls on all of them alike rather than on one size's runs.
    repeats = {size: args.repeat if args.repeat else
               (11 if size <= 10000 else 5) for size in sizes}
    schedule = sorted(((k + 0.5) / repeats[size], order, size, k)
                      for order, size in enumerate(sizes) for k in range(repeats[size]))
    runs = {size: [] for size in sizes}
    for _, _, size, k in schedule:
        print(f"bench: {size} receipts, run {k + 1} of {repeats[size]} ...", file=sys.stderr,
              flush=True)
        runs[size].append(one_size(args.build.resolve(), args.data.resolve(), size))
    results = []
    for size in sizes:
        sqlite = sqlite_figures(make_shop(args.build.resolve() / "tools" / "warnik", args.data.resolve(), size))
        ordered = sorted(runs[size], key=lambda r: r["export_s"])
        chosen = dict(ordered[len(ordered) // 2])
        chosen["export_s_runs"] = [r["export_s"] for r in ordered]
        # The baseline's time per receipt is the median of its own runs, not the one that ran
        # beside our median run.
        base = sorted(r["baseline_us_per_receipt"] for r in runs[size])
        chosen["baseline_us_per_receipt"] = base[len(base) // 2]
        chosen["sqlite"] = sqlite
        if sqlite["transactions"] != chosen["transactions"]:
            print(f"bench: note: at {size} receipts SQLite built {sqlite['transactions']} transactions, "
                  f"the report holds {chosen['transactions']}", file=sys.stderr)
        results.append(chosen)
    show(results)
    if args.json:
        args.json.write_text(json.dumps(results, indent=1) + "\n")
    print("bench: reports identical to the baseline's, attachments identical to base64 -w 72")


if __name__ == "__main__":
    main()
