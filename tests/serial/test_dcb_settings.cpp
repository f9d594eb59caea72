#include "serial/dcb_settings.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A block as an odd driver might report it: every flag and character set to
// something the translation must read, or leave alone.
DCB DriverBlock(DWORD dtr = DTR_CONTROL_HANDSHAKE, DWORD rts = RTS_CONTROL_TOGGLE) {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = 9600;
    dcb.fBinary = dcb.fParity = dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fDsrSensitivity = 1;
    dcb.fOutX = dcb.fInX = dcb.fErrorChar = dcb.fNull = 1;
    dcb.fDtrControl = dtr;
    dcb.fRtsControl = rts;
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

bool SameBytes(const DCB& a, const DCB& b) {
    return std::memcmp(&a, &b, sizeof(DCB)) == 0;
}

TEST(DcbSettings, WritesEveryFieldOfTheTableAndKeepsTheDriversOthers) {
    serial::LineSettings s;
    s.baudRate = 115200;
    s.dtrOn = s.rtsHandshake = s.txContinueOnXoff = s.abortOnError = true;
    s.xonLimit = 80;
    s.xoffLimit = 200;
    s.xonChar = 0x54;
    s.xoffChar = 0x55;
    s.errorChar = 0x26;
    DCB written = DriverBlock();
    serial::SettingsToDcb(s, written);

    DCB expected = DriverBlock(DTR_CONTROL_ENABLE, RTS_CONTROL_HANDSHAKE);
    expected.BaudRate = 115200;
    expected.ByteSize = 8;
    expected.Parity = NOPARITY;
    expected.StopBits = ONESTOPBIT;
    expected.fTXContinueOnXoff = expected.fAbortOnError = 1;
    expected.XonLim = 80;
    expected.XoffLim = 200;
    expected.XonChar = 0x54;
    expected.XoffChar = 0x55;
    expected.ErrorChar = 0x26;
    EXPECT_TRUE(SameBytes(written, expected));

    // Off turns the two flags' own modes off.
    serial::SettingsToDcb(serial::LineSettings{}, written);
    EXPECT_EQ(written.fDtrControl, DWORD(DTR_CONTROL_DISABLE));
    EXPECT_EQ(written.fRtsControl, DWORD(RTS_CONTROL_ENABLE));
}

TEST(DcbSettings, ReadingAndWritingBackChangesNothing) {
    const serial::LineSettings s = serial::SettingsFromDcb(DriverBlock());
    EXPECT_EQ(s.parity, serial::Parity::Even);
    EXPECT_EQ(s.stopBits, serial::StopBits::Two);
    EXPECT_EQ(s.xoffChar, 0xD4);
    struct Row {
        DWORD dtr, rts;
        BYTE parity, stopBits;
    };
    for (const Row& row :
         {Row{DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE, NOPARITY, ONESTOPBIT},
          Row{DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE, ODDPARITY, ONE5STOPBITS},
          Row{DTR_CONTROL_HANDSHAKE, RTS_CONTROL_HANDSHAKE, EVENPARITY, TWOSTOPBITS},
          Row{DTR_CONTROL_ENABLE, RTS_CONTROL_TOGGLE, EVENPARITY, TWOSTOPBITS}}) {
        DCB driver = DriverBlock(row.dtr, row.rts);
        driver.Parity = row.parity;
        driver.StopBits = row.stopBits;
        DCB back = driver;
        serial::SettingsToDcb(serial::SettingsFromDcb(driver), back);
        EXPECT_TRUE(SameBytes(back, driver)) << "dtr " << row.dtr << " rts " << row.rts;
    }
}

} // namespace
