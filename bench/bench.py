#!/usr/bin/env python3
"""Tapivex's benchmarks, run by bench/run.sh inside a Wine desktop it has started.

Every figure is a median over several runs set against a reference measured in
the same run: conversion speed (against djpeg and ImageMagick), peak memory of a
conversion, start-up to the notification icon and idle cost (against a minimal
notification-area program), and the size of Tapivex.exe. Prints one line per
figure and writes build/bench/results.json.
"""
import json
import os
import shutil
import statistics
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

ROOT = Path(sys.argv[1]).resolve()
WORK = ROOT / "build" / "bench"
WINE = str(ROOT / "scripts" / "wine-run")  # Wine's loader that this machine runs
PROGRAMS = WORK / "win32" / "bench"
TAPIVEX = WORK / "win32" / "Tapivex.exe"
INPUTS = WORK / "inputs"
RUNS = int(os.environ.get("BENCH_RUNS", "5"))
STARTUP_RUNS = int(os.environ.get("BENCH_STARTUP_RUNS", "10"))
IDLE_RUNS = int(os.environ.get("BENCH_IDLE_RUNS", "3"))
IDLE_SECONDS = float(os.environ.get("BENCH_IDLE_SECONDS", "60"))

# The real ImageMagick, single-threaded so that its noise is the same on every run.
MAGICK = "/usr/bin/convert" if Path("/usr/bin/convert").exists() else "convert"
MOGRIFY = "/usr/bin/mogrify" if Path("/usr/bin/mogrify").exists() else "mogrify"
MAGICK_ENV = dict(os.environ, MAGICK_THREAD_LIMIT="1")

# Picture sets: (group, count, width, height, kind).
SETS = [("jpeg_1920x1080", 40, 1920, 1080, "jpg"), ("jpeg_4000x3000", 10, 4000, 3000, "jpg"),
        ("gif_1920x1080", 10, 1920, 1080, "gif")]
RECIPE_VERSION = "1"  # change when the recipe below changes, so that the inputs are made again

# DLLs that every Windows has; anything else in the import table would have to ship with the program.
SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
               "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "windowscodecs.dll",
               "winmm.dll", "version.dll", "uxtheme.dll"}


def winpath(path):
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def wine(*args):
    done = subprocess.run([WINE, *map(str, args)], capture_output=True, text=True)
    if done.returncode != 0:
        raise RuntimeError(f"{Path(str(args[0])).name} failed ({done.returncode}): {done.stderr.strip()}")
    return done.stdout


def median(values):
    return statistics.median(values) if values else float("nan")


# ---------------------------------------------------------------- inputs

def gradient_colours(seed):
    # Two colours per picture from its seed: a sky-to-ground kind of gradient.
    a = (seed * 97 + 40) % 200 + 20, (seed * 57 + 90) % 200 + 20, (seed * 31 + 160) % 200 + 20
    b = 255 - a[0], 235 - a[1] // 2, 255 - a[2]
    return "#%02x%02x%02x" % a, "#%02x%02x%02x" % b


def make_picture(job):
    """A photograph-like picture: blurred colour noise over a gradient, grain on top, JPEG quality 85."""
    path, width, height, kind, seed = job
    top, bottom = gradient_colours(seed)
    jpeg = path.with_suffix(".photo.jpg") if kind == "gif" else path
    subprocess.run([MAGICK, "-size", f"{width // 2}x{height // 2}", "xc:", "-seed", str(seed), "+noise", "Random",
                    "-blur", "0x1.5", "-resize", f"{width}x{height}!",
                    "(", "-size", f"{width}x{height}", f"gradient:{top}-{bottom}", ")",
                    "-compose", "overlay", "-composite", "-seed", str(seed + 1000), "-attenuate", "0.5",
                    "+noise", "Gaussian", "-quality", "85", str(jpeg)], check=True, env=MAGICK_ENV)
    if kind == "gif":
        # 256 colours at most, dithered: the way a photograph becomes a GIF.
        subprocess.run([MAGICK, str(jpeg), "-dither", "FloydSteinberg", "-remap", "netscape:", str(path)],
                       check=True, env=MAGICK_ENV)
        jpeg.unlink()


