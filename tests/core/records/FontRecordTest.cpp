#include "records/FontRecord.h"

#include <gtest/gtest.h>

#include <string>

namespace quillon {
namespace {

// A damaged face name gives no face, so the pane falls back to its default font.
TEST(FontRecordTest, FaceNamesWithControlOrHighBytesAreRefused) {
    for (const std::string& bad :
         {std::string("Ari\x01l"), std::string("Ari\x7Fl"), std::string("Ari\xC3\xA9l")}) {
        EXPECT_EQ(FontRecord::Make(14, FontRecord::kWeightBold, bad).Face(), "") << bad;
    }
    EXPECT_EQ(FontRecord::Make(14, FontRecord::kWeightBold, "Courier New").Face(), "Courier New");
}

}  // namespace
}  // namespace quillon
