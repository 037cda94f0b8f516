#pragma once

// What the SR176 and SRIX4K share (protocol 's'): INITIATE moves a READY card to
// INVENTORY and it answers with its chip ID; SELECT with that chip ID makes it
// SELECTED (a selected card that hears another chip ID goes back to INVENTORY);
// COMPLETION deactivates the selected card until the field goes off. Blocks are
// read and written only while SELECTED.
//
// The reader returns a block's bytes most significant first (byte 1, byte 0 for
// the SR176; byte 3 .. byte 0 for the SRIX4K), and writes take them in the same
// order.

#include <cstdint>
#include <optional>

#include "cards/card.h"
#include "reply.h"
#include "sim/bytes.h"

namespace sim {

class ShortRangeCard : public Card {
  public:
    enum class State { Ready, Inventory, Selected, Deactivated };

    Protocol protocol() const override { return Protocol::ShortRange; }
    void power_off() override;

    std::uint8_t chip_id() const { return chip_id_; }
    State state() const { return state_; }
    virtual std::size_t block_size() const = 0;

    // INITIATE; the chip ID when the card answers.
    std::optional<std::uint8_t> initiate();
    // SELECT; true when the chip ID is the card's and it is in INVENTORY or SELECTED.
    bool select(std::uint8_t chip_id);
    void completion();

    virtual Reply read_block(std::uint8_t block) = 0;
    virtual Reply write_block(std::uint8_t block, ByteView data) = 0;

  protected:
    explicit ShortRangeCard(std::uint8_t chip_id) : chip_id_(chip_id) {}
    virtual void on_select() {}
    bool selected() const { return state_ == State::Selected; }

  private:
    std::uint8_t chip_id_;
    State state_ = State::Ready;
};

}  // namespace sim
