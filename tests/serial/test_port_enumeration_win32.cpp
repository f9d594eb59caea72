#include "serial/port_enumeration_win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

namespace {

using Numbers = std::vector<std::uint32_t>;

// What the fake GetCommPorts reports (or, when set, the failure it returns
// instead of a list), and the room it was asked with each time.
Numbers fakePorts;
ULONG fakeFailure = ERROR_SUCCESS;
std::vector<ULONG> capacities;

ULONG WINAPI FakeGetCommPorts(PULONG portNumbers, ULONG count, PULONG found) {
    capacities.push_back(count);
    *found = static_cast<ULONG>(fakePorts.size());
    if (fakeFailure == ERROR_SUCCESS && fakePorts.size() <= count)
        std::copy(fakePorts.begin(), fakePorts.end(), portNumbers);
    return fakeFailure != ERROR_SUCCESS ? fakeFailure
           : fakePorts.empty()          ? ERROR_FILE_NOT_FOUND
           : fakePorts.size() > count   ? ERROR_MORE_DATA
                                        : ERROR_SUCCESS;
}

Numbers List(Numbers ports, ULONG failure = ERROR_SUCCESS) {
    fakePorts = ports;
    fakeFailure = failure;
    capacities.clear();
    return serial::ListComPorts(FakeGetCommPorts);
}

// The reported order kept; 150 ports asked again with room for them; no ports is
// an empty list, but no function or another failure falls back to the registry.
TEST(ListComPorts, KeepsOrderAsksAgainForMoreAndFallsBackToTheRegistry) {
    EXPECT_EQ(List({7, 3, 12, 256}), (Numbers{7, 3, 12, 256}));
    EXPECT_EQ(capacities, (std::vector<ULONG>{100}));
    EXPECT_TRUE(List({}).empty());
    Numbers many(150);
    std::iota(many.rbegin(), many.rend(), 1u);
    EXPECT_EQ(List(many), many);
    EXPECT_EQ(capacities, (std::vector<ULONG>{100, 150}));

    const Numbers registry = serial::ListRegistryComPorts();
    EXPECT_EQ(serial::ListComPorts(nullptr), registry);
    EXPECT_EQ(List({1, 2}, ERROR_INVALID_PARAMETER), registry);
    EXPECT_EQ(capacities.size(), 1u);
}

} // namespace
