#pragma once

// The colours the workbench marks bytes and blocks with, one a role, light enough
// for dark text on them, and the legend that names them. Colour is never the
// only mark: every block also carries its marker word, and every byte role is
// named in the block's meaning and in what a screen reader hears.

#include <QColor>
#include <QString>

#include <vector>

#include "workbench/block_meaning.h"

class QWidget;

namespace tilvane {

// The background of a byte of `role`; invalid (no colour) for plain data.
QColor RoleColour(ByteRole role);
// The background of the marker of a block of `kind`.
QColor KindColour(BlockKind kind);
// The background that marks a differing byte in a comparison.
QColor DifferenceColour();

// The roles the legend lists, in its order.
std::vector<ByteRole> LegendRoles();
// A row of swatches, each with its name beside it.
QWidget *MakeLegend(QWidget *parent);

}  // namespace tilvane
