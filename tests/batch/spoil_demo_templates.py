#!/usr/bin/env python3
"""Makes the demo's templates into DEST_FOLDER with one fault each, as
templates go wrong from one year to the next:

    spoil_demo_templates.py DEST_FOLDER

  7.doc       a cell bookmark renamed (z1000_002_04 -> z1000_002_40)
  12.doc      a cell bookmark deleted (z1000_001_04)
  14.docx     a second bookmark that differs only in letter case (Z2100_002_05),
              written as .docx so that the native reader is the one that reads it
  ДД2012.doc  the period's header bookmark (z0003_000_00) deleted

The layouts are the demo's own (scripts/make-demo-templates over
scripts/demo_forms.py), changed only where told.
"""

import json
import os
import subprocess
import sys
import tempfile
import types

SCRIPTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts")


def load_demo_templates():
    """scripts/make-demo-templates as a module, for its template_layout."""
    path = os.path.join(SCRIPTS, "make-demo-templates")
    module = types.ModuleType("make_demo_templates")
    module.__file__ = path
    with open(path, encoding="utf-8") as f:
        exec(compile(f.read(), path, "exec"), module.__dict__)
    return module


def cells(layout):
    """Every bookmarked cell or paragraph of a layout, as (container, index)."""
    for i, item in enumerate(layout["body"]):
        if isinstance(item, dict) and "bookmark" in item:
            yield layout["body"], i
        if isinstance(item, dict) and "table" in item:
            for row in item["table"]:
                for j, cell in enumerate(row):
                    if isinstance(cell, dict) and "bookmark" in cell:
                        yield row, j


def find(layout, name):
    for container, index in cells(layout):
        if container[index]["bookmark"] == name:
            return container, index
    raise KeyError(name)


def rename(layout, name, new_name):
    container, index = find(layout, name)
    container[index]["bookmark"] = new_name


def delete(layout, name):
    container, index = find(layout, name)
    item = container[index]
    if container is layout["body"]:
        del container[index]
    else:
        container[index] = item.get("text", "")


def add_other_case(layout, name):
    container, index = find(layout, name)
    twin = dict(container[index])
    twin["bookmark"] = name.upper()
    twin["text"] = "*"
    container.insert(index + 1, twin)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: spoil_demo_templates.py DEST_FOLDER\n")
        return 2
    dest = os.path.abspath(argv[1])
    demo = load_demo_templates()
    forms = json.loads(subprocess.run([sys.executable, os.path.join(SCRIPTS, "demo_forms.py"), "templates"],
                                      check=True, capture_output=True, text=True).stdout)
    layouts = {name: demo.template_layout(form) for name, form in forms.items()}
    rename(layouts["7.doc"], "z1000_002_04", "z1000_002_40")
    delete(layouts["12.doc"], "z1000_001_04")
    add_other_case(layouts["14.doc"], "z2100_002_05")
    layouts["14.docx"] = layouts.pop("14.doc")
    delete(layouts["ДД2012.doc"], "z0003_000_00")

    os.makedirs(dest, exist_ok=True)
    command = [sys.executable, os.path.join(SCRIPTS, "make_template.py")]
    with tempfile.TemporaryDirectory() as work:
        for n, (file_name, layout) in enumerate(sorted(layouts.items())):
            layout_path = os.path.join(work, "layout%d.json" % n)
            with open(layout_path, "w", encoding="utf-8") as f:
                json.dump(layout, f, ensure_ascii=False)
            command += ["--layout", layout_path, "--out", os.path.join(dest, file_name)]
        subprocess.run(command, check=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
