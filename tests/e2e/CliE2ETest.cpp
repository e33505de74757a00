// The command-line tool of the installation folder against two and three simulators:
// status with a port in use, set and get with every mistake caught before anything is
// sent, a backup restored onto two printers at once, a restore in which one printer is
// cut off half way, an interrupted restore, and the port list.
#include <gtest/gtest.h>
#include <signal.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/Text.h"
#include "status/PrinterSettingsFile.h"
#include "status/SettingsFileReader.h"
#include "tests/e2e/E2ESupport.h"
#include "tests/support/SettingBlocksFixture.h"
#include "tests/support/SimConnection.h"

namespace {

using settingblocks::SettingValues;

struct CliRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string CliProgram() { return AppProcess::InstallationFolder() + "/xjk52-cli"; }

bool StartCli(AppProcess& cli, const std::vector<std::string>& args) {
  cli.SeparateErrorOutput();
  return cli.Start(args, CliProgram());
}

CliRun RunCli(const std::vector<std::string>& args) {
  AppProcess cli;
  if (!StartCli(cli, args)) return {};
  const int rc = cli.WaitForExit();
  return {rc, cli.Output(), cli.ErrorOutput()};
}

QJsonObject ParseJson(const std::string& text) {
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
  EXPECT_TRUE(document.isObject()) << text;
  return document.object();
}

std::string Str(const QJsonValue& value) { return value.toString().toStdString(); }

std::unique_ptr<SimProcess> StartSim(const std::string& statePath = {}) {
  SimProcess::Options options = SimConnection::QuickRestart();
  options.statePath = statePath;
  auto sim = std::make_unique<SimProcess>(options);
  EXPECT_TRUE(sim->Start());
  return sim;
}

std::string PortOf(SimProcess& sim) { return "NET:" + sim.TcpEndpoint(); }

// A simulator state file holding these settings.
std::string StateFileWith(const SettingValues& settings) {
  std::string text = "xjk52-sim-state 1\n";
  for (const auto& [number, value] : settings.values) {
    text += "value " + std::to_string(number) + " " + std::to_string(value) + "\n";
  }
  for (const MemorySwitchField& field : kMemorySwitchFields) {
    std::string bits = "00000000";
    for (int bit = 1; bit <= 8; ++bit) {
      const auto found = settings.bits.find({field.number, bit});
      if (found != settings.bits.end() && found->second) bits[static_cast<std::size_t>(8 - bit)] = '1';
    }
    text += "switch " + std::to_string(field.number) + " " + bits + "\n";
  }
  const std::string path = testenv::MakeTempDir("state") + "/printer.state";
  EXPECT_TRUE(testenv::WriteFile(path, text));
  return path;
}

// What the printer holds of every setting a settings file carries.
SettingValues PrinterSettings(SimProcess& sim) {
  SettingValues s;
  for (const CustomValueField& field : kCustomValueFields) {
    s.values[field.number] = static_cast<std::uint16_t>(e2e::SimCounter(sim, "cv" + std::to_string(field.number)));
  }
  for (const MemorySwitchField& field : kMemorySwitchFields) {
    const std::string bits = e2e::SimValue(sim, "msw" + std::to_string(field.number));
    for (int bit = 1; bit <= 8; ++bit) {
      if (settingblocks::BitOffset(field.number, bit) != 0 && bits.size() == 8) {
        s.bits[{field.number, bit}] = bits[static_cast<std::size_t>(8 - bit)] == '1';
      }
    }
  }
  return s;
}

// A settings command file of the settings, as file mode writes it.
std::string SettingsFileWith(const SettingValues& settings) {
  PluginDataMgr blocks;
  settingblocks::PutSettingBlocks(blocks, settings);
  const std::string path = testenv::MakeTempDir("file") + "/settings.bin";
  EXPECT_EQ(WriteSettingsFile(blocks, nullptr, u"XJ-K52II", plat::FromUtf8(path)), kSettingsFileOk);
  return path;
}

// Waits until the simulator's status key has the value; false when the time ran out.
bool WaitForSimValue(SimProcess& sim, const std::string& key, const std::string& value, int timeoutMs = 30000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (e2e::SimValue(sim, key) != value) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// The printer has finished its restart and is out of user setting mode.
void ExpectOutOfUserSettingMode(SimProcess& sim) {
  EXPECT_TRUE(WaitForSimValue(sim, "restarting", "no"));
  EXPECT_EQ(e2e::SimValue(sim, "usermode"), "off");
}

TEST(CliE2E, StatusOfTwoPrintersAndOneInUseByAnotherProgram) {
  std::unique_ptr<SimProcess> online = StartSim();
  std::unique_ptr<SimProcess> coverOpen = StartSim();
  ASSERT_EQ(coverOpen->Control("cover open"), "ok");
  ASSERT_EQ(coverOpen->Control("power battery"), "ok");
  ASSERT_EQ(coverOpen->Control("battery 2"), "ok");
  SimConnection held;  // this test process holds the third printer's port open
  ASSERT_EQ(held.Open(XJ_DIST_DIR), "");
  ASSERT_EQ(e2e::SimCounter(held.Sim(), "connections"), 1);

  const CliRun run = RunCli({"status", PortOf(*online), PortOf(*coverOpen), PortOf(held.Sim()), "--json"});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  const QJsonArray printers = ParseJson(run.out)["printers"].toArray();
  ASSERT_EQ(printers.size(), 3) << run.out;
  EXPECT_EQ(Str(printers[0]["port"]), PortOf(*online));
  EXPECT_TRUE(printers[0]["ok"].toBool());
  EXPECT_EQ(Str(printers[0]["model"]), "XJ-K52II");
  EXPECT_EQ(Str(printers[0]["firmware"]), "1.02");
  EXPECT_EQ(Str(printers[0]["status"]), "Online");
  EXPECT_EQ(Str(printers[0]["power"]), "ac");
  EXPECT_EQ(Str(printers[1]["status"]), "Cover is open");
  EXPECT_EQ(printers[1]["statusCode"].toInt(), 6);
  EXPECT_EQ(Str(printers[1]["power"]), "battery");
  EXPECT_EQ(printers[1]["batteryLevel"].toInt(), 2);
  EXPECT_FALSE(printers[2]["ok"].toBool());
  EXPECT_EQ(Str(printers[2]["outcome"]), "in-use");
  EXPECT_EQ(ParseJson(run.out)["summary"].toObject()["failed"].toInt(), 1);
  // The port in use got no second connection.
  EXPECT_EQ(e2e::SimCounter(held.Sim(), "connections"), 1);

  // Plain text: one line per printer.
  const CliRun plain = RunCli({"status", PortOf(*online)});
  EXPECT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_EQ(plain.out, PortOf(*online) + ": XJ-K52II, firmware 1.02, serial K52S0000001, Online, AC adapter, battery 6/6\n");
}

TEST(CliE2E, SetChecksEveryAssignmentBeforeSendingAndThenChangesThemInOneRestart) {
  std::unique_ptr<SimProcess> sim = StartSim();
  const std::string port = PortOf(*sim);

  const CliRun badValue = RunCli({"set", port, "speed=7", "density=111%"});
  EXPECT_EQ(badValue.exitCode, 2);
  EXPECT_NE(badValue.err.find("\"111%\" is no value of density; valid values: 70%, 75%, 80%, 85%, 90%, 95%, 100%, "
                              "105%, 110%, 115%, 120%, 125%, 130%, 135%, 140%"),
            std::string::npos)
      << badValue.err;
  EXPECT_NE(badValue.err.find("Nothing was sent."), std::string::npos);
  const CliRun unknown = RunCli({"set", port, "darkness=110%"});
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_NE(unknown.err.find("unknown setting \"darkness\"; the settings are: paper-width, density, speed"),
            std::string::npos)
      << unknown.err;
  const CliRun badSwitch = RunCli({"set", port, "paper-end-beep=maybe"});
  EXPECT_EQ(badSwitch.exitCode, 2);
  EXPECT_NE(badSwitch.err.find("valid values: on, off"), std::string::npos) << badSwitch.err;
  // Not a byte reached the printer.
  EXPECT_EQ(e2e::SimCounter(*sim, "connections"), 0);
  EXPECT_EQ(e2e::SimCounter(*sim, "bytesin"), 0);

  const CliRun set = RunCli({"set", port, "density=110%", "speed=7", "paper-end-beep=on", "paper-width=80mm", "--json"});
  EXPECT_EQ(set.exitCode, 0) << set.out << set.err;
  const QJsonObject result = ParseJson(set.out);
  EXPECT_TRUE(result["ok"].toBool());
  EXPECT_EQ(Str(result["settings"].toObject()["density"]), "110%");
  EXPECT_EQ(Str(result["settings"].toObject()["paper-end-beep"]), "on");
  // The paper width already was 80 mm: it is not among the changed settings.
  EXPECT_EQ(result["changed"].toArray(), QJsonArray({"density", "speed", "paper-end-beep"}));
  EXPECT_EQ(e2e::SimCounter(*sim, "cv5"), 2);
  EXPECT_EQ(e2e::SimCounter(*sim, "cv6"), 7);
  EXPECT_EQ(e2e::SimValue(*sim, "msw8"), "01000000");
  EXPECT_EQ(e2e::SimCounter(*sim, "restarts"), 1);
  ExpectOutOfUserSettingMode(*sim);

  const CliRun get = RunCli({"get", "tcp://" + sim->TcpEndpoint() + "/XJ-K52II", "density", "speed", "paper-width"});
  EXPECT_EQ(get.exitCode, 0) << get.err;
  EXPECT_EQ(get.out, "density=110%\nspeed=7\npaper-width=80mm\n");
}

TEST(CliE2E, ABackupRestoredOntoTwoPrintersAtOnceReadsBackEqual) {
  const SettingValues wanted = settingblocks::Complete(settingblocks::OtherThanFactory());
  std::unique_ptr<SimProcess> source = StartSim(StateFileWith(wanted));
  std::unique_ptr<SimProcess> first = StartSim();
  std::unique_ptr<SimProcess> second = StartSim();
  const std::string file = testenv::MakeTempDir("backup") + "/shop.bin";

  const CliRun backup = RunCli({"backup", PortOf(*source), "--out", file});
  EXPECT_EQ(backup.exitCode, 0) << backup.out << backup.err;
  EXPECT_EQ(backup.out, PortOf(*source) + ": saved the settings of the XJ-K52II to " + file +
                            " (13 values, 2 memory switches).\n");
  SettingsFileContents contents;
  ASSERT_EQ(ReadSettingsFile(plat::FromUtf8(file), contents), SettingsFileCheck::kOk);
  EXPECT_EQ(settingblocks::SettingsOfFile(contents), wanted);
  EXPECT_EQ(e2e::SimCounter(*source, "restarts"), 0);  // reading changes nothing

  const CliRun restore = RunCli({"restore", file, PortOf(*first), PortOf(*second), "--jobs", "2", "--json"});
  EXPECT_EQ(restore.exitCode, 0) << restore.out << restore.err;
  const QJsonObject result = ParseJson(restore.out);
  EXPECT_EQ(Str(result["file"].toObject()["model"]), "XJ-K52II");
  EXPECT_EQ(result["file"].toObject()["values"].toInt(), 13);
  EXPECT_EQ(result["summary"].toObject()["succeeded"].toInt(), 2);
  for (const QJsonValue printer : result["printers"].toArray()) EXPECT_EQ(Str(printer["outcome"]), "ok");
  for (SimProcess* printer : {first.get(), second.get()}) {
    EXPECT_EQ(PrinterSettings(*printer), wanted);
    ExpectOutOfUserSettingMode(*printer);
  }

  // A damaged file is refused before any printer is asked.
  std::string bytes = testenv::ReadFile(file);
  bytes.back() = static_cast<char>(bytes.back() ^ 0x01);
  ASSERT_TRUE(testenv::WriteFile(file, bytes));
  const long connections = e2e::SimCounter(*first, "connections");
  const CliRun damaged = RunCli({"restore", file, PortOf(*first)});
  EXPECT_EQ(damaged.exitCode, 3);
  EXPECT_NE(damaged.err.find("its checksum does not match. Nothing was sent."), std::string::npos) << damaged.err;
  EXPECT_EQ(e2e::SimCounter(*first, "connections"), connections);
}

TEST(CliE2E, RestoreToThreeWhereOneIsCutOffHalfWay) {
  const SettingValues wanted = settingblocks::Complete(settingblocks::OtherThanFactory());
  const std::string file = SettingsFileWith(wanted);
  std::unique_ptr<SimProcess> first = StartSim();
  std::unique_ptr<SimProcess> second = StartSim();
  std::unique_ptr<SimProcess> cut = StartSim();
  // The third printer confirms user setting mode late, and loses its connection while
  // the tool waits for that.
  ASSERT_EQ(cut->Control("slow 1000"), "ok");

  AppProcess cli;
  ASSERT_TRUE(StartCli(cli, {"restore", file, PortOf(*first), PortOf(*second), PortOf(*cut), "--jobs", "3", "--wait",
                             "5"}));
  ASSERT_TRUE(WaitForSimValue(*cut, "usermode", "on"));
  ASSERT_EQ(cut->Control("drop").rfind("ok", 0), 0u);
  ASSERT_EQ(cut->Control("slow 0"), "ok");
  EXPECT_EQ(cli.WaitForExit(), 1) << cli.Output() << cli.ErrorOutput();

  const std::string out = cli.Output();
  EXPECT_NE(out.find(PortOf(*first) + ": restored; every setting of the file took."), std::string::npos) << out;
  EXPECT_NE(out.find(PortOf(*second) + ": restored; every setting of the file took."), std::string::npos) << out;
  EXPECT_NE(out.find(PortOf(*cut) + ": FAILED (no-answer)"), std::string::npos) << out;
  EXPECT_NE(out.find("Restored 2 of 3 printers; 1 failed."), std::string::npos) << out;
  EXPECT_EQ(PrinterSettings(*first), wanted);
  EXPECT_EQ(PrinterSettings(*second), wanted);
  // Back again, the printer that was cut off is not left in user setting mode.
  ExpectOutOfUserSettingMode(*cut);
  ExpectOutOfUserSettingMode(*first);
  ExpectOutOfUserSettingMode(*second);
}

TEST(CliE2E, AnInterruptedRestoreFinishesThePrintersItBeganAndTouchesNoOther) {
  const SettingValues wanted = settingblocks::Complete(settingblocks::OtherThanFactory());
  const SettingValues factory = settingblocks::Complete({});
  const std::string file = SettingsFileWith(wanted);
  std::unique_ptr<SimProcess> first = StartSim();
  std::unique_ptr<SimProcess> second = StartSim();
  std::unique_ptr<SimProcess> waiting = StartSim();
  // The first two are in user setting mode, waiting to confirm it, when Ctrl+C comes.
  ASSERT_EQ(first->Control("slow 1000"), "ok");
  ASSERT_EQ(second->Control("slow 1000"), "ok");

  AppProcess cli;
  ASSERT_TRUE(StartCli(cli, {"restore", file, PortOf(*first), PortOf(*second), PortOf(*waiting), "--jobs", "2"}));
  ASSERT_TRUE(WaitForSimValue(*first, "usermode", "on"));
  ASSERT_TRUE(WaitForSimValue(*second, "usermode", "on"));
  ASSERT_EQ(kill(cli.Pid(), SIGINT), 0);
  EXPECT_EQ(cli.WaitForExit(), 128 + SIGINT) << cli.Output() << cli.ErrorOutput();

  const std::string out = cli.Output();
  EXPECT_NE(out.find(PortOf(*waiting) + ": FAILED (not-started)"), std::string::npos) << out;
  EXPECT_NE(out.find("(interrupted)"), std::string::npos) << out;
  for (SimProcess* begun : {first.get(), second.get()}) {
    ExpectOutOfUserSettingMode(*begun);
    EXPECT_EQ(PrinterSettings(*begun), wanted);
  }
  EXPECT_EQ(e2e::SimCounter(*waiting, "connections"), 0);
  EXPECT_EQ(PrinterSettings(*waiting), factory);
}

TEST(CliE2E, ListProbesTheRegisteredPorts) {
  std::unique_ptr<SimProcess> answering = StartSim();
  std::unique_ptr<SimProcess> gone = StartSim();
  for (SimProcess* sim : {answering.get(), gone.get()}) {
    AppProcess ports;
    ASSERT_TRUE(ports.Start({"add", "NET", sim->TcpEndpoint()}, AppProcess::InstallationFolder() + "/xjcomm-ports"));
    ASSERT_EQ(ports.WaitForExit(), 0) << ports.Output();
  }
  gone->Stop();

  const CliRun plain = RunCli({"list"});
  EXPECT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_NE(plain.out.find("Registered ports:\n  " + PortOf(*answering) + "  XJ-K52II\n"), std::string::npos)
      << plain.out;
  EXPECT_NE(plain.out.find("Print queues:\n  (none)\n"), std::string::npos) << plain.out;

  const CliRun probed = RunCli({"list", "--probe", "--json"});
  EXPECT_EQ(probed.exitCode, 1) << probed.err;
  const QJsonArray ports = ParseJson(probed.out)["ports"].toArray();
  ASSERT_EQ(ports.size(), 2) << probed.out;
  EXPECT_EQ(Str(ports[0]["port"]), PortOf(*answering));
  EXPECT_EQ(Str(ports[0]["probe"]["model"]), "XJ-K52II");
  EXPECT_TRUE(ports[0]["probe"]["ok"].toBool());
  EXPECT_EQ(Str(ports[1]["probe"]["outcome"]), "cannot-open");
  EXPECT_TRUE(ParseJson(probed.out)["queues"].toArray().isEmpty());
}

}  // namespace
