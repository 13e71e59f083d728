#!/usr/bin/env python3
"""Makes Word template documents with bookmarks from a readable layout.

    make_template.py --layout LAYOUT.json --out OUT.doc [--layout B.json --out B.docx ...] [--profile DIR]
                     [--docx-without-office]

LAYOUT = {"header": [PARA...], "footer": [PARA...], "body": [PARA | TABLE ...]}  (all optional)
PARA   = "plain text" | {"text": "before ", "bookmark": "z0001_000_00", "span": "spanned", "after": " after"}
TABLE  = {"table": [[CELL, ...], ...]}
CELL   = "plain text" | {"text": "before", "bookmark": "z1000_001_03", "span": "...", "after": "..."}

A bookmark without "span" is a point bookmark; with "span" it is a range
bookmark around that text. Each layout is written as flat ODF text and
converted by a headless LibreOffice; all outputs of one format are converted in
one office start. The output format follows the output name: .doc, .docx, .odt.
The text's language is Russian, as the forms are.
With --docx-without-office a .docx is written directly as WordprocessingML, in
seconds even for a form of 100,000 cells; the office is started only for the
other formats. Stopped by a signal, the script ends the office it started.
"""

import argparse
import fcntl
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import zipfile
from xml.sax.saxutils import escape, quoteattr

OFFICE_PROGRAM = "/usr/lib/libreoffice/program"
FILTERS = {".doc": "MS Word 97", ".docx": "MS Word 2007 XML", ".odt": "writer8"}
CONVERT_TIMEOUT = 180
# soffice.bin on a fresh profile sometimes ends with this code and asks to be started again.
RESTART_EXIT_CODE = 81


class TemplateError(Exception):
    pass


def office_version(soffice):
    """The office's major.minor version as its own configuration states it, or None."""
    xcd = os.path.join(os.path.dirname(os.path.dirname(os.path.realpath(soffice))), "share", "registry", "main.xcd")
    try:
        with open(xcd, encoding="utf-8") as f:
            text = f.read()
    except OSError:
        return None
    m = re.search(r'oor:name="ooSetupVersion">\s*<value>([^<]+)</value>', text)
    return m.group(1) if m else None


