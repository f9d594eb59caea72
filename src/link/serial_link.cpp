#include "link/serial_link.h"

namespace duruz {

std::size_t PortRead(SerialLink& link, void* buffer, std::size_t count) {
    if (link.PortHandle == nullptr)
        return 0;
    return link.PortHandle->Read(buffer, count);
}

std::size_t PortReadWithin(SerialLink& link, void* buffer, std::size_t count, std::uint32_t ms) {
    if (link.PortHandle == nullptr)
        return 0;
    return link.PortHandle->ReadWithin(buffer, count, ms);
}

void PortWrite(SerialLink& link, const void* data, std::size_t count) {
    if (link.PortHandle != nullptr)
        link.PortHandle->Write(data, count);
}

void ClosePort(SerialLink& link) {
    if (link.PortHandle == nullptr)
        return;
    link.PortHandle->Close();
    link.PortHandle = nullptr;
    link.PortOpen = false;
}

} // namespace duruz
