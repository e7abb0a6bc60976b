#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QLabel>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <string>
#include <vector>

#include "PanelFixture.h"
#include "core/app/CommandLine.h"
#include "core/views/HexRequest.h"

namespace qx::gui::test {
namespace {

/// The panel with its SCPI server on a free port and a client on the same event loop: the
/// client never blocks, so the panel serves it while the test waits.
class RemoteControlGuiTest : public PanelFixture {
 protected:
  void StartServing(const std::string& at = "127.0.0.1:0") {
    StartConnected();
    panel->ApplyOptions(app::CommandLine::Parse({"--remote", at}));
    ASSERT_TRUE(panel->Remote().Listening());
    ASSERT_TRUE(Action("SMenu_Remote")->isChecked());
  }

  static bool WaitFor(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
  }

  bool Connect(QTcpSocket& client) {
    client.connectToHost(QHostAddress::LocalHost, panel->Remote().Local().port);
    return WaitFor([&] {
      return client.state() == QAbstractSocket::ConnectedState && panel->Remote().Clients() == 1;
    });
  }

  /// Sends `message` and returns the reply line; empty after 5 s without one.
  static std::string Ask(QTcpSocket& client, const std::string& message) {
    client.write(QByteArray::fromStdString(message + "\n"));
    if (!WaitFor([&] { return client.canReadLine(); })) return {};
    return client.readLine().trimmed().toStdString();
  }

