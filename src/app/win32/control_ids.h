#pragma once
// The Win32 window's control identifiers: each control of the layout table by
// its place in the table, so that a program in another process (a test, an
// accessibility tool) finds a control by the design's name.

#include <cstddef>
#include <string_view>

#include "window/window_layout.h"

namespace tarnfold::app::win32 {

inline constexpr int FirstControlId = 100;
// The folder field's browse button, which the layout does not list.
inline constexpr int BrowseButtonId = 99;

inline int ControlId(window::Control control) {
    const auto places = window::ControlPlaces();
    for (std::size_t i = 0; i < places.size(); ++i)
        if (places[i].control == control) return FirstControlId + static_cast<int>(i);
    return 0;
}

// 0 when no control has the name.
inline int ControlIdByName(std::string_view name) {
    for (const window::ControlPlace& place : window::ControlPlaces())
        if (name == place.name) return ControlId(place.control);
    return 0;
}

}  // namespace tarnfold::app::win32
