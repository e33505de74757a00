// The command-line tool's logic that needs no printer: the command line, the setting
// names of the page table with their values, port names, print queues, the reports the
// workers send back, and the JSON it writes.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <set>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/JsonWriter.h"
#include "cli/PortTargets.h"
#include "cli/PrinterReport.h"
#include "cli/SettingNames.h"
#include "comm/PrinterListRules.h"
#include "platform/InstalledPrinters.h"
#include "platform/Text.h"

namespace {

TEST(CliCommandLine, TakesOptionsAnywhereAndRefusesWhatACommandDoesNotTake) {
  CliRequest request;
  std::string error;
  ASSERT_TRUE(ParseCommandLine({"restore", "--jobs=3", "f.bin", "NET:1.2.3.4", "--json", "--wait", "9", "--",
                                "-odd-port"},
                               request, error))
      << error;
  EXPECT_EQ(request.command, "restore");
  EXPECT_EQ(request.args, (std::vector<std::string>{"f.bin", "NET:1.2.3.4", "-odd-port"}));
  EXPECT_TRUE(request.json);
  EXPECT_EQ(request.jobs, 3);
  EXPECT_EQ(request.waitSeconds, 9);
  ASSERT_TRUE(ParseCommandLine({"backup", "-o", "out.bin", "NET:1.2.3.4", "--logo=logo.bin"}, request, error));
  EXPECT_EQ(request.out, "out.bin");
  EXPECT_EQ(request.logo, "logo.bin");
  ASSERT_TRUE(ParseCommandLine({"get", "--help", "whatever"}, request, error));
  EXPECT_TRUE(request.help);

  const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
      {{}, "no command given"},
      {{"reboot"}, "unknown command \"reboot\""},
      {{"status"}, "wrong number of arguments for status"},
      {{"backup", "NET:1.2.3.4"}, "backup needs --out FILE"},
      {{"restore", "f.bin", "NET:1.2.3.4", "--jobs", "0"}, "--jobs takes a number from 1 to 64, not \"0\""},
      {{"restore", "f.bin", "NET:1.2.3.4", "--jobs"}, "--jobs needs a value"},
      {{"set", "NET:1.2.3.4", "speed=2", "--wait", "soon"}, "--wait takes a number of seconds from 1 to 600, not \"soon\""},
      {{"status", "NET:1.2.3.4", "--wait", "5"}, "--wait belongs to restore and set"},
      {{"get", "NET:1.2.3.4", "--jobs", "2"}, "--jobs belongs to list --probe, status and restore"},
      {{"status", "NET:1.2.3.4", "--probe"}, "--probe belongs to list"},
      {{"status", "NET:1.2.3.4", "--out", "x"}, "--out and --logo belong to backup"},
      {{"list", "--force"}, "unknown option --force"},
  };
  for (const auto& [args, message] : refused) {
    EXPECT_FALSE(ParseCommandLine(args, request, error)) << message;
    EXPECT_EQ(error, message);
  }
  // Every exit code is explained in the help.
  for (const char* code : {"\n  0 ", "\n  1 ", "\n  2 ", "\n  3 ", "\n  4 ", "\n  130 "}) {
    EXPECT_NE(HelpText().find(code), std::string::npos) << code;
  }
}

