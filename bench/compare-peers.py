#!/usr/bin/env python3
"""Runs Velmo and its peers on the benchmark file and prints the tables.

Called by bench/compare-peers.sh once the file exists and the programs are
installed. Every program writes a 16-bit TIFF; GNU time measures each run
(wall seconds, user seconds, peak resident memory). Runs alternate between
the programs, the starting program moving by one each round, and the ratio of
Velmo to a peer is taken within each round, then summarised.
"""

import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile

NEUTRAL_PP3 = "[Version]\nAppVersion=5.9\nVersion=349\n"
# Noise reduction on, everything else at the defaults.
NR_VMR = "[Settings]\nbNR=1\n"


def timed(argv, env=None, cwd=None, stdout=None):
    """(wall s, user s, peak MiB) of one run; raises when the program fails."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as t:
        cmd = ["/usr/bin/time", "-f", "%e %U %M", "-o", t.name] + argv
        out = open(stdout, "wb") if stdout else subprocess.DEVNULL
        try:
            r = subprocess.run(cmd, env=env, cwd=cwd, stdout=out, stderr=subprocess.PIPE)
        finally:
            if stdout:
                out.close()
        if r.returncode != 0:
            raise RuntimeError("%s failed (%d): %s" % (" ".join(argv), r.returncode, r.stderr.decode()[-400:]))
        wall, user, peak = t.read().split()[-3:]
        return float(wall), float(user), int(peak) / 1024.0


def run_capture(argv, env=None):
    r = subprocess.run(argv, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if r.returncode != 0:
        raise RuntimeError("%s failed: %s" % (" ".join(argv), r.stderr[-400:]))
    return r.stdout


def check_tiff16(path):
    """True when tiffinfo sees a 16-bit, 3-sample TIFF."""
    r = subprocess.run(["tiffinfo", path], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    return "Bits/Sample: 16" in r.stdout and "Samples/Pixel: 3" in r.stdout


def tiff_size(path):
    r = subprocess.run(["tiffinfo", path], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    m = re.search(r"Image Width: (\d+) Image Length: (\d+)", r.stdout)
    return (int(m.group(1)), int(m.group(2))) if m else (0, 0)


def spread(values, fmt):
    return "%s (%s–%s)" % (fmt % statistics.median(values), fmt % min(values), fmt % max(values))


def machine():
    model = "unknown CPU"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    mem = 0
    with open("/proc/meminfo") as f:
        for line in f:
            if line.startswith("MemTotal:"):
                mem = int(line.split()[1]) / 1024.0 / 1024.0
    return "%s, %d cores, %.0f GiB memory" % (model, os.cpu_count() or 0, mem)


class Program:
    def __init__(self, name, make_argv, output, env=None, stdout=False):
        self.name = name
        self.make_argv = make_argv   # output path -> argv
        self.output = output          # where the TIFF ends up
        self.env = env
        self.stdout = stdout          # the TIFF comes on standard output
        self.runs = []


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bench", required=True)
    ap.add_argument("--file", required=True)
    ap.add_argument("--compressed", help="a bzip2-compressed two-frame file to time the opening of")
    ap.add_argument("--work", required=True)
    ap.add_argument("--runs", type=int, default=5)
    a = ap.parse_args()
    runs = max(1, a.runs)
    work = os.path.abspath(a.work)
    raf = os.path.abspath(a.file)
    bench = os.path.abspath(a.bench)
    out = os.path.join(work, "out")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)

    # Fresh settings for Velmo and RawTherapee: nobody's stored defaults.
    velmo_env = dict(os.environ, XDG_CONFIG_HOME=tempfile.mkdtemp(prefix="velmo-cfg-"))
    rt_env = dict(os.environ, XDG_CONFIG_HOME=tempfile.mkdtemp(prefix="rt-cfg-"),
                  XDG_CACHE_HOME=tempfile.mkdtemp(prefix="rt-cache-"))
    pp3 = os.path.join(work, "neutral.pp3")
    with open(pp3, "w") as f:
        f.write(NEUTRAL_PP3)
    nr = os.path.join(work, "noise-reduction.VMR")
    with open(nr, "w") as f:
        f.write(NR_VMR)

    # dcraw and dcraw_emu write beside their input: each gets a directory
    # with a link to the file.
    def linked(name):
        d = os.path.join(out, name)
        os.makedirs(d, exist_ok=True)
        link = os.path.join(d, os.path.basename(raf))
        if not os.path.exists(link):
            os.symlink(raf, link)
        return link

    stem = os.path.splitext(os.path.basename(raf))[0]
    programs = []
    velmo_out = os.path.join(out, "velmo", stem + ".TIF")
    os.makedirs(os.path.dirname(velmo_out), exist_ok=True)
    velmo = Program("Velmo develop --format tiff16 --size full",
                    lambda o: [bench, "develop", raf, "-o", o, "--format", "tiff16", "--size", "full"],
                    velmo_out, env=velmo_env)
    programs.append(velmo)
    if shutil.which("dcraw"):
        src = linked("dcraw")
        programs.append(Program("dcraw -T -6", lambda o, s=src: ["dcraw", "-T", "-6", s],
                                os.path.splitext(src)[0] + ".tiff"))
        src3 = linked("dcraw-q3")
        programs.append(Program("dcraw -T -6 -q 3", lambda o, s=src3: ["dcraw", "-T", "-6", "-q", "3", s],
                                os.path.splitext(src3)[0] + ".tiff"))
    if shutil.which("dcraw_emu"):
        src = linked("dcraw_emu")
        programs.append(Program("dcraw_emu -T -6 -q 3", lambda o, s=src: ["dcraw_emu", "-T", "-6", "-q", "3", s],
                                src + ".tiff"))
    if shutil.which("rawtherapee-cli"):
        rt_out = os.path.join(out, "rawtherapee", stem + ".tif")
        os.makedirs(os.path.dirname(rt_out), exist_ok=True)
        programs.append(Program("rawtherapee-cli -t (neutral pp3)",
                                lambda o: ["rawtherapee-cli", "-q", "-Y", "-t", "-b16", "-o", o, "-p", pp3, "-c", raf],
                                rt_out, env=rt_env))
    missing = [n for n, tool in (("dcraw", "dcraw"), ("dcraw_emu", "dcraw_emu"), ("rawtherapee-cli", "rawtherapee-cli"))
               if not shutil.which(tool)]

    load_start = os.getloadavg()[0]
    print("Machine: %s" % machine())
    print("File: %s (%d bytes), %d runs each" % (raf, os.path.getsize(raf), runs))
    for r in range(runs):
        order = programs[r % len(programs):] + programs[:r % len(programs)]
        for p in order:
            if os.path.exists(p.output):
                os.remove(p.output)
            p.runs.append(timed(p.make_argv(p.output), env=p.env))
            if not os.path.exists(p.output):
                raise RuntimeError("%s wrote no %s" % (p.name, p.output))
        print("  round %d done" % (r + 1), file=sys.stderr)

    lines = []
    lines.append("Machine: %s. File: the FinePix S5Pro benchmark file (%.1f MB, two frames), %d runs of each "
                 "program, alternating; median (min–max)." % (machine(), os.path.getsize(raf) / 1e6, runs))
    lines.append("")
    lines.append("| program | output | wall s | user s | peak MiB | Velmo wall / this |")
    lines.append("|---|---|---|---|---|---|")
    for p in programs:
        ok = check_tiff16(p.output)
        w, h = tiff_size(p.output)
        walls = [x[0] for x in p.runs]
        users = [x[1] for x in p.runs]
        peaks = [x[2] for x in p.runs]
        ratios = [v[0] / x[0] for v, x in zip(velmo.runs, p.runs) if x[0] > 0]
        ratio = "—" if p is velmo else spread(ratios, "%.2f")
        lines.append("| %s | %d x %d%s | %s | %s | %s | %s |" % (
            p.name, w, h, "" if ok else " (not 16-bit RGB!)", spread(walls, "%.2f"), spread(users, "%.2f"),
            spread(peaks, "%.0f"), ratio))
    for m in missing:
        lines.append("| %s | not installable here: left out | | | | |" % m)

    # Velmo alone.
    lines.append("")
    lines.append("Velmo alone (median (min–max) of %d runs unless said):" % runs)
    lines.append("")
    lines.append("| what | time | note |")
    lines.append("|---|---|---|")

    stages = []
    for _ in range(runs):
        text = run_capture([bench, "info", raf], env=velmo_env)
        m = re.search(r"Load stages \(ms\): read ([\d.]+), unpack ([\d.]+), place ([\d.]+), demosaic ([\d.]+), "
                      r"previews ([\d.]+), total ([\d.]+)", text)
        stages.append([float(x) for x in m.groups()])
    opened = [s[0] + s[1] + s[2] + s[3] for s in stages]
    lines.append("| open: read, place, demosaic | %s ms | place %s, demosaic %s ms |" % (
        spread(opened, "%.1f"), spread([s[2] for s in stages], "%.1f"), spread([s[3] for s in stages], "%.1f")))
    lines.append("| open with the load-time previews | %s ms | previews %s ms |" % (
        spread([s[5] for s in stages], "%.1f"), spread([s[4] for s in stages], "%.1f")))

    if a.compressed:
        packed = []
        for _ in range(runs):
            text = run_capture([bench, "info", os.path.abspath(a.compressed)], env=velmo_env)
            m = re.search(r"Load stages \(ms\): read ([\d.]+), unpack ([\d.]+), place ([\d.]+), demosaic ([\d.]+), "
                          r"previews ([\d.]+), total ([\d.]+)", text)
            packed.append([float(x) for x in m.groups()])
        lines.append("| open the bzip2-compressed sample (%.1f MB) with the load-time previews | %s ms | unpacking "
                     "both frames %s ms |" % (os.path.getsize(a.compressed) / 1e6, spread([s[5] for s in packed], "%.1f"),
                                             spread([s[1] for s in packed], "%.1f")))

    text = run_capture([bench, "preview", raf, "--repeat", "20", "--screen", "1920x1080"], env=velmo_env)
    full_size = re.search(r"full preview (\d+) x (\d+)", text)
    for line in text.splitlines():
        m = re.match(r"\s+DevelopPreview 512 x 384\s+(.+?)\s+(\d+) threads?\s+([\d.]+) ms\s+\(median\s+([\d.]+)", line)
        if m:
            lines.append("| preview 512 x 384, %s, %s thread%s | %s ms | best %s ms of 20 |" % (
                m.group(1), m.group(2), "" if m.group(2) == "1" else "s", m.group(4), m.group(3)))
        m = re.match(r"\s+full preview (\d+) x (\d+)\s+(.+?)\s+(\d+) threads?\s+([\d.]+) ms\s+\(median\s+([\d.]+)",
                     line)
        if m:
            lines.append("| full preview for a 1920 x 1080 screen (%s x %s), %s, %s thread%s | %s ms | best %s ms "
                         "of 5 |" % (m.group(1), m.group(2), m.group(3), m.group(4), "" if m.group(4) == "1" else "s",
                                     m.group(6), m.group(5)))
    del full_size

    def develop(extra, output):
        stored = os.path.splitext(output)[0] + ".TIF"
        if os.path.exists(stored):
            os.remove(stored)  # as for the peers: no old file to replace
        wall, user, peak = timed([bench, "develop", raf, "-o", output, "--format", "tiff16", "--size", "full"] + extra,
                                 env=velmo_env, stdout=output + ".log")
        with open(output + ".log") as f:
            log = f.read()
        stage = float(re.search(r"^develop\s+([\d.]+) ms", log, re.M).group(1))
        return wall, user, peak, stage

    nr_runs = [develop(["--params", nr], os.path.join(out, "velmo", "nr.TIF")) for _ in range(runs)]
    lines.append("| full size with noise reduction on (bNR=1) | %s s | user %s s, peak %s MiB |" % (
        spread([x[0] for x in nr_runs], "%.2f"), spread([x[1] for x in nr_runs], "%.2f"),
        spread([x[2] for x in nr_runs], "%.0f")))

    one, alll = [], []
    for _ in range(runs):
        one.append(develop(["--threads", "1"], os.path.join(out, "velmo", "one.TIF")))
        alll.append(develop([], os.path.join(out, "velmo", "all.TIF")))
    with open(os.path.join(out, "velmo", "one.TIF"), "rb") as f1, open(os.path.join(out, "velmo", "all.TIF"),
                                                                      "rb") as f2:
        same = f1.read() == f2.read()
    cores = os.cpu_count() or 0
    lines.append("| full size, 1 thread | %s s | development stage %s ms |" % (
        spread([x[0] for x in one], "%.2f"), spread([x[3] for x in one], "%.0f")))
    lines.append("| full size, %d threads | %s s | development stage %s ms |" % (
        cores, spread([x[0] for x in alll], "%.2f"), spread([x[3] for x in alll], "%.0f")))
    lines.append("| speed-up, %d threads over 1 | %.2fx whole run, %.2fx development stage | output %s |" % (
        cores, statistics.median([x[0] for x in one]) / statistics.median([x[0] for x in alll]),
        statistics.median([x[3] for x in one]) / statistics.median([x[3] for x in alll]),
        "byte-identical" if same else "DIFFERS"))

    # Other work on the machine shows in the spreads: say how busy it was.
    lines.append("")
    lines.append("Load average (1 min) at the start %.2f, at the end %.2f." % (load_start, os.getloadavg()[0]))
    table = "\n".join(lines)
    print()
    print(table)
    with open(os.path.join(work, "table.md"), "w") as f:
        f.write(table + "\n")
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