def make_inputs():
    """Makes the pictures that are missing (all of them when the recipe has changed)."""
    stamp = INPUTS / "recipe"
    if not stamp.exists() or stamp.read_text() != RECIPE_VERSION:
        shutil.rmtree(INPUTS, ignore_errors=True)
    jobs = []
    seed = 7
    for group, count, width, height, kind in SETS:
        (INPUTS / group).mkdir(parents=True, exist_ok=True)
        for n in range(count):
            jobs.append((INPUTS / group / f"p{n:02d}.{kind}", width, height, kind, seed))
            seed += 1
    jobs.append((INPUTS / "warmup.jpg", 64, 48, "jpg", 1))
    jobs.append((INPUTS / "warmup.gif", 64, 48, "gif", 2))
    jobs = [job for job in jobs if not job[0].exists()]
    if jobs:
        print(f"== generating {len(jobs)} pictures (fixed seeds; kept for later runs)", flush=True)
        with ThreadPoolExecutor(max_workers=2) as pool:
            list(pool.map(make_picture, jobs))
    stamp.write_text(RECIPE_VERSION)


def pictures(group):
    return sorted((INPUTS / group).iterdir())


# ---------------------------------------------------------------- conversion

def run_ours(out, mode="batch"):
    listing = WORK / "convert-list.txt"
    lines = [f"warmup\t{winpath(INPUTS / 'warmup.jpg')}", f"warmup\t{winpath(INPUTS / 'warmup.gif')}"]
    for group, *_ in SETS:
        lines += [f"{group}\t{winpath(p)}" for p in pictures(group)]
    listing.write_text("\n".join(lines) + "\n")
    result = {}
    for line in wine(PROGRAMS / "bench_convert.exe", mode, winpath(listing), winpath(out)).splitlines():
        fields = line.split()
        if fields[0] == "group":
            result[fields[1]] = {"seconds": float(fields[3]), "load": float(fields[4]), "save": float(fields[5])}
        elif fields[0] == "total":
            result["total"] = {"seconds": float(fields[2])}
    return result


def timed_shell(script, *args):
    """Runs a bash script that prints its own elapsed time (taken with $EPOCHREALTIME around the work)."""
    body = f"start=$EPOCHREALTIME; {script}; end=$EPOCHREALTIME; echo \"$start $end\""
    out = subprocess.run(["bash", "-c", body, "bench", *map(str, args)], check=True, capture_output=True,
                         text=True, env=MAGICK_ENV).stdout.split()
    return float(out[-1]) - float(out[-2])


def run_reference(out):
    result = {}
    for group, *_ in SETS:
        files = pictures(group)
        if group.startswith("jpeg"):
            # One djpeg process per picture, as the program takes one picture at a time.
            script = 'for f in "${@:2}"; do djpeg -bmp -outfile "$1/$(basename "$f").bmp" "$f"; done'
        else:
            # One ImageMagick process for the whole set: its start-up (tens of ms) would dwarf a GIF.
            script = f'{MOGRIFY} -path "$1" -type TrueColor -format bmp3 "${{@:2}}"'
        result[group] = {"seconds": timed_shell(script, out, *files)}
    result["total"] = {"seconds": sum(v["seconds"] for v in result.values())}
    return result


def bench_conversion():
    print(f"== conversion: {sum(s[1] for s in SETS)} pictures, {RUNS} runs of each side", flush=True)
    ours_out, ref_out = WORK / "out" / "ours", WORK / "out" / "reference"
    for folder in (ours_out, ref_out):
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
    ours, ref, lean = [], [], []
    for _ in range(RUNS):
        ours.append(run_ours(ours_out))
        ref.append(run_reference(ref_out))
        lean.append(run_ours(ours_out, "lean"))
    figures = []
    for key in [s[0] for s in SETS] + ["total"]:
        value = median([r[key]["seconds"] for r in ours])
        reference = median([r[key]["seconds"] for r in ref])
        figure = {"name": "conversion" if key == "total" else f"conversion {key}", "unit": "s",
                  "value": value, "reference": reference, "ratio": value / reference,
                  "runs": [r[key]["seconds"] for r in ours], "reference_runs": [r[key]["seconds"] for r in ref]}
        if key == "total":
            figure.update(target="<= 1.3", passed=value / reference <= 1.3,
                          reference_name="djpeg -bmp (JPEG), ImageMagick mogrify to BMP3 (GIF)")
        else:
            figure.update(load=median([r[key]["load"] for r in ours]), save=median([r[key]["save"] for r in ours]),
                          lean_load=median([r[key]["load"] for r in lean]),
                          lean_save=median([r[key]["save"] for r in lean]))
        figures.append(figure)
    value = median([r["total"]["seconds"] for r in lean])
    reference = median([r["total"]["seconds"] for r in ref])
    figures.append({"name": "  yardstick: shortest WIC path, same pictures", "unit": "s", "value": value,
                    "reference": reference, "ratio": value / reference,
                    "runs": [r["total"]["seconds"] for r in lean]})
    return figures


