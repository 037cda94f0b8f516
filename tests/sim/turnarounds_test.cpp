// The reader's turnarounds as --turnaround sets them.

#include <gtest/gtest.h>

#include "turnarounds.h"

namespace {

using std::chrono::microseconds;

TEST(Turnarounds, ASettingChangesOnlyItsOwnKind) {
    const struct {
        const char *setting;
        sim::CommandKind kind;
        microseconds expected;
    } cases[] = {
        {"reader=0", sim::CommandKind::Reader, microseconds(0)},
        {"card=0.5", sim::CommandKind::Card, microseconds(500)},
        {"memory=12.25", sim::CommandKind::CardMemory, microseconds(12250)},
        {"memory=1000", sim::CommandKind::CardMemory, microseconds(1'000'000)},
    };
    for (const auto &row : cases) {
        const sim::Turnarounds defaults;
        sim::Turnarounds set;
        std::string error;
        ASSERT_TRUE(set.set(row.setting, error)) << row.setting << ": " << error;
        for (const auto kind :
             {sim::CommandKind::Reader, sim::CommandKind::Card, sim::CommandKind::CardMemory}) {
            EXPECT_EQ(set.of(kind), kind == row.kind ? row.expected : defaults.of(kind))
                << row.setting;
        }
    }
}

TEST(Turnarounds, AnythingElseIsRefusedAndChangesNothing) {
    for (const char *setting : {"disk=3", "memory", "memory=", "=5", "memory=-1", "memory=1000.5",
                                "memory=5ms", "memory=1e3", "memory=nan", "Memory=5"}) {
        sim::Turnarounds set;
        std::string error;
        EXPECT_FALSE(set.set(setting, error)) << setting;
        EXPECT_FALSE(error.empty()) << setting;
        EXPECT_EQ(set.of(sim::CommandKind::CardMemory), sim::Turnarounds().card_memory) << setting;
    }
}

}  // namespace
