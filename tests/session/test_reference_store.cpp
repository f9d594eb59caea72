// Reference files: the samples back bit for bit, and damaged files listed with why.
#include "session/reference_store.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

namespace {

using namespace duruz;

ReferenceTrace Sample() {
    ReferenceTrace reference;
    reference.name = "Sine 1 kHz";
    reference.probeRow[0] = 0;
    reference.rangeRow[0] = 3;
    reference.rangeRow[1] = 6;
    reference.frame.frames = 16;
    reference.frame.pointCount = 1000;
    for (std::size_t i = 0; i < reference.frame.samples.size(); ++i)
        reference.frame.samples[i] = float(i) / 3.0f - 1365.1f;
    reference.frame.samples[1] = -0.0f;
    reference.frame.samples[2] = std::numeric_limits<float>::denorm_min();
    reference.frame.samples[3] = std::numeric_limits<float>::max();
    return reference;
}

TEST(ReferenceStore, RoundTripBitForBitAndNames) {
    testing_support::TempFolder folder;
    const std::string dir = ReferenceFolderBeside(folder.File("Config.Ini"));
    const ReferenceTrace saved = Sample();
    ASSERT_TRUE(SaveReference(dir, saved).Ok());
    EXPECT_EQ(SaveReference(dir, saved).Reason(),
              "a reference named \"Sine 1 kHz\" is already kept in " +
                  (std::filesystem::path(dir) / "Sine 1 kHz.ref").string());
    const std::vector<ListedReference> listed = ListReferences(dir);
    ASSERT_EQ(listed.size(), 1u);
    ASSERT_EQ(listed[0].damage, "");
    const ReferenceTrace& read = listed[0].reference;
    EXPECT_EQ(std::memcmp(read.frame.samples.data(), saved.frame.samples.data(),
                          sizeof saved.frame.samples),
              0);
    EXPECT_EQ(std::tuple(read.name, read.probeRow[0], read.probeRow[1], read.rangeRow[0],
                         read.rangeRow[1], read.sweepRow, read.frame.frames, read.frame.pointCount),
              std::tuple(saved.name, 0, 1, 3, 6, 1, 16, 1000u));
    EXPECT_EQ(ReferenceFileName("a/b:c"), "a_b_c.ref");
    EXPECT_EQ(UnusedReferenceName(listed), "Reference 1");
    ASSERT_TRUE(RenameReference(dir, listed[0], "Reference 1").Ok());
    EXPECT_EQ(UnusedReferenceName(ListReferences(dir)), "Reference 2");
}

TEST(ReferenceStore, DamagedFilesListedWithTheirReason) {
    testing_support::TempFolder folder;
    const std::string good = FormatReferenceFile(Sample());
    std::string badNumber = good;
    badNumber.replace(badNumber.find("range=3 6"), 9, "range=3 8");
    std::string notFinite = good;
    notFinite.replace(notFinite.size() - 4, 4, std::string("\0\0\xC0\x7F", 4));
    const std::pair<const char*, std::string> files[] = {
        {"cut", good.substr(0, good.size() - 1)},
        {"empty", ""},
        {"magic", "DuruzReference 2" + good.substr(16)},
        {"nan", notFinite},
        {"number", badNumber}};
    for (const auto& [name, bytes] : files)
        std::ofstream(folder.File(std::string(name) + ".ref"), std::ios::binary) << bytes;
    const std::string notOurs = "not a reference file: its first line is not \"DuruzReference 1\"";
    const std::vector<std::string> expected = {
        "cut: the samples take 16383 bytes instead of 16384: the file is cut short",
        "empty: " + notOurs, "magic: " + notOurs, "nan: sample 4095 is not a finite number",
        "number: line 4, \"range=3 8\": not two numbers from -1 to 7"};
    std::vector<std::string> seen;
    for (const ListedReference& listed : ListReferences(folder.Path()))
        seen.push_back(listed.name + ": " + listed.damage);
    EXPECT_EQ(seen, expected);
}

} // namespace
