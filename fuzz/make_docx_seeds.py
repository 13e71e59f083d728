#!/usr/bin/env python3
"""Writes the seed corpora of the .docx targets: a few tiny packages for
docx_package, and the same parts as plain text for docx_parts. Run again
after changing a seed; the files are kept in the repository."""
import pathlib
import zipfile

HERE = pathlib.Path(__file__).resolve().parent
W = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"
R = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
DECLARATION = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'

CONTENT_TYPES = (
    DECLARATION + '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
    '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
    '<Default Extension="xml" ContentType="application/xml"/>'
    '<Override PartName="/word/document.xml" '
    'ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>')
PACKAGE_RELS = (
    DECLARATION + '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
    '<Relationship Id="rId1" Type="' + R + '/officeDocument" Target="word/document.xml"/></Relationships>')
DOCUMENT_RELS = (
    DECLARATION + '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
    '<Relationship Id="rId1" Type="' + R + '/header" Target="header1.xml"/>'
    '<Relationship Id="rId2" Type="' + R + '/footer" Target="../word/./footer1.xml"/></Relationships>')


def document(body, prefix="w", declaration=DECLARATION):
    return (declaration + f'<{prefix}:document xmlns:{prefix}="{W}" xmlns:r="{R}"><{prefix}:body>{body}'
            f'</{prefix}:body></{prefix}:document>')


def story(kind, content):
    return DECLARATION + f'<w:{kind} xmlns:w="{W}" xmlns:r="{R}">{content}</w:{kind}>'


TABLE = ('<w:tbl><w:tr><w:tc><w:p><w:bookmarkStart w:id="0" w:name="C1_1"/><w:r><w:rPr><w:b/></w:rPr>'
         '<w:t>0</w:t></w:r><w:bookmarkEnd w:id="0"/></w:p></w:tc><w:tc><w:p>'
         '<w:bookmarkStart w:id="1" w:name="c1_2"/><w:bookmarkEnd w:id="1"/></w:p></w:tc></w:tr></w:tbl>')
NESTED = ('<w:p><w:bookmarkStart w:id="2" w:name="Outer"/><w:r><w:t xml:space="preserve">a </w:t></w:r>'
          '<w:bookmarkStart w:id="3" w:name="Inner"/><w:r><w:tab/><w:t>b</w:t></w:r><w:bookmarkEnd w:id="2"/>'
          '<w:r><w:t>c</w:t></w:r><w:bookmarkEnd w:id="3"/><w:bookmarkStart w:id="4" w:name="OUTER"/></w:p>')
PREFIXED = ('<x:p><x:bookmarkStart x:id="7" x:name="Год"/><x:r><x:t>2011</x:t></x:r>'
            '<x:bookmarkEnd x:id="7"/></x:p>')
HEADER = story("hdr", '<w:p><w:bookmarkStart w:id="10" w:name="Head"/><w:bookmarkEnd w:id="10"/></w:p>')
FOOTER = story("ftr", '<w:p><w:r><w:t>стр.</w:t></w:r><w:bookmarkStart w:id="11" w:name="Foot"/></w:p>')

PACKAGES = {
    "table_and_header.docx": [
        ("[Content_Types].xml", CONTENT_TYPES), ("_rels/.rels", PACKAGE_RELS),
        ("word/document.xml", document(TABLE + NESTED)), ("word/_rels/document.xml.rels", DOCUMENT_RELS),
        ("word/header1.xml", HEADER), ("word/footer1.xml", FOOTER)],
    "prefix_and_cp1251.docx": [
        ("[Content_Types].xml", CONTENT_TYPES), ("_rels/.rels", PACKAGE_RELS),
        ("word/document.xml", document(PREFIXED, "x", '<?xml version="1.0" encoding="windows-1251"?>')
         .encode("cp1251"))],
    "no_relationships.docx": [("word/document.xml", document(NESTED))],
}

PARTS = {
    "table_and_header": [document(TABLE + NESTED), HEADER],
    "prefix_latin1": [document(PREFIXED.replace("Год", "Annee"), "x",
                               '<?xml version="1.0" encoding="ISO-8859-1"?>')],
    "footer_relationship": [document(NESTED), FOOTER, DOCUMENT_RELS.replace("../word/./footer1.xml", "header1.xml")
                            .replace("/header\"", "/footer\"")],
}


def main():
    packages = HERE / "corpus" / "docx_package"
    parts = HERE / "corpus" / "docx_parts"
    packages.mkdir(parents=True, exist_ok=True)
    parts.mkdir(parents=True, exist_ok=True)
    for name, entries in PACKAGES.items():
        with zipfile.ZipFile(packages / name, "w", zipfile.ZIP_DEFLATED) as z:
            for entry, data in entries:
                z.writestr(zipfile.ZipInfo(entry, (1980, 1, 1, 0, 0, 0)), data, zipfile.ZIP_DEFLATED)
    for name, pieces in PARTS.items():
        (parts / name).write_bytes("\n--part--\n".join(pieces).encode("utf-8"))


if __name__ == "__main__":
    main()
