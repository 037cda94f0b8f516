#pragma once

// What the workbench's tests share: dumps built the way cards hold them, a
// fixture with a private directory for files and remembered keys, file dialogs
// answered by the test, and waiting on the event loop for work on the worker
// thread to end.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <deque>
#include <functional>

#include "app_test.h"
#include "cardkit/dump.h"
#include "cardkit/manufacturer_block.h"
#include "workbench/file_choice.h"

namespace workbench_test {

// A Mifare Classic card as it ships: block 0 for `uid`, every trailer FF..FF
// FF 07 80 69 FF..FF, data blocks zero; everything known.
inline cardkit::CardDump FactoryMifare(cardkit::MifareType type = cardkit::MifareType::Classic1K,
                                       std::array<std::uint8_t, 4> uid = {0x5A, 0x3C, 0x71, 0xE2}) {
    cardkit::CardDump dump = cardkit::CardDump::mifare_classic(type);
    const std::uint8_t sak = type == cardkit::MifareType::Classic4K ? 0x18 : 0x08;
    const std::array<std::uint8_t, 2> atqa = {
        type == cardkit::MifareType::Classic4K ? std::uint8_t{0x02} : std::uint8_t{0x04}, 0x00};
    dump.set_block(0, cardkit::encode_manufacturer_block(uid, sak, atqa, {}));
    const std::array<std::uint8_t, 16> zeros{};
    const std::array<std::uint8_t, 16> trailer = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x07,
                                                  0x80, 0x69, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    for (int block = 1; block < dump.block_count(); ++block) {
        dump.set_block(block, cardkit::is_trailer(block) ? cardkit::ByteView(trailer)
                                                         : cardkit::ByteView(zeros));
    }
    dump.set_identity({cardkit::Bytes(uid.begin(), uid.end()), atqa, sak});
    return dump;
}

inline cardkit::Bytes Hex(std::string_view text) { return *cardkit::parse_hex(text); }

// Runs the event loop until `done` or `timeout_ms` pass; whether `done` came.
inline bool WaitUntil(const std::function<bool()> &done, int timeout_ms = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeout_ms) return false;
        QTest::qWait(5);
    }
    return true;
}

// A private directory for dump files and remembered keys, and file dialogs that
// take the test's answers in order (an empty path cancels).
class WorkbenchTest : public app_test::AppTest {
protected:
    WorkbenchTest() {
        tilvane::SetFileChooserHook([this](const tilvane::FileRequest &request) {
            requests.push_back(request);
            if (choices.empty()) return tilvane::FileChoice{};
            tilvane::FileChoice choice = choices.front();
            choices.pop_front();
            return choice;
        });
    }
    ~WorkbenchTest() override { tilvane::SetFileChooserHook({}); }

    QString file(const QString &name) const { return files.filePath(name); }
    QByteArray read(const QString &name) const {
        QFile in(file(name));
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
    void write(const QString &name, const QByteArray &content) const {
        QFile out(file(name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(content);
    }
    std::filesystem::path key_directory() const {
        return (files.path() + QStringLiteral("/keys")).toStdString();
    }

    QTemporaryDir files;
    std::deque<tilvane::FileChoice> choices;
    std::vector<tilvane::FileRequest> requests;
};

}  // namespace workbench_test
