#!/usr/bin/env python3
"""The demo database and its report forms, described once.

    python3 demo_forms.py sql         the statements that fill the demo kvel.gdb
                                      (UTF-8; the database's character set is WIN1251)
    python3 demo_forms.py templates   per template file, the tables, rows and cells
                                      a demo template needs, as JSON

Layout of the figures as the host system keeps them:
  - ntbl: the report table's number inside the database (joins tblname and columns);
  - tblkod: "T0" and the table's four-digit number on the form, so that
    characters 3 to 6 of tblkod are that number (the bookmark's table part);
  - formkod: form code, section as two digits, "00";
  - the annual theme ("999") stores period "год", the monthly theme ("001")
    the month's code; an institution with a non-empty A3 keeps its figures
    in svod, every other one in tbl.

The figures cover 2010 and 2011 and the year the demo is built in: the window
starts on the current year, so a newcomer's first export finds figures.

How an annual export picks a table's mapping (the "columns" rows of one year):
the row's own year when the table has one; otherwise a year up to 2007 takes
the 2007 mapping, and a year at or after the latest mapping year takes that
year's mapping. The latest mapping year is read once per export, from the
table of the export's first row (the form's first table), and serves every
table of the form. A year between 2007 and that latest year without a
mapping of its own gets none: its rows are not exported. So the host maps
every table of a form for the same years, the years the form changed, and
the demo does the same (mapping_years checks it): each demo year is either
mapped or lies after the form's latest mapped year, and every export of the
demo is whole. The current year has no mapping of its own and takes the
latest one.
"""

import datetime
import json
import sys

INSTITUTIONS = [
    # A (code in the figures), A3, B (name), C (code shown), RAION
    ("1166", "", "Велинская область", "1166", "01"),
    ("0101", "", "Городская больница №1", "0101", "01"),
    ("0102", "", "Детская поликлиника", "0102", "02"),
    ("0201", "свод по району", "Кировский район (свод)", "0201", "02"),
    ("0305", "", "Зареченская ЦРБ", "0305", "03"),
]

MONTHS = ["Январь", "Февраль", "Март", "Апрель", "Май", "Июнь", "Июль", "Август", "Сентябрь", "Октябрь",
          "Ноябрь", "Декабрь"]
PERIODS = [("%02d" % (i + 1), name) for i, name in enumerate(MONTHS)]

ANNUAL_THEME = "999"
MONTHLY_THEME = "001"
YEARS = sorted({2010, 2011, datetime.date.today().year})
SECTIONS = [0, 1]
# Institutions with figures: A codes. 0201 has a non-empty A3, so its figures are in svod.
REPORTING = ["1166", "0101", "0201"]


def column(eng, nstr, label):
    return {"eng": eng, "nstr": nstr, "label": label}


