#!/usr/bin/env python3
"""Writes the installer's WiX source for one architecture from the staged files and the servers' rows.

Usage: make_wxs.py VERSION ARCH STAGE OUT.wxs
ARCH x86: the 32-bit files; x64: those and the 64-bit ones (in x64\\). Windows Installer takes no
64-bit component in a 32-bit package, and installs an x64 package only on 64-bit Windows.
STAGE holds the files as shipped and, beside each server, NAME.dll.tsv: its registry rows from
registry_rows ({path}: the server's file, {folder}: its folder).
"""
import os
import re
import sys
from xml.sax.saxutils import quoteattr

# What the package holds, in the order registration runs (the README's): the 32-bit servers, then
# the 64-bit one. A later server's value replaces an earlier one's, as with regsvr32.
FILES_32 = ['Vantrel.dll', 'VantrelScan.dll', 'vantrel-scan.exe', 'vantrel-service.exe', 'VantrelDemo.exe',
            'VantrelDemo.ini', 'README.md', 'LICENSE.txt']
FILES_64 = ['x64/VantrelScan.dll', 'x64/vantrel-scan.exe', 'x64/vantrel-service.exe']
# The service's start at logon: the value its own --install writes (without options), under the
# scope's Run key (HKMU: HKCU per user, HKLM per machine). The widest service the package holds.
RUN_KEY = 'Software\\Microsoft\\Windows\\CurrentVersion\\Run'
RUN_VALUE = 'Vantrel scan service'
UPGRADE_CODE = '6F1C2D4E-8B3A-4C5D-9E7F-0A1B2C3D4E5F'
# Below the classes root these keys have one copy per registry view; every other key is shared.
PER_VIEW = ('clsid\\', 'interface\\')


def ident(prefix, name):
    return prefix + re.sub(r'[^A-Za-z0-9]', '_', name)


def rows_of(stage, name):
    with open(os.path.join(stage, name + '.tsv'), 'rb') as f:
        text = f.read().decode('utf-16-le')
    return [tuple(line.split('\t')) for line in text.splitlines() if line]


def registrations(stage, arch):
    """(component, win64, key, value name, value) for every row the package writes."""
    files = FILES_32 + (FILES_64 if arch == 'x64' else [])
    servers = [name for name in files if os.path.exists(os.path.join(stage, name + '.tsv'))]
    written = {}
    for name in servers:
        win64 = name.startswith('x64/')
        folder = '[X64DIR]' if win64 else '[INSTALLDIR]'
        for key, value_name, value in rows_of(stage, name):
            value = value.replace('{path}', '[#%s]' % ident('f_', name)).replace('{folder}', folder)
            per_view = key.lower().startswith(PER_VIEW)
            # On 64-bit Windows a shared key is written through the 64-bit view (Wine's installer
            # would put a 32-bit component's under Wow6432Node), and a 32-bit server's type library
            # registers its interfaces for 64-bit clients too (COM's surrogate marshals them there).
            views = [win64]
            if arch == 'x64' and not win64 and not per_view:
                views = [True]
            elif arch == 'x64' and not win64 and key.lower().startswith('interface\\'):
                views.append(True)
            for view in views:
                slot = (view if per_view else 'shared', key.lower(), value_name.lower())
                # The first registration's shared value stays: Wine's RegisterTypeLib keeps the
                # HELPDIR the 32-bit server wrote; every other shared value is the same from both.
                if slot not in written or per_view:
                    written.pop(slot, None)
                    written[slot] = (ident('c_', name) + ('_64' if view != win64 else ''), view, key, value_name, value)
    return list(written.values())


def registry_xml(rows, component):
    out = []
    for index, (owner, _, key, value_name, value) in enumerate(rows):
        if owner != component:
            continue
        name = ' Name=%s' % quoteattr(value_name) if value_name else ''
        # Ids in the order of registration, so the table lists the rows as regsvr32 writes them.
        out.append('<RegistryValue Id="r%04d" Root="HKMU" Key=%s%s Value=%s Type="string"/>' %
                   (index, quoteattr('Software\\Classes\\' + key), name, quoteattr(value)))
    return out


def main(version, arch, stage, output):
    files = FILES_32 + (FILES_64 if arch == 'x64' else [])
    rows = registrations(stage, arch)
    components = {'INSTALLDIR': [], 'X64DIR': []}
    refs = []
    for name in files:
        win64 = name.startswith('x64/')
        component = ident('c_', name)
        # wixl takes sources relative to the .wxs.
        source = os.path.relpath(os.path.join(stage, name), os.path.dirname(os.path.abspath(output)))
        body = ['<File Id="%s" Name=%s Source=%s KeyPath="yes"/>' %
                (ident('f_', name), quoteattr(os.path.basename(name)), quoteattr(source))]
        body += registry_xml(rows, component)
        components['X64DIR' if win64 else 'INSTALLDIR'].append(
            '<Component Id="%s" Guid="*"%s>%s</Component>' % (component, ' Win64="yes"' if win64 else '', ''.join(body)))
        refs.append(component)
        # A 32-bit server's rows in the 64-bit view (shared keys, its interfaces for 64-bit clients).
        extra = registry_xml(rows, component + '_64')
        if extra:
            extra[0] = extra[0].replace('/>', ' KeyPath="yes"/>', 1)
            components['INSTALLDIR'].append('<Component Id="%s_64" Guid="*" Win64="yes">%s</Component>' %
                                            (component, ''.join(extra)))
            refs.append(component + '_64')
    service = 'x64/vantrel-service.exe' if arch == 'x64' else 'vantrel-service.exe'
    components['X64DIR' if arch == 'x64' else 'INSTALLDIR'].append(
        '<Component Id="c_logon" Guid="*"%s><RegistryValue Root="HKMU" Key=%s Name=%s Value=%s Type="string" KeyPath="yes"/>'
        '</Component>' % (' Win64="yes"' if arch == 'x64' else '', quoteattr(RUN_KEY), quoteattr(RUN_VALUE),
                          quoteattr('"[#%s]"' % ident('f_', service))))
    x64_dir = '<Directory Id="X64DIR" Name="x64">%s</Directory>' % ''.join(components['X64DIR']) if arch == 'x64' else ''
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), 'Vantrel.wxs')) as f:
        template = f.read()
    text = (template.replace('@VERSION@', version)
            .replace('@UPGRADE_CODE@', UPGRADE_CODE)
            .replace('@COMPONENTS@', ''.join(components['INSTALLDIR']) + x64_dir)
            .replace('@COMPONENT_REFS@', ''.join('<ComponentRef Id="%s"/>' % ref for ref in refs))
            .replace('@DEMO@', ident('f_', 'VantrelDemo.exe')))
    with open(output, 'w') as f:
        f.write(text)


if __name__ == '__main__':
    if len(sys.argv) != 5 or sys.argv[2] not in ('x86', 'x64'):
        sys.exit(__doc__)
    main(*sys.argv[1:])