  std::string RemoteStatus() { return panel->Main().RemoteStatus().toStdString(); }
};

TEST_F(RemoteControlGuiTest, AClientWritesTheBenchUntilLocalTakesControlBack) {
  StartServing();
  QTcpSocket client;
  ASSERT_TRUE(Connect(client));
  EXPECT_EQ(RemoteStatus(), "Remote on " + panel->Remote().LocalText() + ", 1 client");

  EXPECT_EQ(Ask(client, "REG:VAL 1,#H20;:REG:VAL? 1;:SYST:ERR?"), "32;0,\"No error\"");
  EXPECT_EQ(panel->Bench().access.GetRegImage(1), 0x20);  // what the register view paints

  // A client's lock: the register view's own writes are refused, and say why.
  EXPECT_EQ(Ask(client, "SYST:LOCK:REQ?"), "1");
  EXPECT_NE(RemoteStatus().find("Remote, locked by a client"), std::string::npos) << RemoteStatus();
  EXPECT_TRUE(Action("SMenu_Local")->isEnabled());
  // The windows that change the bench take no input under the client's lock.
  const auto windowsEnabled = [this] {
    return std::vector<bool>{panel->AdcForm().isEnabled(), panel->AnxAdc().isEnabled(),
                             panel->TempTest().isEnabled()};
  };
  EXPECT_EQ(windowsEnabled(), std::vector<bool>({false, false, false}));
  panel->Views().RegisterModel().Commit({views::WriteTarget::Kind::Byte, 1, 0}, 0x33);
  EXPECT_EQ(panel->Bench().access.GetRegImage(1), 0x20);
  EXPECT_NE(Status(2).find("Register write refused: a remote client holds the lock"),
            std::string::npos)
      << Status(2);

  // Local: the panel writes again, the client's changes fail with the lock error.
  Action("SMenu_Local")->trigger();
  EXPECT_TRUE(Action("SMenu_Local")->isChecked());
  EXPECT_EQ(windowsEnabled(), std::vector<bool>({true, true, true}));
  EXPECT_EQ(RemoteStatus().rfind("Local", 0), 0u) << RemoteStatus();
  panel->Views().RegisterModel().Commit({views::WriteTarget::Kind::Byte, 1, 0}, 0x33);
  EXPECT_EQ(panel->Bench().access.GetRegImage(1), 0x33);
  EXPECT_EQ(Ask(client, "REG:VAL 1,#H44;:SYST:ERR?"),
            "-203,\"Command protected;control was taken back at the panel (Local)\"");
  EXPECT_EQ(Ask(client, "REG:VAL? 1"), "51");

  // Local unchecked: the client may ask for control again.
  Action("SMenu_Local")->trigger();
  EXPECT_EQ(Ask(client, "SYST:LOCK:REQ?;:REG:VAL 1,#H44;:SYST:ERR?"), "1;0,\"No error\"");
  EXPECT_EQ(panel->Bench().access.GetRegImage(1), 0x44);
}

// A capture a client asks for runs from the panel's event loop and answers when it ends.
TEST_F(RemoteControlGuiTest, AClientsCaptureRunsOnThePanelsBench) {
  StartServing();
  QTcpSocket client;
  ASSERT_TRUE(Connect(client));
  client.write("SENS:ADC:POIN 1024;AVER 1;RES 23;REF 1.2\n");
  EXPECT_EQ(Ask(client, "INIT;*OPC?"), "1");
  const std::string figures = Ask(client, "FETC:ADC:NOIS?;:SYST:ERR?");
  EXPECT_EQ(std::count(figures.begin(), figures.end(), ','), 5) << figures;
  EXPECT_NE(figures.find(";0,\"No error\""), std::string::npos) << figures;
  EXPECT_EQ(panel->Bench().capture.Count(), 1024);
}

// A client's temperature run runs in the temperature window, on the window's tables, while
// the client polls it; the chip list is the program folder's.
TEST_F(RemoteControlGuiTest, AClientsTemperatureRunRunsInTheWindow) {
  StartServing();
  QTcpSocket client;
  ASSERT_TRUE(Connect(client));
  EXPECT_EQ(Ask(client, "CHIP:CAT?").rfind("\"QX7401  (16K)\",", 0), 0u);
  qx::autotest::TempTest& test = panel->Bench().tempTest;
  test.form.tempCount = "2";
  test.TMPCNTSETClick();
  test.form.modeCount = "2";
  test.Modenum();
  test.regs.SetCell(1, 0, "01");
  for (int m = 1; m <= 2; ++m) {
    test.regs.SetCell(1, m, m == 1 ? "00" : "20");
    test.regs.SetCell(qx::autotest::RegStepTable::kDelayColumn, m, "1");
    test.regs.SetCell(qx::autotest::RegStepTable::kAcmColumn, m, "2.4");
  }
  EXPECT_EQ(Ask(client, "TEST:TEMP:STAT?"), "IDLE");
  // On the fixture's virtual time the run ends before a poll could see it.
  client.write("SENS:ADC:POIN 1024;AVER 1;RES 23;REF 2.4;:TEST:TEMP:STAR NOCH\n");
  EXPECT_TRUE(WaitFor([&] { return Ask(client, "TEST:TEMP:STAT?") == "IDLE"; }));
  EXPECT_EQ(Ask(client, "*OPC?;:SYST:ERR?"), "1;0,\"No error\"");
  // The window shows the run's end as after its own button.
  const QString end = "Run " + QString::number(test.RunId()) + " completed: 2 points x 2 modes";
  bool shown = false;
  for (const QLabel* label : panel->TempTest().findChildren<QLabel*>())
    shown |= label->text() == end;
  EXPECT_TRUE(shown) << end.toStdString();
}

TEST_F(RemoteControlGuiTest, UncheckingTheItemStopsTheServerAndAPortInUseLeavesItUnchecked) {
  quint16 port = 0;
  {
    QTcpServer probe;  // a port free now, given explicitly, so that the item asks for it again
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    port = probe.serverPort();
  }
  StartServing("127.0.0.1:" + std::to_string(port));
  QTcpSocket client;
  ASSERT_TRUE(Connect(client));

  Action("SMenu_Remote")->trigger();
  EXPECT_FALSE(Action("SMenu_Remote")->isChecked());
  EXPECT_FALSE(panel->Remote().Listening());
  EXPECT_TRUE(WaitFor([&] { return client.state() == QAbstractSocket::UnconnectedState; }));
  EXPECT_EQ(RemoteStatus(), "");
  EXPECT_FALSE(Action("SMenu_Local")->isEnabled());
  QTcpSocket late;
  late.connectToHost(QHostAddress::LocalHost, port);
  EXPECT_TRUE(WaitFor([&] { return late.state() == QAbstractSocket::UnconnectedState; }));

  // Checked again while another program holds the port: said, and the item stays unchecked.
  QTcpServer other;
  ASSERT_TRUE(other.listen(QHostAddress::LocalHost, port));
  Action("SMenu_Remote")->trigger();
  EXPECT_FALSE(Action("SMenu_Remote")->isChecked());
  EXPECT_FALSE(panel->Remote().Listening());
  EXPECT_EQ(
      Status(2).rfind("Remote control: cannot listen on 127.0.0.1:" + std::to_string(port), 0), 0u)
      << Status(2);
  EXPECT_NE(Action("SMenu_Remote")->text().toStdString().find(std::to_string(port)),
            std::string::npos);
}

}  // namespace
}  // namespace qx::gui::test
