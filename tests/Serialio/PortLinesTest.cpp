// Modem lines, line errors and the checks in front of every line operation.
#include <functional>

#include "SimSupport.h"

using Serialio::SerialPortLocal;

namespace {

class PortLinesTest : public SimTest {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        SimAddPort("/dev/ttyUSB0", "FTDI", "FT232R USB UART");
    }
    void feed(const std::string& bytes, int errors = 0) {
        SimFeed("/dev/ttyUSB0", reinterpret_cast<const unsigned char*>(bytes.data()),
                static_cast<int>(bytes.size()), errors);
    }
};

TEST_F(PortLinesTest, InputLinesFollowTheScriptedFarEnd) {
    SerialPortLocal port(settings("/dev/ttyUSB0"));
    // Nothing attached.
    port.setDTR(true);
    port.setRTS(true);
    EXPECT_FALSE(port.sigDSR());
    EXPECT_FALSE(port.sigCTS());
    EXPECT_FALSE(port.sigCD());
    EXPECT_FALSE(port.sigRing());

    // A loop-back plug: DTR to DSR (and CD), RTS to CTS.
    SimSetLines("/dev/ttyUSB0", SIM_LINE_FOLLOWS_RTS, SIM_LINE_FOLLOWS_DTR, SIM_LINE_FOLLOWS_DTR,
                SIM_LINE_OFF);
    port.setDTR(false);
    port.setRTS(true);
    EXPECT_FALSE(port.sigDSR());
    EXPECT_FALSE(port.sigCD());
    EXPECT_TRUE(port.sigCTS());
    port.setDTR(true);
    port.setRTS(false);
    EXPECT_TRUE(port.sigDSR());
    EXPECT_TRUE(port.sigCD());
    EXPECT_FALSE(port.sigCTS());
    EXPECT_EQ(SimOutputLines("/dev/ttyUSB0"), 1);

    // A device that holds DSR on and raises CTS when asked, with the phone ringing.
    SimSetLines("/dev/ttyUSB0", SIM_LINE_FOLLOWS_RTS, SIM_LINE_ON, SIM_LINE_OFF, SIM_LINE_ON);
    port.setDTR(false);
    EXPECT_TRUE(port.sigDSR());
    EXPECT_FALSE(port.sigCTS());
    port.setRTS(true);
    EXPECT_TRUE(port.sigCTS());
    EXPECT_TRUE(port.sigRing());
    EXPECT_EQ(SimOutputLines("/dev/ttyUSB0"), 2);
}

TEST_F(PortLinesTest, OnlyTheByteThatCarriedAnErrorRaisesItsFlag) {
    SerialPortLocal port(settings("/dev/ttyUSB0"));
    feed("AB");
    feed("C", SIM_ERROR_PARITY);
    feed("D");
    feed("E", SIM_ERROR_FRAME);
    feed("F", SIM_ERROR_OVERRUN | SIM_ERROR_BREAK | SIM_ERROR_RX_OVERFLOW);

    std::string bytes;
    std::string parity, frame;
    for (int i = 0; i < 6; ++i) {
        bytes += static_cast<char>(port.getByte());
        parity += port.sigParityErr() ? 'P' : '-';
        frame += port.sigFrameErr() ? 'F' : '-';
    }
    EXPECT_EQ(bytes, "ABCDEF");
    EXPECT_EQ(parity, "--P---");
    EXPECT_EQ(frame, "----F-");
    EXPECT_TRUE(port.sigOverrun());
    EXPECT_TRUE(port.sigBreak());
    EXPECT_TRUE(port.rxOverflow());
    // Asking clears them.
    EXPECT_FALSE(port.sigOverrun());
    EXPECT_FALSE(port.sigBreak());
    EXPECT_FALSE(port.rxOverflow());
    EXPECT_EQ(port.getByte(), -1);
}

