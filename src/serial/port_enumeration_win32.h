#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <windows.h>

namespace serial {

// The system's GetCommPorts: fills portNumbers with up to count port numbers and
// sets found to how many ports there are.
using GetCommPortsFunction = ULONG(WINAPI*)(PULONG portNumbers, ULONG count, PULONG found);

// GetCommPorts where the system has it (Windows 10 1803 and later), looked up at
// run time so the program still starts on older systems; nullptr elsewhere.
GetCommPortsFunction FindGetCommPorts();

// The numbers n of the machine's COMn ports. Through getCommPorts, in the order it
// reports them; without it, or when it fails for another reason than "no ports",
// from the port names under HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, ascending.
std::vector<std::uint32_t> ListComPorts(GetCommPortsFunction getCommPorts);

// ListComPorts through the system's own GetCommPorts, if any.
std::vector<std::uint32_t> ListComPorts();

// The COMn ports named under HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, ascending; empty
// when the key is missing, as it is on a machine without serial ports.
std::vector<std::uint32_t> ListRegistryComPorts();

// The friendly names SetupAPI gives the present ports, "USB Serial Port (COM5)",
// by port number n of COMn; a port without one is missing from the map.
std::map<std::uint32_t, std::string> ComPortFriendlyNames();

} // namespace serial
