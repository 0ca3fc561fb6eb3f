"""A small reader of a PE file's resources, for the tests of the stub's
manifest and version resource.

PE layout used: "MZ", at 0x3C the offset of "PE\\0\\0"; the COFF header (20
bytes: NumberOfSections at +2, SizeOfOptionalHeader at +16); the optional
header (magic 0x10B PE32 or 0x20B PE32+; the data directories start at +96
or +112, 8 bytes each, directory 2 is the resource table: RVA and size); the
section table (40 bytes a section: VirtualSize +8, VirtualAddress +12,
SizeOfRawData +16, PointerToRawData +20). A resource directory: 16 bytes,
then named and id entries (counts at +12 and +14), 8 bytes each: name or id,
then an offset whose high bit marks a subdirectory; a data entry holds the
RVA and size of the resource's bytes."""

import struct


class PeResources:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE header")
        sections, optional_size = struct.unpack_from("<H", data, pe + 6)[0], \
            struct.unpack_from("<H", data, pe + 20)[0]
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.root_rva, _ = struct.unpack_from("<II", data, directories + 2 * 8)
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            size, rva, raw_size, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            self.sections.append((rva, max(size, raw_size), raw))
        self.root = self.offset(self.root_rva)

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"RVA {rva:#x} is in no section")

    def entries(self, directory):
        named, ids = struct.unpack_from("<HH", self.data, directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
            yield name, target

    def find(self, type_id, name_id):
        """The bytes of resource `name_id` of type `type_id` (its first
        language), or None."""
        for name, target in self.entries(self.root):
            if name != type_id or not target & 0x80000000:
                continue
            for inner, below in self.entries(self.root + (target & 0x7FFFFFFF)):
                if inner != name_id or not below & 0x80000000:
                    continue
                for _, leaf in self.entries(self.root + (below & 0x7FFFFFFF)):
                    rva, size = struct.unpack_from("<II", self.data, self.root + leaf)
                    start = self.offset(rva)
                    return self.data[start:start + size]
        return None

    def types(self):
        return sorted(name for name, _ in self.entries(self.root))


RT_VERSION = 16
RT_MANIFEST = 24
