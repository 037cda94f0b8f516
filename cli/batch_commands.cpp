// mf batch and ul batch: the template checked, the log opened and the operator's
// "yes" taken before the first card; then card work's batch, each card told as
// a line or a JSON object and a log record, progress on a terminal, and Ctrl-C
// in two steps (finish the card in hand, then stop at once).

#include "batch_commands.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <optional>
#include <set>

#include "batch_log.h"
#include "batch_report.h"
#include "cardwork/batch_jobs.h"
#include "dump_files.h"
#include "interrupt.h"
#include "key_options.h"
#include "mifare_common.h"
#include "progress_bar.h"
#include "uid_list.h"

namespace rfcard {

namespace {

using cardkit::Bytes;

constexpr const char *kBatchFooter =
    R"(The batch waits for a card, writes the template to it, reads it back with
--verify, prints one line per card, then waits for the card to leave (two
polls in a row that miss its UID) and for the next. The field is polled every
100 ms: one exchange while it is empty.
Results: written; verified (read back the same); failed (nothing written, or
read back otherwise); partial (some written, not all: the card left, the line
failed, a second Ctrl-C; the blocks written are listed, and a block whose
write the line cut off is in doubt); skipped-duplicate (a UID written or
verified before in this run or named by --uid-list; a card that failed or is
partial may be presented again).
--count N ends the batch once N cards are written or verified; without it,
Ctrl-C ends it.
--log FILE appends one CSV record per card (RFC 4180, CR LF line ends), synced
to the disk before the next card; a new or empty file gets the header line
first, a file that is not a batch log is refused.
--uid-list FILE names UIDs written already, to take a stack up again: one a
line in hex (spaces or colons between bytes, # comments), or an earlier batch
log, whose written and verified cards count.
Ctrl-C between cards ends the batch at once; with a card in hand it finishes
that card, tells it, then ends; a second Ctrl-C stops before the next exchange
and the card is told as partial.
Exit status: 0 every card written or verified (duplicates skipped); 5 a card
failed or was partial; 130 interrupted, whatever the cards; 1 the reader or
the line failed between cards; 3 a template, log or UID list that cannot be
used; 6 the privileged writes not confirmed.)";

class BatchPresenter {
public:
    BatchPresenter(Output &out, const BatchCommand &command, std::set<Bytes> listed,
                   const char *unit)
        : out_(out), command_(command), listed_(std::move(listed)), unit_(unit) {
        if (!command.log.empty()) log_.emplace(command.log);
    }

    const std::set<Bytes> &listed() const { return listed_; }

    cardwork::BatchEvents events() {
        return {[this](int written) { waiting(written); },
                [this](const cardwork::TypeACard &card) { working(card); },
                [this](const cardwork::Progress &progress) { show(progress); },
                [this](const cardwork::BatchCard &card) { done(card); },
                [this](const std::string &why) { unusable(why); }};
    }

    void summary(const cardwork::BatchTally &tally) {
        bar_.reset();
        if (out_.json()) {
            out_.line(tally_json(tally));
        } else {
            out_.text(tally_line(tally));
            std::cout.flush();
        }
    }

private:
    std::string written_so_far(int written) const {
        return std::to_string(written) +
               (command_.count > 0 ? " of " + std::to_string(command_.count) : std::string()) +
               " written";
    }

    void waiting(int written) {
        written_ = written;
        bar_.reset();
        bar_.emplace();
        bar_->show(command_.count > 0 ? static_cast<double>(written) / command_.count : 0.0,
                   written_so_far(written) + "; waiting for a card");
    }

    void working(const cardwork::TypeACard &card) { uid_ = cardkit::to_hex(card.uid); }

    void show(const cardwork::Progress &progress) {
        if (finish_flag().load() && !finish_told_) {
            finish_told_ = true;
            bar_.reset();
            std::cerr << "rfcard: finishing card " << uid_
                      << ", then ending (Ctrl-C again stops at once)" << std::endl;
            bar_.emplace();
        }
        if (bar_) {
            bar_->show(progress.fraction(), written_so_far(written_) + ", card " + uid_ + ": " +
                                                progress_detail(progress));
        }
    }

    void done(const cardwork::BatchCard &card) {
        bar_.reset();
        std::string note;
        if (card.result == cardwork::BatchResult::SkippedDuplicate) {
            note = listed_.contains(card.card.uid) ? "listed as written in " + command_.uid_list
                                                   : "written earlier in this run";
        }
        const CardReport report{card, note, unit_};
        if (out_.json()) {
            out_.line(report.json());
        } else {
            out_.text(report.line());
            std::cout.flush();
        }
        for (const std::string &warning : card.warnings) out_.warn(warning);
        // A record that cannot be kept ends the batch before the next card.
        if (log_) log_->append(report.record());
    }

    void unusable(const std::string &why) {
        if (why == last_unusable_) return;
        last_unusable_ = why;
        bar_.reset();
        out_.warn(why);
    }

