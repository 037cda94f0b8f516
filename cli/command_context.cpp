#include "command_context.h"

#include "binding/result_meaning.h"
#include "interrupt.h"
#include "transport/port_holder.h"

namespace rfcard {

ReaderLibrary &CommandContext::library() {
    if (!library_) {
        library_ = std::make_unique<ReaderLibrary>(
            options_.library_directory.empty() ? program_directory() : options_.library_directory);
    }
    return *library_;
}

cardwork::ReaderSession &CommandContext::reader() {
    if (!reader_) {
        auto reader = std::make_unique<cardwork::ReaderSession>(library().api(), &interrupt_flag());
        try {
            reader->connect(options_.port, options_.baud);
        } catch (const cardwork::CardError &error) {
            if (!binding::means_port_in_use(error.function(), error.result())) throw;
            // Not "no reader": the device and the program that has it.
            const std::string device = selmek::port_device(options_.port);
            throw cardwork::CardError::call(
                error.function(), error.result(),
                "port " + std::to_string(options_.port) + " (" + device + ")",
                selmek::holder_note(device));
        }
        reader_ = std::move(reader);
    }
    return *reader_;
}

}  // namespace rfcard
