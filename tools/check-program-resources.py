#!/usr/bin/env python3
"""Checks that a built program carries what Windows shows and obeys: an icon,
the manifest (version 6 common controls, per-monitor DPI awareness, supported
systems) and version details with a description, product name, version and
copyright. Reads the PE resource directory itself, so it needs no Windows.

    tools/check-program-resources.py build/win64/ZentSaver.scr [...]
"""
import struct
import sys

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
MANIFEST_MUST_HOLD = [b"Microsoft.Windows.Common-Controls", b'version="6.0.0.0"', b"PerMonitorV2",
                      b"true/pm", b"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", b"asInvoker"]
VERSION_FIELDS = ["FileDescription", "ProductName", "FileVersion", "ProductVersion",
                  "LegalCopyright", "OriginalFilename"]


class PeImage:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE image")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (112 if magic == 0x20B else 96)
        self.resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<8xIIII", data, table + 40 * i) for i in range(sections)]

    def offset(self, rva):
        for virtual_size, address, raw_size, raw_pointer in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw_pointer + rva - address
        raise ValueError("address %#x outside every section" % rva)

    def entries(self, directory_rva):
        """(id, rva, is_directory) of one resource directory's entries."""
        base = self.offset(self.resource_rva + directory_rva)
        named, numbered = struct.unpack_from("<12xHH", self.data, base)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, base + 16 + 8 * i)
            yield name, target & 0x7FFFFFFF, bool(target & 0x80000000)

    def resources(self):
        """{type: [bytes of each language version of each resource]}"""
        found = {}
        for kind, names, _ in self.entries(0):
            for _, languages, _ in self.entries(names):
                for _, leaf, _ in self.entries(languages):
                    rva, size = struct.unpack_from("<II", self.data, self.offset(self.resource_rva + leaf))
                    start = self.offset(rva)
                    found.setdefault(kind, []).append(self.data[start:start + size])
        return found


def version_strings(block):
    """The StringFileInfo values of a VS_VERSIONINFO block, by name."""
    text = block.decode("utf-16-le", errors="replace")
    values = {}
    for field in VERSION_FIELDS:
        at = text.find(field + "\0")
        if at < 0:
            continue
        rest = text[at + len(field) + 1:].lstrip("\0")
        values[field] = rest.split("\0", 1)[0]
    return values


def problems(path):
    with open(path, "rb") as program:
        found = PeImage(program.read()).resources()
    if not found.get(RT_ICON) or not found.get(RT_GROUP_ICON):
        yield "no icon"
    manifests = found.get(RT_MANIFEST, [])
    if len(manifests) != 1:
        yield "%d manifests instead of one" % len(manifests)
    for needed in MANIFEST_MUST_HOLD:
        if manifests and needed not in manifests[0]:
            yield "the manifest lacks %s" % needed.decode()
    versions = found.get(RT_VERSION, [])
    values = version_strings(versions[0]) if versions else {}
    for field in VERSION_FIELDS:
        if not values.get(field, "").strip():
            yield "no %s in the version details" % field


def main(paths):
    failed = False
    for path in paths:
        found = list(problems(path))
        for problem in found:
            print("%s: %s" % (path, problem), file=sys.stderr)
        if not found:
            print("%s: icon, manifest and version details present" % path)
        failed = failed or bool(found)
    return 1 if failed else 0 if paths else 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