TEST_F(PortLinesTest, AnErrorIsNotReportedBeforeItsByteWasRead) {
    SerialPortLocal port(settings("/dev/ttyUSB0"));
    feed("x");
    feed("y", SIM_ERROR_PARITY);
    EXPECT_EQ(port.rxReadyCount(), 2);
    EXPECT_FALSE(port.sigParityErr());
    EXPECT_EQ(port.getByte(), 'x');
    EXPECT_FALSE(port.sigParityErr());
    EXPECT_EQ(port.getByte(), 'y');
    EXPECT_TRUE(port.sigParityErr());
}

TEST_F(PortLinesTest, ClosedPortsAreRefusedByName) {
    SerialPortLocal port;
    struct Case {
        std::function<void()> call;
        const char* message;
    };
    for (const Case& c : {Case{[&] { port.setDTR(true); }, "setDTR: Port not open"},
                          {[&] { port.setRTS(true); }, "setRTS: Port not open"},
                          {[&] { port.sendBreak(10); }, "sendBreak: Port not open"},
                          {[&] { port.sigCTS(); }, "sigCTS: Port not open"},
                          {[&] { port.sigDSR(); }, "sigDSR: Port not open"},
                          {[&] { port.sigCD(); }, "sigCD: Port not open"},
                          {[&] { port.sigFrameErr(); }, "sigFrameErr: Port not open"},
                          {[&] { port.sigOverrun(); }, "sigOverrun: Port not open"},
                          {[&] { port.rxOverflow(); }, "rxOverflow: Port not open"},
                          {[&] { port.sigParityErr(); }, "sigParityErr: Port not open"},
                          {[&] { port.sigRing(); }, "sigRing: Port not open"},
                          {[&] { port.sigBreak(); }, "sigBreak: Port not open"},
                          {[&] { port.txBufCount(); }, "txBufCount: Port not open"}})
        EXPECT_EQ(ioFailure(c.call), c.message);
    // Asking for the receive count needs no open port; the driver answers for port -1.
    EXPECT_EQ(ioFailure([&] { port.rxReadyCount(); }), "rxReadyCount failed");
    EXPECT_EQ(port.getByte(), -1);
}

TEST_F(PortLinesTest, DriverFailuresBecomeTheOperationsFailure) {
    SerialPortLocal port(settings("/dev/ttyUSB0"));
    struct Case {
        const char* driverCall;
        std::function<void()> call;
        const char* message;
    };
    for (const Case& c :
         {Case{"SerSetDTR", [&] { port.setDTR(true); }, "setDTR failed"},
          {"SerSetRTS", [&] { port.setRTS(false); }, "setRTS failed"},
          {"SerSendBreak", [&] { port.sendBreak(100); }, "sendBreak failed"},
          {"SerSigCTS", [&] { port.sigCTS(); }, "sigCTS failed"},
          {"SerSigDSR", [&] { port.sigDSR(); }, "sigDSR failed"},
          {"SerSigCD", [&] { port.sigCD(); }, "sigCD failed"},
          {"SerSigFrameErr", [&] { port.sigFrameErr(); }, "sigFrameErr failed"},
          {"SerSigOverrun", [&] { port.sigOverrun(); }, "sigOverrun failed"},
          {"SerRxOverflow", [&] { port.rxOverflow(); }, "rxOverflow failed"},
          {"SerTxBufCount", [&] { port.txBufCount(); }, "txBufCount failed"},
          {"SerRxReadyCount", [&] { port.rxReadyCount(); }, "rxReadyCount failed"},
          {"SerRxFlush", [&] { port.rxFlush(); }, "rxFlush failed"},
          {"SerTxFlush", [&] { port.txFlush(); }, "txFlush failed"},
          {"SerTxDrain", [&] { port.txDrain(); }, "txDrain failed"},
          {"SerSetTimeoutRx", [&] { port.setTimeoutRx(5); }, "setTimeoutRx failed"},
          {"SerSetTimeoutTx", [&] { port.setTimeoutTx(5); }, "setTimeoutTx failed"}}) {
        SimSetResult(c.driverCall, -1);
        EXPECT_EQ(ioFailure(c.call), c.message);
        SimClearResults();
    }
    // These three have no failure of their own: -1 simply is not "on".
    for (const char* call : {"SerSigParityErr", "SerSigRing", "SerSigBreak"})
        SimSetResult(call, -1);
    EXPECT_FALSE(port.sigParityErr());
    EXPECT_FALSE(port.sigRing());
    EXPECT_FALSE(port.sigBreak());
}

