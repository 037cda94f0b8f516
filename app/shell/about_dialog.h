#pragma once

// The About box: the application's picture and its branding texts.

#include <QDialog>

class QLabel;

namespace tilvane {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // Static texts by their original identifiers; 1098, 1099 and 1103 are filled
    // but not shown.
    enum ControlId : int {
        IDC_ABOUT_VERSION = 1097,
        IDC_ABOUT_LTD = 1098,
        IDC_ABOUT_HTTP = 1099,
        IDC_ABOUT_COPYRIGHT = 1100,
        IDC_VERSION = 1103,
    };

    explicit CAboutDlg(QWidget *parent = nullptr);

    QLabel *Static(int id) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap picture_;
};

}  // namespace tilvane