TEST(CliSettingNames, EveryValueOfEveryPageSettingHasOneNameThatReadsBack) {
  const SettingNames names;
  std::set<std::string> seen;
  for (const NamedSetting& named : names.All()) {
    const SettingDef& setting = *named.setting;
    EXPECT_FALSE(setting.key.empty()) << SettingNames::Label(setting);
    EXPECT_TRUE(seen.insert(setting.key).second) << setting.key << " is used twice";
    EXPECT_EQ(setting.key.find_first_of(" =ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos) << setting.key;
    ASSERT_TRUE(names.Find(setting.key));
    EXPECT_EQ(names.Find(setting.key)->setting, &setting);
    std::set<std::string> values;
    for (const std::string& value : SettingNames::ValueNames(setting)) {
      EXPECT_TRUE(values.insert(value).second) << setting.key << "=" << value << " is named twice";
      const std::optional<std::int32_t> parsed = SettingNames::ParseValue(setting, value);
      ASSERT_TRUE(parsed) << setting.key << "=" << value;
      EXPECT_EQ(SettingNames::ValueName(setting, *parsed), value);
    }
    EXPECT_NE(SettingNames::ValueName(setting, setting.defaultValue).rfind("unknown", 0), 0u) << setting.key;
  }
  EXPECT_EQ(seen.size(), 20u);

  const SettingDef& width = *names.Find("Paper-Width")->setting;
  const SettingDef& density = *names.Find("density")->setting;
  const SettingDef& buzzer = *names.Find("buzzer")->setting;
  EXPECT_EQ(SettingNames::ParseValue(width, "80 MM"), 6);
  EXPECT_EQ(SettingNames::ParseValue(width, "58"), 1);
  EXPECT_EQ(SettingNames::ParseValue(density, "90%"), 65534);
  EXPECT_EQ(SettingNames::ParseValue(density, "110"), 2);
  EXPECT_EQ(SettingNames::ParseValue(buzzer, "Yes"), 1);
  EXPECT_EQ(SettingNames::ParseValue(buzzer, "0"), 0);
  EXPECT_FALSE(SettingNames::ParseValue(width, "70mm"));
  EXPECT_FALSE(SettingNames::ParseValue(density, ""));
  EXPECT_FALSE(SettingNames::ParseValue(buzzer, "2"));
  EXPECT_EQ(SettingNames::ValueName(density, 9), "unknown (9)");
  EXPECT_FALSE(names.Find("paper"));
}

TEST(CliSettingNames, AssignmentsAreCheckedWholeAndMistakesNameWhatIsValid) {
  const SettingNames names;
  std::vector<SettingAssignment> out;
  std::string error;
  ASSERT_TRUE(names.ParseAssignments({"paper-width=58mm", "speed=3", "lf-after-cr=on"}, out, error)) << error;
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].target.setting->key, "paper-width");
  EXPECT_EQ(out[0].value, 1);
  EXPECT_EQ(out[1].value, 3);
  EXPECT_EQ(out[2].target.page->title, u"Model Options");

  const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
      {{"speed=3", "speed=4"}, "speed is named twice"},
      {{"speed"}, "\"speed\" is no setting=value (for example density=110%)"},
      {{"speed=0"}, "\"0\" is no value of speed; valid values: 1, 2, 3, 4, 5, 6, 7, 8, 9"},
      {{"paper-kind=glossy"}, "\"glossy\" is no value of paper-kind; valid values: normal, thick"},
      {{"speed=3", "colour=red"}, "unknown setting \"colour\"; the settings are: " + names.NameList()},
  };
  for (const auto& [texts, message] : refused) {
    out = {SettingAssignment{}};
    EXPECT_FALSE(names.ParseAssignments(texts, out, error));
    EXPECT_EQ(error, message);
    EXPECT_TRUE(out.empty());
  }
}

TEST(CliPortNames, KindsAndConnectionPathsBecomeRecordsOtherTextsDoNot) {
  PortRecord record;
  ASSERT_TRUE(PortRecordFromName("NET:192.168.0.20:9100", record));
  EXPECT_EQ(plat::FieldText(record.kind), u"NET");
  EXPECT_EQ(plat::FieldText(record.portName), u"192.168.0.20:9100");
  EXPECT_EQ(record.presetA, -1);
  EXPECT_EQ(PortDisplayName(record), "NET:192.168.0.20:9100");
  ASSERT_TRUE(PortRecordFromName("COM:/dev/ttyUSB0", record));
  EXPECT_EQ(PortDisplayName(record), "COM:/dev/ttyUSB0");
  for (const char* path : {"tcp://192.168.0.20:9100/XJ-K52II", "serial:/dev/ttyS0?baud=19200", "/dev/usb/lp0",
                           "192.168.0.20", "net:192.168.0.20"}) {
    ASSERT_TRUE(PortRecordFromName(path, record)) << path;
    EXPECT_TRUE(plat::FieldText(record.kind).empty()) << path;
    EXPECT_EQ(record.pathGiven, 1);
    EXPECT_EQ(plat::ToUtf8(plat::FieldText(record.path)), path);
    EXPECT_EQ(PortDisplayName(record), path);
  }
  for (const char* other : {"", "XJK52_Counter", "NET:", "Counter.2"}) EXPECT_FALSE(PortRecordFromName(other, record)) << other;
}

