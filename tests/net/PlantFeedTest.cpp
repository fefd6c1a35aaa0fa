#include "host/plant/PlantFeed.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "net/Dispatcher.h"
#include "net/Udp.h"
#include "tests/net/UdpTestSupport.h"

using udptest::PumpUntil;

namespace {

// A rig that sends datagrams to the feed and collects the answers.
class PlantFeedTest : public ::testing::Test {
protected:
    void SetUp() override {
        rig.SetUseThread(1);
        rig.SetOnDataReceived([this](TUDP* udp, int count, int, const std::string&) {
            char buffer[512];
            const int read = udp->ReadBuffer(buffer, sizeof buffer, count);
            answers.emplace_back(buffer, read > 0 ? static_cast<std::size_t>(read) : 0);
        });
        ASSERT_NE(udptest::Open(rig), 0);
    }

    // Starts the feed on a free port; the handler records what it was given.
    bool StartFeed(PlantFeed& feed) {
        for (int attempt = 0; attempt < 20; ++attempt) {
            const int port = udptest::RandomHighPort();
            std::string error;
            if (feed.Start(port, error)) {
                rig.SetRemoteHost("127.0.0.1");
                rig.SetRemotePort(port);
                return true;
            }
        }
        return false;
    }

    PlantFeed::Handler Handler() {
        return [this](const std::string& datagram) {
            received.push_back(datagram);
            handlerThreads.push_back(std::this_thread::get_id());
            return datagram.find("bad") == std::string::npos ? std::string("ok") : std::string("datagram:1: bad");
        };
    }

    TQueueDispatcher dispatcher;
    TUDP rig{nullptr, &dispatcher};
    std::vector<std::string> answers;
    std::vector<std::string> received;
    std::vector<std::thread::id> handlerThreads;
};

TEST_F(PlantFeedTest, AnswersEveryDatagramFromTheDispatchingThread) {
    PlantFeed feed(dispatcher, Handler());
    ASSERT_TRUE(StartFeed(feed));
    ASSERT_EQ(rig.Send("collector 95.5\nfrost on\n"), 1);
    ASSERT_TRUE(PumpUntil(dispatcher, [&] { return answers.size() == 1; }));
    ASSERT_EQ(rig.Send("bad line"), 1);
    ASSERT_TRUE(PumpUntil(dispatcher, [&] { return answers.size() == 2; }));
    // An empty datagram is answered too, and a long one arrives whole.
    ASSERT_EQ(rig.SendBuffer("", 0, 0), 0);
    ASSERT_TRUE(PumpUntil(dispatcher, [&] { return answers.size() == 3; }));
    const std::string longest = std::string(8179, ' ') + "collector 95.5";
    ASSERT_EQ(rig.Send(longest), 1);
    ASSERT_TRUE(PumpUntil(dispatcher, [&] { return answers.size() == 4; }));
    EXPECT_EQ(received, (std::vector<std::string>{"collector 95.5\nfrost on\n", "bad line", "", longest}));
    EXPECT_EQ(answers, (std::vector<std::string>{"ok", "datagram:1: bad", "ok", "ok"}));
    for (const std::thread::id id : handlerThreads) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST_F(PlantFeedTest, RefusesATakenPortOrOneOutOfRange) {
    PlantFeed first(dispatcher, Handler());
    ASSERT_TRUE(StartFeed(first));
    PlantFeed second(dispatcher, Handler());
    std::string error;
    EXPECT_FALSE(second.Start(first.Port(), error));
    EXPECT_NE(error.find("the port is taken"), std::string::npos) << error;
    for (const int port : {0, 1023, 65536}) {
        EXPECT_FALSE(second.Start(port, error));
        EXPECT_EQ(error, "the plant feed wants a port 1024..65535, not " + std::to_string(port));
    }
}

}  // namespace
