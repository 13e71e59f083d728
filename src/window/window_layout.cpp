#include "window/window_layout.h"

#include <array>
#include <stdexcept>

namespace tarnfold::window {

namespace {

using C = Control;

constexpr std::array Places{
    ControlPlace{C::Window, C::Window, "FMain", {0, 0, 627, 280}, Sizing::Fixed, MainWindowCaption},
    ControlPlace{C::Panel1, C::Window, "Panel1", {0, 0, 621, 361}, Sizing::Holder, ""},
    ControlPlace{C::ThemeLabel, C::Panel1, "Label6", {16, 8, 0, 0}, Sizing::OwnSize, "Выберите тему:"},
    ControlPlace{C::ThemeList, C::Panel1, "CBTheme", {16, 24, 345, 21}, Sizing::Fixed, ""},
    ControlPlace{C::PeriodLabel, C::Panel1, "Label7", {384, 8, 0, 0}, Sizing::OwnSize, "Выберите период:"},
    ControlPlace{C::PeriodList, C::Panel1, "CBPeriod", {384, 24, 217, 21}, Sizing::Fixed, ""},
    ControlPlace{C::FormLabel, C::Panel1, "Label1", {16, 50, 0, 0}, Sizing::OwnSize, "Выберите форму:"},
    ControlPlace{C::FormList, C::Panel1, "CBForm", {16, 66, 584, 21}, Sizing::Fixed, ""},
    ControlPlace{C::InstitutionLabel, C::Panel1, "Label4", {16, 98, 0, 0}, Sizing::OwnSize, "Выберите учреждение:"},
    ControlPlace{C::InstitutionList, C::Panel1, "CBKodif", {16, 122, 337, 21}, Sizing::Fixed, ""},
    ControlPlace{C::SectionLabel, C::Panel1, "Label3", {384, 106, 0, 0}, Sizing::OwnSize, "Разрез формы:"},
    ControlPlace{C::SectionField, C::Panel1, "MERazrez", {384, 122, 64, 21}, Sizing::Fixed, ""},
    ControlPlace{C::YearLabel, C::Panel1, "Label2", {480, 106, 0, 0}, Sizing::OwnSize, "Введите год:"},
    ControlPlace{C::YearField, C::Panel1, "SE_Year", {480, 122, 121, 22}, Sizing::Fixed, "2007"},
    ControlPlace{C::Gauge, C::Panel1, "Gauge1", {30, 174, 226, 20}, Sizing::Fixed, ""},
    ControlPlace{C::ExportButton, C::Panel1, "BExport", {294, 172, 145, 25}, Sizing::Fixed, ExportCaption},
    ControlPlace{C::DetailButton, C::Panel1, "BView", {470, 172, 121, 25}, Sizing::Fixed, DetailShowCaption},
    ControlPlace{C::DetailPanel, C::Panel1, "Panel2", {0, 208, 620, 145}, Sizing::Holder, ""},
    ControlPlace{C::TemplateFolderLabel,
                 C::DetailPanel,
                 "Label5",
                 {24, 60, 0, 0},
                 Sizing::OwnSize,
                 "Папка с шаблонами для загрузки:"},
    ControlPlace{
        C::TemplateFolder, C::DetailPanel, "DirectoryEdit1", {230, 56, 337, 21}, Sizing::Fixed, "DirectoryEdit1"},
    // Made after the folder field: a long result line runs under the field's
    // lower edge and, drawn above it, stays whole.
    ControlPlace{C::ResultLine, C::DetailPanel, "LRezult", {24, 72, 0, 0}, Sizing::OwnSize, ""},
    ControlPlace{
        C::JournalButton, C::DetailPanel, "BJournal", {396, 99, 169, 25}, Sizing::Fixed, "Открыть журнал экспорта"},
    ControlPlace{C::StatusBar, C::Window, "StatusBar1", {0, 0, 0, 22}, Sizing::Fixed, ""},
    ControlPlace{C::DatabasePanel, C::StatusBar, "StatusBar1Panel0", {0, 0, 300, 0}, Sizing::Fixed, ""},
    ControlPlace{C::ProgressPanel, C::StatusBar, "StatusBar1Panel1", {300, 0, 0, 0}, Sizing::Rest, ""},
};

constexpr std::array Tabs{C::FormList,     C::InstitutionList, C::SectionField,  C::YearField, C::ExportButton,
                          C::DetailButton, C::TemplateFolder,  C::JournalButton, C::ThemeList, C::PeriodList};

}  // namespace

std::span<const ControlPlace> ControlPlaces() { return Places; }

const ControlPlace& PlaceOf(Control control) {
    for (const ControlPlace& place : Places)
        if (place.control == control) return place;
    throw std::logic_error("control without a place");
}

std::span<const Control> TabOrder() { return Tabs; }

}  // namespace tarnfold::window
