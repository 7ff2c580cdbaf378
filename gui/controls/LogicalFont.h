// Fonts given as the old platform's logical heights: a positive height is the whole character
// cell (ascent plus descent), a negative one the character height alone. Qt sizes fonts by the
// latter, so a positive height is scaled down until the cell fits, as the old dialogs laid out.
#pragma once

#include <QFont>
#include <QString>

namespace quillon {

// height 0 keeps the face's default size; weight is clamped to Qt's 1..1000.
QFont LogicalFont(const QString& face, int height, int weight);

}  // namespace quillon
