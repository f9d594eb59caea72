#pragma once

#include <string>

namespace e2e {

// The 25 values of Config.Ini in file order, with the values a first run saves
// on the offscreen platform.
struct SavedSettings {
    int sweep = 1;
    int syncSource = 1;
    int syncPolarity = 1;
    int portRow = 0;
    std::string portPath;
    int probe1 = 1;
    int scale1 = 7;
    int probe2 = 1;
    int scale2 = 7;
    int syncLevel = 0;
    int syncPosition = 1024;
    int left = 0;
    int top = 277;
    int width = 1515;
    int height = 903;
    int scope1 = 1;
    int scope2 = 1;
    int fft1 = 0;
    int fft2 = 0;
    int hold = 0;
    int wave1 = -1;
    std::string freq1 = "200";
    std::string ampl1 = "1.00";
    int wave2 = -1;
    std::string freq2 = "201";
    std::string ampl2 = "1.00";
};

// The file as the program writes it: key, space, value, padding, CR LF.
std::string ConfigText(const SavedSettings& settings);

} // namespace e2e
