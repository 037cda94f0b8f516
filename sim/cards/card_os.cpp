#include "cards/card_os.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace sim {

namespace {

constexpr std::uint16_t kMasterFileId = 0x3F00;

Bytes status_only(std::uint16_t sw) {
    return {static_cast<std::uint8_t>(sw >> 8), static_cast<std::uint8_t>(sw & 0xFF)};
}

Bytes with_status(Bytes data, std::uint16_t sw) {
    data.push_back(static_cast<std::uint8_t>(sw >> 8));
    data.push_back(static_cast<std::uint8_t>(sw & 0xFF));
    return data;
}

void put_tlv(Bytes &out, std::uint8_t tag, ByteView value) {
    out.push_back(tag);
    out.push_back(static_cast<std::uint8_t>(value.size()));
    append(out, value);
}

Bytes u16(std::uint16_t value) {
    return {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value & 0xFF)};
}

// The parts of a command APDU: header, Lc data, and Le (0 standing for 256).
struct Apdu {
    std::uint8_t cla, ins, p1, p2;
    ByteView data;
    bool has_le = false;
    std::size_t le = 0;
};

// Short APDUs of the four ISO 7816-4 cases; nullopt when the length bytes do not
// add up.
std::optional<Apdu> parse(ByteView apdu) {
    if (apdu.size() < 4) return std::nullopt;
    Apdu parsed{apdu[0], apdu[1], apdu[2], apdu[3], {}, false, 0};
    if (apdu.size() == 4) return parsed;
    if (apdu.size() == 5) {
        parsed.has_le = true;
        parsed.le = apdu[4] == 0 ? 256 : apdu[4];
        return parsed;
    }
    const std::size_t lc = apdu[4];
    if (lc == 0) return std::nullopt;
    if (apdu.size() == 5 + lc) {
        parsed.data = apdu.subspan(5, lc);
        return parsed;
    }
    if (apdu.size() == 6 + lc) {
        parsed.data = apdu.subspan(5, lc);
        parsed.has_le = true;
        parsed.le = apdu[5 + lc] == 0 ? 256 : apdu[5 + lc];
        return parsed;
    }
    return std::nullopt;
}

}  // namespace

CardOs::CardOs(std::vector<CosFile> master_files, std::vector<CosApplication> applications)
    : master_files_(std::move(master_files)), applications_(std::move(applications)) {}

void CardOs::reset() {
    position_ = {};
}

std::vector<CosFile> &CardOs::files_at(int application) {
    return application < 0 ? master_files_ : applications_[application].files;
}

CosFile *CardOs::file_by_short_id(std::uint8_t short_id) {
    auto &files = files_at(position_.application);
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files[i].short_id == short_id) {
            position_.file = static_cast<int>(i);
            return &files[i];
        }
    }
    return nullptr;
}

Bytes CardOs::process(ByteView raw) {
    const auto apdu = parse(raw);
    if (!apdu) return status_only(kSwWrongLength);
    if (apdu->cla != 0x00 && apdu->cla != 0x80) return status_only(kSwClassNotSupported);
    switch (apdu->ins) {
        case 0xA4:
            return select(apdu->p1, apdu->p2, apdu->data);
        case 0xB0:
            if (!apdu->data.empty()) return status_only(kSwWrongLength);
            return read_binary(apdu->p1, apdu->p2, apdu->has_le ? apdu->le : 256);
        case 0xD6:
            if (apdu->data.empty() || apdu->has_le) return status_only(kSwWrongLength);
            return update_binary(apdu->p1, apdu->p2, apdu->data);
        case 0x84:
            if (!apdu->data.empty() || !apdu->has_le) return status_only(kSwWrongLength);
            return get_challenge(apdu->p1, apdu->p2, apdu->le);
        default:
            return status_only(kSwUnknownInstruction);
    }
}

Bytes CardOs::dedicated_file_fci(int application) const {
    Bytes inner;
    if (application < 0) {
        put_tlv(inner, 0x83, u16(kMasterFileId));
    } else {
        put_tlv(inner, 0x83, u16(applications_[application].id));
        put_tlv(inner, 0x84, applications_[application].aid);
    }
    Bytes fci;
    put_tlv(fci, 0x6F, inner);
    return fci;
}

Bytes CardOs::select_dedicated(int application, bool answer) {
    position_ = {application, -1};
    return answer ? with_status(dedicated_file_fci(application), kSwOk) : status_only(kSwOk);
}

