#include "serial/dcb_settings.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using serial::LineSettings;
using serial::Parity;
using serial::SettingsFromDcb;
using serial::SettingsToDcb;
using serial::StopBits;

// A block as an odd driver might report it: every flag and character set to
// something the translation must leave alone.
DCB DriverBlock() {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = 9600;
    dcb.fBinary = 1;
    dcb.fParity = 1;
    dcb.fOutxCtsFlow = 1;
    dcb.fOutxDsrFlow = 1;
    dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
    dcb.fDsrSensitivity = 1;
    dcb.fTXContinueOnXoff = 0;
    dcb.fOutX = 1;
    dcb.fInX = 1;
    dcb.fErrorChar = 1;
    dcb.fNull = 1;
    dcb.fRtsControl = RTS_CONTROL_TOGGLE;
    dcb.fAbortOnError = 0;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.ByteSize = 7;
    dcb.Parity = EVENPARITY;
    dcb.StopBits = TWOSTOPBITS;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.ErrorChar = '?';
    dcb.EofChar = 0x1A;
    dcb.EvtChar = 0x7E;
    return dcb;
}

bool SameBytes(const DCB& a, const DCB& b) {
    return std::memcmp(&a, &b, sizeof(DCB)) == 0;
}

TEST(DcbSettings, ReadsEveryNeutralField) {
    const LineSettings s = SettingsFromDcb(DriverBlock());
    EXPECT_EQ(s.baudRate, 9600u);
    EXPECT_EQ(s.dataBits, 7);
    EXPECT_EQ(s.parity, Parity::Even);
    EXPECT_EQ(s.stopBits, StopBits::Two);
    EXPECT_FALSE(s.dtrOn); // handshaking is not "on"
    EXPECT_FALSE(s.rtsHandshake);
    EXPECT_FALSE(s.txContinueOnXoff);
    EXPECT_FALSE(s.abortOnError);
    EXPECT_EQ(s.xonLimit, 2048);
    EXPECT_EQ(s.xoffLimit, 512);
    EXPECT_EQ(s.xonChar, 0x11);
    EXPECT_EQ(s.xoffChar, 0x13);
    EXPECT_EQ(s.errorChar, '?');

    DCB dcb = DriverBlock();
    dcb.Parity = ODDPARITY;
    dcb.StopBits = ONE5STOPBITS;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.XoffChar = static_cast<char>(0xD4); // a character above 0x7F stays unsigned
    EXPECT_EQ(SettingsFromDcb(dcb).parity, Parity::Odd);
    EXPECT_EQ(SettingsFromDcb(dcb).stopBits, StopBits::OneAndHalf);
    EXPECT_TRUE(SettingsFromDcb(dcb).dtrOn);
    EXPECT_TRUE(SettingsFromDcb(dcb).rtsHandshake);
    EXPECT_EQ(SettingsFromDcb(dcb).xoffChar, 0xD4);
    dcb.Parity = MARKPARITY;
    EXPECT_EQ(SettingsFromDcb(dcb).parity, Parity::None);
}

TEST(DcbSettings, WritesTheNeutralFieldsAndNothingElse) {
    LineSettings s;
    s.baudRate = 115200;
    s.dataBits = 8;
    s.parity = Parity::None;
    s.stopBits = StopBits::One;
    s.dtrOn = true;
    s.rtsHandshake = true;
    s.txContinueOnXoff = true;
    s.abortOnError = true;
    s.xonLimit = 80;
    s.xoffLimit = 200;
    s.xonChar = 0x54;
    s.xoffChar = 0xD4;
    s.errorChar = 0x26;

    DCB written = DriverBlock();
    SettingsToDcb(s, written);

    DCB expected = DriverBlock();
    expected.BaudRate = 115200;
    expected.ByteSize = 8;
    expected.Parity = 0;
    expected.StopBits = 0;
    expected.fDtrControl = 1;
    expected.fRtsControl = 2;
    expected.fTXContinueOnXoff = 1;
    expected.fAbortOnError = 1;
    expected.XonLim = 80;
    expected.XoffLim = 200;
    expected.XonChar = 0x54;
    expected.XoffChar = static_cast<char>(0xD4);
    expected.ErrorChar = 0x26;
    EXPECT_TRUE(SameBytes(written, expected));
    EXPECT_EQ(written.DCBlength, 28u);
    EXPECT_EQ(written.fBinary, 1u);
    EXPECT_EQ(written.fOutX, 1u);
    EXPECT_EQ(written.fInX, 1u);
    EXPECT_EQ(written.fNull, 1u);
    EXPECT_EQ(written.EofChar, 0x1A);
    EXPECT_EQ(written.EvtChar, 0x7E);

    s.parity = Parity::Odd;
    s.stopBits = StopBits::OneAndHalf;
    SettingsToDcb(s, written);
    EXPECT_EQ(written.Parity, ODDPARITY);
    EXPECT_EQ(written.StopBits, ONE5STOPBITS);
    s.parity = Parity::Even;
    s.stopBits = StopBits::Two;
    SettingsToDcb(s, written);
    EXPECT_EQ(written.Parity, EVENPARITY);
    EXPECT_EQ(written.StopBits, TWOSTOPBITS);
}

TEST(DcbSettings, OffKeepsControlModesTheFlagsCannotName) {
    LineSettings off;        // DTR off, no RTS handshaking
    DCB dcb = DriverBlock(); // DTR handshaking, RTS toggling
    SettingsToDcb(off, dcb);
    EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_HANDSHAKE));
    EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_TOGGLE));

    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    SettingsToDcb(off, dcb);
    EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_DISABLE));
    EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE));
}

TEST(DcbSettings, ReadingAndWritingBackChangesNothing) {
    for (DWORD dtr : {DTR_CONTROL_DISABLE, DTR_CONTROL_ENABLE, DTR_CONTROL_HANDSHAKE}) {
        for (DWORD rts :
             {RTS_CONTROL_DISABLE, RTS_CONTROL_ENABLE, RTS_CONTROL_HANDSHAKE, RTS_CONTROL_TOGGLE}) {
            DCB driver = DriverBlock();
            driver.fDtrControl = dtr;
            driver.fRtsControl = rts;
            DCB back = driver;
            SettingsToDcb(SettingsFromDcb(driver), back);
            EXPECT_TRUE(SameBytes(back, driver)) << "dtr " << dtr << " rts " << rts;
        }
    }
}

} // namespace
