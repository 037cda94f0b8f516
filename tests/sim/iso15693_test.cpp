// ISO 15693 tags: inventory and system information layouts, addressing by flags,
// states, blocks and their locks, AFI and DSFID.

#include "cards/iso15693_tag.h"
#include "sim_reader.h"

namespace {

using namespace sim_test;

// E0 07 C6 A1 52 33 10 8E, least significant byte first as it travels.
const Bytes kTagUid = {0x8E, 0x10, 0x33, 0x52, 0xA1, 0xC6, 0x07, 0xE0};
const Bytes kIcodeUid = {0xC7, 0x92, 0x3A, 0x4F, 0x00, 0x01, 0x04, 0xE0};

constexpr std::uint8_t kNonAddressed = 0x02;
constexpr std::uint8_t kAddressed = 0x22;
constexpr std::uint8_t kSelected = 0x12;

class Iso15693Test : public ::testing::Test {
  protected:
    void SetUp() override { sim.power_up('1'); }

    Answer command(Command code, std::uint8_t flags, const Bytes &rest = {},
                   const Bytes &uid = kTagUid) {
        return sim.send(code, cat({{flags}, uid, rest}));
    }
    Answer write(std::uint8_t block, const Bytes &data, std::uint8_t flags = kNonAddressed) {
        return command(Command::WriteBlock15693, flags, cat({{block}, data}));
    }
    Answer read(std::uint8_t first, std::uint8_t count, std::uint8_t flags = kNonAddressed) {
        return command(Command::ReadBlocks15693, flags, {first, count});
    }

    SimReader sim{{"iso15693"}};
};

TEST_F(Iso15693Test, InventoryAnswersDsfidThenTheUidLeastSignificantByteFirst) {
    const Answer inventory = sim.send(Command::Inventory);
    EXPECT_EQ(inventory.data, cat({{0x00}, kTagUid}));
    ASSERT_TRUE(command(Command::WriteDsfid, kNonAddressed, {0x5D}).ok());
    EXPECT_EQ(sim.send(Command::Inventory).data[0], 0x5D);
}

TEST_F(Iso15693Test, SystemInformationLayout) {
    // Information flags, UID, DSFID, AFI, blocks - 1, block size - 1, IC reference;
    // the page takes bytes 1 to 8 as the UID and byte 7 as the maker's code.
    const Answer info = command(Command::GetSystemInformation, 0x00, {}, Bytes(8, 0x00));
    EXPECT_EQ(info.data, cat({{0x0F}, kTagUid, {0x00, 0x00, 63, 3, 0x0A}}));
    EXPECT_EQ(info.data[7], 0x07);
}

TEST_F(Iso15693Test, BlocksReadAndWriteFourBytesEach) {
    ASSERT_TRUE(write(5, {1, 2, 3, 4}).ok());
    ASSERT_TRUE(write(63, {9, 9, 9, 9}).ok());
    const Answer blocks = read(4, 2);
    EXPECT_EQ(blocks.data, (Bytes{0, 0, 0, 0, 1, 2, 3, 4}));
    EXPECT_EQ(read(56, 8).data.size(), 32u);
    EXPECT_EQ(read(0, 14).data.size(), 56u);
    EXPECT_TRUE(has_status(read(60, 5), ReaderStatus::BadAddress));
    EXPECT_TRUE(has_status(read(0, 0), ReaderStatus::BadParameter));
    EXPECT_TRUE(has_status(write(64, {1, 2, 3, 4}), ReaderStatus::BadAddress));
    // With the option flag each block comes with its security status first.
    EXPECT_EQ(read(5, 1, 0x42).data, (Bytes{0x00, 1, 2, 3, 4}));
}

TEST_F(Iso15693Test, LockedBlocksRefuseWritesAndShowInTheSecurityStatus) {
    ASSERT_TRUE(write(7, {7, 7, 7, 7}).ok());
    ASSERT_TRUE(command(Command::LockBlock15693, 0x06, {7}).ok());
    EXPECT_TRUE(has_status(write(7, {0, 0, 0, 0}), ReaderStatus::NotAllowed));
    EXPECT_TRUE(has_status(command(Command::LockBlock15693, kNonAddressed, {7}),
                           ReaderStatus::AlreadyLocked));
    EXPECT_EQ(read(7, 1).data, (Bytes{7, 7, 7, 7}));
    const Answer security = command(Command::GetBlockSecurity, kNonAddressed, {0, 28});
    ASSERT_EQ(security.data.size(), 28u);
    for (int block = 0; block < 28; ++block) EXPECT_EQ(security.data[block], block == 7 ? 1 : 0);
    EXPECT_EQ(command(Command::GetBlockSecurity, kNonAddressed, {56, 8}).data.size(), 8u);
    EXPECT_TRUE(has_status(command(Command::GetBlockSecurity, kNonAddressed, {56, 9}),
                           ReaderStatus::BadAddress));
    // Locks survive the field going away.
    sim.power_up('1');
    EXPECT_TRUE(has_status(write(7, {0, 0, 0, 0}), ReaderStatus::NotAllowed));
}

TEST_F(Iso15693Test, AfiAndDsfidLocksHold) {
    struct Case {
        const char *name;
        Command write_code, lock_code;
    };
    for (const Case c : {Case{"AFI", Command::WriteAfi, Command::LockAfi},
                         Case{"DSFID", Command::WriteDsfid, Command::LockDsfid}}) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(command(c.write_code, 0x06, {0x42}).ok());
        EXPECT_TRUE(command(c.lock_code, 0x06).ok());
        EXPECT_TRUE(has_status(command(c.write_code, 0x06, {0x43}), ReaderStatus::NotAllowed));
        EXPECT_TRUE(has_status(command(c.lock_code, 0x06), ReaderStatus::AlreadyLocked));
    }
    const Answer info = command(Command::GetSystemInformation, 0x00);
    EXPECT_EQ(info.data[9], 0x42);   // DSFID
    EXPECT_EQ(info.data[10], 0x42);  // AFI
}

