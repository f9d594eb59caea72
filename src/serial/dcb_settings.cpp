#include "serial/dcb_settings.h"

namespace serial {

namespace {

// The values of DCB::fDtrControl and DCB::fRtsControl.
constexpr DWORD kDtrEnable = DTR_CONTROL_ENABLE;
constexpr DWORD kDtrDisable = DTR_CONTROL_DISABLE;
constexpr DWORD kRtsHandshake = RTS_CONTROL_HANDSHAKE;
constexpr DWORD kRtsEnable = RTS_CONTROL_ENABLE;

} // namespace

LineSettings SettingsFromDcb(const DCB& dcb) {
    LineSettings settings;
    settings.baudRate = dcb.BaudRate;
    settings.dataBits = dcb.ByteSize;
    switch (dcb.Parity) {
    case ODDPARITY:
        settings.parity = Parity::Odd;
        break;
    case EVENPARITY:
        settings.parity = Parity::Even;
        break;
    default: // none, and the mark and space parities the line never uses
        settings.parity = Parity::None;
        break;
    }
    switch (dcb.StopBits) {
    case ONE5STOPBITS:
        settings.stopBits = StopBits::OneAndHalf;
        break;
    case TWOSTOPBITS:
        settings.stopBits = StopBits::Two;
        break;
    default:
        settings.stopBits = StopBits::One;
        break;
    }
    settings.dtrOn = dcb.fDtrControl == kDtrEnable;
    settings.rtsHandshake = dcb.fRtsControl == kRtsHandshake;
    settings.txContinueOnXoff = dcb.fTXContinueOnXoff != 0;
    settings.abortOnError = dcb.fAbortOnError != 0;
    settings.xonLimit = dcb.XonLim;
    settings.xoffLimit = dcb.XoffLim;
    settings.xonChar = static_cast<std::uint8_t>(dcb.XonChar);
    settings.xoffChar = static_cast<std::uint8_t>(dcb.XoffChar);
    settings.errorChar = static_cast<std::uint8_t>(dcb.ErrorChar);
    return settings;
}

void SettingsToDcb(const LineSettings& settings, DCB& dcb) {
    dcb.BaudRate = settings.baudRate;
    dcb.ByteSize = settings.dataBits;
    switch (settings.parity) {
    case Parity::None:
        dcb.Parity = NOPARITY;
        break;
    case Parity::Odd:
        dcb.Parity = ODDPARITY;
        break;
    case Parity::Even:
        dcb.Parity = EVENPARITY;
        break;
    }
    switch (settings.stopBits) {
    case StopBits::One:
        dcb.StopBits = ONESTOPBIT;
        break;
    case StopBits::OneAndHalf:
        dcb.StopBits = ONE5STOPBITS;
        break;
    case StopBits::Two:
        dcb.StopBits = TWOSTOPBITS;
        break;
    }
    // The neutral flags say less than the block's control modes: "off" leaves a
    // mode the flag cannot name (DTR handshaking, RTS toggling) as the driver had it.
    if (settings.dtrOn)
        dcb.fDtrControl = kDtrEnable;
    else if (dcb.fDtrControl == kDtrEnable)
        dcb.fDtrControl = kDtrDisable;
    if (settings.rtsHandshake)
        dcb.fRtsControl = kRtsHandshake;
    else if (dcb.fRtsControl == kRtsHandshake)
        dcb.fRtsControl = kRtsEnable; // held on while the port is open
    dcb.fTXContinueOnXoff = settings.txContinueOnXoff ? 1 : 0;
    dcb.fAbortOnError = settings.abortOnError ? 1 : 0;
    dcb.XonLim = settings.xonLimit;
    dcb.XoffLim = settings.xoffLimit;
    dcb.XonChar = static_cast<char>(settings.xonChar);
    dcb.XoffChar = static_cast<char>(settings.xoffChar);
    dcb.ErrorChar = static_cast<char>(settings.errorChar);
}

} // namespace serial
