#include "export/source_query.h"

namespace tarnfold {

std::string SourceStatement(SourceTable table, const std::string& themeCode, const std::string& extraCondition) {
    const std::string name = SourceTableName(table);
    // Each text is widened, so that a value longer than its column compares
    // unequal instead of failing as too long.
    return "select " + name +
           ".NTBL,GOD,LPU,period,formkod,tblkod,\"ROW\",n1,n2,n3,n4,n5,n6,n7,n8,n9,n10,n11,n12,n13,n14,n15,n16,n17,"
           "n18,n19,n20,n21,n22,n23,n24,n25,n26,n27,n28,n29,n30,c1,c2,c3,c4,c5,c6,c7,c8,c9,c10,c11,c12 from " +
           name + ",tblname where (tblname.tblname='" + themeCode +
           "') and (period=CAST(:period AS VARCHAR(255))) and (god=:god) and (lpu=CAST(:lpu AS VARCHAR(255))) and (" +
           name + ".ntbl=tblname.ntbl) and (formkod=CAST(:formkod AS VARCHAR(255))) " + extraCondition +
           " order by tblname.ntbl, tblkod,\"ROW\"";
}

SourceRows OpenSourceQuery(db::Session& session, const SourceChoice& choice) {
    SourceRows source;
    source.periodCode = choice.theme->periodFlag.empty() ? "год" : choice.period.code;
    source.table = ChooseSourceTable(choice.institution.summaryMark, choice.theme->periodicity, source.periodCode);
    source.sectionText = SectionText(choice.sectionField);
    source.code = MakeSectionCode(choice.formCode, source.sectionText);
    source.year = ReadYear(choice.yearText);

    auto query = session.Prepare(SourceStatement(source.table, choice.theme->code, source.code.extraCondition));
    query->SetText("period", source.periodCode);
    query->SetInteger("god", source.year);
    query->SetText("lpu", choice.institution.code);
    query->SetText("formkod", source.code.formSectionCode);
    source.rows = query->Open();
    return source;
}

}  // namespace tarnfold
