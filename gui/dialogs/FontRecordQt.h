// A pane font between its file record and Qt: the record's clamped size and weight become a
// QFont, and a font the user picked (in points or pixels) becomes a record to save whose height
// is the character height in pixels, so it is drawn at the size it was picked.
#pragma once

#include <QFont>

#include "records/FontRecord.h"

namespace quillon {

QFont ToQFont(const FontRecord& record);
FontRecord FontRecordFromQFont(const QFont& font);

}  // namespace quillon
