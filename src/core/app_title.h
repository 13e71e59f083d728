#pragma once

namespace tarnfold {

// Caption of the program's message boxes and the text by which a second start
// recognises the first.
inline constexpr const char* AppTitle = "Tarnfold-выгрузка данных в бланки форм";

}  // namespace tarnfold
