#include "workbench/byte_colours.h"

#include <QGridLayout>
#include <QLabel>

namespace tilvane {

QColor RoleColour(ByteRole role) {
    switch (role) {
        case ByteRole::Maker:
            return QColor(0xFF, 0xD8, 0x8C);  // amber
        case ByteRole::Value:
            return QColor(0xB8, 0xE6, 0xB0);  // green
        case ByteRole::KeyA:
            return QColor(0xA8, 0xCC, 0xF5);  // blue
        case ByteRole::AccessBits:
            return QColor(0xF5, 0xB0, 0xB0);  // red
        case ByteRole::UserByte:
            return QColor(0xE0, 0xE0, 0xE0);  // grey
        case ByteRole::KeyB:
            return QColor(0xD6, 0xBC, 0xF2);  // violet
        case ByteRole::Lock:
            return QColor(0xF7, 0xC4, 0x9A);  // orange
        case ByteRole::Otp:
            return QColor(0xF2, 0xEC, 0x96);  // yellow
        case ByteRole::Counter:
            return QColor(0xA8, 0xE8, 0xE0);  // teal
        case ByteRole::Unknown:
            return QColor(0xC8, 0xC8, 0xC8);  // dark grey
        case ByteRole::Data:
            break;
    }
    return QColor();
}

QColor KindColour(BlockKind kind) {
    switch (kind) {
        case BlockKind::Manufacturer:
            return RoleColour(ByteRole::Maker);
        case BlockKind::Value:
            return RoleColour(ByteRole::Value);
        case BlockKind::Trailer:
            return RoleColour(ByteRole::AccessBits);
        case BlockKind::Lock:
        case BlockKind::System:
            return RoleColour(ByteRole::Lock);
        case BlockKind::Otp:
            return RoleColour(ByteRole::Otp);
        case BlockKind::Counter:
            return RoleColour(ByteRole::Counter);
        case BlockKind::Unknown:
            return RoleColour(ByteRole::Unknown);
        case BlockKind::Data:
            break;
    }
    return QColor();
}

QColor DifferenceColour() { return QColor(0xFF, 0x9E, 0x9E); }

std::vector<ByteRole> LegendRoles() {
    return {ByteRole::Maker,      ByteRole::Value,   ByteRole::KeyA,
            ByteRole::AccessBits, ByteRole::KeyB,    ByteRole::Lock,
            ByteRole::Otp,        ByteRole::Counter, ByteRole::Unknown};
}

QWidget *MakeLegend(QWidget *parent) {
    auto *legend = new QWidget(parent);
    legend->setObjectName(QStringLiteral("legend"));
    legend->setAccessibleName(QStringLiteral("Colour legend"));
    // Five a row, so that the legend fits a narrow window.
    constexpr int kPerRow = 5;
    auto *layout = new QGridLayout(legend);
    layout->setContentsMargins(0, 0, 0, 0);
    int index = 0;
    for (const ByteRole role : LegendRoles()) {
        auto *swatch = new QLabel(ByteRoleName(role), legend);
        swatch->setAutoFillBackground(true);
        QPalette palette = swatch->palette();
        palette.setColor(QPalette::Window, RoleColour(role));
        palette.setColor(QPalette::WindowText, Qt::black);
        swatch->setPalette(palette);
        swatch->setMargin(2);
        layout->addWidget(swatch, index / kPerRow, index % kPerRow);
        ++index;
    }
    layout->setColumnStretch(kPerRow, 1);
    return legend;
}

}  // namespace tilvane
