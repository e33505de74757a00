// Request/reply parsing against a scripted printer: the reply forms the libraries rely
// on, and every way a reply can be wrong.
#include "libs/printerinfo/PrinterQuery.h"

#include <gtest/gtest.h>

#include "sdk/XJComm.h"
#include "tests/libs/printerinfo/ScriptedComm.h"

namespace {

using Status = PrinterQuery::Status;

TEST(PrinterQueryTest, InfoTextPurgesWritesOneCommandAndReadsTheText) {
  ScriptedComm comm;
  ScriptXjK52(comm);
  comm.Inject("stale bytes of an earlier reply");
  PrinterQuery query(&comm);
  std::string text;
  ASSERT_EQ(query.ReadInfoText(PrinterQuery::kInfoModel, &text), Status::kOk);
  EXPECT_EQ(text, "XJ-K52II");
  EXPECT_EQ(comm.PurgeCount(), 1);
  ASSERT_EQ(comm.Writes().size(), 1u);
  EXPECT_EQ(comm.Writes()[0], CmdId(67));
}

TEST(PrinterQueryTest, RepliesSplitIntoSingleBytesAreReassembled) {
  ScriptedComm comm;
  ScriptXjK52(comm);
  comm.SetChunkSize(1);
  PrinterQuery query(&comm);
  std::string text;
  ASSERT_EQ(query.ReadInfoText(PrinterQuery::kInfoSerial, &text), Status::kOk);
  EXPECT_EQ(text, "K52-000123");
  std::optional<std::uint32_t> width;
  ASSERT_EQ(query.ReadCustomizedValue(3, &width), Status::kOk);
  EXPECT_EQ(width, 6u);
  std::uint8_t id = 0;
  ASSERT_EQ(query.ReadIdByte(PrinterQuery::kIdModel, &id), Status::kOk);
  EXPECT_EQ(id, 0x90);
}

TEST(PrinterQueryTest, FlowControlBytesBeforeAReplyAreDropped) {
  ScriptedComm comm;
  comm.OnCommand(CmdId(66), Bytes({0x13, 0x11}) + TextReply("NORVE") + Bytes({0x11}));
  comm.OnCommand(CmdId(1), Bytes({0x11, 0x91, 0x13}));
  PrinterQuery query(&comm);
  std::string text;
  ASSERT_EQ(query.ReadInfoText(PrinterQuery::kInfoMaker, &text), Status::kOk);
  EXPECT_EQ(text, "NORVE");
  std::uint8_t id = 0;
  ASSERT_EQ(query.ReadIdByte(PrinterQuery::kIdModel, &id), Status::kOk);
  EXPECT_EQ(id, 145);
}

TEST(PrinterQueryTest, MalformedTextRepliesAreRejected) {
  struct Case {
    const char* what;
    std::string reply;
    Status expected;
  };
  const Case cases[] = {
      {"wrong header", Bytes({0x37}) + "XJ-K52II" + Bytes({0x00}), Status::kBadReply},
      {"control character inside", Bytes({0x5F, 'X', 0x07, 'J', 0x00}), Status::kBadReply},
      {"delete character inside", Bytes({0x5F, 'X', 0x7F, 0x00}), Status::kBadReply},
      {"no terminator", Bytes({0x5F}) + "XJ-K52II", Status::kNoAnswer},
      {"header only", Bytes({0x5F}), Status::kNoAnswer},
      {"longer than any reply", Bytes({0x5F}) + std::string(PrinterQuery::kMaxBlockBody + 1, 'A') +
                                    Bytes({0x00}),
       Status::kBadReply},
      {"more bytes after the reply", TextReply("XJ-K52II") + "XJ", Status::kBadReply},
      {"two replies at once", TextReply("XJ-K52II") + TextReply("XJ-K52II"), Status::kBadReply},
      {"one-byte answer", Bytes({0x90}), Status::kBadReply},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedComm comm;
    comm.OnCommand(CmdId(67), c.reply);
    PrinterQuery query(&comm);
    std::string text = "before";
    EXPECT_EQ(query.ReadInfoText(PrinterQuery::kInfoModel, &text), c.expected);
    EXPECT_EQ(text, "before");
  }
}

TEST(PrinterQueryTest, FailuresOfTheCommunicationObjectAreIoErrors) {
  std::string text;
  {
    ScriptedComm comm;
    ScriptXjK52(comm);
    comm.SetPurgeResult(XJC_E_NOT_OPEN);
    PrinterQuery query(&comm);
    EXPECT_EQ(query.ReadInfoText(PrinterQuery::kInfoModel, &text), Status::kIoError);
    EXPECT_TRUE(comm.Writes().empty());
  }
  {
    ScriptedComm comm;
    ScriptXjK52(comm);
    comm.SetReadResult(XJC_E_IO);
    PrinterQuery query(&comm);
    EXPECT_EQ(query.ReadInfoText(PrinterQuery::kInfoModel, &text), Status::kIoError);
  }
  {
    ScriptedComm comm;
    ScriptXjK52(comm);
    comm.SetWriteResult(XJC_E_TIMEOUT);
    PrinterQuery query(&comm);
    EXPECT_EQ(query.ReadInfoText(PrinterQuery::kInfoModel, &text), Status::kNoAnswer);
  }
  PrinterQuery query(nullptr);
  EXPECT_EQ(query.ReadInfoText(PrinterQuery::kInfoModel, &text), Status::kIoError);
  EXPECT_TRUE(text.empty());
}

TEST(PrinterQueryTest, IdByteRejectsBlocksAndExtraBytes) {
  struct Case {
    const char* what;
    std::string reply;
    Status expected;
  };
  const Case cases[] = {
      {"a text block", TextReply("XJ-K52II"), Status::kBadReply},
      {"a data block", ValueReply(3, "6"), Status::kBadReply},
      {"two bytes", Bytes({0x90, 0x90}), Status::kBadReply},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedComm comm;
    comm.OnCommand(CmdId(1), c.reply);
    PrinterQuery query(&comm);
    std::uint8_t id = 7;
    EXPECT_EQ(query.ReadIdByte(PrinterQuery::kIdModel, &id), c.expected);
    EXPECT_EQ(id, 7);
  }
  ScriptedComm comm;
  PrinterQuery query(&comm);
  std::uint8_t id = 0;
  EXPECT_EQ(query.ReadIdByte(4, &id), Status::kBadReply);  // not an ID request
  EXPECT_TRUE(comm.Writes().empty());
}

TEST(PrinterQueryTest, CustomizedValueReplies) {
  struct Case {
    const char* what;
    std::string reply;
    Status expected;
    std::optional<std::uint32_t> value;
  };
  const Case cases[] = {
      {"58 mm", ValueReply(3, "1"), Status::kOk, 1u},
      {"80 mm", ValueReply(3, "6"), Status::kOk, 6u},
      {"no value", ValueReply(3, ""), Status::kOk, std::nullopt},
      {"another setting", ValueReply(5, "6"), Status::kBadReply, 99u},
      {"letters in the value", ValueReply(3, "6a"), Status::kBadReply, 99u},
      {"value beyond 32 bits", ValueReply(3, "4294967296"), Status::kBadReply, 99u},
      {"no separator", Bytes({0x37, 0x27, '3', '6', 0x00}), Status::kBadReply, 99u},
      {"wrong identifier", Bytes({0x37, 0x21, '3', 0x1F, '6', 0x00}), Status::kBadReply, 99u},
      {"no answer", "", Status::kNoAnswer, 99u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedComm comm;
    comm.OnCommand(CmdReadValue(3), c.reply);
    PrinterQuery query(&comm);
    std::optional<std::uint32_t> value = 99u;
    EXPECT_EQ(query.ReadCustomizedValue(3, &value), c.expected);
    EXPECT_EQ(value, c.value);
  }
}

TEST(PrinterQueryTest, NvCapacityAndBatteryReplies) {
  ScriptedComm comm;
  ScriptXjK52(comm);
  PrinterQuery query(&comm);
  std::uint32_t capacity = 0;
  ASSERT_EQ(query.ReadNvGraphicsCapacity(&capacity), Status::kOk);
  EXPECT_EQ(capacity, 393216u);
  std::uint8_t source = 9;
  std::uint8_t level = 9;
  ASSERT_EQ(query.ReadBattery(&source, &level), Status::kOk);
  EXPECT_EQ(source, 1);
  EXPECT_EQ(level, 5);

  comm.OnCommand(CmdNvCapacity(), Bytes({0x37, 0x31, 0x00}));
  EXPECT_EQ(query.ReadNvGraphicsCapacity(&capacity), Status::kBadReply);
  comm.OnCommand(CmdNvCapacity(), Bytes({0x37, 0x31, '1', '2', 'k', 0x00}));
  EXPECT_EQ(query.ReadNvGraphicsCapacity(&capacity), Status::kBadReply);
  EXPECT_EQ(capacity, 393216u);

  const std::string badBattery[] = {
      Bytes({0x37, 0x45, 0x32, 0x35, 0x00}),        // unknown power source
      Bytes({0x37, 0x45, 0x30, 0x37, 0x00}),        // level above full
      Bytes({0x37, 0x45, 0x30, 0x00}),              // level missing
      Bytes({0x37, 0x45, 0x30, 0x33, 0x33, 0x00}),  // one byte too many
  };
  for (const std::string& reply : badBattery) {
    comm.OnCommand(CmdBattery(), reply);
    EXPECT_EQ(query.ReadBattery(&source, &level), Status::kBadReply);
  }
  EXPECT_EQ(source, 1);
  EXPECT_EQ(level, 5);
}

TEST(PrinterQueryTest, CustomizedValuesGoOutInOneWriteAndTheRepliesAreTakenInOrder) {
  using Values = std::vector<std::optional<std::uint32_t>>;
  ScriptedComm comm;
  comm.OnCommand(CmdReadValue(3) + CmdReadValue(5) + CmdReadValue(101),
                 ValueReply(3, "6") + ValueReply(5, "65535") + ValueReply(101, ""));
  comm.SetChunkSize(3);  // replies may straddle reads
  PrinterQuery query(&comm);
  Values values;
  EXPECT_EQ(query.ReadCustomizedValues({3, 5, 101}, &values), (std::vector<Status>{Status::kOk, Status::kOk, Status::kOk}));
  EXPECT_EQ(values, (Values{6u, 65535u, std::nullopt}));
  EXPECT_EQ(comm.Writes().size(), 1u);
  EXPECT_EQ(comm.PurgeCount(), 1);

  // The printer answers the second request for another setting and the third not at
  // all: no value is taken from the wrong reply, and the rest is not waited for.
  ScriptedComm wrong;
  wrong.OnCommand(CmdReadValue(3) + CmdReadValue(5) + CmdReadValue(6) + CmdReadValue(12),
                  ValueReply(3, "6") + ValueReply(6, "9"));
  PrinterQuery other(&wrong);
  EXPECT_EQ(other.ReadCustomizedValues({3, 5, 6, 12}, &values),
            (std::vector<Status>{Status::kOk, Status::kBadReply, Status::kNoAnswer, Status::kNoAnswer}));
  EXPECT_EQ(values, (Values{6u, std::nullopt, std::nullopt, std::nullopt}));
  // A reply with more bytes behind it at the end of the batch is not the answer.
  ScriptedComm extra;
  extra.OnCommand(CmdReadValue(3), ValueReply(3, "6") + "XJ");
  EXPECT_EQ(PrinterQuery(&extra).ReadCustomizedValues({3}, &values), std::vector<Status>{Status::kBadReply});
  EXPECT_TRUE(PrinterQuery(&extra).ReadCustomizedValues({}, &values).empty());
}

}  // namespace

namespace {

const std::string kKeyListCommand = Bytes({0x1D, 0x28, 0x4C, 0x04, 0x00, 0x30, 0x40, 'K', 'C'});

TEST(PrinterQueryTest, NvKeyCodesAreCollectedOverContinuedBlocks) {
  ScriptedComm comm;
  // Two blocks: the first announces more and the host's ACK brings the last.
  comm.OnCommand(kKeyListCommand, Bytes({0x37, 0x72, 0x41, 'A', '1', 'B', '2', 0x00}));
  comm.OnCommand(Bytes({0x06}), Bytes({0x37, 0x72, 0x40, '~', ' ', 0x00}));
  PrinterQuery query(&comm);
  std::vector<std::uint16_t> keys;
  ASSERT_EQ(query.ReadNvKeyCodes(&keys), Status::kOk);
  EXPECT_EQ(keys, (std::vector<std::uint16_t>{0x4131, 0x4232, 0x7E20}));
  EXPECT_EQ(comm.Writes(), (std::vector<std::string>{kKeyListCommand, Bytes({0x06})}));

  comm.OnCommand(kKeyListCommand, Bytes({0x37, 0x72, 0x40, 0x00}));
  ASSERT_EQ(query.ReadNvKeyCodes(&keys), Status::kOk);
  EXPECT_TRUE(keys.empty()) << "no graphics stored";

  keys = {0x4141};
  const std::string bad[] = {
      Bytes({0x37, 0x72, 0x40, 'A', 0x00}),          // half a key
      Bytes({0x37, 0x72, 0x40, 'A', 0x1F, 0x00}),    // key byte below 32
      Bytes({0x37, 0x72, 0x42, 'A', 'B', 0x00}),     // neither last nor more
      Bytes({0x37, 0x72, 0x41, 0x00}),               // more announced, nothing carried
      Bytes({0x37, 0x31, 0x40, 0x00}),               // another reply
  };
  for (const std::string& reply : bad) {
    comm.OnCommand(kKeyListCommand, reply);
    EXPECT_EQ(query.ReadNvKeyCodes(&keys), Status::kBadReply);
  }
  // The continuation never comes.
  comm.OnCommand(kKeyListCommand, Bytes({0x37, 0x72, 0x41, 'A', 'B', 0x00}));
  comm.OnCommand(Bytes({0x06}), "");
  EXPECT_EQ(query.ReadNvKeyCodes(&keys), Status::kNoAnswer);
  EXPECT_EQ(keys, std::vector<std::uint16_t>{0x4141}) << "kept on failure";
}

}  // namespace
