#pragma once

// The etched frame with a caption that pages draw around a group of controls, in
// place of the platform's group box: a grey line with a white one beside it, the
// top edge broken by the caption.

#include <QWidget>

namespace tilvane {

// The text colour of captions and labels on the pages.
inline constexpr QRgb kPageTextColour = 0x296584;  // RGB(41, 101, 132)

class GroupFrame : public QWidget {
    Q_OBJECT
public:
    explicit GroupFrame(const QString &caption, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString caption_;
};

}  // namespace tilvane