# ---------------------------------------------------------------- memory

def memory_run(mode, picture, bitmap):
    text = wine(PROGRAMS / "bench_convert.exe", mode, winpath(INPUTS / "warmup.jpg"), winpath(INPUTS / "warmup.gif"),
                winpath(picture), winpath(bitmap))
    m = {k: int(v) for k, v in (line.split() for line in text.splitlines())}
    before = m["before_ws"]
    return {"peak": m["peak_ws"] - before, "load_peak": m["load_peak_ws"] - before, "held": m["loaded_ws"] - before}


def bench_memory():
    print(f"== memory: one 4000x3000 JPEG, {RUNS} runs", flush=True)
    picture = pictures("jpeg_4000x3000")[0]
    bitmap = WORK / "out" / "memory.bmp"
    runs = [memory_run("memory", picture, bitmap) for _ in range(RUNS)]
    lean = memory_run("memory-lean", picture, bitmap)
    decoded = 4000 * 3000 * 4
    value = median([r["peak"] for r in runs])
    return [{"name": "peak memory of a 4000x3000 conversion", "unit": "bytes", "value": value,
             "reference": decoded, "reference_name": "the picture at 32 bits per pixel",
             "ratio": value / decoded, "target": "<= 1.5", "passed": value / decoded <= 1.5,
             "runs": [r["peak"] for r in runs], "load_peak": median([r["load_peak"] for r in runs]),
             "held_between_load_and_save": median([r["held"] for r in runs])},
            {"name": "  of which the load's peak", "unit": "bytes", "value": median([r["load_peak"] for r in runs]),
             "reference": decoded, "ratio": median([r["load_peak"] for r in runs]) / decoded},
            {"name": "  held from load to save", "unit": "bytes", "value": median([r["held"] for r in runs]),
             "reference": decoded, "ratio": median([r["held"] for r in runs]) / decoded},
            {"name": "  yardstick: shortest WIC path", "unit": "bytes", "value": lean["peak"],
             "reference": decoded, "ratio": lean["peak"] / decoded, "held_between_load_and_save": lean["held"]}]


# ---------------------------------------------------------------- program folders

def prepare_programs():
    tapivex_dir, minimal_dir = WORK / "run" / "tapivex", WORK / "run" / "minimal"
    shutil.rmtree(WORK / "run", ignore_errors=True)
    tapivex_dir.mkdir(parents=True)
    minimal_dir.mkdir(parents=True)
    shutil.copy2(TAPIVEX, tapivex_dir)
    shutil.copy2(PROGRAMS / "bench_minimal.exe", minimal_dir)
    # 201 existing bitmaps (one file under 201 names: the start only tests that they exist),
    # and an interval of an hour, which never falls due during a run.
    bitmap = WORK / "run" / "wallpaper.bmp"
    subprocess.run([MAGICK, "-size", "1920x1080", "gradient:#305080-#f0c060", f"BMP3:{bitmap}"], check=True,
                   env=MAGICK_ENV)
    lines = ["3600:1"]
    for n in range(201):
        os.link(bitmap, tapivex_dir / f"wall{n:03d}.bmp")
        lines.append(f"wall{n:03d}.bmp")
    (tapivex_dir / "Tapivex.INI").write_bytes(("\r\n".join(lines) + "\r\n").encode("ascii"))
    return tapivex_dir / "Tapivex.exe", minimal_dir / "bench_minimal.exe"


# ---------------------------------------------------------------- start-up

def bench_startup(tapivex, minimal):
    print(f"== start-up: {STARTUP_RUNS} starts of each, alternating", flush=True)
    text = wine(PROGRAMS / "bench_launch.exe", "startup", STARTUP_RUNS, winpath(minimal), winpath(minimal.parent),
                winpath(tapivex), winpath(tapivex.parent))
    icon = {"A": [], "B": []}
    idle = {"A": [], "B": []}
    for line in text.splitlines():
        _, label, icon_ms, idle_ms = line.split()
        icon[label].append(float(icon_ms))
        idle[label].append(float(idle_ms))
    value, reference = median(icon["B"]), median(icon["A"])
    return [{"name": "start-up to the notification icon (201 BMP entries)", "unit": "ms", "value": value,
             "reference": reference, "reference_name": "minimal program: window + icon", "ratio": value / reference,
             "target": "<= 1.2", "passed": value / reference <= 1.2, "runs": icon["B"], "reference_runs": icon["A"],
             "input_idle": median(idle["B"]), "reference_input_idle": median(idle["A"])}]


