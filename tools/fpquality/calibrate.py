#!/usr/bin/python3
"""Calibration of the quality scorer against NFIQ 1's intermediate results.

The calibration folder holds prints with NFIQ 1's value and what it computed on the way:
the eleven features, their normalised form (z_1..z_11) and the network's five output
activations (act_1..act_5); its README gives the columns.

  calibrate.py network CALIB_DIR [--hidden 22] [--iterations 300] [--folds FILE] [--write SOURCE]
      Fits the perceptron from the reference's own normalised features to its
      activations and reports how well it agrees with the reference, on all prints and
      with each finger group left out in turn (--folds saves those fold networks for
      the `stages` report). --write puts the fitted network into NfiqNetwork.cpp.

  calibrate.py stagenet FPQUALITY CALIB_DIR [--hidden 8] [--iterations 100] [--decay 0.01] [--write SOURCE]
      Fits the network the scorer uses: from the features of our own stages (fpquality -v),
      normalised over the calibration prints, to the reference's five activations, with
      weight decay. Reports the agreement with each finger group left out in turn (fitted
      without the group, scored on it), then fits on all prints; --write puts that network
      into NfiqNetwork.cpp (between BEGIN/END FITTED STAGE NETWORK).

  calibrate.py substitute FPQUALITY CALIB_DIR --folds FILE [--set NAME=VALUE]...
      What each of our features costs: the reference's own features with ours put in for
      one feature (then for one stage, then all), each print scored by the reference
      network fitted without its finger group (the `network --folds` file). Fed the
      reference's features alone these networks agree 86 % held out; the drop with a
      feature of ours in is that feature's share of the gap.

  calibrate.py stages FPQUALITY CALIB_DIR [--every N] [--set NAME=VALUE]... [--folds FILE] [--worst FEATURE]
      Runs `fpquality -v` on the prints (every Nth row only, to iterate quickly) and
      reports, per stage and per feature, the median and 90th percentile of the error
      against the reference, then the agreement of the values: with the network built
      into fpquality, and (with --folds) with each print scored by the network fitted
      without its finger group.

Needs Debian's python3-numpy. Run it niced: nice -n 10 tools/fpquality/calibrate.py ...
"""
import argparse, csv, os, re, subprocess, sys
import numpy as np

FEATURES = ['foreground_blocks', 'minutiae_total'] + ['minutiae_rel_gt_0.%d' % i for i in range(5, 10)] + \
    ['qmap_frac_%d' % i for i in range(1, 5)]
OURS = ['fg', 'min', 'r5', 'r6', 'r7', 'r8', 'r9', 'q1', 'q2', 'q3', 'q4']
STAGES = [('foreground', [0]), ('quality zones', [7, 8, 9, 10]), ('minutiae', [1, 2, 3, 4, 5, 6])]


def load(calib_dir):
    with open(os.path.join(calib_dir, 'calib.csv'), newline='') as f:
        return list(csv.DictReader(f))


def reference_arrays(rows):
    rows = [r for r in rows if r['z_1']]
    X = np.array([[float(r[c]) for c in FEATURES] for r in rows])
    Z = np.array([[float(r['z_%d' % i]) for i in range(1, 12)] for r in rows])
    A = np.array([[float(r['act_%d' % i]) for i in range(1, 6)] for r in rows])
    return rows, X, Z, A


def normalisation(X, Z):
    """Mean and deviation of each feature from the exact linear relation z = (f - mean) / dev."""
    mean, dev = [], []
    for j in range(X.shape[1]):
        slope, icpt = np.polyfit(X[:, j], Z[:, j], 1)
        dev.append(1 / slope)
        mean.append(-icpt / slope)
    return np.array(mean), np.array(dev)


# The perceptron: N inputs (11: NFIQ 1's features), H logistic hidden units, 5 logistic outputs;
# parameters in one vector.
def unpack(t, H):
    n = (len(t) - 6 * H - 5) // H
    return t[:n * H].reshape(n, H), t[n * H:(n + 1) * H], t[(n + 1) * H:(n + 6) * H].reshape(H, 5), t[(n + 6) * H:]


