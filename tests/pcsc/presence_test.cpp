// Cards coming and going while the driver runs, as pcscd sees them through the
// field slot's event wait and IFDHICCPresence.

#include <thread>

#include "driver_fixture.h"

namespace pcsc_test {
namespace {

TEST(Presence, CardsInsertedAndRemovedAreSeen) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({}));
    EXPECT_TRUE(reader.await_presence(0, IFD_ICC_NOT_PRESENT));
    const char *kinds[] = {"mifare1k", "ultralight", "cpu-a", "cpu-b", "icode"};
    for (const char *kind : kinds) {
        ASSERT_EQ(reader.sim(std::string("insert ") + kind).rfind("ok", 0), 0u) << kind;
        EXPECT_TRUE(reader.await_presence(0, IFD_ICC_PRESENT)) << kind;
        EXPECT_FALSE(reader.insert_and_power(0).empty()) << kind;
        ASSERT_EQ(reader.sim("remove all").rfind("ok 1", 0), 0u) << kind;
        EXPECT_TRUE(reader.await_presence(0, IFD_ICC_NOT_PRESENT)) << kind;
    }
}

// A powered processor card is asked without ending its session.
TEST(Presence, LooksKeepAProcessorCardsSession) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({"cpu-a"}));
    reader.insert_and_power(0);
    ASSERT_EQ(reader.exchange(0, "00A4040009F054494C56414E4501").substr(0, 2), "6F");
    for (int i = 0; i < 4; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        ASSERT_EQ(reader.presence(0), IFD_ICC_PRESENT);
    }
    // Still in the application: its file is there.
    EXPECT_EQ(reader.exchange(0, "00A4000C020001"), "9000");
}

// One card taken out and another put in: pcscd hears of the removal before it
// meets the new card, and the new card's ATR is its own.
TEST(Presence, ACardSwapIsARemovalThenAnInsertion) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({"mifare1k"}));
    const Bytes first = reader.insert_and_power(0);
    ASSERT_EQ(reader.sim("remove all").rfind("ok", 0), 0u);
    ASSERT_EQ(reader.sim("insert cpu-a").rfind("ok", 0), 0u);
    EXPECT_TRUE(reader.await_presence(0, IFD_ICC_NOT_PRESENT));
    RESPONSECODE result = 0;
    reader.transmit(0, hex("FFCA000000"), result);
    EXPECT_EQ(result, IFD_COMMUNICATION_ERROR) << "the first card's session is over";
    const Bytes second = reader.insert_and_power(0);
    EXPECT_NE(second, first);
    EXPECT_EQ(reader.exchange(0, "FFCA000000"), "3E81226D9000");
}

TEST(Presence, PowerUpNeedsTheCardPcscdWasToldOf) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({}));
    RESPONSECODE result = 0;
    EXPECT_TRUE(reader.power(0, result).empty());
    EXPECT_EQ(result, IFD_ERROR_POWER_ACTION) << "no card";
}

TEST(Presence, PoweredDownCardsTakeNoApdus) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({"mifare1k"}));
    reader.insert_and_power(0);
    RESPONSECODE result = 0;
    reader.power(0, result, IFD_POWER_DOWN);
    ASSERT_EQ(result, IFD_SUCCESS);
    reader.transmit(0, hex("FFCA000000"), result);
    EXPECT_EQ(result, IFD_COMMUNICATION_ERROR);
    // Still in the field, and powered up again.
    EXPECT_TRUE(reader.await_presence(0, IFD_ICC_PRESENT));
    EXPECT_FALSE(reader.insert_and_power(0).empty());
    EXPECT_EQ(reader.exchange(0, "FFCA000000"), "5A3C71E29000");
}

// The event wait returns as soon as there is news, and at once when stopped.
TEST(Presence, TheEventWaitReturnsOnNewsOrWhenStopped) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({}));
    ASSERT_TRUE(reader.await_presence(0, IFD_ICC_NOT_PRESENT));
    using Wait = RESPONSECODE (*)(DWORD, int);
    using Stop = RESPONSECODE (*)(DWORD);
    Wait wait = nullptr;
    Stop stop = nullptr;
    DWORD length = sizeof wait;
    ASSERT_EQ(driver().get_capabilities(reader.lun(0), TAG_IFD_POLLING_THREAD_WITH_TIMEOUT, &length,
                                        reinterpret_cast<PUCHAR>(&wait)),
              IFD_SUCCESS);
    length = sizeof stop;
    ASSERT_EQ(driver().get_capabilities(reader.lun(0), TAG_IFD_STOP_POLLING_THREAD, &length,
                                        reinterpret_cast<PUCHAR>(&stop)),
              IFD_SUCCESS);

    std::thread inserter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        reader.sim("insert mifare1k");
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(wait(reader.lun(0), 10000), IFD_SUCCESS);
    inserter.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(reader.presence(0), IFD_ICC_PRESENT);

    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop(reader.lun(0));
    });
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(wait(reader.lun(0), 10000), IFD_SUCCESS);
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace
}  // namespace pcsc_test
