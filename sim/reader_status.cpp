#include "sim/reader_status.h"

namespace sim {

std::string_view status_name(ReaderStatus status) {
    switch (status) {
        case ReaderStatus::Ok:
            return "done";
        case ReaderStatus::NoCard:
            return "no card";
        case ReaderStatus::Collision:
            return "collision";
        case ReaderStatus::AuthFailed:
            return "authentication failed";
        case ReaderStatus::NotAuthenticated:
            return "not authenticated";
        case ReaderStatus::NotAllowed:
            return "not allowed";
        case ReaderStatus::ValueFormat:
            return "not a value block";
        case ReaderStatus::BadAddress:
            return "no such block";
        case ReaderStatus::AlreadyLocked:
            return "already locked";
        case ReaderStatus::BadParameter:
            return "bad parameter";
        case ReaderStatus::BadLength:
            return "bad data length";
        case ReaderStatus::UnknownCommand:
            return "unknown command";
        case ReaderStatus::BadCheck:
            return "bad check byte";
        case ReaderStatus::NoKeyLoaded:
            return "no key loaded";
        case ReaderStatus::NotIso14443_4:
            return "not an ISO 14443-4 card";
        case ReaderStatus::SamNotReset:
            return "SAM not reset";
        case ReaderStatus::AnswerTooLong:
            return "answer too long";
        case ReaderStatus::CardError:
            return "card error";
    }
    return "unknown status";
}

}  // namespace sim
