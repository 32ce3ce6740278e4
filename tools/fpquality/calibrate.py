#!/usr/bin/env python3
"""Calibration of the quality scorer's NFIQ cuts on a labelled finger set.

Usage: calibrate.py FPQUALITY FINGERS_CSV BMP_FOLDER

Runs `fpquality -v` on every labelled 500 ppi image, then searches the four cuts of the
combined score (reliable share - 0.1 ln(1 + minutiae above 0.5)) that maximise the three
agreement rates together, with cuts at least 5 % of the score range apart, and reports
the rates on the whole set and under leave-one-out (each image scored with cuts fitted on
the others), which is the better guess of the figures on images kept aside.
"""
import csv, itertools, math, subprocess, sys

def features(tool, path):
    out = subprocess.run([tool, '-v', path], capture_output=True, text=True, check=True).stdout.split('\n')
    d = dict(kv.split('=') for kv in out[1].split() if '=' in kv)
    return {k: float(v) for k, v in d.items()}

def score(d):
    return d['reliable'] / d['fg'] - 0.1 * math.log1p(d['r0'])

def nfiq(s, cuts):
    for k, c in enumerate(cuts):
        if s >= c:
            return k + 1
    return 5

def rates(rows, cuts):
    n = len(rows)
    same = sum(nfiq(s, cuts) == lab for lab, s in rows)
    near = sum(abs(nfiq(s, cuts) - lab) <= 1 for lab, s in rows)
    cls = sum((nfiq(s, cuts) <= 3) == (lab <= 3) for lab, s in rows)
    return same / n, near / n, cls / n

def fit(rows):
    vals = sorted(s for _, s in rows)
    gap = 0.05 * (vals[-1] - vals[0])
    cand = sorted({(a + b) / 2 for a, b in zip(vals, vals[1:])}, reverse=True)
    best = None
    for cuts in itertools.combinations(cand, 4):
        if min(cuts[i] - cuts[i + 1] for i in range(3)) < gap:
            continue
        r = rates(rows, cuts)
        key = (r[0] >= .5 and r[1] >= .8 and r[2] >= .8, sum(r))
        if best is None or key > best[0]:
            best = (key, cuts)
    return best[1]

def main():
    tool, table, folder = sys.argv[1:4]
    rows = []
    with open(table, newline='') as f:
        for row in csv.DictReader(f):
            if row['nfiq'] and row['ppi'] == '500':
                d = features(tool, folder + '/' + row['file'])
                if 'fg' in d and d['fg'] > 0:
                    rows.append((int(row['nfiq']), score(d)))
    cuts = fit(rows)
    print('cuts', [round(c, 3) for c in cuts])
    print('whole set: same %.3f, within one %.3f, good/poor %.3f' % rates(rows, cuts))
    loo = []
    for i in range(len(rows)):
        c = fit(rows[:i] + rows[i + 1:])
        loo.append((rows[i][0], nfiq(rows[i][1], c)))
    n = len(loo)
    print('leave-one-out: same %.3f, within one %.3f, good/poor %.3f' % (
        sum(a == b for a, b in loo) / n, sum(abs(a - b) <= 1 for a, b in loo) / n,
        sum((a <= 3) == (b <= 3) for a, b in loo) / n))

if __name__ == '__main__':
    main()
