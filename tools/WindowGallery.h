// Screenshots of the program's own windows: the main window in its HBD, Tamarack Line and KX2
// layouts (names beginning with "main"), the two settings dialogs and the log browser. Each is
// made in a temporary application folder with sample firmware, so no real settings are touched.
#pragma once

#include <QString>

namespace quillon {

// False, with the reason on stderr, when a sample or a picture could not be written.
bool RenderWindowScreenshots(const QString& folder);

}  // namespace quillon
