#include "shell/about_dialog.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/svg_icon.h"
#include "shell/app_info.h"

namespace tilvane {

namespace {

constexpr int kPictureLeft = 150;
constexpr int kPictureTop = 10;
constexpr int kPictureSize = 120;

}  // namespace

CAboutDlg::CAboutDlg(QWidget *parent)
    : QDialog(parent),
      picture_(SvgPixmap(QStringLiteral(":/icons/about.svg"), QSize(kPictureSize, kPictureSize))) {
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(GetAppInfo(QStringLiteral("AboutTitle")));

    auto *layout = new QVBoxLayout(this);
    layout->addSpacing(kPictureTop + kPictureSize + 10);
    const auto add_static = [&](int id, const char *key, bool visible) {
        auto *label = new QLabel(GetAppInfo(QString::fromLatin1(key)), this);
        label->setObjectName(QStringLiteral("static%1").arg(id));
        label->setAlignment(Qt::AlignCenter);
        label->setVisible(visible);
        layout->addWidget(label);
    };
    add_static(IDC_ABOUT_VERSION, "AboutVersion", true);
    add_static(IDC_ABOUT_LTD, "AboutLTD", false);
    add_static(IDC_ABOUT_HTTP, "HTTP", false);
    add_static(IDC_ABOUT_COPYRIGHT, "COPYRIGHT", true);
    add_static(IDC_VERSION, "Version", false);

    auto *ok = new QPushButton(QString::fromUtf8("确定"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignCenter);
    setMinimumWidth(2 * kPictureLeft + kPictureSize);
}

QLabel *CAboutDlg::Static(int id) const {
    return findChild<QLabel *>(QStringLiteral("static%1").arg(id));
}

void CAboutDlg::paintEvent(QPaintEvent *event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    // The picture sits centred over the texts, as in the original box.
    const int left = std::max(0, (width() - kPictureSize) / 2);
    painter.drawPixmap(left, kPictureTop, picture_);
}

}  // namespace tilvane
