#!/usr/bin/python3
"""Every text the program shows lives in the resources, in both languages: no string literal in
the program's code holds a Chinese character (comments may). A text written into the code would
stay Chinese on an English system."""
import os
import re
import sys

REPO = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
FOLDERS = ('app', 'region', 'record', 'skin', 'win', 'gif')
# A literal or a comment, whichever starts first, so that "//" inside a literal is no comment.
TOKEN = re.compile(r'L?"(?:[^"\\\n]|\\.)*"|//[^\n]*|/\*.*?\*/', re.S)
CHINESE = re.compile('[\u3000-\u9fff\uff00-\uffef]')


def literals(code):
    return [t for t in TOKEN.findall(code) if not t.startswith('/')]


def main():
    found = []
    for folder in FOLDERS:
        for root, _, files in os.walk(os.path.join(REPO, folder)):
            for name in files:
                if not name.endswith(('.cpp', '.h')):
                    continue
                path = os.path.join(root, name)
                with open(path, encoding='utf-8') as f:
                    code = f.read()
                for literal in literals(code):
                    if CHINESE.search(literal):
                        found.append('%s: %s' % (os.path.relpath(path, REPO), literal))
    for line in found:
        print(line)
    print('%d passed, %d failed' % (0 if found else 1, 1 if found else 0))
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main())
