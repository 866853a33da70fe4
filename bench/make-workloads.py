#!/usr/bin/env python3
"""Makes the benchmark's workloads on the Linux side of the Wine drives.

tree ROOT FILES: 20,000 directories six levels deep below ROOT (5 at each of the first five
levels, the rest on the sixth), each holding FILES empty files.
config DIR [LINES]: DIR/HTTPD.CNF.original, a CERN-style rule file of LINES lines (100,000 when
not given), and DIR/vpsetup.ini whose [PELLAN BRELL] section has 20 entries, each of whose URL
patterns stands in the file with another target.
"""
import os
import sys

DIRECTORIES = 20000
DEPTH = 6
BRANCHING = 5
CONFIG_LINES = 100000
ENTRIES = 20


def make_tree(root, files_per_directory):
    levels = [[root]]
    for depth in range(1, DEPTH):
        levels.append([os.path.join(parent, "D%d-%d" % (depth, i))
                       for parent in levels[-1] for i in range(BRANCHING)])
    upper = sum(len(level) for level in levels[1:])
    leaves_wanted = DIRECTORIES - upper
    parents = levels[-1]
    leaves = [os.path.join(parents[n % len(parents)], "LEAF%05d" % n) for n in range(leaves_wanted)]
    for directory in [d for level in levels[1:] for d in level] + leaves:
        os.makedirs(directory, exist_ok=True)
        for f in range(files_per_directory):
            open(os.path.join(directory, "PAGE%04d.HTM" % f), "wb").close()


def make_config(directory, line_count=CONFIG_LINES):
    lines = ["# Pellan Brell rule file of a busy site", "Map  /  /index.html"]
    rules = line_count - len(lines)
    every = rules // ENTRIES
    for n in range(rules):
        if n % every == every // 2 and n // every < ENTRIES:
            entry = n // every
            lines.append("Pass  /linkwell-%02d/*  C:\\OLDPROD\\PAGES%02d\\*" % (entry, entry))
        elif n % 10 == 9:
            lines.append("# site %06d: pages of one department, kept as they were" % n)
        else:
            lines.append("Pass  /site%06d/*  D:\\WEBSITES\\SITE%06d\\HTDOCS\\*" % (n, n))
    with open(os.path.join(directory, "HTTPD.CNF.original"), "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("ascii"))
    template = ["[PELLAN BRELL]"]
    template += ["/linkwell-%02d/*, webadmin\\pages%02d\\*, Pass," % (e, e) for e in range(ENTRIES)]
    template.append("[END]")
    with open(os.path.join(directory, "vpsetup.ini"), "wb") as f:
        f.write(("\r\n".join(template) + "\r\n").encode("ascii"))


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "tree":
        make_tree(sys.argv[2], int(sys.argv[3]))
    elif len(sys.argv) in (3, 4) and sys.argv[1] == "config":
        make_config(sys.argv[2], *[int(a) for a in sys.argv[3:]])
    else:
        sys.exit(__doc__)
