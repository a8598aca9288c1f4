#!/usr/bin/env python3
"""Writes the fuzz target's seed images into tests/fuzz/corpus/: hand-assembled programs in the
board's frame protocol (those of tests/support/test_programs.cpp, cut after the idle loop, and one
that fills every part of video memory), each laid from address 0 with the vectors, a small ELF
file for the ELF reader, a gdb session for the gdb stub, a zipped set for the libretro core and a
settings file for the settings reader."""
import io
import os
import struct
import zipfile

CORPUS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
IDLE_LOOP = 0xA34
PATTERN_DATA = 0xA60  # 128 bytes of varied pens and colours, the video program's source
PATTERN_BYTES = 128


def put(image, address, words):
    for word in words:
        image[address:address + 2] = word.to_bytes(2, "big")
        address += 2


def frame_protocol(size=IDLE_LOOP + 2):
    """Vectors, the frame-flag byte, an RTE frame interrupt and the idle loop; code at 0x400."""
    image = bytearray(size)
    put(image, 0x000, [0x0008, 0xF000])                         # initial stack pointer
    put(image, 0x004, [0x0000, 0x0400])                         # initial PC
    put(image, 0x064, [0x0000, 0x0500])                         # frame interrupt (vector 25)
    put(image, 0x300, [0xFF00])                                 # the frame-flag byte
    put(image, 0x400, [0x23FC, 0x0000, 0x0300, 0x0008, 0x0014])  # MOVE.L #$300,$80014
    put(image, 0x40A, [0x4EF9, 0x0000, IDLE_LOOP])              # JMP $A34
    put(image, 0x500, [0x4E73])                                 # RTE
    put(image, IDLE_LOOP, [0x60FE])                             # BRA.S * (the idle loop)
    return image


def hang():
    image = frame_protocol()
    put(image, 0x40A, [0x52B9, 0x0008, 0x0100])  # ADDQ.L #1,$80100
    put(image, 0x410, [0x60FE])                  # BRA.S *
    return image


def warnings():
    image = frame_protocol()
    put(image, 0x500, [0x303C, 0x0095,          # MOVE.W #149,D0
                       0x4A39, 0x0030, 0x0000,  # TST.B $300000 (outside memory)
                       0x51C8, 0xFFF8,          # DBRA D0,the TST
                       0x4E73])                 # RTE
    return image


def video():
    """The frame interrupt copies blocks listed at 0x600 (words - 1, source, destination; a negative
    count ends the list) into sprite entries 0 and 1, a sprite pattern, palette RAM, both layer maps
    and the scroll registers."""
    image = frame_protocol(PATTERN_DATA + PATTERN_BYTES)
    put(image, 0x500, [0x45F9, 0x0000, 0x0600,  # LEA $600,A2
                       0x301A,                  # MOVE.W (A2)+,D0
                       0x6B0C,                  # BMI.S the RTE
                       0x205A,                  # MOVEA.L (A2)+,A0
                       0x225A,                  # MOVEA.L (A2)+,A1
                       0x32D8,                  # MOVE.W (A0)+,(A1)+
                       0x51C8, 0xFFFC,          # DBRA D0,the MOVE.W
                       0x60F0,                  # BRA.S the MOVE.W (A2)+,D0
                       0x4E73])                 # RTE
    blocks = [(16, 0xA40, 0x180EE0),           # sprite entries 1 and 0
              (64, PATTERN_DATA, 0x120040),    # sprite pattern 1
              (32, PATTERN_DATA, 0x090000),    # palette entries 0 to 15
              (64, PATTERN_DATA, 0x100000),    # layer 0 codes
              (64, PATTERN_DATA, 0x101000),    # layer 1 codes
              (16, PATTERN_DATA, 0x190000)]    # scroll registers
    table = []
    for words, source, destination in blocks:
        table += [words - 1, source >> 16, source & 0xFFFF, destination >> 16, destination & 0xFFFF]
    put(image, 0x600, table + [0xFFFF])
    # Entry 1: 16x16, zoom 0x40 (scaled), pattern 1, bank 1, at (128, 48); entry 0: unscaled at (100, 100).
    put(image, 0xA40, [0x0001, 0x0038, 0x0040, 0x0001, 0x0002, 0x0080, 0x0030, 0x0000,
                       0x0000, 0x0038, 0x0080, 0x0001, 0x0000, 0x0064, 0x0064, 0x0000])
    image[PATTERN_DATA:] = bytes((37 * i + 11) & 0xFF for i in range(PATTERN_BYTES))
    return image


