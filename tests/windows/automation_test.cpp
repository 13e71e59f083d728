// Argument passing and error texts of the late-bound calls, checked against
// the recording automation object through IDispatch.
#include <gtest/gtest.h>

#include <functional>

#include "error_text.h"
#include "call_text.h"
#include "core/error.h"
#include "core/wide_text.h"
#include "recording_dispatch.h"
#include "word/com/automation.h"

namespace tarnfold::word::com {
namespace {

using tarnfold::testing::ErrorOf;

using testing::CallTexts;
using testing::Failure;
using testing::MakeRecordingObject;
using testing::Member;
using testing::Recording;

std::shared_ptr<Recording> ProbeModel() {
    auto model = std::make_shared<Recording>();
    model->Define("probe", "Take", Member::Plain({"First", "Second"}));
    model->Define("probe", "Child", Member::ObjectOf("probe"));
    model->Define("probe", "Number", Member::IntegerOf(-123456));
    model->Define("probe", "Truth", Member::BooleanOf(true));
    model->Define("probe", "Falsity", Member::BooleanOf(false));
    model->Define("probe", "Flag", Member::Plain());
    return model;
}

TEST(AutomationArguments, KindsValuesAndOrderOfPositionalArguments) {
    auto model = ProbeModel();
    Dispatch probe(MakeRecordingObject(model, "probe"));
    std::string variable = "C:\\Отчёты\\№ 7.doc";
    probe.Call("Take", {Arg::Text("Привет, мир"), Arg::Integer(-7), Arg::Integer(2147483647), Arg::Boolean(true),
                        Arg::Boolean(false), Arg::TextByRef(variable), Arg::Text("")});
    EXPECT_EQ(CallTexts(model->Calls()),
              (std::vector<std::string>{"probe.Take M ['Привет, мир', i:-7, i:2147483647, b:-1, b:0, "
                                        "&'C:\\Отчёты\\№ 7.doc', '']"}));
}

TEST(AutomationArguments, NamedArgumentsFollowInTheCallersOrderWithTheirNames) {
    auto model = ProbeModel();
    Dispatch probe(MakeRecordingObject(model, "probe"));
    probe.Call("Take", {Arg::Text("a"), Arg::Integer(1, "Second"), Arg::Boolean(true, "First")});
    EXPECT_EQ(CallTexts(model->Calls()), (std::vector<std::string>{"probe.Take M ['a', Second=i:1, First=b:-1]"}));
    // The method and its argument names are resolved together, as spelled.
    EXPECT_EQ(model->Lookups(), (std::vector<std::string>{"probe: Take Second First"}));
}

TEST(AutomationArguments, NamesAreResolvedAtEveryCall) {
    auto model = ProbeModel();
    Dispatch probe(MakeRecordingObject(model, "probe"));
    probe.Call("take");
    probe.Call("Take");
    EXPECT_EQ(model->Lookups(), (std::vector<std::string>{"probe: take", "probe: Take"}));
    EXPECT_EQ(CallTexts(model->Calls()), (std::vector<std::string>{"probe.take M []", "probe.Take M []"}));
}

TEST(AutomationArguments, StringsByReferenceAreCopiedBackAndByValueStringsAreNot) {
    auto model = ProbeModel();
    model->ReplaceByRefStrings("probe", "Take", L"Изменено сервером");
    Dispatch probe(MakeRecordingObject(model, "probe"));
    std::string variable = "исходный";
    const std::string byValue = "по значению";
    probe.Call("Take", {Arg::TextByRef(variable), Arg::Text(byValue)});
    EXPECT_EQ(variable, "Изменено сервером");
    EXPECT_EQ(byValue, "по значению");
}

TEST(AutomationArguments, ReadsAreMethodOrPropertyGetsWithAResultAndAssignmentsArePropertyPuts) {
    auto model = ProbeModel();
    Dispatch probe(MakeRecordingObject(model, "probe"));
    EXPECT_EQ(probe.Integer("Number"), -123456);
    EXPECT_TRUE(probe.Boolean("Truth"));
    EXPECT_FALSE(probe.Boolean("Falsity"));
    probe.Object("Child").Call("Take");
    probe.Put("Flag", Arg::Boolean(true));
    EXPECT_EQ(CallTexts(model->Calls()),
              (std::vector<std::string>{"probe.Number G []", "probe.Truth G []", "probe.Falsity G []",
                                        "probe.Child G []", "probe.Take M []", "probe.Flag P [<put>=b:-1]"}));
}

TEST(AutomationArguments, EveryObjectHandedOutIsReleased) {
    auto model = ProbeModel();
    {
        Dispatch probe(MakeRecordingObject(model, "probe"));
        probe.Object("Child").Object("Child").Call("Take");
        EXPECT_GE(model->LiveObjects(), 1);
    }
    EXPECT_EQ(model->LiveObjects(), 0);
}

TEST(AutomationErrors, ServerDescriptionLosesTrailingBlanksAndFullStops) {
    auto model = ProbeModel();
    model->FailOn("probe", "Take", Failure{static_cast<HRESULT>(0x800A13E9), L"Закладка не найдена. \r\n. ", true});
    Dispatch probe(MakeRecordingObject(model, "probe"));
    EXPECT_EQ(ErrorOf([&] { probe.Call("Take"); }), "Закладка не найдена");
}

TEST(AutomationErrors, WithoutDescriptionTheSystemTextOfTheCode) {
    auto model = ProbeModel();
    model->FailOn("probe", "Take", Failure{E_ACCESSDENIED, L"", true});
    Dispatch probe(MakeRecordingObject(model, "probe"));
    const std::string text = ErrorOf([&] { probe.Call("Take"); });
    EXPECT_EQ(text, SystemErrorText(E_ACCESSDENIED));
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '.');
    EXPECT_NE(text.back(), '\n');
    EXPECT_EQ(text.find("OLE error"), std::string::npos);
}

TEST(AutomationErrors, WithoutDescriptionOrSystemTextTheCodeInEightHexDigits) {
    auto model = ProbeModel();
    model->FailOn("probe", "Take", Failure{static_cast<HRESULT>(0x800A13E9), L"  ", true});
    Dispatch probe(MakeRecordingObject(model, "probe"));
    EXPECT_EQ(ErrorOf([&] { probe.Call("Take"); }), "OLE error 800A13E9");
    EXPECT_EQ(AutomationErrorText(static_cast<HRESULT>(0x0000ABCD), L""), "OLE error 0000ABCD");
}

TEST(AutomationErrors, AFailureThatInvokeReturnsItselfGivesTheSystemText) {
    auto model = ProbeModel();
    model->FailOn("probe", "Take", Failure{E_OUTOFMEMORY, L"", false});
    Dispatch probe(MakeRecordingObject(model, "probe"));
    const std::string text = ErrorOf([&] { probe.Call("Take"); });
    EXPECT_EQ(text, SystemErrorText(E_OUTOFMEMORY));
    EXPECT_FALSE(text.empty());
}

TEST(AutomationErrors, UnknownNamesAreNotSupportedByTheObject) {
    auto model = ProbeModel();
    Dispatch probe(MakeRecordingObject(model, "probe"));
    EXPECT_EQ(ErrorOf([&] { probe.Call("Vanish"); }), "Method 'Vanish' not supported by automation object");
    // An argument name the method does not know fails the lookup as well.
    EXPECT_EQ(ErrorOf([&] { probe.Call("Take", {Arg::Integer(1, "Third")}); }),
              "Method 'Take' not supported by automation object");
    EXPECT_EQ(model->Calls().size(), 0u);
}

TEST(AutomationErrors, AResultOfTheWrongKindIsAnError) {
    auto model = ProbeModel();
    Dispatch probe(MakeRecordingObject(model, "probe"));
    const std::string mismatch = AutomationErrorText(DISP_E_TYPEMISMATCH, L"");
    EXPECT_EQ(ErrorOf([&] { probe.Object("Number"); }), mismatch);
    EXPECT_EQ(ErrorOf([&] { probe.Object("Take"); }), mismatch);
    EXPECT_FALSE(mismatch.empty());
}

TEST(AutomationErrors, OnlyTheEndOfADescriptionIsCut) {
    EXPECT_EQ(AutomationErrorText(E_FAIL, L"Текст. . \r\n"), "Текст");
    EXPECT_EQ(AutomationErrorText(E_FAIL, L"v1.2 of a.b"), "v1.2 of a.b");
    EXPECT_EQ(AutomationErrorText(E_FAIL, L"Ошибка!"), "Ошибка!");
    EXPECT_EQ(AutomationErrorText(E_FAIL, L"  Ведущие пробелы."), "  Ведущие пробелы");
    // Nothing left of it: the system's text for the code.
    EXPECT_EQ(AutomationErrorText(E_ACCESSDENIED, L" ..."), SystemErrorText(E_ACCESSDENIED));
}

}  // namespace
}  // namespace tarnfold::word::com
