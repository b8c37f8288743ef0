#!/usr/bin/env python3
"""A Wine prefix's registry as sorted text lines, for diffs of one prefix before and after.

Usage: registry_lines.py snapshot PREFIX    every key and value of HKLM and HKCU, one a line
       registry_lines.py classes BEFORE AFTER [--one-view]
           the class registrations AFTER added to BEFORE, as COM sees them: HKCU's and HKLM's
           Software\\Classes as one root, key names in any case, a folder with or without its
           final backslash (an installer writes folders with one); Windows Installer's own
           product records (Classes\\Installer) left out. --one-view: the 32-bit view's keys
           (Wow6432Node) as the 64-bit view's: Wine's HKCU has one view, and it registers a
           type library per user in both views of HKLM.
The prefix's server must have saved the registry (wineserver -w).
"""
import re
import sys

# Keys Wine rewrites at every start of a session (devices, fonts): not ours, never compared.
VOLATILE = re.compile(r'^HKLM\\System\\CurrentControlSet\\(Control\\Class|Control\\DeviceClasses|Enum)\\'
                      r'|^HKLM\\Software\\(Wow6432Node\\)?Wine\\Fonts|^HKCU\\Software\\Wine\\Fonts'
                      # Windows Installer's empty lists of products and components stay once it has
                      # run, as on every Windows.
                      r'|^HK(CU|LM)\\Software\\(Classes\\|Microsoft\\(Windows\\CurrentVersion\\)?)Installer\\[^\t]*$', re.I)


def lines_of(path, hive):
    out = []
    key = None
    value = ''
    with open(path, encoding='utf-8', errors='surrogateescape') as f:
        for raw in f:
            line = raw.rstrip('\n')
            if value:
                value += line.strip()
                if not line.endswith('\\'):
                    out.append('%s\t%s' % (key, value))
                    value = ''
                continue
            header = re.match(r'^\[(.*)\] \d+$', line)
            if header:
                key = hive + '\\' + header.group(1).replace('\\\\', '\\')
                out.append(key)
            elif key and line and line[0] in '"@':
                if line.endswith('\\'):
                    value = line[:-1]
                else:
                    out.append('%s\t%s' % (key, line))
    return [line for line in out if not VOLATILE.match(line)]


def snapshot(prefix):
    return sorted(lines_of(prefix + '/system.reg', 'HKLM') + lines_of(prefix + '/user.reg', 'HKCU'))


def classes(before_file, after_file, one_view):
    with open(before_file) as f:
        before = set(f.read().splitlines())
    with open(after_file) as f:
        added = [line for line in f.read().splitlines() if line not in before]
    view = set()
    for line in added:
        match = re.match(r'^(HKLM|HKCU)\\Software\\Classes\\(.*?)(\t.*)?$', line, re.I)
        if match and not match.group(2).lower().startswith('installer\\'):
            value = re.sub(r'\\\\"$', '"', match.group(3) or '')
            key = match.group(2).lower()
            if one_view and key.startswith('wow6432node\\'):
                key = key[len('wow6432node\\'):]
            view.add('Classes\\' + key + value)
    return sorted(view)


if __name__ == '__main__':
    if len(sys.argv) == 3 and sys.argv[1] == 'snapshot':
        print('\n'.join(snapshot(sys.argv[2])))
    elif len(sys.argv) in (4, 5) and sys.argv[1] == 'classes':
        print('\n'.join(classes(sys.argv[2], sys.argv[3], sys.argv[4:] == ['--one-view'])))
    else:
        sys.exit(__doc__)
