// Which programs hold a device: the ones locking it when any does (a simulator
// keeping its own end of a pseudo-terminal open is no holder then), else every
// one with it open; through a link too; nobody for a device no one holds.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "device_holder.h"
#include "platform/device_holders.h"

namespace {

using test_support::DeviceHolder;
using Lock = DeviceHolder::Lock;

struct Case {
    const char *behaviour;
    std::vector<Lock> holders;  // started in this order
    std::vector<int> named;     // indexes into holders of those named
    bool through_link;
};

std::vector<Case> cases() {
    return {
        {"the locking holder and not the one that only has it open",
         {Lock::None, Lock::LikeTheTransport}, {1}, false},
        {"a holder without a lock", {Lock::None}, {0}, false},
        {"every holder when none locks", {Lock::None, Lock::None}, {0, 1}, false},
        {"the holder of the device a link names", {Lock::LikeTheTransport}, {0}, true},
        {"nobody when nobody holds it", {}, {}, false},
    };
}

TEST(DeviceHolders, NameWhoHoldsTheDevice) {
    for (const Case &c : cases()) {
        SCOPED_TRACE(c.behaviour);
        test_support::PseudoTerminalPair pair;
        ASSERT_FALSE(pair.slave_path().empty());
        std::vector<std::unique_ptr<DeviceHolder>> holders;
        for (const Lock lock : c.holders) {
            holders.push_back(std::make_unique<DeviceHolder>(pair.slave_path(), lock));
            ASSERT_GT(holders.back()->pid(), 0);
        }
        std::string device = pair.slave_path();
        const auto link = std::filesystem::temp_directory_path() /
                          ("tilvane-reader-" + std::to_string(getpid()));
        if (c.through_link) {
            std::filesystem::remove(link);
            std::filesystem::create_symlink(pair.slave_path(), link);
            device = link.string();
        }

        std::vector<platform::DeviceHolder> expected;
        for (const int index : c.named) {
            expected.push_back({holders[index]->pid(), holders[index]->name()});
        }
        std::sort(expected.begin(), expected.end(),
                  [](const auto &a, const auto &b) { return a.pid < b.pid; });
        const auto found = platform::device_holders(device);
        ASSERT_EQ(found.size(), expected.size());
        for (std::size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i].pid, expected[i].pid);
            EXPECT_EQ(found[i].name, expected[i].name);
        }
        if (c.through_link) std::filesystem::remove(link);
    }
}

// A process that fails to open a port it holds itself is told of no other
// program, not of one that merely has the device open.
TEST(DeviceHolders, NoneWhenThisProcessHoldsTheLock) {
    test_support::PseudoTerminalPair pair;
    ASSERT_FALSE(pair.slave_path().empty());
    DeviceHolder bystander(pair.slave_path(), Lock::None);
    ASSERT_GT(bystander.pid(), 0);
    const int own = open(pair.slave_path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(own, 0);
    ASSERT_EQ(flock(own, LOCK_EX | LOCK_NB), 0);
    EXPECT_TRUE(platform::device_holders(pair.slave_path()).empty());
    close(own);
}

TEST(DeviceHolders, NoneForWhatIsNoDevice) {
    const auto file = std::filesystem::temp_directory_path() /
                      ("tilvane-not-a-device-" + std::to_string(getpid()));
    { std::ofstream(file) << "x"; }
    DeviceHolder holder(file.string(), Lock::None);
    ASSERT_GT(holder.pid(), 0);
    EXPECT_TRUE(platform::device_holders(file.string()).empty());
    EXPECT_TRUE(platform::device_holders("/dev/tilvane-no-such-device").empty());
    std::filesystem::remove(file);
}

}  // namespace