# Each form: template file, caption, form code, theme, and its tables. A table
# has its database number (ntbl), its number on the form (for tblkod and the
# bookmarks), rows (number, label) and a column mapping per year.
FORMS = [
    {
        "file": "7.doc",
        "caption": "Форма 7.  Сведения о заболевших злокачественными новообразованиями",
        "code": "007",
        "theme": ANNUAL_THEME,
        "tables": [
            {
                "ntbl": 701, "table": 1000, "title": "Заболеваемость по локализациям",
                "rows": [(1, "Все злокачественные новообразования"), (2, "губы"), (3, "пищевода"),
                         (4, "желудка")],
                "mapping": {
                    2007: [column("c1", 3, "Код по МКБ-10"), column("n1", 4, "Взято на учёт"),
                           column("n2", 5, "в т.ч. выявлено активно")],
                    2010: [column("c1", 3, "Код по МКБ-10"), column("n1", 4, "Взято на учёт"),
                           column("n2", 5, "в т.ч. выявлено активно"), column("n3", 6, "Доля, %")],
                },
            },
            {
                "ntbl": 702, "table": 2000, "title": "Контингенты больных",
                "rows": [(1, "Состоит на учёте на начало года"), (2, "Состоит на учёте на конец года")],
                "mapping": {
                    2007: [column("n1", 3, "Всего")],
                    2010: [column("n1", 3, "Всего"), column("n2", 4, "из них 5 лет и более")],
                },
            },
        ],
    },
    {
        "file": "12.doc",
        "caption": "Форма12.  Свед. о числе заб-ний, зарег.у проживающ.в рай-не обслуж.",
        "code": "012",
        "theme": ANNUAL_THEME,
        "tables": [
            {
                "ntbl": 1201, "table": 1000, "title": "Дети (0-14 лет)",
                "rows": [(1, "Зарегистрировано заболеваний - всего"), (2, "некоторые инфекционные болезни"),
                         (3, "новообразования")],
                # Column 6 is new in 2011: a 2010 export leaves it empty.
                "mapping": {
                    2007: [column("n1", 4, "Всего"), column("n2", 5, "в т.ч. с впервые установленным диагнозом")],
                    2010: [column("n1", 4, "Всего"), column("n2", 5, "в т.ч. с впервые установленным диагнозом")],
                    2011: [column("n1", 4, "Всего"), column("n2", 5, "в т.ч. с впервые установленным диагнозом"),
                           column("n4", 6, "Снято с наблюдения")],
                },
            },
            {
                "ntbl": 1202, "table": 3000, "title": "Взрослые (18 лет и более)",
                "rows": [(1, "Зарегистрировано заболеваний - всего"), (2, "болезни системы кровообращения")],
                "mapping": {
                    2007: [column("n1", 4, "Всего"), column("n2", 5, "в т.ч. с впервые установленным диагнозом")],
                    2010: [column("n1", 4, "Всего"), column("n2", 5, "в т.ч. с впервые установленным диагнозом")],
                    2011: [column("n1", 4, "Всего"), column("n2", 5, "в т.ч. с впервые установленным диагнозом")],
                },
            },
        ],
    },
    {
        "file": "14.doc",
        "caption": "Форма14.  Сведения о деятельности стационара",
        "code": "014",
        "theme": ANNUAL_THEME,
        "tables": [
            {
                "ntbl": 1401, "table": 2100, "title": "Состав больных в стационаре",
                "rows": [(1, "Всего"), (2, "в т.ч. дети"), (3, "Умершие")],
                "mapping": {
                    2007: [column("n1", 4, "Выписано"), column("n2", 5, "Проведено койко-дней")],
                    2010: [column("n1", 4, "Выписано"), column("n2", 5, "Проведено койко-дней"),
                           column("n5", 6, "Средняя длительность"), column("c2", 7, "Примечание")],
                },
            },
        ],
    },
    {
        "file": "ДД2012.doc",
        "caption": "Диспансеризация детей (ежемесячная).",
        "code": "800",
        "theme": MONTHLY_THEME,
        "tables": [
            {
                "ntbl": 8001, "table": 1000, "title": "Диспансеризация детей за месяц",
                "rows": [(1, "Подлежало диспансеризации"), (2, "Осмотрено"), (3, "Направлено на лечение")],
                # The monthly theme uses every year's mapping rows: one year only.
                "mapping": {
                    2010: [column("n1", 3, "Всего"), column("n2", 4, "в т.ч. до 1 года"),
                           column("c1", 5, "Ответственный")],
                },
            },
        ],
    },
]


def mapping_years(form):
    """The years every table of an annual form is mapped for; raises when the
    tables differ or a demo year would find no mapping, so that no demo export
    leaves a table out."""
    years = {frozenset(table["mapping"]) for table in form["tables"]}
    if len(years) != 1:
        raise ValueError("%s: the tables are mapped for different years" % form["file"])
    mapped = sorted(years.pop())
    for year in YEARS:
        if year not in mapped and 2007 < year < mapped[-1]:
            raise ValueError("%s: %d has no mapping and is before the latest mapping year %d"
                             % (form["file"], year, mapped[-1]))
    return mapped


def figure_table(institution):
    """svod for an institution with a non-empty A3, tbl for the others."""
    a3 = next(i[1] for i in INSTITUTIONS if i[0] == institution)
    return "svod" if a3 else "tbl"


def figure_value(form, table, row, eng, institution, year, section, period):
    """A figure that reads differently for every choice, so an export shows
    which record it took. Row 3 of every table is all zeros (nothing written),
    n3 and n5 are figures with decimals, c-columns hold texts."""
    if eng.startswith("c"):
        return "%s %s/%d" % ("МКБ" if eng == "c1" else "прим.", form["code"], row)
    if row == 3:
        return "0.00"
    seed = (int(institution) % 97) * 7 + (year - 2000) * 13 + row * 5 + int(eng[1:]) * 3 + section * 11 + period
    if eng in ("n3", "n5"):
        return "%d.%02d" % (seed % 50, (seed * 37) % 100)
    return "%d.00" % (seed * 3)


def quote(text):
    return "'" + text.replace("'", "''") + "'"


def figure_columns():
    return ["n%d" % i for i in range(1, 31)] + ["c%d" % i for i in range(1, 13)]


