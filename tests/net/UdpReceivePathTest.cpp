#include "net/UdpReceivePath.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/Udp.h"

namespace {

TEST(UdpReceivePath, KeepsWhatFitsBeforeTheZeroAndReadBufferGivesExactlyThat) {
    TUDP udp(nullptr);
    udp.SetUseThread(1);
    const std::string datagram = "0123456789";
    struct Case {
        std::uint16_t bufferLength;
        std::size_t size;
        int kept;
    };
    for (const Case& c : {Case{8192, 10, 10}, Case{11, 10, 10}, Case{10, 10, 9}, Case{2, 10, 1}, Case{1, 10, 0},
                          Case{5, 0, 0}, Case{0, 10, -1}}) {
        udp.SetBufferLength(c.bufferLength);
        EXPECT_EQ(TUDPReceivePath::Store(udp, datagram.data(), c.size), c.kept) << c.bufferLength << " " << c.size;
        std::vector<char> read(64, '#');
        const int copied = udp.ReadBuffer(read.data(), static_cast<int>(read.size()), 64);
        EXPECT_EQ(std::string(read.data(), copied > 0 ? copied : 0), datagram.substr(0, c.kept > 0 ? c.kept : 0))
            << c.bufferLength << " " << c.size;
    }
    EXPECT_EQ(TUDPReceivePath::Store(udp, nullptr, 3), -1);
}

}  // namespace