    Output &out_;
    const BatchCommand &command_;
    std::set<Bytes> listed_;
    const char *unit_;
    std::optional<BatchLog> log_;
    std::optional<ProgressBar> bar_;
    int written_ = 0;
    std::string uid_;
    std::string last_unusable_;
    bool finish_told_ = false;
};

// What both batches share once the job is made: the UID list and the log
// before the reader, the operator's confirmation, the batch, its end.
int run_batch_command(CommandContext &context, const BatchCommand &command, cardwork::CardJob &job,
                      const char *unit, const std::function<void()> &confirm) {
    Output &out = context.out();
    if (out.json()) out.use_json_lines();
    if (job.blocks_to_write() == 0) {
        throw ToolError(kExitBadInput,
                        command.template_file + " holds no " + unit + " this batch would write");
    }
    BatchPresenter presenter(
        out, command,
        command.uid_list.empty() ? std::set<Bytes>{} : read_uid_list(command.uid_list), unit);
    cardwork::ReaderSession &reader = context.reader();
    confirm();

    finish_before_interrupting();
    std::set<Bytes> done = presenter.listed();
    cardwork::BatchSettings settings;
    settings.count = command.count;
    const cardwork::BatchEvents events = presenter.events();
    const cardwork::BatchTally tally =
        cardwork::run_batch(reader, job, done, settings, &finish_flag(), events);
    presenter.summary(tally);
    switch (tally.end) {
        case cardwork::BatchEnd::ReaderFailed:
            throw *tally.failure;
        case cardwork::BatchEnd::Finished:
        case cardwork::BatchEnd::Cancelled:
            std::cerr << "rfcard: interrupted" << std::endl;
            return kExitInterrupted;
        case cardwork::BatchEnd::CountReached:
            break;
    }
    return tally.failed + tally.partial > 0 ? kExitIncomplete : kExitDone;
}

cardkit::CardDump load_template(const std::string &path, cardkit::CardFamily family) {
    cardkit::CardDump dump = load_dump(path);
    if (dump.family() != family) {
        throw ToolError(kExitBadInput, path + " holds " + dump.description() + " data, not " +
                                           std::string(cardkit::family_name(family)));
    }
    return dump;
}

}  // namespace

int run_mifare_batch(CommandContext &context, const KeyOptions &key_options,
                     const BatchCommand &command) {
    const cardkit::CardDump dump =
        load_template(command.template_file, cardkit::CardFamily::MifareClassic);
    const cardwork::RestoreOptions options{command.write_block0, command.write_trailers,
                                           command.verify};
    // Every card gets the same trailers: their access bits are checked once.
    const cardwork::PrivilegedWrites writes =
        cardwork::check_restorable(dump, *dump.mifare_type(), options);
    const cardwork::KeyMemory memory(cardwork::KeyMemory::default_directory());
    // The template's own keys are likely the cards'.
    cardwork::MifareBatchJob job(dump, options, key_candidates(context.out(), key_options, keys_of_dump(dump)),
                                 &memory);
    return run_batch_command(context, command, job, "block", [&] {
        if ((writes.block0 || !writes.trailer_sectors.empty()) && !command.yes)
            confirm_privileged_writes(writes, "every card of this batch");
    });
}

int run_ultralight_batch(CommandContext &context, const BatchCommand &command) {
    const cardkit::CardDump dump =
        load_template(command.template_file, cardkit::CardFamily::Ultralight);
    const cardwork::UltralightWriteOptions options{command.write_locks, command.verify};
    const cardwork::UltralightPrivilegedWrites writes =
        cardwork::check_ultralight_writable(dump, options);
    cardwork::UltralightBatchJob job(dump, options);
    return run_batch_command(context, command, job, "page", [&] {
        if ((!writes.otp && !writes.lock_bytes) || command.yes) return;
        const std::string what = writes.otp && writes.lock_bytes ? "the OTP page and the lock bytes"
                                 : writes.otp                    ? "the OTP page"
                                                                 : "the lock bytes";
        confirm_irreversible(what + " of every card of this batch",
                             "The card sets their bits for good, and a locked page can never be "
                             "written again.");
    });
}

void add_batch_commands(CLI::App &mf, CLI::App &ul, KeyOptions &keys, CommandAction &action) {
    // The options live as long as the command line, which holds the callbacks.
    const auto command = std::make_shared<BatchCommand>();
    const auto add_common = [&command](CLI::App &batch) {
        batch.add_option("--template", command->template_file, "the dump written to every card")
            ->required();
        batch.add_option("--log", command->log,
                         "CSV file: one record per card, appended (created when missing)");
        batch.add_option("--count", command->count, "end once N cards are written")
            ->check(CLI::Range(1, 1000000));
        batch.add_flag("--verify", command->verify, "read every written block back");
        batch
            .add_option("--uid-list", command->uid_list,
                        "UIDs written already (a list or an earlier log): skipped");
        batch.add_flag("-y,--yes", command->yes, "no question before the privileged writes");
        batch.footer(kBatchFooter);
    };

    CLI::App *mf_batch =
        mf.add_subcommand("batch", "write a dump's data blocks to card after card, with a log");
    add_common(*mf_batch);
    mf_batch->add_flag("--write-trailers", command->write_trailers,
                       "write the trailers (keys and access bits) too");
    mf_batch->add_flag("--write-block0", command->write_block0, "write block 0 too");
    add_key_options(*mf_batch, keys);
    mf_batch->callback([&action, &keys, command] {
        action = [&keys, command](CommandContext &context) {
            return run_mifare_batch(context, keys, *command);
        };
    });

    CLI::App *ul_batch =
        ul.add_subcommand("batch", "write a dump's pages 4 to 15 to card after card, with a log");
    add_common(*ul_batch);
    ul_batch->add_flag("--write-locks", command->write_locks,
                       "write the OTP page and the lock bytes too (bits set for good)");
    ul_batch->callback([&action, command] {
        action = [command](CommandContext &context) {
            return run_ultralight_batch(context, *command);
        };
    });
}

}  // namespace rfcard
