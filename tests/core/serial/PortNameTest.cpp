#include "serial/PortName.h"

#include <gtest/gtest.h>

#include "tests/support/RowName.h"

#include <string>

namespace quillon {
namespace {

struct GoodName {
    std::string typed;
    int portNumber;
    std::string device;
};

class PortNameGoodTest : public ::testing::TestWithParam<GoodName> {};

TEST_P(PortNameGoodTest, NamesThePort) {
    std::string error = "untouched";
    auto name = PortName::Parse(GetParam().typed, &error);
    ASSERT_TRUE(name.has_value()) << error;
    EXPECT_EQ(name->portNumber, GetParam().portNumber);
    EXPECT_EQ(name->device, GetParam().device);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PortNameGoodTest,
    ::testing::Values(GoodName{"1", 1, ""}, GoodName{"256", 256, ""}, GoodName{" 12\n", 12, ""},
                      GoodName{"com7", 7, ""}, GoodName{"/dev/ttyUSB0", 0, "/dev/ttyUSB0"},
                      GoodName{"  ttyUSB0  ", 0, "/dev/ttyUSB0"}, GoodName{"./ttyV0", 0, "./ttyV0"},
                      GoodName{std::string(255, '/'), 0, std::string(255, '/')}),
    test::RowNames([](const GoodName& c) { return c.typed; }));

struct BadName {
    std::string typed;
    std::string errorPart;  // what the sentence must mention
};

class PortNameBadTest : public ::testing::TestWithParam<BadName> {};

TEST_P(PortNameBadTest, IsRefusedWithAReason) {
    std::string error;
    EXPECT_FALSE(PortName::Parse(GetParam().typed, &error).has_value());
    EXPECT_NE(error.find(GetParam().errorPart), std::string::npos) << error;
    EXPECT_NE(error.find("/dev/ttyUSB0"), std::string::npos) << "says what to type: " << error;
    EXPECT_FALSE(PortName::Parse(GetParam().typed).has_value()) << "without a place for the text";
}

INSTANTIATE_TEST_SUITE_P(Table, PortNameBadTest,
                         ::testing::Values(BadName{"", "No serial port given"},
                                           BadName{"  \t", "No serial port given"},
                                           BadName{"0", "Port number 0 is out of range"},
                                           BadName{"-3", "Port number -3 is out of range"},
                                           BadName{"257", "Port number 257 is out of range"},
                                           BadName{"99999999999999999999", "out of range"},
                                           BadName{"3x", "\"3x\" is not a port"},
                                           BadName{"tty\x01USB0", "control characters"},
                                           BadName{std::string(251, 'x'), "longer than 255"}),
                         test::RowNames([](const BadName& c) { return c.typed; }));

}  // namespace
}  // namespace quillon
