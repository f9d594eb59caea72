#include "view/diagnostic_log.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

using duruz::CaptureStore;
using duruz::TriggerState;
using duruz::WriteDiagnosticLog;

namespace {

class DiagnosticLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() /
            ("duruz_log_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        path_ = (folder_ / "Log.Txt").string();
        store_ = std::make_unique<CaptureStore>();
        for (std::size_t n = 0; n < 32; ++n)
            SetWord(n, 1000 + std::uint32_t(n));
        SetWord(0, duruz::kFrameMarker);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    void SetWord(std::size_t n, std::uint32_t value) {
        std::memcpy(store_->RxBuffer.data() + 4 * n, &value, 4);
    }
    std::string Read() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    std::filesystem::path folder_;
    std::string path_;
    std::unique_ptr<CaptureStore> store_;
    TriggerState trigger_{1, 0, 512, -300};
};

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

TEST_F(DiagnosticLogTest, BlockBytesForThirteenPairs) {
    SetWord(1, 13);
    SetWord(2, 0xFFFFFFFF); // signed: -1
    store_->CaptureBuffer[0] = -1;
    store_->CaptureBuffer[1] = -1;
    store_->CaptureBuffer[24] = 100;
    store_->CaptureBuffer[25] = -2;
    store_->CaptureBuffer[26] = 32767; // pair 13 lies beyond the count
    ASSERT_TRUE(WriteDiagnosticLog(path_, *store_, trigger_));

    std::string expected = "Info2 48784878 13 -1 1003 1004 1007 1 0 -300 1012 1013\r"
                           " 1008 1009 1010 1011\r"
                           "    1012 1013 1014\r"
                           " >1015 >1016 >1017 >1018 >1019 >1020 >1021 >1022 >1023\r"
                           "   0,    -1,    -1, FFFFFFFF, FFFFFFFF\r\n";
    for (int i = 1; i < 12; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%4d,     0,     0, 00000000, 00000000\r\n", i);
        expected += line;
    }
    expected += "  12,   100,    -2, 00000064, FFFFFFFE\r\n";
    EXPECT_EQ(Read(), expected);
}

TEST_F(DiagnosticLogTest, PairCountZeroCappedAndNegative) {
    SetWord(1, 0);
    ASSERT_TRUE(WriteDiagnosticLog(path_, *store_, trigger_));
    std::string text = Read();
    EXPECT_EQ(Count(text, "\r"), 4u);
    EXPECT_EQ(Count(text, "\n"), 0u);
    EXPECT_EQ(text.rfind(" >1023\r"), text.size() - 7);

    for (std::uint32_t count : {2049u, 100000u, 0x80000000u, 0xFFFFFFFFu}) {
        std::filesystem::remove(path_);
        SetWord(1, count);
        store_->CaptureBuffer[2 * 2047] = -7;
        ASSERT_TRUE(WriteDiagnosticLog(path_, *store_, trigger_));
        text = Read();
        EXPECT_EQ(Count(text, "\r\n"), 2048u) << count;
        const std::string last = "2047,    -7,     0, FFFFFFF9, 00000000\r\n";
        EXPECT_EQ(text.substr(text.size() - last.size()), last) << count;
        EXPECT_NE(text.find("Info2 48784878 " + std::to_string(std::int32_t(count)) + " "),
                  std::string::npos);
    }
}

TEST_F(DiagnosticLogTest, SecondCallAppendsASecondBlock) {
    SetWord(1, 5);
    ASSERT_TRUE(WriteDiagnosticLog(path_, *store_, trigger_));
    const std::string first = Read();
    EXPECT_EQ(Count(first, "\r\n"), 5u);
    SetWord(1, 2);
    ASSERT_TRUE(WriteDiagnosticLog(path_, *store_, trigger_));
    const std::string both = Read();
    ASSERT_GT(both.size(), first.size());
    EXPECT_EQ(both.substr(0, first.size()), first);
    EXPECT_EQ(both.substr(first.size(), 18), "Info2 48784878 2 1");
    EXPECT_EQ(Count(both, "Info2"), 2u);
    EXPECT_EQ(Count(both, "\r\n"), 7u);
}

TEST_F(DiagnosticLogTest, MissingFolderWritesNothing) {
    const std::string missing = (folder_ / "absent" / "Log.Txt").string();
    EXPECT_FALSE(WriteDiagnosticLog(missing, *store_, trigger_));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "absent"));
    EXPECT_FALSE(WriteDiagnosticLog("", *store_, trigger_));
}
