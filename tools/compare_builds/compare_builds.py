#!/usr/bin/env python3
"""Compares what two builds of the codec make of the same files, byte for byte.

usage: tools/compare_builds/compare_builds.py BUILD_A BUILD_B [FILE_OR_DIR ...]

Each build is a build tree holding tools/rtf2text/rtf2text. For every file (by default every
file under tests/data and fuzz/*/corpus, and a generated 10 MB sample) both builds print the
document's text (`rtf2text FILE`) and the writer's bytes (`rtf2text --rtf FILE`); any difference
is listed. Exit status 1 when any file differs.
"""
import os
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent.parent


def outputs(build, path):
    tool = str(Path(build) / "tools" / "rtf2text" / "rtf2text")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    got = []
    for args in ([], ["--rtf"]):
        p = subprocess.run([tool, *args, str(path)], env=env, stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, timeout=600)
        got.append((p.returncode, p.stdout))
    return got


def files(args, tmp):
    if not args:
        args = [ROOT / "tests" / "data", *sorted((ROOT / "fuzz").glob("*/corpus"))]
        sample = Path(tmp) / "sample-10mb.rtf"
        subprocess.run([sys.executable, str(ROOT / "bench/rtf/make_sample_rtf.py"), str(sample),
                        "10"], check=True)
        args.append(sample)
    for a in map(Path, args):
        if a.is_dir():
            yield from sorted(p for p in a.rglob("*") if p.is_file())
        else:
            yield a


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    a, b = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as tmp:
        paths = list(files(sys.argv[3:], tmp))
        differ = 0
        with ThreadPoolExecutor(max_workers=2) as pool:
            results = pool.map(lambda p: (p, outputs(a, p), outputs(b, p)), paths)
            for path, x, y in results:
                for what, (cx, ox), (cy, oy) in zip(("text", "rtf"), x, y):
                    if cx != cy or ox != oy:
                        differ += 1
                        print(f"DIFFERS ({what}): {path}")
        print(f"{len(paths)} files, {differ} differences")
        return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main())
