// Reference traces in the window: the References window's show, rename and delete,
// the menu's save and load from a frame CSV, and a damaged file listed as such.
#include "app/references_window.h"
#include "app/window_fixture.h"
#include "toolkit/image_canvas.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace testing_support;

void Choose(duruz::MainWindow& window, const std::string& caption) {
    tk::PopupMenu& menu = window.TraceMenu();
    for (int item = 0; item < menu.Count(); ++item)
        if (menu.Caption(item) == caption)
            return menu.Choose(item);
    FAIL() << "no item " << caption;
}

// Rows of column 700 in the dimmed channel 1 colour.
int DimRedRows(duruz::MainWindow& window) {
    int rows = 0;
    for (int y = 0; y < window.Image().Pixels().Height(); ++y)
        rows += window.Image().Pixels().At(700, y) == tk::PixelOf(0x000099);
    return rows;
}

TEST(WindowReferences, ShownHiddenSavedRenamedDeletedAndDamagedListed) {
    WindowFixture fixture;
    const std::string folder = duruz::ReferenceFolderBeside(fixture.configPath);
    duruz::ReferenceTrace kept;
    kept.name = "Kept";
    for (std::size_t i = 0; i < duruz::kSamplePairs; ++i)
        kept.frame.samples[2 * i] = -1000.0f;
    ASSERT_TRUE(duruz::SaveReference(folder, kept).Ok());
    std::ofstream(folder + "/Broken.ref", std::ios::binary) << "DuruzReference 1\n";
    duruz::MainWindow& window = fixture.Start();
    window.RedrawScreen();
    const auto blank = window.Image().Pixels();
    window.OpenReferencesWindow();
    duruz::ReferencesWindow& list = *window.ReferencesWindowOpen();
    ASSERT_EQ(list.list.Count(), 2);
    EXPECT_EQ(list.list.Item(0) + "|" + list.message.Text(),
              "Broken (damaged)|Damaged: the file is cut short in its header");
    list.SelectRow(1);
    list.shown.SetChecked(true);
    EXPECT_EQ(list.list.Item(1), "Kept (shown)");
    EXPECT_EQ(DimRedRows(window), 1);
    list.shown.SetChecked(false);
    EXPECT_TRUE(window.Image().Pixels() == blank);

    Choose(window, "Save as reference");
    EXPECT_EQ(list.list.Item(2), "Reference 1 (shown)");
    list.SelectRow(2);
    list.name.SetText("Mains hum");
    list.RenameClick();
    EXPECT_EQ(list.list.Item(2), "Mains hum (shown)");
    EXPECT_EQ(ReadFile(folder + "/Shown.txt"), "DuruzShownReferences 1\nMains hum.ref\n");
    EXPECT_TRUE(std::filesystem::exists(folder + "/Mains hum.ref"));
    list.SelectRow(1);
    list.name.SetText("Mains hum");
    list.RenameClick(); // the name is taken: nothing changes
    EXPECT_EQ(list.list.Item(1), "Kept");
    EXPECT_EQ(
        list.message.Text().rfind("Not renamed: a reference named \"Mains hum\" is already", 0),
        0u);
    list.DeleteClick();
    EXPECT_EQ(window.References().size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(folder + "/Kept.ref"));

    window.ExportCsvClick(); // to fixture.savePath, "saved"
    fixture.openPath = fixture.savePath;
    Choose(window, "Load reference from CSV\u2026");
    EXPECT_EQ(list.list.Item(2), "saved (shown)");
    fixture.openPath = fixture.configPath;
    Choose(window, "Load reference from CSV\u2026");
    ASSERT_EQ(fixture.errors.size(), 1u);
    EXPECT_EQ(
        fixture.errors[0].rfind("Could not load " + fixture.configPath + " as a reference:\n", 0),
        0u);
}

} // namespace

namespace {

// Which references are shown is kept beside them and shown again at the next start;
// a damaged list shows none and is never written over. A reference exported from
// its window (an average's volts) loads back as a reference. A References folder
// that cannot be read is said once in the memo and in the References window.
TEST(WindowReferences, ShownKeptOverARestartAndFolderProblemsSaid) {
    WindowFixture fixture;
    const std::string folder = duruz::ReferenceFolderBeside(fixture.configPath);
    const std::string shownFile = folder + "/Shown.txt";
    duruz::ReferenceTrace kept;
    kept.name = "Kept";
    for (std::size_t i = 0; i < duruz::kSamplePairs; ++i)
        kept.frame.samples[2 * i] = -1000.0f;
    ASSERT_TRUE(duruz::SaveReference(folder, kept).Ok());
    duruz::MainWindow& window = fixture.Start();
    window.OpenReferencesWindow();
    window.ReferencesWindowOpen()->shown.SetChecked(true);
    EXPECT_EQ(ReadFile(shownFile), "DuruzShownReferences 1\nKept.ref\n");
    window.ReferencesWindowOpen()->ExportCsvClick(); // to fixture.savePath
    fixture.openPath = fixture.savePath;
    Choose(window, "Load reference from CSV\u2026");
    EXPECT_EQ(ReadFile(shownFile), "DuruzShownReferences 1\nKept.ref\nsaved.ref\n");
    ASSERT_EQ(window.References().size(), 2u);
    EXPECT_EQ(window.References()[1].name + "|" + window.References()[1].damage, "saved|");

    duruz::MainWindow& again = fixture.Start();
    again.RedrawScreen();
    const auto inFolder = [&folder](const char* file) {
        return (std::filesystem::path(folder) / file).string(); // as the window lists it
    };
    EXPECT_TRUE(again.ReferenceShown(inFolder("Kept.ref")) &&
                again.ReferenceShown(inFolder("saved.ref")));
    EXPECT_EQ(DimRedRows(again), 1);

    std::ofstream(shownFile, std::ios::binary) << "Kept.ref\n";
    duruz::MainWindow& damaged = fixture.Start();
    EXPECT_NE(fixture.Shown().find("References/Shown.txt could not be read (its first line is not "
                                   "\"DuruzShownReferences 1\"): no reference is shown"),
              std::string::npos)
        << fixture.Shown();
    damaged.ShowReference(inFolder("Kept.ref"), true);
    damaged.ShowReference(inFolder("Kept.ref"), false);
    EXPECT_EQ(ReadFile(shownFile), "Kept.ref\n");

    std::filesystem::remove_all(folder);
    std::ofstream(folder, std::ios::binary) << "a file where the folder should be";
    duruz::MainWindow& unreadable = fixture.Start();
    EXPECT_NE(fixture.Shown().find("The References folder could not be read: "), std::string::npos);
    fixture.Mark();
    unreadable.ListReferencesAgain();
    unreadable.ListReferencesAgain();
    EXPECT_EQ(fixture.Shown(), "");
    unreadable.OpenReferencesWindow();
    EXPECT_EQ(unreadable.ReferencesWindowOpen()->message.Text(),
              "The References folder could not be read: " + unreadable.ReferenceFolderProblem());
    EXPECT_FALSE(unreadable.ReferenceFolderProblem().empty());
}

} // namespace
