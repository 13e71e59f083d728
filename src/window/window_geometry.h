#pragma once
// The window's sizes as pure arithmetic: the layout is drawn for 96 dots per
// inch and grows with the screen's font size, and the detail panel adds half
// of the compact height. Window sizes are outer sizes, frame included.

namespace tarnfold::window {

struct WindowSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const WindowSize&, const WindowSize&) = default;
};

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

inline constexpr WindowSize DesignCompactSize{627, 280};
inline constexpr int DesignExportButtonHeight = 25;

// The export button's height after scaling to the screen's font size: the
// button is the measure every other size follows.
int ScaledExportButtonHeight(double logicalDpiY);

// Factor by which the design layout grows: actual button height / 25.
double ScaleFactor(int exportButtonHeight);

// A design length (position or size) at the given factor.
int Scaled(int designLength, double factor);
Rect Scaled(Rect design, double factor);

// The window's size at start, which is also the smallest it may be dragged
// to: the height is scaled first, then the width, each rounded once with a
// half going to the even neighbour.
WindowSize ScaledWindowSize(WindowSize design, double factor);

// Height after showing the detail panel: divided by 4 first, times 6, rounded
// once (347 gives 520, the half going to the even neighbour).
int DetailHeight(int compactHeight);
// Height after hiding it again: divided by 6 first, times 4, rounded once.
int CompactHeight(int detailHeight);

// The detail panel keeps its distance to all four sides of the panel that
// holds it, so it grows and shrinks with the window.
Rect DetailPanelRect(WindowSize holder, double factor);

// What is left inside a frame of the given thickness around an outer size.
WindowSize Inside(WindowSize outer, WindowSize frame);

}  // namespace tarnfold::window