def forward(t, H, Z):
    W1, b1, W2, b2 = unpack(t, H)
    h = 1 / (1 + np.exp(-(Z @ W1 + b1)))
    return h, 1 / (1 + np.exp(-(h @ W2 + b2)))


def jacobian(t, H, Z):
    W1, b1, W2, b2 = unpack(t, H)
    h, o = forward(t, H, Z)
    n = len(Z)
    do, dh = o * (1 - o), h * (1 - h)
    eye = np.eye(5)
    jw2 = np.einsum('no,nj,op->nojp', do, h, eye).reshape(n, 5, -1)
    jb2 = np.einsum('no,op->nop', do, eye)
    jb1 = np.einsum('no,jo,nj->noj', do, W2, dh)
    jw1 = np.einsum('noj,ni->noij', jb1, Z).reshape(n, 5, -1)
    return o, np.concatenate([jw1, jb1, jw2, jb2], axis=2).reshape(n * 5, -1)


def fit(Z, A, H, iterations, seed=1, decay=0.0):
    """Levenberg-Marquardt on the squared error of the activations, plus decay times the
    squared weights (biases free): a network with small weights follows the reference's
    smooth response instead of bending to every print, so near-miss features of our own
    stages move its output little."""
    n = Z.shape[1]
    t = np.random.default_rng(seed).normal(0, 0.3, (n + 6) * H + 5)
    mask = np.ones_like(t)
    mask[n * H:(n + 1) * H] = 0
    mask[(n + 6) * H:] = 0
    D = decay * mask
    lam = 1e-2
    total = lambda u: ((forward(u, H, Z)[1] - A) ** 2).sum() + (D * u * u).sum()
    cost = total(t)
    for _ in range(iterations):
        o, J = jacobian(t, H, Z)
        JTJ, g = J.T @ J + np.diag(D), J.T @ (o - A).ravel() + D * t
        while True:
            step = np.linalg.solve(JTJ + lam * (np.diag(np.diag(JTJ)) + 1e-6 * np.eye(len(t))), -g)
            c = total(t + step)
            if c < cost:
                t, cost, lam = t + step, c, max(lam / 3, 1e-9)
                break
            lam *= 4
            if lam > 1e8:
                return t
    return t


def agreement(ref, ours):
    ref, ours = np.asarray(ref), np.asarray(ours)
    return (np.mean(ref == ours), np.mean(np.abs(ref - ours) <= 1), np.mean((ref <= 3) == (ours <= 3)))


def fmt_agreement(a):
    return 'exact %5.1f %%, within one %5.1f %%, good/poor %5.1f %%' % tuple(100 * x for x in a)


def cpp_block(H, mean, dev, t, bounds=None):
    W1, b1, W2, b2 = unpack(t, H)
    num = lambda v: '%.9g' % v
    row = lambda vs: '{' + ', '.join(num(v) for v in vs) + '}'
    lines = ['constexpr int Hidden = %d;' % H,
             'constexpr double Mean[11] = %s;' % row(mean),
             'constexpr double Deviation[11] = %s;' % row(dev)]
    if bounds is not None:
        lines += ['constexpr double Lowest[11] = %s;' % row(bounds[0]),
                  'constexpr double Highest[11] = %s;' % row(bounds[1])]
    lines += ['constexpr double HiddenWeight[Hidden][11] = {']
    lines += ['    %s,' % row(W1[:, j]) for j in range(H)]
    lines += ['};', 'constexpr double HiddenBias[Hidden] = %s;' % row(b1), 'constexpr double OutputWeight[5][Hidden] = {']
    lines += ['    %s,' % row(W2[:, k]) for k in range(5)]
    lines += ['};', 'constexpr double OutputBias[5] = %s;' % row(b2)]
    return '\n'.join(lines)


