#include "view/diagnostic_log.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Writes one block per pair count into a new file and returns its bytes.
std::string Dump(duruz::CaptureStore& store, const std::vector<std::uint32_t>& counts) {
    const testing_support::TempFolder folder;
    for (std::uint32_t count : counts) {
        std::memcpy(store.RxBuffer.data() + 4, &count, 4);
        EXPECT_TRUE(duruz::WriteDiagnosticLog(folder.File("Log.Txt"), store, {1, 0, 512, -300}));
    }
    return testing_support::ReadFile(folder.File("Log.Txt"));
}

// The four header lines for the given words 1 and 2.
std::string Header(const std::string& words1And2) {
    return "Info2 48784878 " + words1And2 +
           " 1003 1004 1007 1 0 -300 1012 1013\r 1008 1009 1010 1011\r    1012 1013 1014\r"
           " >1015 >1016 >1017 >1018 >1019 >1020 >1021 >1022 >1023\r";
}

std::string ZeroPairs(int from, int to) {
    std::string out;
    for (char line[64]; from < to; ++from)
        out.append(line, std::snprintf(line, sizeof line,
                                       "%4d,     0,     0, 00000000, 00000000\r\n", from));
    return out;
}

} // namespace

// Header word 0 is the frame marker, word n otherwise 1000 + n; the samples are 0
// unless set.
TEST(DiagnosticLog, BlockBytesForEachPairCountAndNoFolder) {
    const auto store = std::make_unique<duruz::CaptureStore>();
    for (std::uint32_t n = 0; n < 32; ++n) {
        const std::uint32_t word = n == 0 ? duruz::kFrameMarker : 1000 + n;
        std::memcpy(store->RxBuffer.data() + 4 * n, &word, 4);
    }
    // A header-only block, then a second one appended after it.
    EXPECT_EQ(Dump(*store, {0, 5}), Header("0 1002") + Header("5 1002") + ZeroPairs(0, 5));
    // Above 2,048, or negative read as signed: every pair the store holds.
    store->CaptureBuffer[2 * 2047] = -7;
    for (std::uint32_t count : {2049u, 100000u, 0x80000000u, 0xFFFFFFFFu})
        EXPECT_EQ(Dump(*store, {count}), Header(std::to_string(std::int32_t(count)) + " 1002") +
                                             ZeroPairs(0, 2047) +
                                             "2047,    -7,     0, FFFFFFF9, 00000000\r\n")
            << count;

    std::memcpy(store->RxBuffer.data() + 8, "\xFF\xFF\xFF\xFF", 4); // word 2: -1
    store->CaptureBuffer[0] = store->CaptureBuffer[1] = -1;
    // Pair 13 lies beyond the count.
    std::tie(store->CaptureBuffer[24], store->CaptureBuffer[25], store->CaptureBuffer[26]) =
        std::tuple(100, -2, 32767);
    EXPECT_EQ(Dump(*store, {13}), Header("13 -1") + "   0,    -1,    -1, FFFFFFFF, FFFFFFFF\r\n" +
                                      ZeroPairs(1, 12) +
                                      "  12,   100,    -2, 00000064, FFFFFFFE\r\n");

    // A missing folder, or no path at all, writes nothing.
    const testing_support::TempFolder folder;
    EXPECT_FALSE(duruz::WriteDiagnosticLog(folder.File("absent/Log.Txt"), *store, {}));
    EXPECT_FALSE(fs::exists(folder.File("absent")));
    EXPECT_FALSE(duruz::WriteDiagnosticLog("", *store, {}));
}
