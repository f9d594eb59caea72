#include "serial/port_enumeration.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <string_view>

namespace serial {

namespace {

namespace fs = std::filesystem;

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The console's devices, e.g. "tty0 ttyS0": never offered, the instrument must not
// be handed the line the system talks on.
std::set<std::string> ActiveConsoles(const fs::path& ttyClass) {
    std::set<std::string> names;
    std::ifstream file(ttyClass / "console" / "active");
    std::string name;
    while (file >> name)
        names.insert(name);
    return names;
}

// An 8250 driver registers every ttyS it could have; only those whose "type" names
// a detected UART (non-zero) are real.
bool HasUart(const fs::path& device) {
    std::ifstream file(device / "type");
    long type = 0;
    return (file >> type) && type != 0;
}

// Orders names as a person would: runs of digits compare by their value.
bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t endA = i;
            std::size_t endB = j;
            while (endA < a.size() && IsDigit(a[endA]))
                ++endA;
            while (endB < b.size() && IsDigit(b[endB]))
                ++endB;
            // Compare the values without leading zeros: longer means larger.
            std::size_t startA = i;
            std::size_t startB = j;
            while (startA + 1 < endA && a[startA] == '0')
                ++startA;
            while (startB + 1 < endB && b[startB] == '0')
                ++startB;
            std::string_view digitsA(a.data() + startA, endA - startA);
            std::string_view digitsB(b.data() + startB, endB - startB);
            if (digitsA.size() != digitsB.size())
                return digitsA.size() < digitsB.size();
            if (digitsA != digitsB)
                return digitsA < digitsB;
            i = endA;
            j = endB;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) < (b.size() - j);
    return a < b; // equal by value ("ttyS01" and "ttyS1"): fall back to the bytes
}

// The first line of a sysfs attribute, without trailing white space, and with every
// byte outside printable ASCII as '?', so the text is the same in any character set.
std::string ReadAttribute(const fs::path& file) {
    std::ifstream in(file);
    std::string text;
    std::getline(in, text);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    for (char& c : text) {
        if (c < 0x20 || c > 0x7E)
            c = '?';
    }
    return text;
}

std::string UsbDescription(const fs::path& usbDevice, const SerialDeviceInfo& info) {
    const std::string manufacturer = ReadAttribute(usbDevice / "manufacturer");
    const std::string product = ReadAttribute(usbDevice / "product");
    std::string text;
    if (manufacturer.empty() && product.empty())
        text = "USB " + info.vendorId + ":" + info.productId;
    else if (manufacturer.empty() || product.empty())
        text = manufacturer + product;
    else
        text = manufacturer + " " + product;
    if (!info.serialNumber.empty())
        text += " (" + info.serialNumber + ")";
    return text;
}

} // namespace

SerialDeviceInfo DescribeSerialDevice(const std::string& sysfsRoot, const std::string& name) {
    SerialDeviceInfo info;
    std::error_code error;
    const fs::path root = fs::canonical(sysfsRoot, error);
    if (error)
        return info;
    const fs::path device = fs::canonical(root / "class" / "tty" / name / "device", error);
    if (error)
        return info;
    info.sysfsPath = device.string();
    // The nearest USB device above the tty's interface is the adapter itself; hubs
    // further up have vendor IDs too.
    for (fs::path at = device; at != root && at.has_relative_path(); at = at.parent_path()) {
        if (fs::exists(at / "idVendor", error)) {
            info.sysfsPath = at.string();
            info.serialNumber = ReadAttribute(at / "serial");
            info.vendorId = ReadAttribute(at / "idVendor");
            info.productId = ReadAttribute(at / "idProduct");
            info.description = UsbDescription(at, info);
            break;
        }
    }
    return info;
}

std::vector<std::string> ListSerialDevices(const std::string& sysfsRoot) {
    std::vector<std::string> names;
    const fs::path ttyClass = fs::path(sysfsRoot) / "class" / "tty";
    std::error_code error;
    fs::directory_iterator entries(ttyClass, error);
    if (error)
        return names;

    const std::set<std::string> consoles = ActiveConsoles(ttyClass);
    for (; entries != fs::directory_iterator(); entries.increment(error)) {
        const fs::directory_entry& entry = *entries;
        std::string name = entry.path().filename().string();
        if (consoles.count(name) != 0)
            continue;
        std::error_code ignored;
        if (!fs::exists(entry.path() / "device" / "driver", ignored))
            continue;
        if (name.rfind("ttyS", 0) == 0 && !HasUart(entry.path()))
            continue;
        names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), NaturalLess);
    return names;
}

} // namespace serial