def cmd_network(args):
    rows, X, Z, A = reference_arrays(load(args.calib))
    H = args.hidden
    mean, dev = normalisation(X, Z)
    ref = np.array([int(r['nfiq']) for r in rows])
    t = fit(Z, A, H, args.iterations, decay=args.decay)
    o = forward(t, H, Z)[1]
    err = np.abs(o - A)
    print('network %d-%d-5 on all %d prints with features: %s; activation error median %.4f, p90 %.4f, max %.4f'
          % (11, H, len(rows), fmt_agreement(agreement(ref, o.argmax(1) + 1)), np.median(err),
             np.percentile(err, 90), err.max()))
    if args.folds:
        groups = np.array([r['finger_group'] for r in rows])
        folds, pred, errs = {}, np.zeros(len(rows), int), []
        for g in sorted(set(groups)):
            out = groups == g
            tg = fit(Z[~out], A[~out], H, args.iterations, decay=args.decay)
            og = forward(tg, H, Z[out])[1]
            pred[out] = og.argmax(1) + 1
            errs.append(np.abs(og - A[out]).ravel())
            folds[g] = tg
            print('  fold %-28s %3d prints' % (g, out.sum()), file=sys.stderr)
        e = np.concatenate(errs)
        print('network, each finger group left out: %s; activation error median %.4f, p90 %.4f'
              % (fmt_agreement(agreement(ref, pred)), np.median(e), np.percentile(e, 90)))
        np.savez(args.folds, hidden=H, mean=mean, dev=dev, groups=np.array(sorted(folds)),
                 weights=np.array([folds[g] for g in sorted(folds)]))
    write_block(args.write, 'FITTED NETWORK', cpp_block(H, mean, dev, t))


def write_block(path, marker, block):
    if not path:
        print(block)
        return
    with open(path) as f:
        src = f.read()
    src, n = re.subn(r'(// BEGIN %s\n).*?(// END %s)' % (marker, marker), lambda m: m.group(1) + block + '\n' + m.group(2),
                     src, flags=re.S)
    if n != 1:
        sys.exit('%s: no BEGIN/END %s block' % (path, marker))
    with open(path, 'w') as f:
        f.write(src)


def cmd_stagenet(args):
    """The scorer's network: our stages' features in, the reference's activations out."""
    rows = load(args.calib)
    results = run_all(args.fpquality, rows, args.calib, args.set)
    have = [i for i, r in enumerate(rows) if r['z_1'] and results[i][1] == 0]
    Y = np.array([[results[i][2][c] for c in OURS] for i in have])
    A = np.array([[float(rows[i]['act_%d' % k]) for k in range(1, 6)] for i in have])
    mean, dev = Y.mean(0), Y.std(0)
    dev[dev == 0] = 1
    Z = (Y - mean) / dev
    H = args.hidden
    # Held out: each print scored by the network fitted without its finger group. Prints our
    # stages do not score (code 1 or 2) get 5, as in the scorer. The scorer holds each feature
    # within the range of the prints the network was fitted on (outside, the network was never
    # fitted and extrapolates wildly), so the held-out prints are held within their fold's range.
    groups = np.array([r['finger_group'] for r in rows])
    held = np.full(len(rows), 5)
    yall = {i: np.array([results[i][2][c] for c in OURS]) for i in range(len(rows)) if results[i][1] == 0}
    hg = groups[have]
    for g in sorted(set(groups)):
        tg = fit(Z[hg != g], A[hg != g], H, args.iterations, decay=args.decay)
        low, high = Y[hg != g].min(0), Y[hg != g].max(0)
        for i in range(len(rows)):
            if groups[i] == g and i in yall:
                z = (np.clip(yall[i], low, high) - mean) / dev
                held[i] = forward(tg, H, z[None])[1].argmax(1)[0] + 1
        print('  fold %-28s' % g, file=sys.stderr)
    ref = np.array([int(r['nfiq']) for r in rows])
    print('stage network %d-%d-5, decay %g, each finger group left out (%d prints): %s'
          % (11, H, args.decay, len(rows), fmt_agreement(agreement(ref, held))))
    print_confusion(ref, held)
    t = fit(Z, A, H, args.iterations, decay=args.decay)
    pred = forward(t, H, Z)[1].argmax(1) + 1
    print('fitted on all %d prints with features, scored on them (not a held-out figure): %s'
          % (len(have), fmt_agreement(agreement(np.array([int(rows[i]['nfiq']) for i in have]), pred))))
    write_block(args.write, 'FITTED STAGE NETWORK', cpp_block(H, mean, dev, t, (Y.min(0), Y.max(0))))


