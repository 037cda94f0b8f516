// Mifare Classic: keys and authentication, the access conditions of data blocks and
// trailers, value blocks, and the 4K card's large sectors.

#include "cards/mifare_classic.h"
#include "cards/mifare_access.h"
#include "sim_reader.h"

namespace {

using namespace sim_test;
using sim::MifareClassic;

const Bytes kDefaultKey(6, 0xFF);
const Bytes kTransportBits = {0xFF, 0x07, 0x80, 0x69};

Bytes auth(std::uint8_t code, std::uint8_t block, const Bytes &key = kDefaultKey) {
    return cat({{code, block}, key});
}

Bytes le32(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

// A trailer with the given keys and conditions.
Bytes trailer(const Bytes &key_a, const sim::SectorAccess &access, const Bytes &key_b) {
    const auto bits = sim::encode_access_bits(access);
    return cat({key_a, Bytes(bits.begin(), bits.end()), {0x69}, key_b});
}

TEST(MifareAccessBits, TransportConfigurationEncodesAsFF0780AndBitsRoundTrip) {
    const auto bits = sim::encode_access_bits(sim::kTransportAccess);
    EXPECT_EQ(Bytes(bits.begin(), bits.end()), (Bytes{0xFF, 0x07, 0x80}));
    for (std::uint8_t a = 0; a < 8; ++a) {
        const sim::SectorAccess access = {a, static_cast<std::uint8_t>(7 - a), 6,
                                          static_cast<std::uint8_t>(a ^ 3)};
        const auto encoded = sim::encode_access_bits(access);
        EXPECT_EQ(sim::decode_access_bits(encoded.data()), access);
    }
    const std::uint8_t inconsistent[3] = {0xFF, 0x07, 0x81};
    EXPECT_FALSE(sim::decode_access_bits(inconsistent).has_value());
}

TEST(MifareClassic, ManufacturerBlockHoldsUidBccSakAndAtqa) {
    SimReader sim({"mifare1k"});
    sim.select_and_authenticate(0);
    const Answer block0 = sim.send(Command::ReadBlock, {0});
    ASSERT_TRUE(block0.ok());
    EXPECT_EQ(Bytes(block0.data.begin(), block0.data.begin() + 8),
              (Bytes{0x5A, 0x3C, 0x71, 0xE2, 0x5A ^ 0x3C ^ 0x71 ^ 0xE2, 0x08, 0x04, 0x00}));
    EXPECT_TRUE(
        has_status(sim.send(Command::WriteBlock, cat({{0}, Bytes(16)})), ReaderStatus::NotAllowed));
}

TEST(MifareClassic, AWrongKeyFailsAndDropsTheCard) {
    SimReader sim({"mifare1k"});
    sim.select_type_a();
    EXPECT_TRUE(has_status(sim.send(Command::AuthenticateGivenKey, auth(0x60, 4, Bytes(6, 0x00))),
                           ReaderStatus::AuthFailed));
    // The card fell back to IDLE: nothing reaches it until it is selected again.
    EXPECT_TRUE(
        has_status(sim.send(Command::AuthenticateGivenKey, auth(0x60, 4)), ReaderStatus::NoCard));
    sim.select_type_a();
    EXPECT_TRUE(sim.send(Command::AuthenticateGivenKey, auth(0x60, 4)).ok());
    EXPECT_TRUE(has_status(sim.send(Command::AuthenticateGivenKey, auth(0x62, 4)),
                           ReaderStatus::BadParameter));
}

TEST(MifareClassic, KeyBMayNotAuthenticateWhileItIsReadable) {
    SimReader sim({"mifare1k"});
    sim.select_type_a();
    // Transport configuration: the trailer lets key A read key B.
    EXPECT_TRUE(has_status(sim.send(Command::AuthenticateGivenKey, auth(0x61, 4)),
                           ReaderStatus::AuthFailed));

    // Trailer condition 011: key B no longer readable, now it authenticates.
    sim.select_and_authenticate(4);
    ASSERT_TRUE(
        sim.send(Command::WriteBlock, cat({{7}, trailer(kDefaultKey, {0, 0, 0, 3}, kDefaultKey)}))
            .ok());
    sim.select_type_a();
    EXPECT_TRUE(sim.send(Command::AuthenticateGivenKey, auth(0x61, 4)).ok());
}

TEST(MifareClassic, ATrailerReadsWithoutKeyAAndWithKeyBOnlyWhereReadable) {
    SimReader sim({"mifare1k"});
    sim.select_and_authenticate(4);
    EXPECT_EQ(sim.send(Command::ReadBlock, {7}).data,
              cat({Bytes(6, 0x00), kTransportBits, kDefaultKey}));

    const Bytes key_a = {1, 2, 3, 4, 5, 6}, key_b = {9, 8, 7, 6, 5, 4};
    ASSERT_TRUE(
        sim.send(Command::WriteBlock, cat({{7}, trailer(key_a, {0, 0, 0, 3}, key_b)})).ok());
    sim.select_type_a();
    ASSERT_TRUE(sim.send(Command::AuthenticateGivenKey, auth(0x60, 4, key_a)).ok());
    const auto bits = sim::encode_access_bits({0, 0, 0, 3});
    EXPECT_EQ(sim.send(Command::ReadBlock, {7}).data,
              cat({Bytes(6, 0x00), Bytes(bits.begin(), bits.end()), {0x69}, Bytes(6, 0x00)}));
}

TEST(MifareClassic, WritesObeyTheAccessConditionsOfTheirBlock) {
    struct Case {
        const char *name;
        sim::AccessCondition condition;
        std::uint8_t auth_code;
        bool write_allowed;
    };
    // Trailer condition 011 (key B not readable) so that key B may authenticate.
    const Case cases[] = {{"TransportKeyA", 0, 0x60, true},  {"ReadOnlyKeyA", 2, 0x60, false},
                          {"ReadOnlyKeyB", 2, 0x61, false},  {"KeyBWritesKeyA", 4, 0x60, false},
                          {"KeyBWritesKeyB", 4, 0x61, true}, {"BlockedKeyB", 7, 0x61, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SimReader sim({"mifare1k"});
        sim.select_and_authenticate(8);
        ASSERT_TRUE(sim.send(Command::WriteBlock,
                             cat({{11}, trailer(kDefaultKey, {0, c.condition, 0, 3}, kDefaultKey)}))
                        .ok());
        sim.select_and_authenticate(8, c.auth_code);
        const Answer write = sim.send(Command::WriteBlock, cat({{9}, Bytes(16, 0x5C)}));
        if (c.write_allowed) {
            EXPECT_TRUE(write.ok());
            EXPECT_EQ(sim.card<MifareClassic>().stored_block(9)[0], 0x5C);
        } else {
            EXPECT_TRUE(has_status(write, ReaderStatus::NotAllowed));
            EXPECT_EQ(sim.card<MifareClassic>().stored_block(9)[0], 0x00);
        }
        // Block 8 (group 0) keeps the transport configuration whatever happened to 9.
        sim.select_and_authenticate(8, c.auth_code);
        EXPECT_TRUE(sim.send(Command::WriteBlock, cat({{8}, Bytes(16, 0x11)})).ok());
    }
}

TEST(MifareClassic, ATrailerWriteChangesOnlyThePartsItMayChange) {
    // Trailer condition 100 with key B: keys writable, access bits not.
    SimReader sim({"mifare1k"});
    sim.select_and_authenticate(12);
    ASSERT_TRUE(
        sim.send(Command::WriteBlock, cat({{15}, trailer(kDefaultKey, {0, 0, 0, 4}, kDefaultKey)}))
            .ok());
    sim.select_and_authenticate(12, 0x61);
    const Bytes new_key = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
    ASSERT_TRUE(
        sim.send(Command::WriteBlock, cat({{15}, trailer(new_key, {0, 0, 0, 1}, new_key)})).ok());
    const auto &stored = sim.card<MifareClassic>().stored_block(15);
    EXPECT_EQ(Bytes(stored.begin(), stored.begin() + 6), new_key);
    EXPECT_EQ(sim::decode_access_bits(stored.data() + 6), (sim::SectorAccess{0, 0, 0, 4}));
    // Key A may now change nothing in the trailer at all.
    sim.select_and_authenticate(12, 0x60, new_key);
    EXPECT_TRUE(has_status(sim.send(Command::WriteBlock, cat({{15}, Bytes(16)})),
                           ReaderStatus::NotAllowed));
}

TEST(MifareClassic, AuthenticationOpensOneSectorOnly) {
    SimReader sim({"mifare1k"});
    sim.select_and_authenticate(4);
    EXPECT_TRUE(sim.send(Command::ReadBlock, {6}).ok());
    EXPECT_TRUE(has_status(sim.send(Command::ReadBlock, {8}), ReaderStatus::NotAuthenticated));
    sim.select_type_a();
    EXPECT_TRUE(has_status(sim.send(Command::ReadBlock, {4}), ReaderStatus::NotAuthenticated));
    sim.select_type_a();
    EXPECT_TRUE(has_status(sim.send(Command::AuthenticateGivenKey, auth(0x60, 64)),
                           ReaderStatus::BadAddress));
}

TEST(MifareClassic, AValueBlockSurvivesIncrementDecrementAndTransfer) {
    SimReader sim({"mifare1k"});
    sim.select_and_authenticate(4);
    ASSERT_TRUE(sim.send(Command::InitValue, cat({{5}, le32(100)})).ok());
    EXPECT_EQ(sim.send(Command::ReadBlock, {5}).data,
              (Bytes{0x64, 0, 0, 0, 0x9B, 0xFF, 0xFF, 0xFF, 0x64, 0, 0, 0, 5, 0xFA, 5, 0xFA}));
    ASSERT_TRUE(sim.send(Command::Increment, cat({{5}, le32(50)})).ok());
    ASSERT_TRUE(sim.send(Command::Decrement, cat({{5}, le32(170)})).ok());
    EXPECT_EQ(sim.send(Command::ReadValue, {5}).data, le32(-20));

    // Restore and transfer on their own: a backup of block 5 in block 6. The copy
    // keeps the address byte of block 5.
    ASSERT_TRUE(sim.send(Command::Restore, {5}).ok());
    ASSERT_TRUE(sim.send(Command::Transfer, {6}).ok());
    EXPECT_EQ(sim.send(Command::ReadValue, {6}).data, le32(-20));
    EXPECT_EQ(sim.card<MifareClassic>().stored_block(6)[12], 5);
}

TEST(MifareClassic, MalformedValueBlocksAreRefused) {
    const auto good = sim::make_value_block(7, 5);
    struct Case {
        const char *name;
        int byte;  // the byte of the well-formed block that is spoiled
    };
    const Case cases[] = {
        {"InvertedValue", 4}, {"SecondValue", 8}, {"AddressInverse", 13}, {"SecondAddress", 14}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SimReader sim({"mifare1k"});
        sim.select_and_authenticate(4);
        Bytes spoiled(good.begin(), good.end());
        spoiled[c.byte] ^= 0x01;
        ASSERT_TRUE(sim.send(Command::WriteBlock, cat({{5}, spoiled})).ok());
        EXPECT_TRUE(has_status(sim.send(Command::ReadValue, {5}), ReaderStatus::ValueFormat));
        EXPECT_TRUE(has_status(sim.send(Command::Increment, cat({{5}, le32(1)})),
                               ReaderStatus::ValueFormat));
        // The card refused: it has to be found and authenticated again.
        sim.select_and_authenticate(4);
        EXPECT_TRUE(has_status(sim.send(Command::Restore, {5}), ReaderStatus::ValueFormat));
        const auto &stored = sim.card<MifareClassic>().stored_block(5);
        EXPECT_EQ(Bytes(stored.begin(), stored.end()), spoiled);
    }
}

TEST(MifareClassic, ValueOperationsObeyTheirOwnAccessColumns) {
    // Data condition 110 (value block, rechargeable): key A may decrement but not
    // increment; key B may do both. Trailer 011 so that key B authenticates.
    SimReader sim({"mifare1k"});
    sim.select_and_authenticate(4);
    ASSERT_TRUE(sim.send(Command::InitValue, cat({{4}, le32(10)})).ok());
    ASSERT_TRUE(
        sim.send(Command::WriteBlock, cat({{7}, trailer(kDefaultKey, {6, 0, 0, 3}, kDefaultKey)}))
            .ok());

    sim.select_and_authenticate(4, 0x60);
    EXPECT_TRUE(sim.send(Command::Decrement, cat({{4}, le32(3)})).ok());
    EXPECT_TRUE(
        has_status(sim.send(Command::Increment, cat({{4}, le32(3)})), ReaderStatus::NotAllowed));
    sim.select_and_authenticate(4, 0x60);
    EXPECT_TRUE(
        has_status(sim.send(Command::InitValue, cat({{4}, le32(99)})), ReaderStatus::NotAllowed));
    sim.select_and_authenticate(4, 0x61);
    EXPECT_TRUE(sim.send(Command::Increment, cat({{4}, le32(3)})).ok());
    EXPECT_EQ(sim.send(Command::ReadValue, {4}).data, le32(10));
}

TEST(MifareClassic, TransferNeedsAValueInTheTransferBuffer) {
    SimReader sim({"mifare1k"});
    sim.select_and_authenticate(4);
    EXPECT_TRUE(has_status(sim.send(Command::Transfer, {5}), ReaderStatus::NotAllowed));
    sim.select_and_authenticate(4);
    EXPECT_TRUE(
        has_status(sim.send(Command::Increment, cat({{7}, le32(1)})), ReaderStatus::NotAllowed));
}

TEST(MifareClassic, KeysLoadedIntoTheReaderAuthenticateBySector) {
    SimReader sim({"mifare1k"});
    sim.select_type_a();
    EXPECT_TRUE(
        has_status(sim.send(Command::AuthenticateLoadedKey, {'A', 4}), ReaderStatus::NoKeyLoaded));
    Bytes keys(96, 0x00);
    std::fill(keys.begin() + 6, keys.begin() + 12, 0xFF);  // only sector 1 has the right key
    ASSERT_TRUE(sim.send(Command::DownloadKeys, cat({{'A'}, keys})).ok());
    EXPECT_TRUE(sim.send(Command::AuthenticateLoadedKey, {'A', 4}).ok());
    EXPECT_TRUE(
        has_status(sim.send(Command::AuthenticateLoadedKey, {'A', 8}), ReaderStatus::AuthFailed));
    EXPECT_TRUE(has_status(sim.send(Command::DownloadKeys, cat({{'C'}, keys})),
                           ReaderStatus::BadParameter));
    EXPECT_TRUE(
        has_status(sim.send(Command::AuthenticateLoadedKey, {'B', 4}), ReaderStatus::NoKeyLoaded));
}

TEST(MifareClassic4K, LargeSectorsHoldSixteenBlocksWithTheTrailerLast) {
    SimReader sim({"mifare4k"});
    sim.power_up('A');
    EXPECT_EQ(sim.send(Command::RequestA, {0x52}).data, (Bytes{0x02, 0x00}));
    const Bytes uid = sim.send(Command::Anticollision, {4}).data;
    EXPECT_EQ(sim.send(Command::SelectA, uid).data, (Bytes{0x18}));
    // Sector 39: blocks 240 to 255.
    ASSERT_TRUE(sim.send(Command::AuthenticateGivenKey, auth(0x60, 240)).ok());
    EXPECT_TRUE(sim.send(Command::WriteBlock, cat({{254}, Bytes(16, 0x42)})).ok());
    EXPECT_EQ(sim.send(Command::ReadBlock, {254}).data, Bytes(16, 0x42));
    EXPECT_EQ(sim.send(Command::ReadBlock, {255}).data,
              cat({Bytes(6, 0x00), kTransportBits, kDefaultKey}));
    // Block 239 belongs to sector 38.
    EXPECT_TRUE(has_status(sim.send(Command::ReadBlock, {239}), ReaderStatus::NotAuthenticated));
    EXPECT_EQ(MifareClassic::sector_of(128), 32);
    EXPECT_EQ(MifareClassic::first_block_of(33), 144);
}

TEST(MifareClassic4K, AccessGroupsOfALargeSectorCoverFiveBlocksEach) {
    // Group 1 (blocks 5 to 9 of the sector) read only; groups 0 and 2 as shipped.
    SimReader sim({"mifare4k"});
    sim.select_and_authenticate(128);
    ASSERT_TRUE(
        sim.send(Command::WriteBlock, cat({{143}, trailer(kDefaultKey, {0, 2, 0, 1}, kDefaultKey)}))
            .ok());
    sim.select_and_authenticate(128);
    for (const std::uint8_t block : {132, 138}) {
        EXPECT_TRUE(sim.send(Command::WriteBlock, cat({{block}, Bytes(16, 1)})).ok()) << int(block);
    }
    for (const std::uint8_t block : {133, 137}) {
        EXPECT_TRUE(has_status(sim.send(Command::WriteBlock, cat({{block}, Bytes(16, 1)})),
                               ReaderStatus::NotAllowed))
            << int(block);
        sim.select_and_authenticate(128);
    }
}

}  // namespace
