#include "controls/FormattedText.h"

#include <cstdarg>

#include "controls/FormatLimited.h"

namespace quillon {

void FormattedText::SetText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const auto text = FormatLimitedV(limit_, format, args);
    va_end(args);
    if (text) {
        ShowText(*text);
    }
}

}  // namespace quillon