Bytes CardOs::select(std::uint8_t p1, std::uint8_t p2, ByteView data) {
    if (p2 != 0x00 && p2 != 0x0C) return status_only(kSwWrongP1P2);
    const bool answer = p2 == 0x00;

    if (p1 == 0x04) {
        if (data.empty() || data.size() > 16) return status_only(kSwWrongLength);
        for (std::size_t i = 0; i < applications_.size(); ++i) {
            const Bytes &aid = applications_[i].aid;
            if (data.size() <= aid.size() && std::equal(data.begin(), data.end(), aid.begin())) {
                return select_dedicated(static_cast<int>(i), answer);
            }
        }
        return status_only(kSwNotFound);
    }
    if (p1 != 0x00) return status_only(kSwWrongP1P2);

    if (data.empty()) return select_dedicated(-1, answer);
    if (data.size() != 2) return status_only(kSwWrongLength);
    const auto id = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
    if (id == kMasterFileId) return select_dedicated(-1, answer);
    // An application directly under the MF, then an EF of the current DF.
    for (std::size_t i = 0; i < applications_.size(); ++i) {
        if (applications_[i].id == id) return select_dedicated(static_cast<int>(i), answer);
    }
    auto &files = files_at(position_.application);
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files[i].id != id) continue;
        position_.file = static_cast<int>(i);
        if (!answer) return status_only(kSwOk);
        Bytes inner;
        put_tlv(inner, 0x80, u16(static_cast<std::uint16_t>(files[i].content.size())));
        const std::uint8_t transparent[] = {0x01};
        put_tlv(inner, 0x82, transparent);
        put_tlv(inner, 0x83, u16(id));
        Bytes fcp;
        put_tlv(fcp, 0x62, inner);
        return with_status(std::move(fcp), kSwOk);
    }
    return status_only(kSwNotFound);
}

CardOs::BinaryTarget CardOs::binary_target(std::uint8_t p1, std::uint8_t p2) {
    if (p1 & 0x80) {
        // A short file identifier in P1, the offset in P2.
        if (p1 & 0x60) return {nullptr, 0, kSwWrongP1P2};
        CosFile *file = file_by_short_id(p1 & 0x1F);
        if (file == nullptr) return {nullptr, 0, kSwNotFound};
        return {file, p2, kSwOk};
    }
    // The current file, a 15-bit offset in P1 and P2.
    if (position_.file < 0) return {nullptr, 0, kSwNoCurrentEf};
    return {&files_at(position_.application)[position_.file],
            static_cast<std::size_t>(p1) << 8 | p2, kSwOk};
}

Bytes CardOs::read_binary(std::uint8_t p1, std::uint8_t p2, std::size_t le) {
    const BinaryTarget target = binary_target(p1, p2);
    if (target.file == nullptr) return status_only(target.error);
    CosFile *file = target.file;
    const std::size_t offset = target.offset;
    if (offset > file->content.size()) return status_only(kSwWrongOffset);
    const std::size_t available = file->content.size() - offset;
    const std::size_t count = std::min(available, le);
    Bytes out(file->content.begin() + static_cast<std::ptrdiff_t>(offset),
              file->content.begin() + static_cast<std::ptrdiff_t>(offset + count));
    // Le 256 (00) asks for "everything there is" on a short file.
    return with_status(std::move(out), count < le && le != 256 ? kSwEndOfFile : kSwOk);
}

Bytes CardOs::update_binary(std::uint8_t p1, std::uint8_t p2, ByteView data) {
    const BinaryTarget target = binary_target(p1, p2);
    if (target.file == nullptr) return status_only(target.error);
    CosFile *file = target.file;
    const std::size_t offset = target.offset;
    if (offset + data.size() > file->content.size()) return status_only(kSwWrongOffset);
    std::copy(data.begin(), data.end(),
              file->content.begin() + static_cast<std::ptrdiff_t>(offset));
    return status_only(kSwOk);
}

Bytes CardOs::get_challenge(std::uint8_t p1, std::uint8_t p2, std::size_t le) {
    if (p1 != 0 || p2 != 0) return status_only(kSwWrongP1P2);
    if (le != 4 && le != 8) return status_only(kSwWrongLength);
    return with_status(random_.bytes(le), kSwOk);
}

}  // namespace sim
