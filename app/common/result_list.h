#pragma once

// The list of answers on the processor-card pages and of commands in the history
// dialog: one line of hex text per entry, 18 pixels high, the newest one added
// selected. A text wider than the list is drawn cut, ending in " ... ", and the
// whole of it shows in a tip laid over the entry while the pointer rests on it.

#include <QListWidget>

namespace tilvane {

class CListTip;

class ResultList : public QListWidget {
    Q_OBJECT
public:
    static constexpr int kItemHeight = 18;
    // Where an entry's text starts within its line.
    static constexpr int kTextOffset = 5;

    explicit ResultList(QWidget *parent = nullptr);

    // Appends `text` and makes it the only selected entry.
    void AddEntry(const QString &text);
    QStringList Entries() const;

    // True when the entry's text does not fit its line.
    bool IsCut(int row) const;

    CListTip *tip() const { return tip_; }

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void ShowTipAt(const QPoint &position);

    CListTip *tip_;
};

// `text` as it fits in `width` pixels: whole, or cut and ended with " ... ".
QString CutToWidth(const QFontMetrics &metrics, const QString &text, int width);

}  // namespace tilvane
