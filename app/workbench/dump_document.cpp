#include "workbench/dump_document.h"

#include <QFileInfo>

#include "workbench/block_meaning.h"

namespace tilvane {

DumpDocument::DumpDocument(QObject *parent) : QObject(parent) {}

QString DumpDocument::display_name() const {
    if (!file_path_.isEmpty()) return QFileInfo(file_path_).fileName();
    if (!read_name_.isEmpty()) return read_name_;
    return QStringLiteral("Untitled");
}

void DumpDocument::Load(cardkit::CardDump dump, const QString &path, cardkit::DumpFormat format) {
    dump_ = std::move(dump);
    file_path_ = path;
    file_format_ = format;
    read_name_.clear();
    partial_note_.clear();
    SetModified(false);
    emit replaced();
}

void DumpDocument::TakeRead(cardkit::CardDump dump, const QString &partial_note) {
    const cardkit::Bytes &uid = dump.identity().uid;
    read_name_ = uid.empty()
                     ? QStringLiteral("Card read")
                     : QStringLiteral("Card %1").arg(QString::fromStdString(cardkit::to_hex(uid)));
    dump_ = std::move(dump);
    file_path_.clear();
    file_format_.reset();
    partial_note_ = partial_note;
    SetModified(true);
    emit replaced();
}

void DumpDocument::MarkSaved(const QString &path, cardkit::DumpFormat format) {
    file_path_ = path;
    file_format_ = format;
    SetModified(false);
}

bool DumpDocument::SetBlock(int block, const std::vector<std::uint8_t> &bytes) {
    if (!dump_ || !HasBlock(*dump_, block) ||
        static_cast<int>(bytes.size()) != BlockSize(*dump_, block)) {
        return false;
    }
    if (block == kSystemBlockRow) {
        dump_->set_system_block(
            std::array<std::uint8_t, 4>{bytes[0], bytes[1], bytes[2], bytes[3]});
    } else {
        dump_->set_block(block, bytes);
    }
    SetModified(true);
    emit block_changed(block);
    return true;
}

bool DumpDocument::SetAccessBits(int sector, const cardkit::AccessBits &access) {
    if (!dump_ || dump_->family() != cardkit::CardFamily::MifareClassic || sector < 0 ||
        sector >= dump_->sector_count()) {
        return false;
    }
    const auto bytes = cardkit::encode_access_bits(access);
    const int trailer = cardkit::trailer_block(sector);
    dump_->set_bytes(trailer, cardkit::kTrailerAccessBits, bytes);
    SetModified(true);
    emit block_changed(trailer);
    return true;
}

void DumpDocument::SetModified(bool modified) {
    if (modified_ == modified) return;
    modified_ = modified;
    emit modified_changed(modified);
}

}  // namespace tilvane
