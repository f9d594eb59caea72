#include "serial/port_enumeration_win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

using Numbers = std::vector<std::uint32_t>;

// What the fake GetCommPorts reports, and the room it was asked with.
Numbers fakePorts;
ULONG fakeFailure = ERROR_SUCCESS; // returned instead of a list when set
std::vector<ULONG> capacities;

ULONG WINAPI FakeGetCommPorts(PULONG portNumbers, ULONG count, PULONG found) {
    capacities.push_back(count);
    if (fakeFailure != ERROR_SUCCESS)
        return fakeFailure;
    *found = static_cast<ULONG>(fakePorts.size());
    if (fakePorts.empty())
        return ERROR_FILE_NOT_FOUND;
    if (fakePorts.size() > count)
        return ERROR_MORE_DATA;
    std::copy(fakePorts.begin(), fakePorts.end(), portNumbers);
    return ERROR_SUCCESS;
}

Numbers List(Numbers ports, ULONG failure = ERROR_SUCCESS) {
    fakePorts = std::move(ports);
    fakeFailure = failure;
    capacities.clear();
    return serial::ListComPorts(FakeGetCommPorts);
}

TEST(ListComPorts, KeepsOrderAsksAgainForMoreAndFallsBackToTheRegistry) {
    EXPECT_EQ(List({7, 3, 12, 256}), (Numbers{7, 3, 12, 256}));
    EXPECT_EQ(capacities, (std::vector<ULONG>{100}));
    EXPECT_TRUE(List({}).empty());

    Numbers many(150);
    for (std::uint32_t n = 0; n < 150; ++n)
        many[n] = 150 - n;
    EXPECT_EQ(List(many), many);
    EXPECT_EQ(capacities, (std::vector<ULONG>{100, 150}));

    const Numbers registry = serial::ListRegistryComPorts();
    EXPECT_EQ(serial::ListComPorts(nullptr), registry);
    EXPECT_EQ(List({1, 2}, ERROR_INVALID_PARAMETER), registry);
    EXPECT_EQ(capacities.size(), 1u);
}

} // namespace
