#include "serial/dcb_settings.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using serial::LineSettings;

// A block as an odd driver might report it: every flag and character set to
// something the translation must read, or leave alone.
DCB DriverBlock() {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = 9600;
    dcb.fBinary = dcb.fParity = dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = 1;
    dcb.fDsrSensitivity = dcb.fOutX = dcb.fInX = dcb.fErrorChar = dcb.fNull = 1;
    dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
    dcb.fRtsControl = RTS_CONTROL_TOGGLE;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.ByteSize = 7;
    dcb.Parity = EVENPARITY;
    dcb.StopBits = TWOSTOPBITS;
    dcb.XonChar = 0x11;
    dcb.XoffChar = static_cast<char>(0xD4); // above 0x7F: read unsigned
    dcb.ErrorChar = '?';
    dcb.EofChar = 0x1A;
    dcb.EvtChar = 0x7E;
    return dcb;
}

TEST(DcbSettings, ReadsTheDriversBlock) {
    const LineSettings s = serial::SettingsFromDcb(DriverBlock());
    EXPECT_EQ(s.baudRate, 9600u);
    EXPECT_EQ(s.dataBits, 7);
    EXPECT_EQ(s.parity, serial::Parity::Even);
    EXPECT_EQ(s.stopBits, serial::StopBits::Two);
    EXPECT_FALSE(s.dtrOn); // handshaking is not "on"
    EXPECT_FALSE(s.rtsHandshake);
    EXPECT_EQ(s.xonLimit, 2048);
    EXPECT_EQ(s.xoffLimit, 512);
    EXPECT_EQ(s.xoffChar, 0xD4);
    EXPECT_EQ(s.errorChar, '?');
}

TEST(DcbSettings, WritesEveryFieldOfTheTableAndKeepsTheDriversOthers) {
    LineSettings s;
    s.baudRate = 115200;
    s.parity = serial::Parity::Odd;
    s.stopBits = serial::StopBits::OneAndHalf;
    s.dtrOn = s.rtsHandshake = s.txContinueOnXoff = s.abortOnError = true;
    s.xonLimit = 80;
    s.xoffLimit = 200;
    s.xonChar = 0x54;
    s.xoffChar = 0x55;
    s.errorChar = 0x26;
    DCB written = DriverBlock();
    serial::SettingsToDcb(s, written);

    DCB expected = DriverBlock();
    expected.BaudRate = 115200;
    expected.ByteSize = 8;
    expected.Parity = ODDPARITY;
    expected.StopBits = ONE5STOPBITS;
    expected.fDtrControl = DTR_CONTROL_ENABLE;
    expected.fRtsControl = RTS_CONTROL_HANDSHAKE;
    expected.fTXContinueOnXoff = expected.fAbortOnError = 1;
    expected.XonLim = 80;
    expected.XoffLim = 200;
    expected.XonChar = 0x54;
    expected.XoffChar = 0x55;
    expected.ErrorChar = 0x26;
    EXPECT_EQ(std::memcmp(&written, &expected, sizeof(DCB)), 0);

    struct Row {
        serial::Parity parity;
        serial::StopBits stop;
        BYTE dcbParity, dcbStop;
    };
    for (const Row& row :
         {Row{serial::Parity::None, serial::StopBits::One, NOPARITY, ONESTOPBIT},
          Row{serial::Parity::Even, serial::StopBits::Two, EVENPARITY, TWOSTOPBITS}}) {
        s.parity = row.parity;
        s.stopBits = row.stop;
        serial::SettingsToDcb(s, written);
        EXPECT_EQ(written.Parity, row.dcbParity);
        EXPECT_EQ(written.StopBits, row.dcbStop);
    }

    // Off leaves control modes the two flags cannot name, and turns off their own.
    LineSettings off;
    serial::SettingsToDcb(off, expected = DriverBlock());
    EXPECT_EQ(expected.fDtrControl, DWORD(DTR_CONTROL_HANDSHAKE));
    EXPECT_EQ(expected.fRtsControl, DWORD(RTS_CONTROL_TOGGLE));
    serial::SettingsToDcb(off, written);
    EXPECT_EQ(written.fDtrControl, DWORD(DTR_CONTROL_DISABLE));
    EXPECT_EQ(written.fRtsControl, DWORD(RTS_CONTROL_ENABLE));
}

} // namespace
