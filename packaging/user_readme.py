"""Writes the README that the packages carry (README.txt): README.md without
what only developers need - the sections below and the passages between
<!-- developers --> and <!-- /developers --> - with CR LF line ends, as
Notepad shows them.
    python3 packaging/user_readme.py README.md README.txt"""
import re
import sys

DEVELOPER_SECTIONS = ('The two commands', 'Building by hand', 'Source layout',
                      'Fuzzing and benchmarking the remote-control protocol')


def user_readme(text):
    kept = []
    skipping_section = skipping_passage = False
    for line in text.splitlines():
        heading = re.match(r'## (.*)$', line)
        if heading:
            skipping_section = heading.group(1) in DEVELOPER_SECTIONS
        if line.strip() == '<!-- developers -->':
            skipping_passage = True
            continue
        if line.strip() == '<!-- /developers -->':
            skipping_passage = False
            continue
        if not (skipping_section or skipping_passage):
            kept.append(line)
    # No run of blank lines where a passage was left out.
    return re.sub(r'\n{3,}', '\n\n', '\n'.join(kept).strip() + '\n')


if __name__ == '__main__':
    source, target = sys.argv[1:]
    with open(source, encoding='utf-8') as f:
        text = user_readme(f.read())
    with open(target, 'w', encoding='utf-8', newline='\r\n') as f:
        f.write(text)