TEST_F(PortLinesTest, MissingFeaturesAreNamedWithTheSystem) {
    ScopedPlatform bare("Windows 2008");
    SerialPortLocal closed;
    // The feature is checked before the port.
    EXPECT_EQ(ioFailure([&] { closed.setDTR(true); }), "setDTR not supported on Windows 2008");
    SerialPortLocal port(settings("/dev/ttyUSB0"));
    struct Case {
        std::function<void()> call;
        const char* message;
    };
    for (const Case& c :
         {Case{[&] { port.setDTR(true); }, "setDTR not supported on Windows 2008"},
          {[&] { port.setRTS(true); }, "setRts not supported on Windows 2008"},
          {[&] { port.sigCD(); }, "sigCD not supported on Windows 2008"},
          {[&] { port.sigFrameErr(); }, "sigFrameErr not supported on Windows 2008"},
          {[&] { port.sigOverrun(); }, "sigOverrun not supported on Windows 2008"},
          {[&] { port.rxOverflow(); }, "rxOverflow not supported on Windows 2008"},
          {[&] { port.sigParityErr(); }, "sigParityErr not supported on Windows 2008"},
          {[&] { port.sigRing(); }, "sigRing not supported on Windows 2008"},
          {[&] { port.sigBreak(); }, "sigBreak not supported on Windows 2008"},
          {[&] { port.txBufCount(); }, "txBufCount not supported on Windows 2008"},
          {[&] { port.rxReadyCount(); }, "rxReadyCount not supported on Windows 2008"},
          {[&] { port.setPowerMode(1); }, "setPowerMode not supported on Windows 2008"},
          {[&] { port.getStatusAPM(); }, "getStatusAPM not supported on Windows 2008"},
          {[&] { port.setInstanceLock(true); }, "setInstanceLock not supported on Windows 2008"}})
        EXPECT_EQ(ioFailure(c.call), c.message);
    // CTS and DSR need no flag; sending a break is allowed everywhere unless switched off.
    EXPECT_FALSE(port.sigCTS());
    EXPECT_FALSE(port.sigDSR());
    port.sendBreak(1);
    EXPECT_FALSE(port.isSupported("setDTR"));
    EXPECT_TRUE(port.isSupported("sendBreak"));
}

TEST_F(PortLinesTest, LinuxOffersWhatOurDriverProvides) {
    SerialPortLocal port(settings("/dev/ttyUSB0"));
    for (const char* feature :
         {"sigBreak",    "sendBreak",    "sigFrameErr",  "sigOverrun",      "sigParityErr",
          "rxOverflow",  "sigRing",      "sigCTS",       "sigDSR",          "sigCD",
          "setRTS",      "setDTR",       "rxReadyCount", "txBufCount",      "setTimeoutTx",
          "getPortList", "getStatusAPM", "InstanceLock", "ParityMarkSpace", "supDriverInfo"})
        EXPECT_TRUE(port.isSupported(feature)) << feature;
    for (const char* feature : {"noIndexBitRate", "setPowerMode", "UnplugPort", "teleport"})
        EXPECT_FALSE(port.isSupported(feature)) << feature;
    EXPECT_EQ(SerialPortLocal::getMaxBitRate(), 921600);
    EXPECT_EQ(port.getStatusAPM(), 0);
    port.setInstanceLock(true);
    EXPECT_EQ(port.getInstanceLock(), 1);
    EXPECT_EQ(ioFailure([&] { port.getPowerMode(); }), "getPowerMode not supported on Linux");
    EXPECT_EQ(ioFailure([&] { port.getResumeState(false); }),
              "getResumeState not supported on Linux");
}

}  // namespace