def print_confusion(ref, ours):
    confusion = np.zeros((5, 5), int)
    for a, b in zip(ref, ours):
        confusion[a - 1, b - 1] += 1
    print('reference (rows) against ours (columns):\n%s' % confusion)


def run_fpquality(tool, paths, settings):
    cmd = ['nice', '-n', '10', tool, '-v'] + sum((['--set', s] for s in settings), []) + paths
    out = subprocess.run(cmd, capture_output=True, text=True).stdout.split('\n')
    result = []
    for i in range(len(paths)):
        nfiq, code = out[2 * i].split()
        d = dict(kv.split('=') for kv in out[2 * i + 1].split())
        result.append((int(nfiq), int(code), {k: float(v) for k, v in d.items()}))
    return result


def run_all(tool, rows, calib_dir, settings):
    """fpquality -v on the rows' prints, in two processes."""
    paths = [os.path.join(calib_dir, r['file']) for r in rows]
    chunks = [paths[i::2] for i in range(2)]
    procs = [subprocess.Popen([sys.executable, __file__, '_run', tool] + sum((['--set', s] for s in settings), [])
                              + c, stdout=subprocess.PIPE, text=True) for c in chunks]
    outs = [eval(p.communicate()[0]) for p in procs]
    results = [None] * len(rows)
    for k, out in enumerate(outs):
        for j, r in enumerate(out):
            results[k + 2 * j] = r
    return results


def cmd_stages(args):
    rows = load(args.calib)[::args.every]
    results = run_all(args.fpquality, rows, args.calib, args.set)
    ref = np.array([int(r['nfiq']) for r in rows])
    ours = np.array([n for n, _, _ in results])
    have = [i for i, r in enumerate(rows) if r['z_1']]
    X = np.array([[float(rows[i][c]) for c in FEATURES] for i in have])
    Y = np.array([[results[i][2].get(c, 0.0) for c in OURS] for i in have])
    print('%d prints (%d with a reference feature vector)' % (len(rows), len(have)))
    print('%-14s %-6s %10s %10s %10s %10s' % ('stage', 'feature', 'ref median', 'err median', 'err p90', 'bias'))
    for stage, idx in STAGES:
        for j in idx:
            e = Y[:, j] - X[:, j]
            print('%-14s %-6s %10.3f %10.3f %10.3f %+10.3f' % (stage, OURS[j], np.median(X[:, j]),
                                                            np.median(np.abs(e)), np.percentile(np.abs(e), 90),
                                                            np.median(e)))
    if args.worst:
        j = OURS.index(args.worst)
        order = np.argsort(-np.abs(Y[:, j] - X[:, j]))[:10]
        print('largest %s errors:' % args.worst)
        for k in order:
            r = rows[have[k]]
            print('  %8.3f ours %8.3f  %s %dx%d %s' % (X[k, j], Y[k, j], r['file'], int(r['width']), int(r['height']),
                                                   r['transform']))
    codes = np.array([c for _, c, _ in results])
    print('result codes: %s' % {int(c): int((codes == c).sum()) for c in sorted(set(codes))})
    print('values, network built in (fitted on all the calibration prints, so not a held-out figure): %s'
          % fmt_agreement(agreement(ref, ours)))
    if args.folds:
        H, mean, dev, fold = fold_networks(args.folds)
        held = ours.copy()
        for i, r in enumerate(rows):
            if codes[i] == 0:
                z = (np.array([results[i][2][c] for c in OURS]) - mean) / dev
                held[i] = forward(fold[r['finger_group']], H, z[None])[1].argmax(1)[0] + 1
        print('values, network fitted without the print\'s finger group:        %s' % fmt_agreement(agreement(ref, held)))
    print_confusion(ref, ours)


