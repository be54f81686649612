#!/usr/bin/env python3
"""The release DLL's export under Wine against the native build, on the same shop, in one run.

For each shop size: one gen-shop shop; then, in turns, the same menu export (all its days,
fixed clock and seed, the sample settings) by the native warnik with the native plug-in and
by warnik.exe under Wine with the release kronilog.dll. The export is timed from the journal
as bench/bench.py times it (the report file's opening to the mail hand-over: scan, totals,
writes, attachment, message); the run with the median time stands for each side, and the
ratio is Wine's median over the native one. Both sides' reports must be the same (line ends
aside). Called by bench/wine.sh, which builds both sides first.
"""
import argparse
import json
import os
import platform
import shutil
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from bench import FIRST, HOST_SEED, LAST, NOW, TODAY, fail, journal_phases, make_shop  # noqa: E402

ROOT = Path(__file__).resolve().parent.parent
EXPORT = ["--today", TODAY, "--now", NOW, "--seed", str(HOST_SEED), "--no-wait", "--quiet",
          "--journal", "journal.jsonl", "menu-export", FIRST, LAST]


def dos(path):
    return f"Z:{path}"


def one_session(side, command, folder, env):
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    shutil.copy(ROOT / "examples" / "Kronilog.ini", folder / "Kronilog.ini")
    started = time.monotonic()
    done = subprocess.run([str(c) for c in command], cwd=folder, env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    wall = time.monotonic() - started
    if done.returncode != 0:
        fail(f"the {side} session failed ({done.returncode}):\n{done.stdout}")
    phases = journal_phases(folder / "journal.jsonl")
    phases["session_s"] = wall
    # The message's two halves: the report encoded into the temporary file (up to its second
    # opening, for reading), then the copy in lines of 72 into the message and the hand-over.
    events = [json.loads(line) for line in (folder / "journal.jsonl").read_text().splitlines()]
    opened = [e["t"] for e in events
              if e["event"] == "file-open" and e["path"].startswith(("message", "tempatach"))]
    mail = next(e["t"] for e in events if e["event"] == "mail")
    if len(opened) != 3:
        fail(f"the {side} journal does not show the message and the temporary file opened twice")
    phases["encode_s"] = opened[2] - opened[0]
    phases["copy_s"] = mail - opened[2]
    # The final notice's 3 s: warnik.exe waits them (the system's Sleep), the native warnik
    # skips them (--no-wait); the whole session is compared without them.
    last = max(i for i, e in enumerate(events) if e["event"] == "message")
    closed = next(e["t"] for e in events[last:] if e["event"] == "close-message")
    phases["session_s"] = wall - (closed - events[last]["t"])
    phases["report"] = (folder / phases["report_path"]).read_bytes().replace(b"\r\n", b"\n")
    return phases


def median(values):
    ordered = sorted(values)
    return ordered[len(ordered) // 2]


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--native", required=True, type=Path, help="the native build folder")
    parser.add_argument("--win32", required=True, type=Path, help="the Win32 release build folder")
    parser.add_argument("--data", required=True, type=Path)
    parser.add_argument("--sizes", default="10000,100000")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    native, win32, data = args.native.resolve(), args.win32.resolve(), args.data.resolve()
    data.mkdir(parents=True, exist_ok=True)
    warnik = native / "tools" / "warnik"
    prefix = data / "wine-prefix"
    wine_env = dict(os.environ, WARNIK_JOURNAL_PROBE="1", WINEPREFIX=str(prefix), WINEDEBUG="-all",
                    WINEDLLOVERRIDES="mscoree,mshtml=", DISPLAY="")
    native_env = dict(os.environ, WARNIK_JOURNAL_PROBE="1")

    load_before = os.getloadavg()
    print(f"wine_ratio: {platform.node()}, {os.cpu_count()} cores, "
          f"load {load_before[0]:.2f} {load_before[1]:.2f} {load_before[2]:.2f}", file=sys.stderr)
    prefix.mkdir(exist_ok=True)
    subprocess.run(["wineboot", "-i"], env=wine_env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    results = []
    try:
        for size in [int(s) for s in args.sizes.split(",") if s]:
            shop = make_shop(warnik, data, size)
            commands = {
                "native": [warnik, "--plugin", native / "kronilog.so", "--shop", shop, *EXPORT],
                "wine": ["wine", win32 / "warnik.exe", "--plugin", dos(win32 / "kronilog.dll"),
                         "--shop", dos(shop), *EXPORT],
            }
            envs = {"native": native_env, "wine": wine_env}
            # A first session of each, not timed: the shop's files and Wine's own in the cache.
            runs = {"native": [], "wine": []}
            for k in range(args.runs + 1):
                order = ("native", "wine") if k % 2 == 0 else ("wine", "native")
                for side in order:
                    print(f"wine_ratio: {size} receipts, {side}, run {k} of {args.runs}",
                          file=sys.stderr, flush=True)
                    run = one_session(side, commands[side], data / f"wine-ratio-{size}-{side}",
                                      envs[side])
                    if k > 0:
                        runs[side].append(run)
            if runs["native"][0]["report"] != runs["wine"][0]["report"]:
                fail(f"the native and the Wine report of {size} receipts differ")
            row = {"receipts": size,
                   "transactions": runs["native"][0]["report"].count(b"<Transaction>")}
            for side in ("native", "wine"):
                for phase in ("report_s", "message_s", "encode_s", "copy_s", "export_s", "session_s"):
                    row[f"{side}_{phase}"] = median(r[phase] for r in runs[side])
                row[f"{side}_export_runs"] = sorted(r["export_s"] for r in runs[side])
            results.append(row)
    finally:
        subprocess.run(["wineserver", "-k"], env=wine_env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
    load_after = os.getloadavg()

    def cell(row, key, fmt="{:.3f}"):
        return fmt.format(row[key])

    lines = [("receipts in the shop", lambda r: f"{r['receipts']}"),
             ("card transactions", lambda r: f"{r['transactions']}")]
    for phase, name in (("report_s", "report file writer (s)"), ("message_s", "message (s)"),
                        ("encode_s", "- encoding into the temporary file (s)"),
                        ("copy_s", "- lines of 72 into the message, hand-over (s)"),
                        ("export_s", "export: report + message (s)"),
                        ("session_s", "whole session, final notice's wait left out (s)")):
        lines += [(f"{name}, native", lambda r, p=phase: cell(r, f"native_{p}")),
                  (f"{name}, Wine", lambda r, p=phase: cell(r, f"wine_{p}")),
                  ("  ratio Wine / native",
                   lambda r, p=phase: f"{r[f'wine_{p}'] / r[f'native_{p}']:.2f}x")]
    lines += [("export runs, native (s)",
               lambda r: f"{r['native_export_runs'][0]:.3f}-{r['native_export_runs'][-1]:.3f}"),
              ("export runs, Wine (s)",
               lambda r: f"{r['wine_export_runs'][0]:.3f}-{r['wine_export_runs'][-1]:.3f}")]
    width = max(len(name) for name, _ in lines)
    for name, value in lines:
        print(f"{name:{width}}  " + "  ".join(f"{value(r):>12}" for r in results))
    print(f"medians of {args.runs} runs a side; load average before {load_before[0]:.2f}, "
          f"after {load_after[0]:.2f}; the reports of both sides are the same")


if __name__ == "__main__":
    main()
