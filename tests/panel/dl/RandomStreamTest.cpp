// Random but well-formed command streams through the interpreter: no writer may
// ever append past the LCD queue (the writers stop debug builds if one does),
// every run must leave the queue applied, and every stream must drain.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "DlTestSupport.h"
#include "panel/gfx/Context.h"

namespace {

class Stream {
public:
    explicit Stream(u32 seed) : rng_(seed) {}

    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    // Mostly on the screen; now and then far off it, which must not hurt.
    u16 X() { return static_cast<u16>(Int(0, 49) == 0 ? Int(0, 0xFFFF) : Int(0, kScreenWidth - 1)); }
    u16 Y() { return static_cast<u16>(Int(0, 49) == 0 ? Int(0, 0xFFFF) : Int(0, kScreenHeight - 1)); }

    std::string Text(int maxLength) {
        std::string text(static_cast<size_t>(Int(0, maxLength)), ' ');
        for (char& c : text) c = static_cast<char>(Int(1, 255));
        return text;
    }

    // One random command through the drawing API.
    void Queue() {
        switch (Int(0, 19)) {
            case 0: DlSetFlags(static_cast<u8>(Int(0, 255))); break;
            case 1: DlSetInverse(static_cast<u8>(Int(0, 1))); break;
            case 2: DlSetForeground(static_cast<Rgb565>(Int(0, 0xFFFF))); break;
            case 3: DlSetBackground(static_cast<Rgb565>(Int(0, 0xFFFF))); break;
            case 4: DlSetFont(static_cast<u8>(Int(0, 4))); break;
            case 5: DlMoveTo(X(), Y()); break;
            case 6: DlLineTo(X(), Y()); break;
            case 7: DlRect(X(), Y(), X(), Y()); break;
            case 8: DlCircle(X(), Y(), static_cast<u8>(Int(0, 255)), static_cast<u8>(Int(0, 255))); break;
            case 9: DlRoundRect(X(), Y(), X(), Y(), static_cast<u8>(Int(0, 255)), static_cast<u8>(Int(0, 255))); break;
            case 10: DlImage(X(), Y(), static_cast<u8>(Int(0, 20)), static_cast<u8>(Int(0, 6))); break;
            case 11: DlImageBox(X(), Y(), static_cast<u8>(Int(0, 20)), static_cast<u8>(Int(0, 6))); break;
            case 12: DlTextPos(X(), Y()); break;
            case 13: DlChar(static_cast<u8>(Int(0, 255))); break;
            case 14: DlText(Text(60).c_str()); break;
            case 15: DlTextAt(X(), Y(), Text(40).c_str()); break;
            case 16: DlCharRotated(static_cast<u16>(Int(0, 720)), static_cast<u8>(Int(1, 255))); break;
            case 17: DlTextRotated(static_cast<u16>(Int(0, 359)), Text(4).c_str()); break;
            case 18: DlSetFlags(static_cast<u8>(Int(0, 3))); break;
            default: DlRect(X(), Y(), X(), Y()); break;
        }
    }

private:
    std::mt19937 rng_;
};

void CheckRunEnded() {
    ASSERT_EQ(LcdQueueCount(), 0);
    ASSERT_LE(LcdHighWaterMark(), kLcdQueueSize);
    ASSERT_LT(DlBytesUsed(), kDlRingSize);
}

TEST(RandomStreamTest, RandomCommandStreamsStayWithinTheQueueAndDrain) {
    constexpr int kStreams = 1500;
    dltest::Boot();
    for (int seed = 1; seed <= kStreams; ++seed) {
        Stream stream(static_cast<u32>(seed));
        const int ticks = stream.Int(1, 6);
        for (int tick = 0; tick < ticks; ++tick) {
            const int commands = stream.Int(0, 12);
            for (int i = 0; i < commands; ++i) stream.Queue();
            // Other drawing earlier in the tick may have used part of the queue.
            if (stream.Int(0, 3) == 0) dltest::LeaveLcdRoom(stream.Int(0, kLcdQueueSize));
            DisplayListRun();
            CheckRunEnded();
        }
        int runs = 0;
        while (DlBytesUsed() != 0 && runs < 400) {
            DisplayListRun();
            CheckRunEnded();
            ++runs;
        }
        ASSERT_EQ(DlBytesUsed(), 0) << "stream " << seed << " did not drain";
        ASSERT_EQ(GetOpPhase(), 0);
    }
}

}  // namespace