TEST_F(Iso15693Test, AddressedRequestsReachOnlyTheTagWithThatUid) {
    Bytes other = kTagUid;
    other[0] ^= 0x01;
    EXPECT_TRUE(has_status(write(1, {1, 1, 1, 1}, kAddressed), ReaderStatus::Ok));
    EXPECT_TRUE(has_status(command(Command::WriteBlock15693, kAddressed, {1, 2, 2, 2, 2}, other),
                           ReaderStatus::NoCard));
    // Without the address flag the UID bytes do not matter.
    EXPECT_TRUE(command(Command::WriteBlock15693, kNonAddressed, {1, 3, 3, 3, 3}, other).ok());
}

TEST_F(Iso15693Test, QuietSelectedAndReadyStates) {
    ASSERT_TRUE(sim.send(Command::StayQuiet, kTagUid).ok());
    EXPECT_TRUE(has_status(sim.send(Command::Inventory), ReaderStatus::NoCard));
    EXPECT_TRUE(has_status(read(0, 1), ReaderStatus::NoCard));
    EXPECT_TRUE(read(0, 1, kAddressed).ok());  // a quiet tag still hears its UID
    // Only the selected tag answers the select flag.
    EXPECT_TRUE(has_status(read(0, 1, kSelected), ReaderStatus::NoCard));
    ASSERT_TRUE(sim.send(Command::Select15693, kTagUid).ok());
    EXPECT_TRUE(read(0, 1, kSelected).ok());
    EXPECT_TRUE(sim.send(Command::Inventory).ok());
    ASSERT_TRUE(command(Command::ResetToReady, kAddressed).ok());
    EXPECT_TRUE(has_status(read(0, 1, kSelected), ReaderStatus::NoCard));
    EXPECT_TRUE(has_status(sim.send(Command::Select15693, Bytes(8, 0x11)), ReaderStatus::NoCard));
}

TEST(Iso15693Icode, TheIcodeTagHasMakerCode04And28Blocks) {
    SimReader sim({"icode"});
    sim.power_up('1');
    const Answer info = sim.send(Command::GetSystemInformation, cat({{0x00}, Bytes(8, 0)}));
    EXPECT_EQ(info.data, cat({{0x0F}, kIcodeUid, {0x00, 0x00, 27, 3, 0x01}}));
    EXPECT_EQ(info.data[7], 0x04);
    EXPECT_TRUE(sim.send(Command::GetBlockSecurity, cat({{0x02}, kIcodeUid, {0, 28}})).ok());
    EXPECT_TRUE(has_status(sim.send(Command::ReadBlocks15693, cat({{0x02}, kIcodeUid, {27, 2}})),
                           ReaderStatus::BadAddress));
}

TEST(Iso15693TwoTags, InventoryTakesTheFirstSlotAndNonAddressedRequestsCollide) {
    SimReader sim({"iso15693", "icode"});
    sim.power_up('1');
    // Slots by the UID's lowest four bits: the ICODE tag (C7) answers in slot 7,
    // before the other (8E) in slot 14.
    EXPECT_EQ(sim.send(Command::Inventory).data, cat({{0x00}, kIcodeUid}));
    EXPECT_TRUE(has_status(sim.send(Command::GetSystemInformation, cat({{0x00}, Bytes(8, 0)})),
                           ReaderStatus::Collision));
    EXPECT_TRUE(sim.send(Command::GetSystemInformation, cat({{0x20}, kTagUid})).ok());
    ASSERT_TRUE(sim.send(Command::StayQuiet, kIcodeUid).ok());
    EXPECT_EQ(sim.send(Command::Inventory).data, cat({{0x00}, kTagUid}));
    EXPECT_TRUE(sim.send(Command::GetSystemInformation, cat({{0x00}, Bytes(8, 0)})).ok());
}

TEST(Iso15693TwoTags, TagsInTheSameSlotCollideAndTheNextSlotStillAnswers) {
    const auto tag = [](std::uint8_t low) {
        return std::make_unique<sim::Iso15693Tag>(sim::Iso15693Uid{low, 0, 0, 0, 0, 0, 0x07, 0xE0},
                                                  8, 0x00);
    };
    std::vector<std::unique_ptr<sim::Card>> two;
    two.push_back(tag(0x11));
    two.push_back(tag(0x21));
    SimReader sim(SimReader::OwnCards{}, std::move(two));
    sim.power_up('1');
    EXPECT_TRUE(has_status(sim.send(Command::Inventory), ReaderStatus::Collision));

    std::vector<std::unique_ptr<sim::Card>> three;
    three.push_back(tag(0x11));
    three.push_back(tag(0x21));
    three.push_back(tag(0x35));
    SimReader more(SimReader::OwnCards{}, std::move(three));
    more.power_up('1');
    EXPECT_EQ(more.send(Command::Inventory).data, (Bytes{0x00, 0x35, 0, 0, 0, 0, 0, 0x07, 0xE0}));
}

}  // namespace
