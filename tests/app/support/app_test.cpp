#include "app_test.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include "common/app_data_directory.h"
#include "common/operator_messages.h"
#include "shell/app_info.h"

namespace app_test {

AppTest::AppTest() {
    fake_reader::reset();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       directory_.path() + QStringLiteral("/config"));
    tilvane::SetAppConfigDirectory(directory_.path());
    tilvane::SetAppDataDirectory(data_directory());
    tilvane::SetMessageBoxHook([this](const tilvane::MessageBoxRequest &request) {
        boxes_.push_back(request);
        if (answers_.empty()) return QMessageBox::Ok;
        const auto answer = answers_.front();
        answers_.pop_front();
        return answer;
    });
    tilvane::SetFailureSound([this] { ++beeps_; });
}

AppTest::~AppTest() {
    tilvane::SetMessageBoxHook({});
    tilvane::SetFailureSound({});
    tilvane::SetAppConfigDirectory({});
    tilvane::SetAppDataDirectory({});
}

QString AppTest::only_box_text() const {
    EXPECT_EQ(boxes_.size(), 1u);
    return boxes_.empty() ? QString() : boxes_.back().text;
}

QString AppTest::settings_file() const {
    return directory_.path() + QStringLiteral("/config/Velomar/IORFCard.conf");
}

void AppTest::write_settings(const QByteArray &contents) const {
    QFile file(settings_file());
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

void AppTest::write_app_config(const QByteArray &contents) const {
    QFile file(directory_.path() + QStringLiteral("/AppConfig.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

}  // namespace app_test