def sql_statements():
    for form in FORMS:
        if form["theme"] == ANNUAL_THEME:
            mapping_years(form)
    out = []
    add = out.append
    add("create table KODIF (A char(8) not null, A3 varchar(222), B varchar(100) not null, "
        "C char(6) not null, RAION char(4) not null);")
    add("create table period (A varchar(4) not null, B varchar(20) not null);")
    add("create table tblname (ntbl integer not null, tblname varchar(10) not null, name varchar(100));")
    add("create table columns (tbl integer not null, eng varchar(10) not null, god integer not null, "
        "nstr varchar(4));")
    figures = ", ".join("n%d numeric(15,2)" % i for i in range(1, 31)) + ", " + \
        ", ".join("c%d varchar(60)" % i for i in range(1, 13))
    for name in ("svod", "tbl"):
        add("create table %s (NTBL integer not null, GOD integer not null, LPU varchar(8) not null, "
            "period varchar(4) not null, formkod varchar(7) not null, tblkod varchar(6) not null, "
            "\"ROW\" integer not null, %s);" % (name, figures))
    for a, a3, b, c, raion in INSTITUTIONS:
        add("insert into KODIF values (%s, %s, %s, %s, %s);" % (quote(a), quote(a3) if a3 else "null", quote(b),
                                                                quote(c), quote(raion)))
    for code, name in PERIODS:
        add("insert into period values (%s, %s);" % (quote(code), quote(name)))
    for form in FORMS:
        for table in form["tables"]:
            add("insert into tblname values (%d, %s, %s);" % (table["ntbl"], quote(form["theme"]),
                                                              quote(table["title"])))
            for year, cells in sorted(table["mapping"].items()):
                # The host marks every mapped year with a "god" row as well.
                add("insert into columns values (%d, 'god', %d, '0');" % (table["ntbl"], year))
                for cell in cells:
                    add("insert into columns values (%d, %s, %d, '%d');" % (table["ntbl"], quote(cell["eng"]), year,
                                                                           cell["nstr"]))
    names = ", ".join(figure_columns())
    for form in FORMS:
        monthly = form["theme"] == MONTHLY_THEME
        periods = [code for code, _ in PERIODS[:3]] if monthly else ["год"]
        for institution in REPORTING:
            target = figure_table(institution)
            for year in YEARS:
                for section in SECTIONS:
                    for period_index, period in enumerate(periods):
                        formkod = "%s%02d00" % (form["code"], section)
                        for table in form["tables"]:
                            engs = sorted({cell["eng"] for cells in table["mapping"].values() for cell in cells})
                            tblkod = "T0%04d" % table["table"]
                            for row, _label in table["rows"]:
                                values = []
                                for eng in figure_columns():
                                    if eng in engs:
                                        v = figure_value(form, table, row, eng, institution, year, section,
                                                         period_index)
                                        values.append(quote(v) if eng.startswith("c") else v)
                                    else:
                                        values.append("null")
                                add("insert into %s (NTBL, GOD, LPU, period, formkod, tblkod, \"ROW\", %s) values "
                                    "(%d, %d, %s, %s, %s, %s, %d, %s);" % (
                                        target, names, table["ntbl"], year, quote(institution), quote(period),
                                        quote(formkod), quote(tblkod), row, ", ".join(values)))
    return out


def bookmark(table, row, nstr):
    return "z%04d_%03d_%02d" % (table, row, nstr)


def templates():
    """Per template file: what a demo template shows. Its cells are those of
    the latest mapping year of each table; the header fields year and
    institution, and the period on a monthly form only (an annual form has
    none to show)."""
    result = {}
    for form in FORMS:
        tables = []
        for table in form["tables"]:
            latest = max(table["mapping"])
            cells = table["mapping"][latest]
            tables.append({
                "table": table["table"],
                "ntbl": table["ntbl"],
                "title": table["title"],
                "columns": [{"nstr": c["nstr"], "label": c["label"], "eng": c["eng"]} for c in cells],
                "rows": [{"row": row, "label": label,
                          "bookmarks": [bookmark(table["table"], row, c["nstr"]) for c in cells]}
                         for row, label in table["rows"]],
            })
        result[form["file"]] = {
            "caption": form["caption"],
            "code": form["code"],
            "theme": form["theme"],
            "header": [["Год: ", "z0001_000_00"], ["Учреждение: ", "z0002_000_00"]] +
                      ([["Период: ", "z0003_000_00"]] if form["theme"] == MONTHLY_THEME else []),
            "tables": tables,
        }
    return result


def main(argv):
    if len(argv) != 2 or argv[1] not in ("sql", "templates"):
        sys.stderr.write("usage: demo_forms.py sql|templates\n")
        return 2
    if argv[1] == "sql":
        sys.stdout.write("\n".join(sql_statements()) + "\n")
    else:
        json.dump(templates(), sys.stdout, ensure_ascii=False, indent=1)
        sys.stdout.write("\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
