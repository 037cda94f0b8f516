#pragma once

// The strip at the right of the main window's menu bar where every outcome is
// reported: an 18-pixel mark (error or success), then the text in blue. It keeps
// its text until the next message, and gives each message to assistive
// technology as its accessible name.

#include <QIcon>
#include <QWidget>

namespace tilvane {

class StatusBand : public QWidget {
    Q_OBJECT
public:
    enum class Mark { None, Error, Success };

    explicit StatusBand(QWidget *parent = nullptr);

    void Show(Mark mark, const QString &text);

    QString text() const { return text_; }
    Mark mark() const { return mark_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Mark mark_ = Mark::None;
    QString text_;
    QIcon error_mark_;
    QIcon success_mark_;
};

}  // namespace tilvane