TEST(CliPortNames, PrintQueuesOfTheServedModelAreBoundToTheirRegisteredPort) {
  const plat::InstalledPrinterSource previous = plat::SetInstalledPrinterSource([] {
    return std::vector<plat::InstalledPrinter>{
        {u"Office", u"Office", u"Generic PostScript"},
        {u"Counter", u"192.168.0.20", u"NORVE XJ-K52II Receipt5"},
        {u"Back", u"Back", u"NORVE XJ-K52II Receipt5"},
    };
  });
  PortRecord registered;
  ASSERT_TRUE(PortRecordFromName("NET:192.168.0.20", registered));
  plat::CopyText(registered.path, u"tcp://x/192.168.0.20");
  const std::vector<PrintQueue> queues = ServedPrintQueues({registered});
  plat::SetInstalledPrinterSource(previous);
  ASSERT_EQ(queues.size(), 2u);
  EXPECT_EQ(queues[0].name, "Counter");
  EXPECT_TRUE(queues[0].registered);
  EXPECT_EQ(PortDisplayName(queues[0].record), "NET:192.168.0.20");
  EXPECT_EQ(queues[0].driver, "NORVE XJ-K52II Receipt5");
  EXPECT_EQ(queues[1].name, "Back");
  EXPECT_FALSE(queues[1].registered);
  EXPECT_EQ(queues[1].device, "Back");
}

TEST(CliReport, TravelsWholeThroughItsBytesAndBrokenBytesAreRefused) {
  PrinterReport report;
  report.port = "tcp://127.0.0.1:9100/XJ-K52II";
  report.Text("model", "XJ-K52II").Number("batteryLevel", 6).Flag("logo", false).Text("empty", "");
  report.Text("odd", std::string("a:b\n\0c", 6));
  report.items = {"density: the file sets 110%, the printer holds 100%", ""};
  report.Outcome("not-taken", "The printer did not take every setting of the file.");
  const std::string bytes = EncodeReport(report);
  const std::optional<PrinterReport> back = DecodeReport(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->port, report.port);
  EXPECT_FALSE(back->ok);
  EXPECT_EQ(back->outcome, "not-taken");
  EXPECT_EQ(back->message, report.message);
  ASSERT_EQ(back->fields.size(), 5u);
  EXPECT_EQ(back->fields[1].kind, ReportField::Kind::kNumber);
  EXPECT_EQ(back->fields[2].kind, ReportField::Kind::kBool);
  EXPECT_EQ(back->Field("odd"), report.Field("odd"));
  EXPECT_EQ(back->items, report.items);
  EXPECT_TRUE(PrinterReport().Outcome("ok").ok);

  for (std::size_t cut = 0; cut < bytes.size(); ++cut) EXPECT_FALSE(DecodeReport(bytes.substr(0, cut))) << cut;
  EXPECT_FALSE(DecodeReport(bytes + "0:"));
  EXPECT_FALSE(DecodeReport("4:port1:2"));
}

TEST(CliJson, WhatTheWriterWritesParsesBackEvenFromBrokenText) {
  JsonWriter json;
  json.BeginObject().Member("text", std::string("quote \" backslash \\ tab \t nl \n bell \x07 del \x7F"));
  json.Member("broken", std::string("ok \xC3\xA9 cut \xC3 overlong \xC0\xAF surrogate \xED\xA0\x80 end"));
  json.Member("number", std::int64_t{-42}).Member("yes", true).Key("none").Null();
  json.Key("list").BeginArray().String("a").BeginObject().EndObject().BeginArray().EndArray().EndArray();
  json.Key("empty").BeginObject().EndObject().EndObject();
  EXPECT_EQ(json.Text().back(), '\n');

  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json.Text()), &error);
  ASSERT_EQ(error.error, QJsonParseError::NoError) << json.Text();
  const QJsonObject object = document.object();
  EXPECT_EQ(object["text"].toString().toStdString(), "quote \" backslash \\ tab \t nl \n bell \x07 del \x7F");
  EXPECT_EQ(object["broken"].toString(),
            QString::fromUtf8("ok \xC3\xA9 cut \xEF\xBF\xBD overlong \xEF\xBF\xBD\xEF\xBF\xBD surrogate "
                              "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD end"));
  EXPECT_EQ(object["number"].toInt(), -42);
  EXPECT_TRUE(object["yes"].toBool());
  EXPECT_TRUE(object["none"].isNull());
  EXPECT_EQ(object["list"].toArray().size(), 3);
  EXPECT_TRUE(object["empty"].toObject().isEmpty());
}

}  // namespace
