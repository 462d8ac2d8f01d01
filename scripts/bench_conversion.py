"""The whole-conversion benchmark: ovix-convert turns the 200,000-entity benchmark
drawing into a saved workbook, and ezdxf.readfile reads the same file, in turns,
RUNS times each; prints min and median of CPU time (user + system), wall time
and peak memory, and the ratios. Run it through scripts/bench-conversion.sh.

Drawings (--drawing):
  gen_big  the shared generator ../shared/bench/gen_big.py (needs python3-ezdxf)
  own      the project's generator of the same mix (build/bench/app/ovix_mixed_drawing)
  both     both, and how far apart their figures are
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
BUILD = Path(os.environ.get('OVIX_BUILD_DIR', ROOT / 'build'))
SHARED = Path(os.environ.get('OVIX_SHARED_DIR', ROOT.parent / 'shared'))
SYSTEM_PYTHON = '/usr/bin/python3'  # where Debian's python3-ezdxf lives
DATA = BUILD / 'bench-data'

READ_WITH_EZDXF = r'''
import sys, time
import ezdxf
c0, w0 = time.process_time(), time.perf_counter()
ezdxf.readfile(sys.argv[1])
print(time.process_time() - c0, time.perf_counter() - w0)
'''


def have_ezdxf():
    return subprocess.run([SYSTEM_PYTHON, '-c', 'import ezdxf'], capture_output=True).returncode == 0


def drawing(kind, entities):
    DATA.mkdir(parents=True, exist_ok=True)
    path = DATA / f'{kind}-{entities}.dxf'
    if path.exists():
        return path
    tmp = path.with_suffix('.part')
    print(f'writing {path.name} ...', file=sys.stderr, flush=True)
    if kind == 'gen_big':
        subprocess.run([SYSTEM_PYTHON, str(SHARED / 'bench' / 'gen_big.py'), str(entities), str(tmp)], check=True)
    else:
        subprocess.run([str(BUILD / 'bench' / 'app' / 'ovix_mixed_drawing'), str(entities), str(tmp)], check=True)
    tmp.rename(path)
    return path


def run_ovix(dxf, out, binary=None):
    if out.exists():
        out.unlink()
    w0 = time.perf_counter()
    proc = subprocess.Popen([str(binary or BUILD / 'app' / 'ovix-convert'), str(dxf), str(out), '--save-close'],
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - w0
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f'ovix-convert failed: {proc.stderr.read().decode(errors="replace")}')
    return {'cpu': usage.ru_utime + usage.ru_stime, 'user': usage.ru_utime, 'sys': usage.ru_stime,
            'wall': wall, 'rss_mb': usage.ru_maxrss / 1024.0, 'xlsx_mb': out.stat().st_size / 1e6}


def run_ezdxf(dxf):
    proc = subprocess.Popen([SYSTEM_PYTHON, '-c', READ_WITH_EZDXF, str(dxf)], stdout=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit('ezdxf.readfile failed')
    cpu, wall = (float(v) for v in proc.stdout.read().split())
    return {'cpu': cpu, 'wall': wall, 'rss_mb': usage.ru_maxrss / 1024.0}


def summary(runs, key):
    values = [r[key] for r in runs]
    return min(values), statistics.median(values)


def measure(kind, entities, runs, with_ezdxf, baseline):
    dxf = drawing(kind, entities)
    out = DATA / f'{kind}-{entities}.xlsx'
    ovix, ez, base = [], [], []
    for i in range(runs):
        ovix.append(run_ovix(dxf, out))
        if with_ezdxf:
            ez.append(run_ezdxf(dxf))
        if baseline:
            base.append(run_ovix(dxf, DATA / f'{kind}-{entities}-baseline.xlsx', baseline))
        print(f'  run {i + 1}/{runs}: ovix {ovix[-1]["cpu"]:.2f} s CPU, {ovix[-1]["wall"]:.2f} s wall'
              + (f'; ezdxf {ez[-1]["cpu"]:.2f} s CPU, {ez[-1]["wall"]:.2f} s wall' if ez else '')
              + (f'; baseline {base[-1]["cpu"]:.2f} s CPU' if base else ''),
              file=sys.stderr, flush=True)
    return dxf, ovix, ez, base


def print_ovix(label_prefix, runs):
    for key, label in (('cpu', 'CPU s (user+sys)'), ('user', '  user s'), ('sys', '  sys s'),
                       ('wall', 'wall s'), ('rss_mb', 'peak MB'), ('xlsx_mb', 'workbook MB')):
        lo, med = summary(runs, key)
        print(f'| {label_prefix} {label} | {lo:.2f} | {med:.2f} |')


def report(kind, entities, dxf, ovix, ez, base):
    print(f'\n{kind} drawing, {entities:,} entities ({dxf.stat().st_size / 1e6:.1f} MB), '
          f'{len(ovix)} runs, load average {os.getloadavg()[0]:.1f} on {os.cpu_count()} cores')
    print('| | min | median |')
    print('|---|---|---|')
    print_ovix('ovix-convert', ovix)
    if base:
        print_ovix('baseline', base)
    if ez:
        for key, label in (('cpu', 'ezdxf.readfile CPU s'), ('wall', 'ezdxf.readfile wall s'),
                           ('rss_mb', 'ezdxf peak MB')):
            lo, med = summary(ez, key)
            print(f'| {label} | {lo:.2f} | {med:.2f} |')
        for key, label in (('cpu', 'CPU: ezdxf / ovix'), ('wall', 'wall: ezdxf / ovix')):
            print(f'| {label} | {summary(ez, key)[0] / summary(ovix, key)[0]:.1f}x '
                  f'| {summary(ez, key)[1] / summary(ovix, key)[1]:.1f}x |')


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('--entities', type=int, default=200000)
    parser.add_argument('--runs', type=int, default=5)
    parser.add_argument('--drawing', choices=['gen_big', 'own', 'both'], default=None)
    parser.add_argument('--no-ezdxf', action='store_true', help='measure ovix-convert only')
    parser.add_argument('--baseline', type=Path, help='another ovix-convert (an earlier build) measured in turn')
    args = parser.parse_args()
    ezdxf_present = have_ezdxf()
    kind = args.drawing or ('gen_big' if ezdxf_present and (SHARED / 'bench' / 'gen_big.py').exists() else 'own')
    kinds = ['gen_big', 'own'] if kind == 'both' else [kind]
    with_ezdxf = ezdxf_present and not args.no_ezdxf
    if not ezdxf_present:
        print('ezdxf is not installed (Debian package python3-ezdxf): ovix-convert only', file=sys.stderr)
    results = {}
    for k in kinds:
        results[k] = measure(k, args.entities, args.runs, with_ezdxf, args.baseline)
    for k in kinds:
        report(k, args.entities, *results[k])
    if len(kinds) == 2:
        print('\nown drawing against gen_big.py (medians):')
        for key in ('cpu', 'wall', 'rss_mb', 'xlsx_mb'):
            a, b = summary(results['gen_big'][1], key)[1], summary(results['own'][1], key)[1]
            print(f'  {key}: {b:.2f} against {a:.2f} ({(b - a) / a * 100:+.1f} %)')


if __name__ == '__main__':
    main()
