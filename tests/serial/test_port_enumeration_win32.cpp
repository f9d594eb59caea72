#include "serial/port_enumeration_win32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace {

using serial::ListComPorts;
using serial::ListRegistryComPorts;
using Numbers = std::vector<std::uint32_t>;

// What the fake GetCommPorts reports, and what it was asked.
struct FakeSystem {
    Numbers ports;
    ULONG failure = ERROR_SUCCESS; // returned instead of a list when set
    std::vector<ULONG> capacities;
};
FakeSystem fake;

void Reset(Numbers ports, ULONG failure = ERROR_SUCCESS) {
    fake.ports = std::move(ports);
    fake.failure = failure;
    fake.capacities.clear();
}

ULONG WINAPI FakeGetCommPorts(PULONG portNumbers, ULONG count, PULONG found) {
    fake.capacities.push_back(count);
    if (fake.failure != ERROR_SUCCESS)
        return fake.failure;
    *found = static_cast<ULONG>(fake.ports.size());
    if (fake.ports.empty())
        return ERROR_FILE_NOT_FOUND;
    if (fake.ports.size() > count)
        return ERROR_MORE_DATA;
    for (std::size_t i = 0; i < fake.ports.size(); ++i)
        portNumbers[i] = fake.ports[i];
    return ERROR_SUCCESS;
}

TEST(ListComPorts, KeepsTheSystemsOrderAndAsksForAHundredFirst) {
    Reset({7, 3, 12, 256});
    EXPECT_EQ(ListComPorts(FakeGetCommPorts), (Numbers{7, 3, 12, 256}));
    EXPECT_EQ(fake.capacities, (std::vector<ULONG>{100}));

    Reset({});
    EXPECT_TRUE(ListComPorts(FakeGetCommPorts).empty());
}

TEST(ListComPorts, AsksAgainWithRoomForAllWhenThereAreMore) {
    Numbers many;
    for (std::uint32_t n = 1; n <= 150; ++n)
        many.push_back(n);
    Reset(many);
    const Numbers listed = ListComPorts(FakeGetCommPorts);
    EXPECT_EQ(listed, fake.ports);
    EXPECT_EQ(fake.capacities, (std::vector<ULONG>{100, 150}));
}

TEST(ListComPorts, FallsBackToTheRegistryWithoutAWorkingGetCommPorts) {
    const Numbers registry = ListRegistryComPorts();
    EXPECT_EQ(ListComPorts(nullptr), registry);

    Reset({1, 2}, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(ListComPorts(FakeGetCommPorts), registry);
    EXPECT_EQ(fake.capacities.size(), 1u);
}

} // namespace