def elf():
    """A linked program as the ELF reader sees it: a code section, a data section, the symbol table
    with a function, an object and a label, and the names of both; the code is the idle loop."""
    names = b"\0.text\0.rodata\0.symtab\0.strtab\0.shstrtab\0idleLoop\0table\0end\0"
    code, data = bytes([0x4A, 0x39, 0x00, 0x08, 0x01, 0x04, 0x6B, 0xF8, 0x60, 0xFE]), bytes(range(9))

    def name(text):
        return names.index(b"\0" + text + b"\0") + 1

    symbols = bytes(16) + b"".join(struct.pack(">IIIBBH", name(n), value, size, info, 0, section)
                                   for n, value, size, info, section in [
                                       (b"idleLoop", IDLE_LOOP, len(code), 0x12, 1),  # global function
                                       (b"table", 0xA40, len(data), 0x11, 2),         # global object
                                       (b"end", 0xA40 + len(data), 0, 0x10, 2)])      # global label
    header_size, section_size = 52, 40
    body = code + data + symbols + names
    offsets = [header_size + sum(len(part) for part in (code, data, symbols)[:i]) for i in range(4)]
    sections = [(0, 0, 0, 0, 0, 0, 0, 0, 0, 0),
                (name(b".text"), 1, 6, IDLE_LOOP, offsets[0], len(code), 0, 0, 2, 0),
                (name(b".rodata"), 1, 2, 0xA40, offsets[1], len(data), 0, 0, 1, 0),
                (name(b".symtab"), 2, 0, 0, offsets[2], len(symbols), 4, 1, 4, 16),
                (name(b".strtab"), 3, 0, 0, offsets[3], len(names), 0, 0, 1, 0),
                (name(b".shstrtab"), 3, 0, 0, offsets[3], len(names), 0, 0, 1, 0)]
    header = b"\x7fELF\x01\x02\x01" + bytes(9) + struct.pack(
        ">HHIIIIIHHHHHH", 2, 4, 1, IDLE_LOOP, 0, header_size + len(body), 0, header_size, 32, 0, section_size,
        len(sections), 5)
    return header + body + b"".join(struct.pack(">10I", *s) for s in sections)


def gdb():
    """A gdb session's bytes: acknowledgements, reads and writes of memory and registers, a
    breakpoint, a step, a resend request and Ctrl+C."""
    def packet(payload):
        return b"$" + payload + b"#" + b"%02x" % (sum(payload) & 0xFF)
    return b"+" + b"".join(packet(p) + b"+" for p in [
        b"qSupported:xmlRegisters=m68k", b"?", b"g", b"m400,10", b"M80000,4:01020304", b"X80010,2:ab",
        b"p8", b"P0=00000001", b"Z0,a34,2", b"z0,a34,2", b"s", b"vCont;c"]) + b"-\x03"


def zipped_set():
    """The ROM set's files and pal.bmp in a zip archive, pal.bmp stored and the images deflated."""
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w") as archive:
        for name in ["18b_d02.bin", "18c_d05.bin", "17b_l.bin", "17c_l.bin", "17b_u.bin",
                     "17c_u.bin", "pal.bmp"]:
            size = 1078 if name == "pal.bmp" else 0x10000
            entry = zipfile.ZipInfo(name, date_time=(2026, 1, 1, 0, 0, 0))  # the same bytes on every run
            entry.compress_type = zipfile.ZIP_STORED if name == "pal.bmp" else zipfile.ZIP_DEFLATED
            archive.writestr(entry, bytes(size))
    return data.getvalue()


def settings():
    """A settings file as the desktop programs write it, with a few changes of a player's."""
    return (b"# Quillomark settings\n[keys]\nfire = [\"space\", \"Z\"]  # any case\nwindow = [\"F9\", \"F10\"]\n"
            b"[gamepad]\nfire = [\"A\"]\n[display]\nwindow = true\nscale = 3\n")


if __name__ == "__main__":
    os.makedirs(CORPUS, exist_ok=True)
    for name, make in [("idle", frame_protocol), ("hang", hang), ("warnings", warnings), ("video", video),
                       ("elf", elf), ("gdb", gdb), ("zip", zipped_set), ("settings", settings)]:
        with open(os.path.join(CORPUS, name + ".bin"), "wb") as file:
            file.write(make())