def fold_networks(path):
    f = np.load(path)
    return int(f['hidden']), f['mean'], f['dev'], {g: w for g, w in zip(f['groups'], f['weights'])}


def cmd_substitute(args):
    rows = load(args.calib)
    results = run_all(args.fpquality, rows, args.calib, args.set)
    H, mean, dev, fold = fold_networks(args.folds)
    ref = np.array([int(r['nfiq']) for r in rows])
    # Prints without a reference feature vector keep the reference's 5; prints our stages do
    # not score (code 1 or 2) get 5, as in the scorer.
    both = [i for i, r in enumerate(rows) if r['z_1']]
    X = {i: np.array([float(rows[i][c]) for c in FEATURES]) for i in both}
    Y = {i: np.array([results[i][2][c] for c in OURS]) for i in both if results[i][1] == 0}
    cases = [('(none)', [])] + [(OURS[j], [j]) for j in range(11)] + [(name, idx) for name, idx in STAGES]
    cases.append(('all', list(range(11))))
    print('reference features with ours put in, reference network fitted without the print\'s finger group:')
    for name, idx in cases:
        held = ref.copy()
        for i in both:
            if idx and i not in Y:
                held[i] = 5
                continue
            x = X[i].copy()
            if idx:
                x[idx] = Y[i][idx]
            held[i] = forward(fold[rows[i]['finger_group']], H, ((x - mean) / dev)[None])[1].argmax(1)[0] + 1
        print('  %-14s %s' % (name, fmt_agreement(agreement(ref, held))))


def main():
    if len(sys.argv) > 1 and sys.argv[1] == '_run':  # one worker of `stages`
        tool, rest = sys.argv[2], sys.argv[3:]
        settings = [rest[i + 1] for i in range(len(rest)) if rest[i] == '--set']
        paths = [p for i, p in enumerate(rest) if p != '--set' and (i == 0 or rest[i - 1] != '--set')]
        out = []
        for i in range(0, len(paths), 25):
            out += run_fpquality(tool, paths[i:i + 25], settings)
        print(repr(out))
        return
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest='command', required=True)
    n = sub.add_parser('network')
    n.add_argument('calib')
    n.add_argument('--hidden', type=int, default=22)
    n.add_argument('--iterations', type=int, default=300)
    n.add_argument('--folds')
    n.add_argument('--decay', type=float, default=0.0)
    n.add_argument('--write')
    s = sub.add_parser('stages')
    s.add_argument('fpquality')
    s.add_argument('calib')
    s.add_argument('--every', type=int, default=1)
    s.add_argument('--set', action='append', default=[])
    s.add_argument('--folds')
    s.add_argument('--worst', help='list the prints with the largest errors of this feature (fg, min, q1, ...)')
    u = sub.add_parser('substitute')
    u.add_argument('fpquality')
    u.add_argument('calib')
    u.add_argument('--folds', required=True)
    u.add_argument('--set', action='append', default=[])
    t = sub.add_parser('stagenet')
    t.add_argument('fpquality')
    t.add_argument('calib')
    t.add_argument('--hidden', type=int, default=8)
    t.add_argument('--iterations', type=int, default=100)
    t.add_argument('--decay', type=float, default=0.01)
    t.add_argument('--set', action='append', default=[])
    t.add_argument('--write')
    args = parser.parse_args()
    {'network': cmd_network, 'stages': cmd_stages, 'stagenet': cmd_stagenet,
     'substitute': cmd_substitute}[args.command](args)


if __name__ == '__main__':
    main()
