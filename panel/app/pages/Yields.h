// The solar-yield pages: output and yields, the daily-yield chart, and the
// deletion of the total yield with its question and message.
#pragma once

#include "panel/app/Page.h"

extern const PageRecord YieldsPage;
extern const PageRecord DailyYieldChartPage;
extern const PageRecord DeleteYieldQuestionPage;
extern const PageRecord YieldDeletedPage;

// One bar per day of the yield history, today's at the right.
void DrawYieldChart();
