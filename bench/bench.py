#!/usr/bin/env python3
"""Times every mode of ossify on the largest models it accepts.

Writes, in the work directory (default bench/out):
  big.mds        127 regular bones and one tag bone, 5600 frames, 4 surfaces of
                 1900 vertices with 4 weights each: 9.96 MB of the 10,000,000-byte
                 MDS limit, and an MDM of 0.92 MB of the 1,000,000-byte MDM limit;
  big-md3.mqo    6 objects of 4096 vertices and 4096 triangles: 64 MB of the
                 64 MiB mesh record, 0.69 MB of the 1,000,000-byte MD3 limit;
  big-mdm.mqo    127 bones in 8 chains (with one shader, the 128 materials
                 modes 8 and 9 take) and 4 objects of 4096 vertices and
                 4096 triangles: an MDM of 0.98 MB;
then runs modes 1 to 9 on them, each with its standard output redirected to a
file, and reports for each the wall time, the peak resident memory and the
minor page faults (best of --runs runs), and as the floor the time to start a
process that does nothing plus the time to write the same bytes (the standard
output and every file the mode writes) from memory into new files.

Last, when it is built (cmake --build build --target bench_simplify), it runs
bench_simplify beside the tool: the level-of-detail order of one surface of
6,000 vertices, the most the engine's collapse buffer holds.

Usage: python3 bench/bench.py [--ossify build/ossify] [--dir bench/out] [--runs 3]
Standard library only.
"""
import argparse
import math
import os
import platform
import shutil
import struct
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

# --------------------------------------------------------------------------
# MDS writer (layout: header, frames, bone infos, packed surfaces)

MDS_BONES = 128          # 127 regular bones and one tag bone
MDS_FRAMES = 5600
MDS_SURFACES = 4
MDS_SURFACE_VERTS = 1900
MDS_WEIGHTS = 4


def name64(text):
    return text.encode().ljust(64, b"\0")


def mds_surface(index, regular):
    verts = MDS_SURFACE_VERTS
    body = bytearray()
    for v in range(verts):
        a = 2 * math.pi * v / verts
        normal = (math.cos(a), math.sin(a), 0.0)
        body += struct.pack("<3f2f3i", *normal, v / verts, index / MDS_SURFACES,
                            MDS_WEIGHTS, 0, 0)
        for w in range(MDS_WEIGHTS):
            bone = (v + 31 * w + index) % regular
            body += struct.pack("<if3f", bone, 1.0 / MDS_WEIGHTS, 10.0 * math.cos(a + w),
                                10.0 * math.sin(a + w), 2.0 * w - 3.0)
    tris = bytearray()
    for t in range(verts):
        tris += struct.pack("<3i", t, (t + 1) % verts, (t + 2) % verts)
    collapse = struct.pack(f"<{verts}i", *[max(v - 1, 0) for v in range(verts)])
    refs = struct.pack(f"<{regular}i", *range(regular))
    header_size = 176
    ofs_tris = header_size + len(body)
    ofs_collapse = ofs_tris + len(tris)
    ofs_refs = ofs_collapse + len(collapse)
    end = ofs_refs + len(refs)
    return (struct.pack("<i", 0) + name64(f"surface{index}") + name64(f"shaders/s{index}") +
            struct.pack("<3i", 0, 0, 0) +
            struct.pack("<8i", verts, header_size, verts, ofs_tris, ofs_collapse, regular,
                        ofs_refs, end) +
            body + tris + collapse + refs)


def fix_surface_header(surface, at):
    # ofs_header holds minus the surface's offset in the file.
    s = bytearray(surface)
    struct.pack_into("<i", s, 140, -at)
    return bytes(s)


