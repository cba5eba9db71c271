"""Writes a libFuzzer dictionary of the names of binding tables: element
names as start and end tags, attribute names as they stand in a start tag,
the values of enumerations, and the namespace declarations.

    schema_dict.py <output.dict> <table.schema | names.dict>...

A .dict file among the arguments is a dictionary of other names (those of
the package, say): its entries are taken as they stand.
"""

import sys


def quoted(text):
    out = []
    for ch in text:
        if ch in '"\\':
            out.append("\\" + ch)
        elif " " <= ch <= "~":
            out.append(ch)
        else:
            out.extend("\\x%02X" % b for b in ch.encode("utf-8"))
    return '"' + "".join(out) + '"'


def dict_entries(path):
    with open(path, encoding="utf-8") as f:
        return [line.strip() for line in f if line.strip() and not line.startswith("#")]


def entries(path):
    found = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            words = line.split()
            if not words or words[0].startswith("#"):
                continue
            kw = words[0]
            if kw in ("child", "alt") and len(words) > 2:
                found += ["<" + words[1], "</" + words[1] + ">"]
            elif kw == "root" and len(words) > 1:
                found += ["<" + words[1], "</" + words[1] + ">"]
            elif kw == "attr" and len(words) > 1:
                found.append(" " + words[1] + '="')
            elif kw == "enum":
                found += ['"' + w + '"' for w in words[1:]]
            elif kw == "ns" and len(words) > 3:
                prefix = "" if words[2] == "-" else ":" + words[2]
                found.append(" xmlns" + prefix + '="' + words[3] + '"')
    return found


def main():
    out, tables = sys.argv[1], sys.argv[2:]
    seen, lines = set(), ["# Names of " + ", ".join(t.rsplit("/", 1)[-1] for t in tables) + "."]
    for t in tables:
        for e in dict_entries(t) if t.endswith(".dict") else [quoted(e) for e in entries(t)]:
            if e not in seen:
                seen.add(e)
                lines.append(e)
    with open(out, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