def seed_profile(profile, soffice):
    """Marks first-start work as done so that a headless start takes a fraction of a second."""
    user = os.path.join(profile, "user")
    xcu = os.path.join(user, "registrymodifications.xcu")
    if os.path.exists(xcu):
        return
    os.makedirs(user, exist_ok=True)
    items = [
        ("/org.openoffice.Office.Common/Misc", "FirstRun", "boolean", "false"),
        ("/org.openoffice.Office.Common/Misc", "ShowTipOfTheDay", "boolean", "false"),
        ("/org.openoffice.Setup/Office", "FirstStartWizardCompleted", "boolean", "true"),
    ]
    version = office_version(soffice)
    if version:
        items.append(("/org.openoffice.Setup/Product", "ooSetupLastVersion", "string", version))
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<oor:items xmlns:oor="http://openoffice.org/2001/registry" '
             'xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">']
    for path, name, _kind, value in items:
        lines.append(f'<item oor:path="{path}"><prop oor:name="{name}" oor:op="fuse">'
                     f'<value>{value}</value></prop></item>')
    lines.append("</oor:items>")
    with open(xcu + ".tmp", "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    os.replace(xcu + ".tmp", xcu)


# ---------------------------------------------------------------- flat ODF

NAMESPACES = {
    "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0",
    "style": "urn:oasis:names:tc:opendocument:xmlns:style:1.0",
    "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
    "table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
    "fo": "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0",
}


def text_runs(text):
    """Text with blanks, tabs and line breaks kept as ODF wants them spelt."""
    out = []
    for ch in text:
        if ch == "\t":
            out.append("<text:tab/>")
        elif ch == "\n":
            out.append("<text:line-break/>")
        else:
            out.append(escape(ch))
    # Every blank is spelt out: plain ones at either end of a paragraph would be dropped.
    return re.sub(r" +", lambda m: f'<text:s text:c="{len(m.group(0))}"/>', "".join(out))


def paragraph_content(para, where):
    if isinstance(para, str):
        return text_runs(para)
    if not isinstance(para, dict):
        raise TemplateError(f"{where}: a paragraph is a text or an object, not {type(para).__name__}")
    unknown = set(para) - {"text", "bookmark", "span", "after"}
    if unknown:
        raise TemplateError(f"{where}: unknown keys {sorted(unknown)}")
    parts = [text_runs(str(para.get("text", "")))]
    name = para.get("bookmark")
    span = para.get("span")
    if name is None:
        if span is not None:
            raise TemplateError(f"{where}: \"span\" needs a \"bookmark\"")
    elif span is None:
        parts.append(f"<text:bookmark text:name={quoteattr(str(name))}/>")
    else:
        parts.append(f"<text:bookmark-start text:name={quoteattr(str(name))}/>")
        parts.append(text_runs(str(span)))
        parts.append(f"<text:bookmark-end text:name={quoteattr(str(name))}/>")
    parts.append(text_runs(str(para.get("after", ""))))
    return "".join(parts)


def paragraph(para, where):
    return f'<text:p text:style-name="Standard">{paragraph_content(para, where)}</text:p>'


def table(rows, number, where):
    if not isinstance(rows, list) or not rows or not all(isinstance(r, list) and r for r in rows):
        raise TemplateError(f"{where}: \"table\" is a list of non-empty rows")
    columns = max(len(r) for r in rows)
    out = [f'<table:table table:name="Table{number}" table:style-name="Tbl">',
           f'<table:table-column table:number-columns-repeated="{columns}"/>']
    for r, row in enumerate(rows):
        out.append("<table:table-row>")
        for c in range(columns):
            cell = row[c] if c < len(row) else ""
            content = paragraph(cell, f"{where} row {r + 1} cell {c + 1}")
            out.append(f'<table:table-cell table:style-name="Cell" office:value-type="string">{content}</table:table-cell>')
        out.append("</table:table-row>")
    out.append("</table:table>")
    return "".join(out)


def flat_odf(layout, where):
    if not isinstance(layout, dict):
        raise TemplateError(f"{where}: the description is an object")
    unknown = set(layout) - {"header", "footer", "body"}
    if unknown:
        raise TemplateError(f"{where}: unknown keys {sorted(unknown)}")

    def paragraphs(key):
        items = layout.get(key, [])
        if not isinstance(items, list):
            raise TemplateError(f"{where}: \"{key}\" is a list")
        return "".join(paragraph(p, f"{where} {key} {i + 1}") for i, p in enumerate(items))

    body = []
    tables = 0
    items = layout.get("body", [])
    if not isinstance(items, list):
        raise TemplateError(f"{where}: \"body\" is a list")
    for i, item in enumerate(items):
        if isinstance(item, dict) and "table" in item:
            tables += 1
            body.append(table(item["table"], tables, f"{where} body {i + 1}"))
        else:
            body.append(paragraph(item, f"{where} body {i + 1}"))
    if not body:
        body.append('<text:p text:style-name="Standard"/>')

    header = paragraphs("header")
    footer = paragraphs("footer")
    ns = " ".join(f'xmlns:{k}="{v}"' for k, v in NAMESPACES.items())
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<office:document {ns} office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
<office:styles>
<style:style style:name="Standard" style:family="paragraph" style:class="text">
<style:text-properties style:font-name="DejaVu Sans" fo:font-family="DejaVu Sans" fo:font-size="11pt" fo:language="ru" fo:country="RU"/>
</style:style>
</office:styles>
<office:automatic-styles>
<style:page-layout style:name="pm1">
<style:page-layout-properties fo:page-width="21cm" fo:page-height="29.7cm" fo:margin-top="1.5cm" fo:margin-bottom="1.5cm" fo:margin-left="2cm" fo:margin-right="1.5cm"/>
<style:header-style><style:header-footer-properties fo:min-height="0cm" fo:margin-bottom="0.3cm"/></style:header-style>
<style:footer-style><style:header-footer-properties fo:min-height="0cm" fo:margin-top="0.3cm"/></style:footer-style>
</style:page-layout>
<style:style style:name="Tbl" style:family="table"><style:table-properties style:width="17.5cm" table:align="margins"/></style:style>
<style:style style:name="Cell" style:family="table-cell"><style:table-cell-properties fo:padding="0.05cm" fo:border="0.5pt solid #000000"/></style:style>
</office:automatic-styles>
<office:master-styles>
<style:master-page style:name="Standard" style:page-layout-name="pm1">
{f"<style:header>{header}</style:header>" if header else ""}
{f"<style:footer>{footer}</style:footer>" if footer else ""}
</style:master-page>
</office:master-styles>
<office:body><office:text>
{"".join(body)}
</office:text></office:body>
</office:document>
"""


# ---------------------------------------------------------------- WordprocessingML written directly

W_NS = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"
R_NS = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
REL_TYPE = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"


class WordWriter:
    """Writes a layout's stories as WordprocessingML; bookmark ids run through the whole document."""

    def __init__(self):
        self.next_id = 0

    def runs(self, text):
        out = []
        for piece in re.split(r"([\t\n])", text):
            if piece == "\t":
                out.append("<w:r><w:tab/></w:r>")
            elif piece == "\n":
                out.append("<w:r><w:br/></w:r>")
            elif piece:
                out.append(f'<w:r><w:t xml:space="preserve">{escape(piece)}</w:t></w:r>')
        return "".join(out)

    def paragraph(self, para, where):
        if isinstance(para, str):
            return f"<w:p>{self.runs(para)}</w:p>"
        if not isinstance(para, dict):
            raise TemplateError(f"{where}: a paragraph is a text or an object, not {type(para).__name__}")
        unknown = set(para) - {"text", "bookmark", "span", "after"}
        if unknown:
            raise TemplateError(f"{where}: unknown keys {sorted(unknown)}")
        parts = [self.runs(str(para.get("text", "")))]
        name = para.get("bookmark")
        span = para.get("span")
        if name is None:
            if span is not None:
                raise TemplateError(f"{where}: \"span\" needs a \"bookmark\"")
        else:
            ident = self.next_id
            self.next_id += 1
            parts.append(f'<w:bookmarkStart w:id="{ident}" w:name={quoteattr(str(name))}/>')
            if span is not None:
                parts.append(self.runs(str(span)))
            parts.append(f'<w:bookmarkEnd w:id="{ident}"/>')
        parts.append(self.runs(str(para.get("after", ""))))
        return "<w:p>" + "".join(parts) + "</w:p>"

    def table(self, rows, where):
        if not isinstance(rows, list) or not rows or not all(isinstance(r, list) and r for r in rows):
            raise TemplateError(f"{where}: \"table\" is a list of non-empty rows")
        columns = max(len(r) for r in rows)
        width = 9900 // columns  # 17.5 cm of text width, in twentieths of a point
        border = '<w:{0} w:val="single" w:sz="4" w:space="0" w:color="000000"/>'
        borders = "".join(border.format(side) for side in ("top", "left", "bottom", "right", "insideH", "insideV"))
        out = [f'<w:tbl><w:tblPr><w:tblW w:w="{width * columns}" w:type="dxa"/><w:tblBorders>{borders}</w:tblBorders>'
               '</w:tblPr><w:tblGrid>', f'<w:gridCol w:w="{width}"/>' * columns, "</w:tblGrid>"]
        cell_start = f'<w:tc><w:tcPr><w:tcW w:w="{width}" w:type="dxa"/></w:tcPr>'
        for r, row in enumerate(rows):
            out.append("<w:tr>")
            for c in range(columns):
                cell = row[c] if c < len(row) else ""
                out.append(cell_start + self.paragraph(cell, f"{where} row {r + 1} cell {c + 1}") + "</w:tc>")
            out.append("</w:tr>")
        out.append("</w:tbl>")
        return "".join(out)

    def story(self, items, where, tables):
        if not isinstance(items, list):
            raise TemplateError(f"{where} is a list")
        out = []
        for i, item in enumerate(items):
            if tables and isinstance(item, dict) and "table" in item:
                out.append(self.table(item["table"], f"{where} {i + 1}"))
                # Word wants a paragraph between two tables and after the last.
                out.append("<w:p/>")
            else:
                out.append(self.paragraph(item, f"{where} {i + 1}"))
        return "".join(out)


def docx_parts(layout, where):
    """The package's entries, name and text, for a layout."""
    if not isinstance(layout, dict):
        raise TemplateError(f"{where}: the description is an object")
    unknown = set(layout) - {"header", "footer", "body"}
    if unknown:
        raise TemplateError(f"{where}: unknown keys {sorted(unknown)}")
    writer = WordWriter()
    declaration = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
    namespaces = f'xmlns:w="{W_NS}" xmlns:r="{R_NS}"'
    body = writer.story(layout.get("body", []), f"{where} body", True) or "<w:p/>"
    relationships = [("rId1", "styles", "styles.xml")]
    references = []
    stories = []
    for key, tag, kind in (("header", "hdr", "header"), ("footer", "ftr", "footer")):
        items = layout.get(key, [])
        if items:
            content = writer.story(items, f"{where} {key}", False)
            rid = f"rId{len(relationships) + 1}"
            relationships.append((rid, kind, f"{kind}1.xml"))
            references.append(f'<w:{kind}Reference w:type="default" r:id="{rid}"/>')
            stories.append((f"word/{kind}1.xml", f"{declaration}<w:{tag} {namespaces}>{content}</w:{tag}>", kind))
    section = (f'<w:sectPr>{"".join(references)}<w:pgSz w:w="11906" w:h="16838"/>'
               '<w:pgMar w:top="850" w:right="850" w:bottom="850" w:left="1134" w:header="567" w:footer="567" '
               'w:gutter="0"/></w:sectPr>')
    document = f"{declaration}<w:document {namespaces}><w:body>{body}{section}</w:body></w:document>"
    styles = (f'{declaration}<w:styles xmlns:w="{W_NS}"><w:docDefaults><w:rPrDefault><w:rPr>'
              '<w:rFonts w:ascii="DejaVu Sans" w:hAnsi="DejaVu Sans" w:cs="DejaVu Sans"/><w:sz w:val="22"/>'
              '<w:lang w:val="ru-RU"/></w:rPr></w:rPrDefault></w:docDefaults>'
              '<w:style w:type="paragraph" w:default="1" w:styleId="Normal"><w:name w:val="Normal"/></w:style>'
              '</w:styles>')
    overrides = "".join(
        f'<Override PartName="/{name}" ContentType="application/vnd.openxmlformats-officedocument.'
        f'wordprocessingml.{kind}+xml"/>' for name, _text, kind in stories)
    content_types = (
        f'{declaration}<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
        '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
        '<Default Extension="xml" ContentType="application/xml"/>'
        '<Override PartName="/word/document.xml" '
        'ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>'
        '<Override PartName="/word/styles.xml" '
        'ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"/>'
        f"{overrides}</Types>")
    package_rels = (
        f'{declaration}<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        f'<Relationship Id="rId1" Type="{REL_TYPE}officeDocument" Target="word/document.xml"/></Relationships>')
    document_rels = (
        f'{declaration}<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">' +
        "".join(f'<Relationship Id="{rid}" Type="{REL_TYPE}{kind}" Target="{target}"/>'
                for rid, kind, target in relationships) + "</Relationships>")
    return ([("[Content_Types].xml", content_types), ("_rels/.rels", package_rels),
             ("word/document.xml", document), ("word/_rels/document.xml.rels", document_rels),
             ("word/styles.xml", styles)] + [(name, text) for name, text, _kind in stories])


def write_docx(layout, out):
    """Writes the layout as a .docx next to `out` and moves it into place when complete."""
    parts = docx_parts(layout, os.path.basename(out))
    parent = os.path.dirname(os.path.abspath(out))
    os.makedirs(parent, exist_ok=True)
    partial = os.path.join(parent, f".{os.path.basename(out)}.part")
    try:
        with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
            for name, text in parts:
                z.writestr(name, text.encode("utf-8"))
        os.replace(partial, out)
    finally:
        if os.path.exists(partial):
            os.remove(partial)


# ---------------------------------------------------------------- conversion

def office_environment():
    env = dict(os.environ)
    # Loading or saving a file with a Cyrillic name fails in the C locale.
    env.pop("LC_ALL", None)
    env["LC_CTYPE"] = "C.UTF-8"
    return env


def profile_url(profile):
    from urllib.parse import quote
    return "file://" + quote(os.path.abspath(profile))


def run_office(soffice, profile, filter_name, sources, outdir, log):
    args = [soffice, "--headless", "--norestore", "--nologo", "--nodefault", "--nolockcheck",
            f"-env:UserInstallation={profile_url(profile)}",
            "--convert-to", filter_name, "--outdir", outdir] + sources
    for _attempt in range(2):
        proc = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                env=office_environment(), start_new_session=True)
        try:
            code = proc.wait(timeout=CONVERT_TIMEOUT)
        except subprocess.TimeoutExpired:
            raise TemplateError(f"LibreOffice did not finish converting within {CONVERT_TIMEOUT} s")
        finally:
            # The office runs in a session of its own: whatever ends the wait
            # (a time-out, a signal, an error) ends the office with it.
            if proc.poll() is None:
                try:
                    os.killpg(proc.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                proc.wait()
        if code != RESTART_EXIT_CODE:
            return code
    return code


def log_tail(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return "".join(f.readlines()[-15:])
    except OSError:
        return ""


def convert(jobs, profile, soffice):
    """jobs: list of (layout, out path). Writes every output or raises."""
    os.makedirs(profile, exist_ok=True)
    with open(os.path.join(profile, ".lock"), "w") as lock:
        # Two offices on one profile would hand their work to each other.
        fcntl.flock(lock, fcntl.LOCK_EX)
        seed_profile(profile, soffice)
        log_path = os.path.join(profile, "soffice.log")
        with tempfile.TemporaryDirectory(prefix="tarnfold-template-") as work:
            groups = {}
            for i, (layout, out) in enumerate(jobs):
                ext = os.path.splitext(out)[1].lower()
                source = os.path.join(work, f"t{i}.fodt")
                with open(source, "w", encoding="utf-8") as f:
                    f.write(flat_odf(layout, os.path.basename(out)))
                groups.setdefault(ext, []).append((source, out))
            for ext, items in groups.items():
                outdir = os.path.join(work, "out" + ext)
                os.makedirs(outdir)
                with open(log_path, "a") as log:
                    code = run_office(soffice, profile, f"{ext[1:]}:{FILTERS[ext]}", [s for s, _ in items], outdir, log)
                for source, out in items:
                    made = os.path.join(outdir, os.path.splitext(os.path.basename(source))[0] + ext)
                    if not os.path.isfile(made):
                        raise TemplateError(f"LibreOffice did not write {out} (exit code {code}); "
                                            f"end of {log_path}:\n{log_tail(log_path)}")
                    parent = os.path.dirname(os.path.abspath(out))
                    os.makedirs(parent, exist_ok=True)
                    partial = os.path.join(parent, f".{os.path.basename(out)}.part")
                    shutil.copyfile(made, partial)
                    os.replace(partial, out)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--layout", action="append", required=True, help="layout of one template (JSON file); repeatable")
    parser.add_argument("--out", action="append", required=True, help="output .doc/.docx/.odt; one per --layout")
    parser.add_argument("--profile", help="office profile folder to use and keep (faster when reused)")
    parser.add_argument("--soffice", default=os.path.join(OFFICE_PROGRAM, "soffice"))
    parser.add_argument("--docx-without-office", action="store_true",
                        help="write .docx outputs directly; the office makes only the other formats")
    args = parser.parse_args(argv)
    if len(args.layout) != len(args.out):
        parser.error("give one --out for every --layout")
    try:
        jobs = []
        for layout_path, out in zip(args.layout, args.out):
            ext = os.path.splitext(out)[1].lower()
            if ext not in FILTERS:
                raise TemplateError(f"{out}: the output name must end in {', '.join(FILTERS)}")
            try:
                with open(layout_path, encoding="utf-8") as f:
                    jobs.append((json.load(f), out))
            except (OSError, ValueError) as e:
                raise TemplateError(f"{layout_path}: {e}")
            flat_odf(jobs[-1][0], os.path.basename(out))
        if args.docx_without_office:
            for layout, out in [j for j in jobs if os.path.splitext(j[1])[1].lower() == ".docx"]:
                write_docx(layout, out)
            jobs = [j for j in jobs if os.path.splitext(j[1])[1].lower() != ".docx"]
        if not jobs:
            return 0
        if args.profile:
            convert(jobs, args.profile, args.soffice)
        else:
            with tempfile.TemporaryDirectory(prefix="tarnfold-office-") as profile:
                convert(jobs, profile, args.soffice)
    except TemplateError as e:
        print(f"make_template: {e}", file=sys.stderr)
        return 1
    return 0


def end_on_signal(signum, _frame):
    # Unwinds through run_office, which ends the office on the way out.
    raise SystemExit(128 + signum)


if __name__ == "__main__":
    for stop in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(stop, end_on_signal)
    sys.exit(main(sys.argv[1:]))
