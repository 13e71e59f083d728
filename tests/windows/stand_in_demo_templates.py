#!/usr/bin/env python3
"""Makes the demo's templates as documents of the stand-in word processor
(tests/windows/text_document.h) into DEST_FOLDER, one per demo form:

    stand_in_demo_templates.py DEST_FOLDER

The forms, header fields, rows and cell bookmarks are the demo's own
(scripts/demo_forms.py), as scripts/make-demo-templates lays them out for
Word; here each is a line of UTF-8 text with "{name}" where a bookmark is.
"""

import json
import os
import subprocess
import sys

SCRIPTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts")


def escaped(text):
    return text.replace("{", "{{").replace("}", "}}")


def document(form):
    lines = [escaped(form["caption"])]
    lines += [escaped(label) + "{%s}" % name for label, name in form["header"]]
    for table in form["tables"]:
        lines.append("Таблица %04d. %s" % (table["table"], escaped(table["title"])))
        for row in table["rows"]:
            lines.append("Строка %d: " % row["row"] + " ".join("{%s}" % name for name in row["bookmarks"]))
    return "".join(line + "\r\n" for line in lines)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: stand_in_demo_templates.py DEST_FOLDER\n")
        return 2
    forms = json.loads(subprocess.run([sys.executable, os.path.join(SCRIPTS, "demo_forms.py"), "templates"],
                                      check=True, capture_output=True, text=True).stdout)
    os.makedirs(argv[1], exist_ok=True)
    for file_name, form in forms.items():
        with open(os.path.join(argv[1], file_name), "w", encoding="utf-8", newline="") as f:
            f.write(document(form))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
