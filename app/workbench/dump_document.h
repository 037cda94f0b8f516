#pragma once

// The one dump a workbench window holds, with its file name and whether it has
// changes not yet saved. Loading a file never counts as a change; an edit and a
// card read do (a read is in no file yet). Every change goes through here, so the
// views that show the dump hear of it.

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "cardkit/access_bits.h"
#include "cardkit/dump.h"
#include "cardkit/dump_formats.h"

namespace tilvane {

class DumpDocument : public QObject {
    Q_OBJECT
public:
    explicit DumpDocument(QObject *parent = nullptr);

    bool has_dump() const { return dump_.has_value(); }
    // Only while has_dump().
    const cardkit::CardDump &dump() const { return *dump_; }
    // The file it was loaded from or last saved to; empty for a card read.
    const QString &file_path() const { return file_path_; }
    std::optional<cardkit::DumpFormat> file_format() const { return file_format_; }
    // The file's name, or what the dump came from.
    QString display_name() const;
    bool modified() const { return modified_; }
    // Why a card read stopped before its end; empty for a whole dump.
    const QString &partial_note() const { return partial_note_; }

    // A dump from a file: no unsaved changes.
    void Load(cardkit::CardDump dump, const QString &path, cardkit::DumpFormat format);
    // A dump read from a card, unsaved; `partial_note` when the read stopped early.
    void TakeRead(cardkit::CardDump dump, const QString &partial_note);
    // The dump now lies in `path`: no unsaved changes.
    void MarkSaved(const QString &path, cardkit::DumpFormat format);

    // Edits. Each sets the unsaved-changes flag and tells the views; a block of
    // the wrong size or outside the dump changes nothing and returns false.
    // `block` may be kSystemBlockRow (SRIX4K).
    bool SetBlock(int block, const std::vector<std::uint8_t> &bytes);
    // Trailer bytes 6 to 8 of a Mifare Classic sector.
    bool SetAccessBits(int sector, const cardkit::AccessBits &access);

signals:
    // A dump was loaded or read in place of the one before.
    void replaced();
    // The bytes of a block changed (kSystemBlockRow for the SRIX4K system block).
    void block_changed(int block);
    void modified_changed(bool modified);

private:
    void SetModified(bool modified);

    std::optional<cardkit::CardDump> dump_;
    QString file_path_;
    std::optional<cardkit::DumpFormat> file_format_;
    QString read_name_;
    QString partial_note_;
    bool modified_ = false;
};

}  // namespace tilvane
