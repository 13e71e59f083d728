#include "word/libreoffice/office_messages.h"

#include <gtest/gtest.h>

namespace tarnfold::word {
namespace {

TEST(OfficeFailureText, ExplainsInputOutputClassesAndDropsTheSourceLocation) {
    EXPECT_EQ(OfficeFailureText("SfxBaseModel::impl_store <file:///tmp/a/out.doc> failed: 0x507(Error Area:Io "
                                "Class:Access Code:7) at ./sfx2/source/doc/sfxbasemodel.cxx:3207",
                                "x"),
              "нет доступа к файлу или папке (SfxBaseModel::impl_store </tmp/a/out.doc> failed: "
              "0x507(Error Area:Io Class:Access Code:7))");
    // Files by their paths, not their URLs.
    EXPECT_EQ(OfficeFailureText("impl_store <file:///tmp/%D0%BE%D1%82%D1%87%D1%91%D1%82%20%E2%84%96%201.doc> failed: "
                                "0x507(Error Area:Io Class:Access Code:7)",
                                "x"),
              "нет доступа к файлу или папке (impl_store </tmp/отчёт № 1.doc> failed: 0x507(Error Area:Io Class:Access "
              "Code:7))");
    EXPECT_EQ(OfficeFailureText("impl_store failed: 0x31a(Error Area:Io Class:Space Code:26) at x/y.cxx:1\n", "x"),
              "недостаточно места на диске (impl_store failed: 0x31a(Error Area:Io Class:Space Code:26))");
}

TEST(OfficeFailureText, KeepsOtherMessagesWithTheirEndCut) {
    EXPECT_EQ(OfficeFailureText("type detection failed", "x"), "type detection failed");
    EXPECT_EQ(OfficeFailureText("Unsupported URL <file:///a>: \"type detection failed\". ", "x"),
              "Unsupported URL </a>: \"type detection failed\"");
    EXPECT_EQ(OfficeFailureText("failed (Class:Unheard Code:1)", "x"), "failed (Class:Unheard Code:1)");
}

TEST(OfficeFailureText, FallsBackWhenTheOfficeSaysNothing) {
    EXPECT_EQ(OfficeFailureText("", "LibreOffice не сообщил причину"), "LibreOffice не сообщил причину");
    EXPECT_EQ(OfficeFailureText(" at ./sfx2/source/doc/objstor.cxx:12", "нет"), "нет");
    EXPECT_EQ(OfficeFailureText("at ./sw/source/core/unocore/unocoll.cxx:1620", "нет"), "нет");
    EXPECT_EQ(OfficeFailureText("at ./sw/source/uibase/uno/unotxdoc.cxx:1189.", "нет"), "нет");
}

// What a Basic routine hands back of an error it trapped.
TEST(ReadBasicError, TakesTheOfficesMessageAndWhetherTheObjectHadGone) {
    struct Case {
        const char* basicText;
        const char* message;
        bool disposed;
    };
    const Case cases[] = {
        {"Вызвано исключение \nType: com.sun.star.lang.DisposedException\nMessage: at ./sw/x.cxx:1189.",
         "at ./sw/x.cxx:1189.", true},
        {"An exception occurred \nType: com.sun.star.container.NoSuchElementException\nMessage: z1000_001_03",
         "z1000_001_03", false},
        {"Переменная объекта не установлена.", "Переменная объекта не установлена.", false},
        {"", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.basicText);
        const BasicError error = ReadBasicError(c.basicText);
        EXPECT_EQ(error.message, c.message);
        EXPECT_EQ(error.disposed, c.disposed);
    }
}

}  // namespace
}  // namespace tarnfold::word
