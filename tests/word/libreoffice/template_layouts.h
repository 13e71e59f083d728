#pragma once
// The template the office tests fill: header bookmarks (one spanning
// placeholder text), tables whose cells carry bookmarks, Cyrillic text.

namespace tarnfold::testing {

inline constexpr const char* kFormTemplate = R"({
  "header": [
    {"text": "Год: ", "bookmark": "z0001_000_00", "after": " год"},
    {"text": "Учреждение: ", "bookmark": "z0002_000_00", "span": "наименование учреждения"},
    {"text": "Период: ", "bookmark": "z0003_000_00"}
  ],
  "footer": ["Форма утверждена приказом Росстата"],
  "body": [
    "Форма 7. Сведения о заболевших злокачественными новообразованиями",
    {"table": [
      ["Строка", "Графа 3", "Графа 4"],
      ["Всего", {"bookmark": "z1000_001_03"}, {"bookmark": "z1000_001_04"}],
      ["Мужчины", {"bookmark": "z1000_002_03"}, {"text": "из них: ", "bookmark": "z1000_002_04", "span": "—"}]
    ]},
    "Примечание",
    {"table": [["Итого", {"bookmark": "z2000_001_01"}, {"text": "код ", "bookmark": "ИтогоСтрок"}]]},
    "Конец формы"
  ]
})";

}  // namespace tarnfold::testing
