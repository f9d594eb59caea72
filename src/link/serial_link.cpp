#include "link/serial_link.h"

namespace duruz {

std::size_t PortRead(SerialLink& link, void* buffer, std::size_t count)
{
    if (link.PortHandle == nullptr)
        return 0;
    return link.PortHandle->Read(buffer, count);
}

void PortWrite(SerialLink& link, const void* data, std::size_t count)
{
    if (link.PortHandle != nullptr)
        link.PortHandle->Write(data, count);
}

} // namespace duruz