def write_mds(path):
    regular = MDS_BONES - 1
    bones = bytearray()
    for b in range(MDS_BONES):
        parent = -1 if b == 0 else (b - 1 if b % 16 else 0)
        flags = 1 if b == MDS_BONES - 1 else 0
        bones += name64(f"bone{b:03d}") + struct.pack("<iffi", parent, 0.5 * (b % 2), 12.5,
                                                      flags)
    frames = bytearray()
    for f in range(MDS_FRAMES):
        frames += struct.pack("<13f", -50, -50, -50, 50, 50, 50, 0, 0, f * 0.01, 87.0, 0, 0, 0)
        frames += b"".join(
            struct.pack("<6h", (f * 37 + b * 101) % 65536 - 32768, (f * 11 + b) % 4000 - 2000,
                        (b * 257) % 30000 - 15000, 0, (f + b) % 300, (f * 3 + b) % 300)
            for b in range(MDS_BONES))
    ofs_frames = 120
    ofs_bones = ofs_frames + len(frames)
    ofs_surfaces = ofs_bones + len(bones)
    surfaces = bytearray()
    for s in range(MDS_SURFACES):
        surfaces += fix_surface_header(mds_surface(s, regular), ofs_surfaces + len(surfaces))
    end = ofs_surfaces + len(surfaces)
    header = (b"MDSW" + struct.pack("<i", 4) + name64("bench") +
              struct.pack("<2f", 1.0, 0.0) +
              struct.pack("<5i", MDS_FRAMES, MDS_BONES, ofs_frames, ofs_bones, 0) +
              struct.pack("<2i", MDS_SURFACES, ofs_surfaces) + struct.pack("<3i", 0, 0, end))
    assert len(header) == 120
    data = header + frames + bones + surfaces
    assert len(data) <= 10_000_000, len(data)
    with open(path, "wb") as out:
        out.write(data)
    return len(data)


# --------------------------------------------------------------------------
# MQO writer

GRID = 64              # 64 x 64 = 4096 vertices an object
FACES = 4096           # triangles an object (the face limit)
SHADERS = 4


def grid_object(name, k, material_base, centre, shaders=SHADERS):
    cx, cy, cz = centre
    lines = [f'Object "{name}" {{', "\tvisible 15", f"\tvertex {GRID * GRID} {{"]
    for j in range(GRID):
        for i in range(GRID):
            a = 2 * math.pi * i / GRID
            y = cy + 6.0 * j - 3.0 * GRID
            r = 60.0 + 15.0 * math.sin(0.3 * j + k)
            lines.append(f"\t\t{cx + r * math.cos(a):.4f} {y:.4f} {cz + r * math.sin(a):.4f}")
    lines += ["\t}", f"\tface {FACES} {{"]
    count = 0
    for j in range(GRID - 1):
        for i in range(GRID - 1):
            a, b = j * GRID + i, j * GRID + i + 1
            c, d = a + GRID, b + GRID
            m = material_base + (j + i) % shaders
            uv = f"{i / GRID:.5f} {j / GRID:.5f} {(i + 1) / GRID:.5f} {j / GRID:.5f}"
            for tri, tuv in (((a, b, c), f"{uv} {i / GRID:.5f} {(j + 1) / GRID:.5f}"),
                             ((b, d, c), f"{(i + 1) / GRID:.5f} {j / GRID:.5f} "
                                         f"{(i + 1) / GRID:.5f} {(j + 1) / GRID:.5f} "
                                         f"{i / GRID:.5f} {(j + 1) / GRID:.5f}")):
                if count < FACES:
                    lines.append(f"\t\t3 V({tri[0]} {tri[1]} {tri[2]}) M({m}) UV({tuv})")
                    count += 1
    lines += ["\t}", "}"]
    return lines


def shader_materials():
    return [f'\t"shader{m}" col(1.000 1.000 1.000 1.000) tex("textures/s{m}.tga")'
            for m in range(SHADERS)]


def write_mqo(path, lines):
    with open(path, "w", newline="\r\n") as out:
        out.write("\n".join(["Metasequoia Document", "Format Text Ver 1.0", ""] + lines +
                            ["Eof"]) + "\n")


