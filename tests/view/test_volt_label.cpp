#include "view/volt_label.h"

#include <gtest/gtest.h>

#include <climits>

// The sign stays in column one; out of the label's reach the digits wrap, taken from
// the true magnitude of INT_MIN.
TEST(VoltLabel, FormsEightCharactersWithTheSignInColumnOne) {
    const std::pair<int, const char*> rows[] = {
        {19200, "  19.2 V"},   {192000, " 192.0 V"}, {0, "   0.0 V"},      {800, "   0.8 V"},
        {-800, "-  0.8 V"},    {-4800, "-  4.8 V"},  {-19200, "- 19.2 V"}, {99, "   0.0 V"},
        {-192000, "-192.0 V"}, {INT_MIN, "-483.6 V"}};
    for (const auto& [millivolts, text] : rows)
        EXPECT_STREQ(duruz::VoltLabel(millivolts).c_str(), text) << millivolts;
}
