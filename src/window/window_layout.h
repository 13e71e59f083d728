#pragma once
// The main window's controls: what each is called, where it lies at 96 dots
// per inch, what it shows at first, and the order the Tab key walks them in.
// Every view builds the same window from this table.

#include <span>

#include "window/window_geometry.h"

namespace tarnfold::window {

enum class Control {
    Window,
    Panel1,
    ThemeLabel,
    ThemeList,
    PeriodLabel,
    PeriodList,
    FormLabel,
    FormList,
    InstitutionLabel,
    InstitutionList,
    SectionLabel,
    SectionField,
    YearLabel,
    YearField,
    Gauge,
    ExportButton,
    DetailButton,
    DetailPanel,
    TemplateFolderLabel,
    ResultLine,
    TemplateFolder,
    JournalButton,
    StatusBar,
    DatabasePanel,
    ProgressPanel,
};

enum class Sizing {
    Fixed,    // the place's width and height
    OwnSize,  // a label as wide and high as its text
    Rest,     // a status panel that takes the rest of the bar's width
    Holder,   // fills its holder (the window's client area, or as DetailPanelRect says)
};

struct ControlPlace {
    Control control;
    Control holder;    // the control it lies in
    const char* name;  // the name the control is looked up by
    Rect design;       // inside the holder, at 96 dots per inch
    Sizing sizing;
    const char* text;  // what it shows at first; empty for none
};

// In the order the controls are made; a holder comes before what it holds.
std::span<const ControlPlace> ControlPlaces();
const ControlPlace& PlaceOf(Control control);
inline const char* ControlName(Control control) { return PlaceOf(control).name; }

// The controls the Tab key walks, in order; the detail panel's are skipped
// while it is hidden and the period list while it is disabled.
std::span<const Control> TabOrder();

inline constexpr const char* MainWindowCaption = "Выгрузка данных в бланки форм";
inline constexpr const char* ExportCaption = "Экспорт";
inline constexpr const char* ExportHint = "Выгрузить данные в бланк  (F10)";
inline constexpr const char* AbortCaption = "Прервать";
inline constexpr const char* AbortHint = "Прервать выгрузку данных в бланк";
inline constexpr const char* DetailShowCaption = "Подробно >>";
inline constexpr const char* DetailHideCaption = "Подробно <<";
inline constexpr const char* DatabaseStatusPrefix = " База: ";
inline constexpr const char* UnknownErrorMessage = "Неизвестная ошибка";

}  // namespace tarnfold::window
