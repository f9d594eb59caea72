#include "serial/dcb_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace {

// The fields in order: DCBlength, BaudRate; fBinary, fParity, fOutxCtsFlow,
// fOutxDsrFlow, fDtrControl, fDsrSensitivity, fTXContinueOnXoff, fOutX, fInX,
// fErrorChar, fNull, fRtsControl, fAbortOnError, fDummy2; wReserved, XonLim, XoffLim,
// ByteSize, Parity, StopBits, XonChar, XoffChar, ErrorChar, EofChar, EvtChar,
// wReserved1. A driver's block sets every flag and character to something the
// translation must read, or leave alone; its XoffChar lies above 0x7F.
DCB DriverBlock(DWORD dtr, DWORD rts, BYTE parity = EVENPARITY, BYTE stopBits = TWOSTOPBITS) {
    return DCB{sizeof(DCB), 9600,     1,    1,          1,   1,    dtr,  1,    0,   1,
               1,           1,        1,    rts,        0,   0,    0,    2048, 512, 7,
               parity,      stopBits, 0x11, char(0xD4), '?', 0x1A, 0x7E, 0};
}

// Every field of the neutral table is written and the driver's others are kept;
// off turns the two flags' own modes off.
TEST(DcbSettings, WritesEveryFieldOfTheTableAndKeepsTheDriversOthers) {
    DCB written = DriverBlock(DTR_CONTROL_HANDSHAKE, RTS_CONTROL_TOGGLE);
    // Rate, data bits, parity, stop bits, DTR, RTS handshake, continue on XOFF, abort
    // on error, XON and XOFF limits, XON, XOFF and error characters.
    serial::SettingsToDcb({115200, 8, serial::Parity::None, serial::StopBits::One, true, true, true,
                           true, 80, 200, 0x54, 0x55, 0x26},
                          written);
    const DCB expected{sizeof(DCB), 115200, 1,    1,    1,    1,    DTR_CONTROL_ENABLE,
                       1,           1,      1,    1,    1,    1,    RTS_CONTROL_HANDSHAKE,
                       1,           0,      0,    80,   200,  8,    NOPARITY,
                       ONESTOPBIT,  0x54,   0x55, 0x26, 0x1A, 0x7E, 0};
    EXPECT_EQ(std::memcmp(&written, &expected, sizeof(DCB)), 0);
    serial::SettingsToDcb(serial::LineSettings{}, written);
    EXPECT_EQ(std::tuple(DWORD(written.fDtrControl), DWORD(written.fRtsControl)),
              std::tuple(DWORD(DTR_CONTROL_DISABLE), DWORD(RTS_CONTROL_ENABLE)));
}

// A driver's parity, stop bits and XOFF character read as themselves, and a block
// read and written back is unchanged, the modes the flags cannot name included.
TEST(DcbSettings, ReadingAndWritingBackChangesNothing) {
    const serial::LineSettings s =
        serial::SettingsFromDcb(DriverBlock(DTR_CONTROL_HANDSHAKE, RTS_CONTROL_TOGGLE));
    EXPECT_EQ(std::tuple(s.parity, s.stopBits, s.xoffChar),
              std::tuple(serial::Parity::Even, serial::StopBits::Two, 0xD4));
    for (const DCB& driver :
         {DriverBlock(DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE, NOPARITY, ONESTOPBIT),
          DriverBlock(DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE, ODDPARITY, ONE5STOPBITS),
          DriverBlock(DTR_CONTROL_HANDSHAKE, RTS_CONTROL_HANDSHAKE),
          DriverBlock(DTR_CONTROL_ENABLE, RTS_CONTROL_TOGGLE)}) {
        DCB back = driver;
        serial::SettingsToDcb(serial::SettingsFromDcb(driver), back);
        EXPECT_EQ(std::memcmp(&back, &driver, sizeof(DCB)), 0)
            << driver.fDtrControl << " " << driver.fRtsControl;
    }
}

} // namespace
