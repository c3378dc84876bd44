#!/usr/bin/python3
"""Every string id in app/resource.h has a number of its own and a text in both languages: two
texts on one number show one of them in the other's place (the resource compiler keeps either
without a word), and a text missing from one language shows empty there."""
import os
import re
import sys

REPO = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def main():
    header = open(os.path.join(REPO, 'app', 'resource.h'), encoding='utf-8').read()
    ids = re.findall(r'^#define (IDS_\w+) (\d+)', header, re.M)
    failed = []
    by_number = {}
    for name, number in ids:
        by_number.setdefault(number, []).append(name)
    failed += ['%s share %s' % (' and '.join(names), number) for number, names in by_number.items() if len(names) > 1]
    for rc in ('ravlin.rc', 'ravlin_en.rc'):
        text = open(os.path.join(REPO, 'app', rc), encoding='utf-8').read()
        given = set(re.findall(r'^\s+(IDS_\w+)\s+"', text, re.M))
        failed += ['%s has no text in %s' % (name, rc) for name, _ in ids if name not in given]
    for line in failed:
        print(line)
    print('%d string ids, %d faults' % (len(ids), len(failed)))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
