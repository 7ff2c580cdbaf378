#include "program/ErrorCatalogue.h"

#include <cstdarg>

#include "text/TextFormat.h"

namespace quillon {

std::string ErrorText(NumberedError error, ...) {
    va_list args;
    va_start(args, error);
    std::string text = FormatTextV(error.text, args);
    va_end(args);
    return text;
}

const NumberedError* FindError(int number) {
    for (const NumberedError& entry : error::kAll) {
        if (entry.number == number) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace quillon
