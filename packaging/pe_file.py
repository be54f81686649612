"""The parts of a 32-bit Windows PE file that the release checks read: the COFF header, the
sections, the resources, the version resource, the imported functions and the
.gnu_debuglink section that names the DLL's separate debug file."""
import struct
import zlib

FIXED_FILE_INFO_SIGNATURE = 0xFEEF04BD
RT_VERSION = 16


class PortableExecutable:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, sections, self.timestamp, self.symbol_table, self.symbols,
         optional_size, self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        self.image_base = struct.unpack_from("<I", data, optional + 28)[0]
        directory_count = struct.unpack_from("<I", data, optional + 92)[0]
        self.directories = [struct.unpack_from("<II", data, optional + 96 + 8 * i)
                            for i in range(directory_count)]
        self.sections = []  # (name, address, size in memory, offset in the file, size there)
        for i in range(sections):
            header = optional + optional_size + 40 * i
            name = data[header:header + 8].rstrip(b"\0").decode("latin-1")
            if name.startswith("/") and name[1:].isdigit():  # a long name: "/<offset>"
                name = self.long_name(int(name[1:]))
            virtual_size, address, raw_size, raw_offset = struct.unpack_from("<IIII", data, header + 8)
            self.sections.append((name, address, virtual_size, raw_offset, raw_size))

    def long_name(self, offset):
        """A section name longer than eight bytes, from the string table that follows the
        symbol table (an image with no symbols may still hold one for these names)."""
        strings = self.symbol_table + 18 * self.symbols
        if not self.symbol_table or strings + offset >= len(self.data):
            return f"/{offset}"
        end = self.data.find(b"\0", strings + offset)
        return self.data[strings + offset:end].decode("latin-1")

    def offset(self, rva):
        for _, address, size, raw_offset, raw_size in self.sections:
            if address <= rva < address + max(size, raw_size):
                return raw_offset + rva - address
        raise ValueError(f"address {rva:#x} lies in no section")

    def section(self, name):
        """The bytes of a section as the file holds them, or None."""
        for section_name, _, size, raw_offset, raw_size in self.sections:
            if section_name == name:
                return self.data[raw_offset:raw_offset + min(size or raw_size, raw_size)]
        return None

    def text(self, rva):
        end = self.data.index(b"\0", self.offset(rva))
        return self.data[self.offset(rva):end].decode("latin-1")

    def resource(self, type_id):
        """The bytes of the first resource of a type (any name, any language), or None."""
        rva, size = self.directories[2] if len(self.directories) > 2 else (0, 0)
        if size == 0:
            return None
        base = self.offset(rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + numbered):
                yield struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)

        for ident, target in entries(0):
            if ident != type_id:
                continue
            while target & 0x80000000:  # a subdirectory: names, then languages
                target = next(entries(target & 0x7FFFFFFF))[1]
            data_rva, data_size = struct.unpack_from("<II", self.data, base + target)
            start = self.offset(data_rva)
            return self.data[start:start + data_size]
        return None

    def imports(self):
        """{DLL name: [function names]}; a function imported by ordinal is named '#<n>'."""
        rva, size = self.directories[1] if len(self.directories) > 1 else (0, 0)
        found = {}
        if size == 0:
            return found
        descriptor = self.offset(rva)
        while True:
            lookup, _, _, name_rva, address_table = struct.unpack_from("<5I", self.data, descriptor)
            if name_rva == 0:
                return found
            functions = found.setdefault(self.text(name_rva), [])
            thunk = self.offset(lookup or address_table)
            while entry := struct.unpack_from("<I", self.data, thunk)[0]:
                functions.append(f"#{entry & 0xFFFF}" if entry & 0x80000000 else self.text(entry + 2))
                thunk += 4
            descriptor += 20

    def debug_link(self):
        """(file name, CRC-32) from the .gnu_debuglink section, or None."""
        section = self.section(".gnu_debuglink")
        if section is None or b"\0" not in section:
            return None
        name_end = section.index(b"\0")
        crc_at = (name_end + 4) & ~3  # the name, its zero byte, padded to four bytes
        if len(section) < crc_at + 4:
            return None
        return section[:name_end].decode("latin-1"), struct.unpack_from("<I", section, crc_at)[0]

    def loaded_sections(self):
        """The sections the loader maps, as (name, address, size): the same in the stripped
        DLL and in the debug file of the same link."""
        return [(name, address, size) for name, address, size, *_ in self.sections
                if not name.startswith(".debug") and name != ".gnu_debuglink"]


def debug_file_crc(data):
    """The CRC-32 that .gnu_debuglink holds for a debug file."""
    return zlib.crc32(data) & 0xFFFFFFFF


def version_blocks(data, offset=0):
    """One block of a version resource: (key, value bytes, its children), and where it ends."""
    length, value_length, text_value = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    position = offset + 6
    key_end = position
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[position:key_end].decode("utf-16-le")
    position = (key_end + 2 + 3) & ~3
    value_bytes = value_length * 2 if text_value else value_length
    value = data[position:position + value_bytes]
    position = (position + value_bytes + 3) & ~3
    children = []
    while position < end:
        child, position = version_blocks(data, position)
        children.append(child)
        position = (position + 3) & ~3
    return (key, value, children), end


def version_resource(data):
    """The fixed versions and the texts of a version resource."""
    (key, fixed, children), _ = version_blocks(data)
    if key != "VS_VERSION_INFO":
        raise ValueError(f"the version resource begins with {key!r}")
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    if signature != FIXED_FILE_INFO_SIGNATURE:
        raise ValueError("the version resource has no fixed file information")

    def dotted(ms, ls):
        return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"

    texts, translations = {}, []
    for name, value, blocks in children:
        if name == "StringFileInfo":
            for table in blocks:
                for text_key, text, _ in table[2]:
                    texts[text_key] = text.decode("utf-16-le").rstrip("\0")
        elif name == "VarFileInfo":
            for _, value_bytes, _ in blocks:
                translations += [struct.unpack_from("<HH", value_bytes, i)
                                 for i in range(0, len(value_bytes), 4)]
    return dotted(file_ms, file_ls), dotted(product_ms, product_ls), texts, translations
