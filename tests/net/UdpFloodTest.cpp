#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "net/Dispatcher.h"
#include "net/Udp.h"
#include "tests/net/UdpTestSupport.h"

namespace {

constexpr int kDatagrams = 10000;
constexpr int kLargest = 9000;

// The first four bytes carry the datagram's number, the rest a pattern of it.
std::uint8_t PatternByte(std::uint32_t number, int index) {
    return static_cast<std::uint8_t>(number * 31u + static_cast<std::uint32_t>(index));
}

}  // namespace

TEST(UdpFlood, ThreadedReceiverSurvivesAFloodWhileTheBufferChanges) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    std::vector<int> sizes(kDatagrams);
    for (int& size : sizes) size = static_cast<int>(random() % (kLargest + 1));

    const std::vector<std::uint16_t> lengths = {8192, 100, 9001, 3, 1, 4096, 17, 65535, 2};
    std::set<int> lengthsUsed = {lengths[0]};

    TQueueDispatcher dispatcher;
    int reports = 0, badCounts = 0, badReads = 0, badBytes = 0, duplicates = 0;
    std::vector<bool> seen(kDatagrams, false);
    std::vector<std::uint8_t> readBack(70000);

    // A datagram is sound when it is an unaltered prefix of a sent one, cut to
    // BufferLength - 1 bytes for one of the lengths in use.
    auto check = [&](const std::uint8_t* data, int count, bool reported) {
        if (count < 4) return true;
        std::uint32_t number = 0;
        std::memcpy(&number, data, 4);
        if (number >= static_cast<std::uint32_t>(kDatagrams)) return false;
        const int size = sizes[number];
        if (count > size || (count < size && lengthsUsed.count(count + 1) == 0)) return false;
        for (int i = 4; i < count; ++i)
            if (data[i] != PatternByte(number, i)) return false;
        if (reported) {
            if (seen[number]) ++duplicates;
            seen[number] = true;
        }
        return true;
    };

    TUDP receiver(nullptr, &dispatcher);
    receiver.SetUseThread(1);
    receiver.SetThreadInterval(0);
    receiver.SetBufferLength(lengths[0]);
    receiver.SetOnDataReceived([&](TUDP* sender, int count, int, const std::string&) {
        ++reports;
        if (count <= 0 || count > kLargest || count + 1 > *lengthsUsed.rbegin()) ++badCounts;
        if (sender->ReadBuffer(readBack.data(), static_cast<int>(readBack.size()), count) != count) ++badReads;
        if (!check(readBack.data(), count, true)) ++badBytes;
    });
    ASSERT_NE(udptest::Open(receiver), 0);
    const int port = receiver.LocalPort();

    std::atomic<bool> sent{false};
    std::thread flood([&] {
        TUDP sender(nullptr);
        sender.SetActive(1);
        sender.SetRemoteHost("127.0.0.1");
        sender.SetRemotePort(port);
        std::vector<std::uint8_t> datagram(kLargest);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (int number = 0; number < kDatagrams && std::chrono::steady_clock::now() < end; ++number) {
            const auto tag = static_cast<std::uint32_t>(number);
            for (int i = 4; i < sizes[number]; ++i) datagram[i] = PatternByte(tag, i);
            std::memcpy(datagram.data(), &tag, std::min(4, sizes[number]));
            sender.SendBuffer(datagram.data(), sizes[number], sizes[number]);
            if (number % 4 == 3) std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        sent = true;
    });

    std::size_t nextLength = 1;
    auto lastChange = std::chrono::steady_clock::now();
    auto quietSince = std::chrono::steady_clock::time_point{};
    int lastReports = -1;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(40);
    std::vector<std::uint8_t> peek(70000);
    while (std::chrono::steady_clock::now() < end) {
        dispatcher.WaitAndPump(std::chrono::milliseconds(1));
        const auto now = std::chrono::steady_clock::now();
        if (now - lastChange > std::chrono::milliseconds(3)) {
            const std::uint16_t length = lengths[nextLength++ % lengths.size()];
            lengthsUsed.insert(length);
            receiver.SetBufferLength(length);
            lastChange = now;
        }
        const int peeked = receiver.ReadBuffer(peek.data(), static_cast<int>(peek.size()), 70000);
        if (peeked > 0 && !check(peek.data(), peeked, false)) ++badBytes;
        if (reports != lastReports) {
            lastReports = reports;
            quietSince = now;
        } else if (sent && now - quietSince > std::chrono::milliseconds(300)) {
            break;
        }
    }
    flood.join();
    receiver.CloseSocket();

    EXPECT_TRUE(sent);
    EXPECT_GT(reports, 100);
    EXPECT_EQ(badCounts, 0);
    EXPECT_EQ(badReads, 0);
    EXPECT_EQ(badBytes, 0);
    EXPECT_EQ(duplicates, 0);
    EXPECT_FALSE(dispatcher.Pending());
}
