#pragma once

// The model of the access-bits editor: a Mifare Classic sector's four groups
// (three of data blocks and the trailer), each set to one of the eight
// conditions C1 C2 C3 shown with its rights in words, and the three trailer
// bytes they make. The bytes are always encoded with their inverted copies, so
// the editor cannot make bytes the card would refuse; what it warns of are the
// choices that are valid but cannot be undone or shut blocks for good.

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "cardkit/access_bits.h"

namespace tilvane {

class AccessBitsEditor {
public:
    static constexpr int kGroups = 4;
    static constexpr int kTrailerGroup = 3;

    struct Choice {
        cardkit::AccessCondition condition;
        QString text;  // "001: write key A by key A; read access bits by key A, ..."
    };

    // A sector of 4 or 16 blocks; its groups start at the transport
    // configuration (data 000, trailer 001).
    explicit AccessBitsEditor(int blocks_in_sector = 4);

    // "Block 0", "Blocks 5-9", "Trailer".
    QString GroupLabel(int group) const;
    // The eight conditions of a group, 000 to 111.
    static std::vector<Choice> Choices(int group);

    // The sector's bits as the dump holds them; the transport configuration when
    // they are unknown or invalid.
    void Load(const std::optional<cardkit::AccessBits> &access);
    // False, and nothing changes, for a group or condition out of range.
    bool Set(int group, cardkit::AccessCondition condition);

    const cardkit::AccessBits &access() const { return access_; }
    std::array<std::uint8_t, 3> Bytes() const;
    // "FF 07 80".
    QString BytesText() const;
    // What the choice cannot take back, one sentence each; empty when nothing.
    QStringList Warnings() const;

private:
    int blocks_in_sector_;
    cardkit::AccessBits access_ = cardkit::kTransportAccess;
};

}  // namespace tilvane