# ---------------------------------------------------------------- idle

def unix_process(exe):
    """The Linux process that runs the Windows program `exe` in our prefix."""
    wanted = winpath(exe).lower()
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            command = (entry / "cmdline").read_bytes().split(b"\0")[0].decode(errors="replace").strip().lower()
            environ = (entry / "environ").read_bytes().split(b"\0")
        except OSError:
            continue
        if command == wanted and f"WINEPREFIX={os.environ['WINEPREFIX']}".encode() in environ:
            return int(entry.name)
    raise RuntimeError(f"no process runs {exe}")


def cpu_seconds(pid):
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")  # utime + stime


def wineserver_process():
    for entry in Path("/proc").iterdir():
        try:
            if entry.name.isdigit() and b"wineserver" in (entry / "cmdline").read_bytes().split(b"\0")[0] and \
                    f"WINEPREFIX={os.environ['WINEPREFIX']}".encode() in (entry / "environ").read_bytes().split(b"\0"):
                return int(entry.name)
        except OSError:
            continue
    return None


def idle_run(tapivex, minimal):
    launcher = subprocess.Popen([WINE, str(PROGRAMS / "bench_launch.exe"), "idle", winpath(minimal),
                                 winpath(minimal.parent), winpath(tapivex), winpath(tapivex.parent)],
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    ready = launcher.stdout.readline()
    if not ready.startswith("ready"):
        raise RuntimeError("the launcher did not start both programs")
    time.sleep(1)  # let both finish their start-up work
    pids = {"A": unix_process(minimal), "B": unix_process(tapivex)}
    server = wineserver_process()
    before = {k: cpu_seconds(p) for k, p in pids.items()}
    server_before = cpu_seconds(server) if server else 0.0
    time.sleep(IDLE_SECONDS)
    after = {k: cpu_seconds(p) for k, p in pids.items()}
    server_after = cpu_seconds(server) if server else 0.0
    launcher.stdin.write("done\n")
    launcher.stdin.flush()
    ws = {}
    for line in launcher.stdout:
        fields = line.split()
        if fields and fields[0] == "ws":
            ws[fields[1]] = int(fields[2])
    launcher.wait(timeout=30)
    return {"cpu": {k: after[k] - before[k] for k in pids}, "ws": ws, "server_cpu": server_after - server_before}


def bench_idle(tapivex, minimal):
    print(f"== idle: {IDLE_RUNS} runs of {IDLE_SECONDS:g} s, both programs at once", flush=True)
    runs = [idle_run(tapivex, minimal) for _ in range(IDLE_RUNS)]
    cpu = [100.0 * r["cpu"]["B"] / IDLE_SECONDS for r in runs]
    cpu_ref = [100.0 * r["cpu"]["A"] / IDLE_SECONDS for r in runs]
    ws, ws_ref = [r["ws"]["B"] for r in runs], [r["ws"]["A"] for r in runs]
    tick = 100.0 / os.sysconf("SC_CLK_TCK") / IDLE_SECONDS
    return [{"name": f"idle CPU over {IDLE_SECONDS:g} s (% of one core)", "unit": "% of one core",
             "value": median(cpu),
             "reference": median(cpu_ref), "reference_name": "minimal program",
             "ratio": None, "target": "< 0.1 %", "passed": median(cpu) < 0.1, "runs": cpu, "reference_runs": cpu_ref,
             "resolution": tick, "wineserver_cpu": median([100.0 * r["server_cpu"] / IDLE_SECONDS for r in runs])},
            {"name": "idle working set", "unit": "bytes", "value": median(ws), "reference": median(ws_ref),
             "reference_name": "minimal program", "ratio": median(ws) / median(ws_ref), "target": "<= 1.15",
             "passed": median(ws) / median(ws_ref) <= 1.15, "runs": ws, "reference_runs": ws_ref}]


# ---------------------------------------------------------------- size

def bench_size():
    size = TAPIVEX.stat().st_size
    # The objdump of the build's processor: i686, or x86_64 where this machine runs no 32-bit program.
    dumps = (subprocess.run([f"{triple}-objdump", "-p", str(TAPIVEX)], capture_output=True, text=True)
             for triple in ("i686-w64-mingw32", "x86_64-w64-mingw32"))
    dump = next(d.stdout for d in dumps if d.returncode == 0)
    dlls = sorted({line.split(":", 1)[1].strip() for line in dump.splitlines() if "DLL Name:" in line},
                  key=str.lower)
    foreign = [d for d in dlls if d.lower() not in SYSTEM_DLLS]
    return [{"name": "Tapivex.exe size", "unit": "B", "value": size, "reference": 1 << 20,
             "reference_name": "1 MiB", "ratio": size / (1 << 20), "target": "< 1 MiB", "passed": size < (1 << 20)},
            {"name": f"imported DLLs ({len(dlls)}, {len(foreign)} not Windows' own)", "unit": "",
             "value": f"{len(dlls)} DLLs", "reference": None, "ratio": None, "target": "Windows' own only",
             "passed": not foreign, "dlls": dlls, "foreign": foreign}]


# ---------------------------------------------------------------- report

def show(value, unit):
    if isinstance(value, str):
        return value
    if unit == "bytes":
        return f"{value / 1e6:.1f} MB"
    if unit == "ms":
        return f"{value:.0f} ms"
    if unit == "s":
        return f"{value:.3f} s"
    if unit == "B":
        return f"{value:,} B"
    return f"{value:.4f} %" if unit.startswith("%") else f"{value}"


def report(figures):
    print()
    for f in figures:
        ratio = f"{f['ratio']:.2f}" if f.get("ratio") is not None else "-"
        reference = show(f["reference"], f["unit"]) if f.get("reference") is not None else "-"
        verdict = "" if "target" not in f else ("ok" if f["passed"] else "MISSED")
        target = f"target {f['target']}" if "target" in f else "(breakdown)"
        print(f"{f['name']:<52} {show(f['value'], f['unit']):>12}  ref {reference:>12}  ratio {ratio:>5}  "
              f"{target:<24} {verdict}")
    notes = {
        "yardstick": "yardstick: not the program; the same pictures through WIC with the fewest copies (decoder's "
                     "24-bit rows copied once, bitmap file written by hand): what Wine's decoder alone costs.",
        "conversion": "conversion: our side is the sum of WicPictureLoader::load + Picture::saveAsBitmap per picture, "
                      "timed with QueryPerformanceCounter in one Windows process after a warm-up picture (Wine "
                      "start-up excluded); the reference is the wall time of a bash loop running one djpeg -bmp "
                      "per JPEG, and of one mogrify process converting all the GIFs to 24-bit BMP3.",
        "memory": "peak memory: PeakWorkingSetSize after the save minus WorkingSetSize before the load "
                  "(GetProcessMemoryInfo; Wine keeps the peak as a running maximum, so each run is a fresh process "
                  "whose warm-up on a 64x48 picture keeps the earlier peak low).",
        "start-up": "start-up: from just before CreateProcess to the taskbar's new icon (a tooltip window that "
                    "Wine's explorer creates inside the Shell_NotifyIcon call), polled every millisecond.",
        "idle": "idle: utime+stime of each Linux process running the program (Wine's GetProcessTimes gives the "
                "caller's own times for another process), over the window; working set from GetProcessMemoryInfo "
                "at its end.",
    }
    dlls = next(f for f in figures if f["name"].startswith("imported DLLs"))
    print(f"\n  imported DLLs: {' '.join(d.lower() for d in dlls['dlls'])}")
    for text in notes.values():
        print("  " + text)


def main():
    started = time.time()
    make_inputs()
    figures = bench_conversion() + bench_memory()
    tapivex, minimal = prepare_programs()
    figures += bench_startup(tapivex, minimal)
    figures += bench_idle(tapivex, minimal)
    figures += bench_size()
    report(figures)
    results = {"figures": figures, "runs": RUNS, "startup_runs": STARTUP_RUNS, "idle_runs": IDLE_RUNS,
               "idle_seconds": IDLE_SECONDS, "elapsed_seconds": round(time.time() - started, 1),
               "machine": {"cpus": os.cpu_count(), "wine": subprocess.run([WINE, "--version"], capture_output=True,
                                                                           text=True).stdout.strip()}}
    (WORK / "results.json").write_text(json.dumps(results, indent=2) + "\n")
    print(f"\nwritten: build/bench/results.json ({time.time() - started:.0f} s)")


if __name__ == "__main__":
    main()
