#pragma once
// The progress gauge: a percentage written across, a navy bar on white; the
// text turns white where the bar lies under it.

#include <windows.h>

namespace tarnfold::app::win32 {

// A child window of the gauge's own class, showing 0 %.
HWND CreateGauge(HWND parent, int id);
void SetGaugePercent(HWND gauge, int percent);

}  // namespace tarnfold::app::win32
