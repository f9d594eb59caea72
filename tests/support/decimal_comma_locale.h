#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace testing_support {

// Sets the C library's numbers to a decimal-comma locale: an installed one, or else
// one compiled with localedef into a private folder that LOCPATH points to. Returns
// what was tried when neither works.
inline std::string SetDecimalCommaCLocale() {
#ifdef _WIN32
    const char* const installed[] = {"de-DE", "German_Germany.1252"};
#else
    const char* const installed[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"};
#endif
    for (const char* name : installed)
        if (std::setlocale(LC_ALL, name) != nullptr)
            return {};
#ifdef _WIN32
    return "no decimal-comma C locale (de-DE) is available";
#else
    namespace fs = std::filesystem;
    // The C library remembers a locale it did not find, so the private one is
    // compiled (unless an earlier run left it) before it is first asked for. It is
    // compiled beside its place and renamed into it, so that test processes running
    // at the same time never see half a locale; localedef's status counts for nothing,
    // as it reports warnings with a non-zero one.
    const fs::path folder = fs::temp_directory_path() / "duruz-locales";
    if (!fs::exists(folder / "de_DE.UTF-8")) {
        const fs::path building = folder / ("building-" + std::to_string(getpid()));
        fs::create_directories(building);
        [[maybe_unused]] const int status =
            std::system(("localedef -i de_DE -f UTF-8 " + (building / "de_DE.UTF-8").string() +
                         " >/dev/null 2>&1")
                            .c_str());
        std::error_code ignored;
        fs::rename(building / "de_DE.UTF-8", folder / "de_DE.UTF-8", ignored);
        fs::remove_all(building, ignored);
    }
    setenv("LOCPATH", folder.c_str(), 1);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr)
        return {};
    return "no decimal-comma C locale is installed, and localedef could not compile de_DE into " +
           folder.string();
#endif
}

// Each case runs in a decimal-comma C locale and a C++ global locale whose numbers
// use ',' and group thousands; without such a C locale the case is skipped, saying so.
class DecimalCommaLocale : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string missing = SetDecimalCommaCLocale();
        if (!missing.empty())
            GTEST_SKIP() << missing;
        char text[8];
        std::snprintf(text, sizeof text, "%.1f", 1.5);
        if (std::string(text) != "1,5")
            GTEST_SKIP() << "a decimal-comma C locale was set, but printf still writes '" << text
                         << "': the C library does not follow it";
        std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
        ASSERT_EQ(std::use_facet<std::numpunct<char>>(std::locale()).decimal_point(), ',');
    }
    void TearDown() override {
        std::setlocale(LC_ALL, "C");
        std::locale::global(std::locale::classic());
    }

private:
    struct CommaPunct : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
        char do_thousands_sep() const override { return '.'; }
        std::string do_grouping() const override { return "\3"; }
    };
};

} // namespace testing_support
