// Background fills in bands of rows, sized to what is left of the budgets, and
// the edge count of rectangles.
#include "panel/dl/Interpreter.h"
#include "panel/dl/longops/LongOp.h"
#include "panel/gfx/Raster.h"

namespace longop {

namespace {

constexpr i32 kWindowEntries = 22;
constexpr i32 kPixelEntries = 2;

}  // namespace

i32 RowsWithin(i32 budget, u8 k, i32 w) {
    const CostCoefficients& e = CostTable[k];
    const i32 rows = (budget * 256 - e.c2) / (e.c0 + e.c1 * w);
    return rows > 0 ? rows : 0;
}

bool FillRowsChunked(FillBand& band) {
    InterpreterState& st = Interp;
    // Only the screen is filled: rows and columns outside it are dropped here
    // rather than clamped onto its edges by the raster layer.
    band.left = Max(band.left, 0);
    band.top = Max(band.top, 0);
    band.right = Min(band.right, kLastColumn);
    band.bottom = Min(band.bottom, kLastRow);
    if (band.right < band.left || band.top > band.bottom) return true;
    const i32 w = band.right - band.left;
    for (;;) {
        const i32 rw = RowsWithin(st.workBudget, kCostFill, w);
        i32 rq = RowsWithin(st.queueBudget, kCostFill + 1, w);
        // The table undercounts narrow bands; never plan more rows than the
        // entries left can hold.
        rq = Min(rq, Max(st.queueBudget - kWindowEntries, 0) / (kPixelEntries * (w + 1)));
        if (rw <= 0 || rq <= 0) break;
        i32 n = Min(rw, rq);
        if (band.top + n > band.bottom + 1) n = band.bottom + 1 - band.top;
        FillPattern(static_cast<u16>(band.left), static_cast<u8>(band.top), static_cast<u16>(band.right),
                    static_cast<u8>(band.top + n - 1), 0x0000);
        band.top += n;
        if (band.top > band.bottom) return true;
        ReloadBudgets();
    }
    st.stopFlag = 1;
    return false;
}

// The edges are drawn from a row's low byte and a column read as signed
// 16-bit, so an operand off the screen can land anywhere on it: such a
// rectangle is counted as the whole screen's perimeter. Backward corners count
// as forward ones.
i32 DrawnPerimeter(i32 x1, i32 y1, i32 x2, i32 y2) {
    if (Max(x1, x2) > kLastColumn || Max(y1, y2) > kLastRow || Min(Min(x1, x2), Min(y1, y2)) < 0) {
        return 2 * (kLastColumn + kLastRow);
    }
    return 2 * (Abs(x2 - x1) + Abs(y2 - y1));
}

}  // namespace longop
