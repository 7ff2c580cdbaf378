#include <gtest/gtest.h>

#include <string>

#include "cli/JsonLine.h"

namespace quillon::cli {
namespace {

struct QuoteCase {
    const char* name;
    std::string bytes;
    std::string json;
};

class JsonQuoteTest : public testing::TestWithParam<QuoteCase> {};

TEST_P(JsonQuoteTest, KeepsEveryByte) {
    EXPECT_EQ(JsonLine::Quote(GetParam().bytes), GetParam().json);
}

INSTANTIATE_TEST_SUITE_P(
    Table, JsonQuoteTest,
    testing::Values(QuoteCase{"quote_backslash", "C:\\a \"b\"", "\"C:\\\\a \\\"b\\\"\""},
                    QuoteCase{"controls", std::string("\n\r\t\x7f\0", 5),
                              "\"\\n\\u000d\\u0009\\u007f\\u0000\""},
                    QuoteCase{"utf8_kept",
                              "Pr\xc3\xbc"
                              "fung \xe6\xa3\x80 \xf0\x9f\x9a\x82",
                              "\"Pr\xc3\xbc"
                              "fung \xe6\xa3\x80 \xf0\x9f\x9a\x82\""},
                    QuoteCase{"lone_bytes", "\xff\x80", "\"\\udcff\\udc80\""},
                    QuoteCase{"cut_short", "a\xe6\xa3", "\"a\\udce6\\udca3\""},
                    QuoteCase{"overlong", "\xc0\xaf", "\"\\udcc0\\udcaf\""},
                    QuoteCase{"surrogate", "\xed\xa0\x80", "\"\\udced\\udca0\\udc80\""},
                    QuoteCase{"beyond_max", "\xf4\x90\x80\x80",
                              "\"\\udcf4\\udc90\\udc80\\udc80\""}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace quillon::cli
