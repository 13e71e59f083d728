#include "window/window_geometry.h"

#include <algorithm>

#include "core/number_format.h"

namespace tarnfold::window {

int ScaledExportButtonHeight(double logicalDpiY) {
    if (!(logicalDpiY > 0)) return DesignExportButtonHeight;
    return static_cast<int>(RoundHalfEven(DesignExportButtonHeight * logicalDpiY / 96.0));
}

double ScaleFactor(int exportButtonHeight) {
    return static_cast<double>(exportButtonHeight) / DesignExportButtonHeight;
}

int Scaled(int designLength, double factor) { return static_cast<int>(RoundHalfEven(designLength * factor)); }

Rect Scaled(Rect design, double factor) {
    return {Scaled(design.x, factor), Scaled(design.y, factor), Scaled(design.width, factor),
            Scaled(design.height, factor)};
}

WindowSize ScaledWindowSize(WindowSize design, double factor) {
    WindowSize size;
    size.height = Scaled(design.height, factor);
    size.width = Scaled(design.width, factor);
    return size;
}

int DetailHeight(int compactHeight) { return static_cast<int>(RoundHalfEven(compactHeight / 4.0 * 6.0)); }

int CompactHeight(int detailHeight) { return static_cast<int>(RoundHalfEven(detailHeight / 6.0 * 4.0)); }

Rect DetailPanelRect(WindowSize holder, double factor) {
    const int top = Scaled(208, factor);
    return {0, top, std::max(0, holder.width - Scaled(1, factor)),
            std::max(0, holder.height - top - Scaled(8, factor))};
}

WindowSize Inside(WindowSize outer, WindowSize frame) {
    return {std::max(0, outer.width - frame.width), std::max(0, outer.height - frame.height)};
}

}  // namespace tarnfold::window
