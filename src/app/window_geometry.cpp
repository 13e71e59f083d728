#include "app/window_geometry.h"

#include "core/number_format.h"

namespace tarnfold::app {

int ScaledExportButtonHeight(double logicalDpiY) {
    if (!(logicalDpiY > 0)) return DesignExportButtonHeight;
    return static_cast<int>(RoundHalfEven(DesignExportButtonHeight * logicalDpiY / 96.0));
}

double ScaleFactor(int exportButtonHeight) {
    return static_cast<double>(exportButtonHeight) / DesignExportButtonHeight;
}

int Scaled(int designLength, double factor) {
    return static_cast<int>(RoundHalfEven(designLength * factor));
}

WindowSize ScaledWindowSize(WindowSize design, double factor) {
    WindowSize size;
    size.height = Scaled(design.height, factor);
    size.width = Scaled(design.width, factor);
    return size;
}

int DetailHeight(int compactHeight) {
    return static_cast<int>(RoundHalfEven(compactHeight / 4.0 * 6.0));
}

int CompactHeight(int detailHeight) {
    return static_cast<int>(RoundHalfEven(detailHeight / 6.0 * 4.0));
}

}  // namespace tarnfold::app
