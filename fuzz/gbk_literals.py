#!/usr/bin/env python3
"""Copies a source file with its narrow string literals spelt in code page 936.

The program's literals are GBK bytes (the main build asks the compiler for
that charset); a compiler that only knows UTF-8 gets the same bytes when every
non-ASCII character inside a plain "..." or '...' literal is written as \\xHH
escapes.  Comments, identifiers and prefixed literals (u8"", L"", R"()")
are copied as they are.

Usage: gbk_literals.py SOURCE OUTPUT
"""
import os
import sys


def escape(body):
    out = []
    pending_hex = False  # the last thing written was a \xHH escape
    for ch in body:
        if ord(ch) < 0x80:
            # A hex digit right after \xHH would join the escape.
            if pending_hex and ch in "0123456789abcdefABCDEF":
                out.append('""')
            out.append(ch)
            pending_hex = False
        else:
            out.extend("\\x%02X" % b for b in ch.encode("gbk"))
            pending_hex = True
    return "".join(out)


def convert(src):
    out = []
    i, n = 0, len(src)
    while i < n:
        c = src[i]
        if src.startswith("//", i):
            j = src.find("\n", i)
            j = n if j < 0 else j
            out.append(src[i:j])
            i = j
        elif src.startswith("/*", i):
            j = src.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(src[i:j])
            i = j
        elif c in "\"'":
            # The literal's prefix, if any, is the identifier run just before it.
            k = i
            while k > 0 and (src[k - 1].isalnum() or src[k - 1] == "_"):
                k -= 1
            prefix = src[k:i]
            if prefix not in ("u8", "u", "U", "L", "R", "u8R", "uR", "UR", "LR"):
                prefix = ""
            if c == '"' and prefix.endswith("R"):
                close = src.find("(", i)
                delim = src[i + 1:close]
                j = src.find(")" + delim + '"', close) + len(delim) + 2
                if any(ord(x) >= 0x80 for x in src[i:j]):
                    raise SystemExit("raw literal with non-ASCII text is not supported")
                out.append(src[i:j])
                i = j
                continue
            j = i + 1
            while j < n and src[j] != c:
                j += 2 if src[j] == "\\" else 1
            body = src[i + 1:j]
            # Digit separators (1'000) are not character literals.
            if c == "'" and k < i and src[i - 1].isdigit():
                out.append(c)
                i += 1
                continue
            out.append(c + (escape(body) if prefix == "" else body) + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def main():
    source, output = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    converted = convert(text)
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    with open(output, "w", encoding="utf-8") as f:
        f.write(converted)


if __name__ == "__main__":
    main()