def write_md3_mqo(path, objects=6):
    lines = [f"Material {SHADERS} {{"] + shader_materials() + ["}"]
    for k in range(objects):
        lines += grid_object(f"part{k}", k, 0, (150.0 * (k % 3) - 150.0, 0.0, 150.0 * (k // 3)))
    write_mqo(path, lines)


# Modes 8 and 9 take at most 128 materials, bone markers included: one shader
# and 127 bones.
BONES = 127
CHAINS = 8


def write_mdm_mqo(path, objects=4):
    """A skeleton of 127 bones (a root and 8 chains of 16 or 14 bones fanning out
    from its forward joint) and `objects` mesh objects around it."""
    names = [f"bone:b{b:03d}" for b in range(BONES)]
    lines = [f"Material {1 + BONES} {{"] + shader_materials()[:1]
    lines += [f'\t"{n}" col(1.000 1.000 1.000 1.000)' for n in names] + ["}"]
    for k in range(objects):
        lines += grid_object(f"part{k}", k, 0, (150.0 * k - 150.0, 0.0, 0.0), shaders=1)
    verts, faces = [], []

    def vertex(p):
        verts.append(p)
        return len(verts) - 1

    root_origin = vertex((0.0, -200.0, 0.0))
    root_forward = vertex((0.0, -150.0, 0.0))
    up = vertex((0.5, -200.0, 8.0))
    faces.append(f"3 V({root_origin} {root_forward} {up}) M(1)")
    bone = 1
    for c in range(CHAINS):
        a = 2 * math.pi * (c + 0.5) / CHAINS
        joint, p = root_forward, (0.0, -150.0, 0.0)
        length = 16 if c < CHAINS - 1 else BONES - 1 - 16 * (CHAINS - 1)
        for _ in range(length):
            q = (p[0] + 25.0 * math.cos(a), p[1] + 22.0, p[2] + 25.0 * math.sin(a))
            nxt = vertex(q)
            u = vertex((p[0] - 8.0 * math.sin(a), p[1], p[2] + 8.0 * math.cos(a)))
            faces.append(f"3 V({joint} {nxt} {u}) M({1 + bone})")
            bone += 1
            joint, p = nxt, q
    assert bone == BONES
    lines += ['Object "bone" {', f"\tvertex {len(verts)} {{"]
    lines += [f"\t\t{x:.4f} {y:.4f} {z:.4f}" for x, y, z in verts]
    lines += ["\t}", f"\tface {len(faces)} {{"] + [f"\t\t{f}" for f in faces] + ["\t}", "}"]
    write_mqo(path, lines)


# --------------------------------------------------------------------------
# Runs

MODES = [
    # mode, configuration lines, files written
    (1, ["MDS=big.mds", "MDM=big.mdm", "BASEFRAME=0"], ["big.mdm"]),
    (2, ["MDS=big.mds", "MDX=big.mdx"], ["big.mdx"]),
    (3, ["MDS=big.mds", "MDM=big3.mdm", "MDX=big3.mdx", "BASEFRAME=7", "REPORT=1"],
     ["big3.mdm", "big3.mdx"]),
    (4, ["MDMSOURCE=big.mdm", "REFERENCEMDM=reference.mdm", "MDM=big-retagged.mdm"],
     ["big-retagged.mdm"]),
    (5, ["MDXSOURCE=big.mdx", "REFERENCEMDX=big.mdx", "MDX=big-rebound.mdx"],
     ["big-rebound.mdx"]),
    (6, ["MDMSOURCE=big.mdm", "RESCALEFACTOR=50", "MDM=big-half.mdm"], ["big-half.mdm"]),
    (7, ["MDXSOURCE=big.mdx", "RESCALEFACTOR=50", "MDX=big-half.mdx"], ["big-half.mdx"]),
    (8, ["MQO=big-md3.mqo", "MD3SHADERPATH=models/bench/big", "MD3OUTNAME=big.md3"],
     ["test.mqoobj", "test.mesh", "big.md3"]),
    (9, ["MQO=big-mdm.mqo", "MQOROOTBONE=0", "MDM=big9.mdm", "REFERENCEMDM=reference.mdm"],
     ["test.mqoobj", "test.bone", "test.mesh", "big9.mdm"]),
]


TIME = "/usr/bin/time"


def timed(argv, cwd, stdout_path=None):
    """Wall seconds, peak RSS in KiB, minor faults and exit status of one run.

    The run goes through /usr/bin/time when it exists: a child forked straight
    from this script would report this script's resident size as its own peak
    (Linux carries the parent's high-water mark across fork and exec). The tool
    and its floor go the same way, so they pay the same start-up cost."""
    out = open(stdout_path, "wb") if stdout_path else subprocess.DEVNULL
    report = os.path.join(cwd, ".rusage")
    wrap = [TIME, "-q", "-f", "%M %R", "-o", report] if os.path.exists(TIME) else []
    try:
        start = time.perf_counter()
        child = subprocess.Popen(wrap + argv, cwd=cwd, stdout=out)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
    finally:
        if stdout_path:
            out.close()
    cpu = usage.ru_utime + usage.ru_stime
    rss, faults = usage.ru_maxrss, usage.ru_minflt
    if wrap:
        with open(report) as r:
            rss, faults = (int(x) for x in r.read().split()[-2:])
        os.remove(report)
    return wall, rss, faults, os.waitstatus_to_exitcode(status), cpu


def write_floor(contents, floor_dir):
    """The floor of one run: starting a process that does nothing (/bin/true,
    through the same wrapper as the tool), plus writing the bytes the tool
    writes from memory into new files, as the tool does, one write and one
    close a file."""
    shutil.rmtree(floor_dir, ignore_errors=True)
    os.makedirs(floor_dir)
    start_up = timed(["true"], floor_dir)[0]
    start = time.perf_counter()
    for k, data in enumerate(contents):
        with open(os.path.join(floor_dir, f"f{k}"), "wb", buffering=0) as out:
            out.write(data)
    return start_up + time.perf_counter() - start


def remove(paths):
    for p in paths:
        if os.path.exists(p):
            os.remove(p)


def machine():
    model = platform.processor() or "unknown CPU"
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    return f"{model}, {os.cpu_count()} logical CPUs, {platform.system()} {platform.release()}"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--ossify", default=os.path.join(ROOT, "build", "ossify"))
    parser.add_argument("--dir", default=os.path.join(HERE, "out"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--modes", default="1-9", help="e.g. 1-9 or 4,5,8")
    args = parser.parse_args()
    tool = os.path.abspath(args.ossify)
    work = os.path.abspath(args.dir)
    os.makedirs(work, exist_ok=True)
    if "-" in args.modes:
        lo, hi = args.modes.split("-")
        wanted = set(range(int(lo), int(hi) + 1))
    else:
        wanted = {int(m) for m in args.modes.split(",")}

    print(f"machine: {machine()}")
    print("generating models...", flush=True)
    sizes = {"big.mds": write_mds(os.path.join(work, "big.mds"))}
    write_md3_mqo(os.path.join(work, "big-md3.mqo"))
    write_mdm_mqo(os.path.join(work, "big-mdm.mqo"))
    shutil.copy(os.path.join(ROOT, "examples", "reference.mdm"), work)
    for name in ("big-md3.mqo", "big-mdm.mqo"):
        sizes[name] = os.path.getsize(os.path.join(work, name))
    print("  " + ", ".join(f"{k} {v:,} bytes" for k, v in sizes.items()), flush=True)

    floor_dir = os.path.join(work, "floor")
    rows = []
    for mode, keys, outputs in MODES:
        # Modes 4 to 7 edit the outputs of modes 1 and 2; those always run first.
        needed = mode in wanted or (mode in (1, 2) and wanted & {4, 5, 6, 7})
        if not needed:
            continue
        cfg = os.path.join(work, f"mode{mode}.cfg")
        with open(cfg, "w") as out:
            out.write("\n".join([f"MODE={mode}"] + keys) + "\n")
        trace = os.path.join(work, f"mode{mode}.stdout")
        best = None
        for _ in range(args.runs):
            remove(os.path.join(work, o) for o in outputs)
            run = timed([tool, "-cfg", cfg], work, trace)
            if run[3] != 1:
                sys.exit(f"mode {mode}: exit status {run[3]}, see {trace}")
            if best is None or run[0] < best[0]:
                best = run
        files = [trace] + [os.path.join(work, o) for o in outputs]
        written = sum(os.path.getsize(f) for f in files)
        floor = None
        contents = []
        for f in files:
            with open(f, "rb") as src:
                contents.append(src.read())
        for _ in range(args.runs):
            floor_run = write_floor(contents, floor_dir)
            floor = floor_run if floor is None else min(floor, floor_run)
        if mode in wanted:
            rows.append((mode, best[0], best[4], floor, best[1], best[2], written))
    shutil.rmtree(floor_dir, ignore_errors=True)

    print()
    print("| Mode | Time (ms) | CPU (ms) | Floor (ms) | Ratio | Peak RSS (MiB) | Minor faults "
          "| Bytes written |")
    print("|---:|---:|---:|---:|---:|---:|---:|---:|")
    for mode, wall, cpu, floor, rss, faults, written in rows:
        print(f"| {mode} | {wall * 1000:.1f} | {cpu * 1000:.0f} | {floor * 1000:.1f} | "
              f"{wall / floor:.2f} | "
              f"{rss / 1024:.1f} | {faults:,} | {written:,} |")
    simplify = os.path.join(os.path.dirname(tool), "bench_simplify")
    if os.path.exists(simplify):
        print()
        out = subprocess.run([simplify, str(max(args.runs, 1))], capture_output=True, text=True)
        print(out.stdout.strip())


if __name__ == "__main__":
    main()
