#include "serial/port_enumeration_win32.h"

#include "serial/com_port_names.h"

#include <setupapi.h>

#include <string>

namespace serial {

namespace {

// The capacity the port table was always asked with; a larger count is asked for
// again with room for all.
constexpr ULONG kFirstCapacity = 100;
// Ports can appear between two calls; give up growing after a few rounds.
constexpr int kAttempts = 4;

// The device setup class "Ports (COM & LPT)"; defined here so that no GUID
// library needs to be linked.
constexpr GUID kPortsClass = {
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

// A registry string value of at most a port name's length, "" without one.
std::string ReadPortName(HKEY key) {
    char data[64];
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    data[size] = '\0';
    return data;
}

} // namespace

std::map<std::uint32_t, std::string> ComPortFriendlyNames() {
    std::map<std::uint32_t, std::string> names;
    HDEVINFO devices = SetupDiGetClassDevsA(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return names;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        // The port's own name is in its device key; the class also holds printer ports.
        HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        const std::string portName = ReadPortName(key);
        RegCloseKey(key);
        std::uint32_t number = 0;
        if (!ParseComPortName(portName, number))
            continue;
        char friendly[256];
        DWORD type = 0;
        if (!SetupDiGetDeviceRegistryPropertyA(devices, &device, SPDRP_FRIENDLYNAME, &type,
                                               reinterpret_cast<BYTE*>(friendly),
                                               sizeof friendly - 1, nullptr) ||
            type != REG_SZ)
            continue;
        friendly[sizeof friendly - 1] = '\0';
        names[number] = friendly;
    }
    SetupDiDestroyDeviceInfoList(devices);
    return names;
}

GetCommPortsFunction FindGetCommPorts() {
    for (const char* library : {"KernelBase.dll", "api-ms-win-core-comm-l1-1-1.dll"}) {
        HMODULE module = GetModuleHandleA(library);
        if (module == nullptr)
            module = LoadLibraryExA(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (module == nullptr)
            continue;
        // The loader hands out a plain FARPROC; the signature is GetCommPorts' own.
        FARPROC found = GetProcAddress(module, "GetCommPorts");
        if (found != nullptr)
            return reinterpret_cast<GetCommPortsFunction>(reinterpret_cast<void*>(found));
    }
    return nullptr;
}

std::vector<std::uint32_t> ListComPorts(GetCommPortsFunction getCommPorts) {
    if (getCommPorts == nullptr)
        return ListRegistryComPorts();
    std::vector<ULONG> numbers(kFirstCapacity);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        ULONG found = 0;
        const ULONG result =
            getCommPorts(numbers.data(), static_cast<ULONG>(numbers.size()), &found);
        if (result == ERROR_SUCCESS) {
            if (found < numbers.size())
                numbers.resize(found);
            return {numbers.begin(), numbers.end()};
        }
        if (result == ERROR_FILE_NOT_FOUND)
            return {}; // no ports at all
        if (result != ERROR_MORE_DATA || found <= numbers.size())
            break;
        numbers.resize(found);
    }
    return ListRegistryComPorts();
}

std::vector<std::uint32_t> ListComPorts() {
    return ListComPorts(FindGetCommPorts());
}

std::vector<std::uint32_t> ListRegistryComPorts() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return {};
    // Each value maps a driver's device name to the port name, "\Device\Serial0" = "COM1".
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        char valueName[256];
        DWORD valueNameSize = sizeof valueName;
        BYTE data[64];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        const LONG result =
            RegEnumValueA(key, index, valueName, &valueNameSize, nullptr, &type, data, &dataSize);
        if (result == ERROR_MORE_DATA)
            continue; // a name or value too long for a port name is none
        if (result != ERROR_SUCCESS)
            break; // the end of the values, or the key went away meanwhile
        if (type != REG_SZ)
            continue;
        // The stored text need not end in a terminator; it ends at the first one if any.
        std::string name(reinterpret_cast<const char*>(data), dataSize);
        names.push_back(name.substr(0, name.find('\0')));
    }
    RegCloseKey(key);
    return ComPortNumbers(names);
}

} // namespace serial
