// The measurement pages: temperatures, outside temperature and flow rate, the
// extra sensors, and the collector chart.
#pragma once

#include "panel/app/Page.h"

extern const PageRecord TemperaturesPage;
extern const PageRecord FlowPage;
extern const PageRecord ExtraSensorsPage;
extern const PageRecord CollectorChartPage;

// The 36-hour curve of CollectorCurve, oldest value at column 51.
void DrawCollectorChart();
