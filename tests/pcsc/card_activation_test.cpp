// Whether an activated processor card is still there, by what the reader said to
// the empty block it was sent: only silence means it has gone.

#include <gtest/gtest.h>

#include "card_activation.h"
#include "protocol/reader_status.h"
#include "selmek_results.h"
#include "fake_reader.h"

namespace pcsc_test {
namespace {

using protocol::ReaderStatus;

struct CheckCase {
    const char *name;
    pcsc::CardKind kind;
    std::int32_t result;  // of the exchange
    pcsc::Look::Seen seen;
};

class ActivatedCardCheck : public ::testing::TestWithParam<CheckCase> {};

TEST_P(ActivatedCardCheck, CountsOnlySilenceAsGone) {
    fake_reader::reset();
    const char *exchange =
        GetParam().kind == pcsc::CardKind::Iso14443_4A ? "rf_cos_command" : "rf_typeb_cos";
    fake_reader::results(exchange, {GetParam().result});
    const binding::ReaderApi api = fake_reader::api();
    pcsc::CardActivation activation(api);
    pcsc::FieldCard card;
    card.kind = GetParam().kind;
    card.uid = {0x1C, 0x93, 0x5E, 0x07};
    EXPECT_EQ(activation.check(card, true).seen, GetParam().seen);
    EXPECT_EQ(fake_reader::calls_of(exchange).size(), 1u) << "one empty block, nothing else";
    EXPECT_EQ(fake_reader::calls().size(), 1u);
}

constexpr std::int32_t status(ReaderStatus value) { return protocol::status_byte(value); }

INSTANTIATE_TEST_SUITE_P(
    Presence, ActivatedCardCheck,
    ::testing::Values(CheckCase{"Answered", pcsc::CardKind::Iso14443_4A, 0, pcsc::Look::Seen::Card},
                      CheckCase{"AnswerTheReaderFaults", pcsc::CardKind::Iso14443_4A,
                                status(ReaderStatus::CardError), pcsc::Look::Seen::Card},
                      CheckCase{"AnswerTooLong", pcsc::CardKind::Iso14443_4B,
                                status(ReaderStatus::AnswerTooLong), pcsc::Look::Seen::Card},
                      CheckCase{"Silent", pcsc::CardKind::Iso14443_4A, status(ReaderStatus::NoCard),
                                pcsc::Look::Seen::NoCard},
                      CheckCase{"OutOfItsSession", pcsc::CardKind::Iso14443_4B,
                                status(ReaderStatus::NotIso14443_4), pcsc::Look::Seen::NoCard},
                      CheckCase{"LineSilent", pcsc::CardKind::Iso14443_4A, SELMEK_ERR_TIMEOUT,
                                pcsc::Look::Seen::LineFault}),
    [](const auto &info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pcsc_test
