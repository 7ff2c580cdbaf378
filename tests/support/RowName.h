// Names for the rows of parameterised test tables: the row's index and a label, cut down to the
// letters, digits and underscores a test name may hold, so a failing row can be run alone with
// --gtest_filter or ctest -R.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace quillon::test {

inline std::string RowName(size_t index, const std::string& label) {
    std::string name = std::to_string(index);
    if (!label.empty()) {
        name += '_';
    }
    for (unsigned char c : label) {
        name += std::isalnum(c) != 0 ? static_cast<char>(c) : '_';
    }
    return name;
}

// A name generator for INSTANTIATE_TEST_SUITE_P from a function giving a row's label.
template <typename Label>
auto RowNames(Label label) {
    return [label](const auto& row) { return RowName(row.index, label(row.param)); };
}

}  // namespace quillon::test
