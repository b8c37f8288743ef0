#!/usr/bin/env python3
"""Checks that each folder includes only the floors below it (and test code also the fixtures).

Usage: check-floors.py REPOSITORY_ROOT. Prints each include that climbs and exits 1 if any does.
"""
import os
import re
import sys

# Each folder and the folders its product code may include, besides itself. Longest prefix wins.
FLOORS = {
    'win32/': [],
    'twain/': [],
    'imaging/': ['twain/', 'win32/'],
    'engine/': ['imaging/', 'twain/', 'win32/'],
    'com/': ['win32/'],
    'servers/vantrel/': ['com/', 'engine/', 'imaging/', 'twain/', 'win32/'],
    'servers/vantrel_scan/': ['com/', 'engine/', 'imaging/', 'twain/', 'win32/'],
    # The scan service: its pure logic, and the program that puts it on the engine.
    'service/': ['imaging/', 'twain/'],
    'servers/vantrel_service/': ['service/', 'engine/', 'imaging/', 'twain/', 'win32/'],
    'cli/': ['engine/', 'imaging/', 'twain/', 'win32/'],
    # The installer's registry rows come from the servers' own records.
    'installer/': ['com/', 'servers/', 'win32/'],
    # The test counterpart: a data source of its own, independent of the engine.
    'scanner/': ['imaging/', 'twain/', 'win32/'],
    # Clients of the servers: they reach them through COM, never through their code.
    'demo/': ['imaging/', 'win32/'],
    'examples/': ['win32/'],
    # Programs that drive the others, as the tests do, with the tests' fixtures.
    'tools/': ['demo/', 'tests/', 'win32/'],
    'bench/': ['cli/', 'engine/', 'imaging/', 'scanner/', 'tests/', 'twain/', 'win32/'],
    'tests/': ['engine/', 'imaging/', 'scanner/', 'twain/', 'win32/'],
}
# Test code (a tests/ or fuzz/ folder) may use the shared fixtures and test helpers of the floors
# it may use.
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def floor_of(path):
    best = None
    for prefix in FLOORS:
        if path.startswith(prefix) and (best is None or len(prefix) > len(best)):
            best = prefix
    return best


def main(root):
    problems = []
    for folder, _, names in os.walk(root):
        rel_folder = os.path.relpath(folder, root)
        if rel_folder.startswith(('build', '.git')):
            continue
        for name in names:
            if not name.endswith(('.cpp', '.h', '.c')):
                continue
            path = os.path.normpath(os.path.join(rel_folder, name)).replace(os.sep, '/')
            floor = floor_of(path)
            if floor is None:
                continue
            allowed = [floor] + FLOORS[floor]
            is_test = re.search(r'(^|/)(tests|fuzz)/', path[len(floor):]) is not None or floor == 'tests/'
            with open(os.path.join(root, path), encoding='utf-8') as f:
                for included in INCLUDE.findall(f.read()):
                    if '/' not in included:
                        continue  # generated in the build tree: a server's own contract header
                    if any(included.startswith(a) for a in allowed):
                        continue
                    if is_test and included.startswith('tests/'):
                        continue
                    problems.append(f'{path}: includes "{included}" from a floor it may not use')
    for p in sorted(problems):
        print(p)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1]))
