#!/usr/bin/env python3
"""Writes regedit-export.reg: a large export as a registry editor writes it (UTF-16LE with BOM,
CR LF), with every value type, long continued hex data, quotes and backslashes in names and
strings, default values, letters beyond ASCII, comments and deletions. Deterministic: the same
file on every run.

    platform/emu/tests/data/make_regedit_export.py > platform/emu/tests/data/regedit-export.reg
"""

import sys

state = 12345


def rand(n):
    """A number in 0..n-1 from a fixed linear congruential sequence."""
    global state
    state = (state * 1103515245 + 12345) % 2**31
    return (state >> 8) % n


WORDS = ["Display", "Cache", "Path", "Mode", "Font", "Color", "Timeout", "Server", "Port",
         "Layout", "Start", "Flags", "Version", "Install", "Recent", "Window", "Policy",
         "Gr\u00f6\u00dfe", "\u041a\u043b\u0430\u0432\u0438\u0430\u0442\u0443\u0440\u0430",
         "\u8a2d\u5b9a", "Na\u00efve Caf\u00e9", "Emoji\U0001F600"]


def dword():
    return rand(2**16) << 16 | rand(2**16)


def word():
    return WORDS[rand(len(WORDS))]


def quote(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def hex_value(prefix, data):
    """prefix (e.g. '"Name"=hex(7):') and the bytes, wrapped like a registry editor: lines of
    at most 80 characters ending in ',\\', continuation lines indented by two blanks."""
    line = prefix
    lines = []
    for i, b in enumerate(data):
        item = "%02x" % b + ("," if i + 1 < len(data) else "")
        if len(line) + len(item) > 78 and i + 1 < len(data):
            lines.append(line + "\\")
            line = "  "
        line += item
    lines.append(line)
    return lines


def utf16z(text):
    return text.encode("utf-16-le") + b"\0\0"


def value_lines(name):
    prefix = ("@" if name is None else quote(name)) + "="
    kind = rand(16)
    if kind == 0:
        return [prefix + quote("C:\\Program Files\\%s \"%d\"\\bin" % (word(), rand(100)))]
    if kind == 1:
        return [prefix + quote(word() + " " + word())]
    if kind == 2:
        return [prefix + "dword:%08x" % dword()]
    if kind == 3:  # binary, now and then over many lines
        size = 500 + rand(300) if rand(40) == 0 else rand(3) * rand(64)
        return hex_value(prefix + "hex:", bytes(rand(256) for _ in range(size)))
    if kind == 4:
        return hex_value(prefix + "hex(0):", bytes(rand(256) for _ in range(rand(6))))
    if kind == 5:
        return hex_value(prefix + "hex(1):", utf16z(word()))
    if kind == 6:
        return hex_value(prefix + "hex(2):", utf16z("%SystemRoot%\\system32\\" + word() + ".dll"))
    if kind == 7:
        return hex_value(prefix + "hex(4):", dword().to_bytes(4, "little"))
    if kind == 8:
        return hex_value(prefix + "hex(5):", dword().to_bytes(4, "big"))
    if kind == 9:
        return hex_value(prefix + "hex(6):", word().encode("utf-16-le"))
    if kind == 10:
        items = [word() for _ in range(1 + rand(4))]
        return hex_value(prefix + "hex(7):", b"".join(utf16z(t) for t in items) + b"\0\0")
    if kind == 11:
        return hex_value(prefix + "hex(8):", bytes(rand(256) for _ in range(8 + rand(24))))
    if kind == 12:
        return hex_value(prefix + "hex(9):", bytes(rand(256) for _ in range(rand(40))))
    if kind == 13:
        return hex_value(prefix + "hex(a):", bytes(rand(256) for _ in range(rand(40))))
    if kind == 14:
        return hex_value(prefix + "hex(b):", (dword() << 32 | dword()).to_bytes(8, "little"))
    return [prefix + quote("")]


def main():
    out = ["Windows Registry Editor Version 5.00", ""]
    out += ["[HKEY_CURRENT_USER\\Control Panel\\Desktop]",
            "\"UserPreferencesMask\"=hex:30,00,02,80,10,00,00,00",
            "\"Wallpaper\"=\"C:\\\\Windows\\\\web\\\\wallpaper\\\\img0.jpg\"",
            "\"ScreenSaveActive\"=\"1\"",
            "@=\"\"",
            ""]
    written = []
    for k in range(240):
        root = ["HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_USERS",
                "HKEY_CLASSES_ROOT"][rand(4)]
        path = "%s\\SOFTWARE\\Vendor%d\\%s" % (root, k % 23, word())
        for _ in range(rand(4)):
            path += "\\" + word() + str(rand(10))
        if rand(10) == 0:
            out.append("; %s settings" % word())
        out.append("[%s]" % path)
        if rand(3) == 0:
            out += value_lines(None)
        for v in range(3 + rand(14)):
            name = "%s%d" % (word(), v)
            if rand(12) == 0:
                name = "Quote \"%s\" and back\\slash %d" % (word(), v)
            out += value_lines(name)
            written.append((path, name))
        out.append("")
    # Deletions of values and keys written above, and of keys that never existed.
    for i in range(60):
        path, name = written[rand(len(written))]
        out += ["[%s]" % path, quote(name) + "=-", ""]
    for i in range(15):
        path, _ = written[rand(len(written))]
        out += ["[-%s]" % path, ""]
    out += ["[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Never\\There]", ""]
    text = "\r\n".join(out) + "\r\n"
    sys.stdout.buffer.write(b"\xff\xfe" + text.encode("utf-16-le"))


main()
