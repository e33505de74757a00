#include "libs/xjcomm/ReplyFilter.h"

#include <gtest/gtest.h>

namespace xjcomm {
namespace {

ReplyFilter::FeedResult Feed(ReplyFilter& f, const Bytes& bytes) {
  return f.Feed(bytes.data(), bytes.size());
}

TEST(ReplyFilterTest, StatusBlocksBetweenRepliesNeverReachTheReplies) {
  ReplyFilter f;
  const auto r = Feed(f, {0x12, 0x10, 0x00, 0x00, 0x00, 0x5F, 'A', 'B', 0x00, 0x38, 0x08, 0x00, 0x00, 0x90});
  ASSERT_EQ(r.statusBlocks.size(), 2u);
  EXPECT_EQ(r.statusBlocks[1][0], 0x38);
  ASSERT_EQ(f.UnitCount(), 3u);
  EXPECT_EQ(f.Units()[0].kind, UnitKind::RealTimeStatus);
  EXPECT_EQ(f.Units()[1].kind, UnitKind::Block);
  EXPECT_EQ(f.Units()[1].bytes, (Bytes{0x5F, 'A', 'B', 0x00}));
  EXPECT_EQ(f.Units()[2].kind, UnitKind::PrinterId);
  EXPECT_EQ(f.Units()[2].bytes, Bytes{0x90});
}

TEST(ReplyFilterTest, StatusBlockMaySpanSeveralReads) {
  ReplyFilter f;
  EXPECT_TRUE(Feed(f, {0x10, 0x00}).statusBlocks.empty());
  const auto r = Feed(f, {0x00, 0x00, 0x12});
  ASSERT_EQ(r.statusBlocks.size(), 1u);
  ASSERT_EQ(f.UnitCount(), 1u);
  EXPECT_EQ(f.Units()[0].bytes, Bytes{0x12});
}

TEST(ReplyFilterTest, BrokenStatusBlockStartIsReadAgainAsAReply) {
  ReplyFilter f;
  // 10 then 5F: 5F cannot continue a status block, so it starts a block reply.
  const auto r = Feed(f, {0x10, 0x5F, 'X', 0x00});
  EXPECT_TRUE(r.statusBlocks.empty());
  ASSERT_EQ(f.UnitCount(), 1u);
  EXPECT_EQ(f.Units()[0].bytes, (Bytes{0x5F, 'X', 0x00}));
}

TEST(ReplyFilterTest, FlowControlIsDroppedEverywhereAndReported) {
  ReplyFilter f;
  auto r = Feed(f, {0x13, 0x5F, 'A', 0x11, 'B', 0x13, 0x00});
  EXPECT_EQ(r.lastFlow, ReplyFilter::Flow::Xoff);
  ASSERT_EQ(f.UnitCount(), 1u);
  EXPECT_EQ(f.Units()[0].bytes, (Bytes{0x5F, 'A', 'B', 0x00}));
  r = Feed(f, {0x11});
  EXPECT_EQ(r.lastFlow, ReplyFilter::Flow::Xon);
  EXPECT_EQ(f.UnitCount(), 1u);
}

TEST(ReplyFilterTest, EndlessBlockIsCutOff) {
  ReplyFilter f;
  Bytes junk(ReplyFilter::kMaxBlockLength + 10, 'z');
  junk[0] = 0x37;
  Feed(f, junk);
  ASSERT_EQ(f.UnitCount(), 11u);  // the cut block, then ten one-byte units of 'z'
  EXPECT_TRUE(f.Units()[0].complete);
  EXPECT_EQ(f.Units()[0].bytes.size(), ReplyFilter::kMaxBlockLength);
}

TEST(ReplyFilterTest, RawReadsTakeBytesAcrossUnitsAndPartialBlocks) {
  ReplyFilter f;
  Feed(f, {0x12, 0x5F, 'A', 'B'});
  std::uint8_t buffer[8] = {};
  EXPECT_EQ(f.TakeBytes(buffer, 2), 2u);
  EXPECT_EQ(buffer[0], 0x12);
  EXPECT_EQ(buffer[1], 0x5F);
  EXPECT_EQ(f.PendingBytes(), 2u);
  EXPECT_EQ(f.TakeBytes(buffer, 8), 2u);  // the rest of the incomplete block
  EXPECT_EQ(buffer[1], 'B');
  EXPECT_EQ(f.PendingBytes(), 0u);
  Feed(f, {'C', 0x00, 0x12});
  EXPECT_EQ(f.TakeBytes(buffer, 8), 3u);
  EXPECT_EQ(buffer[0], 'C');
  EXPECT_EQ(buffer[1], 0x00);
  EXPECT_EQ(buffer[2], 0x12);
  EXPECT_EQ(f.UnitCount(), 0u);
}

TEST(ReplyFilterTest, TakingAPartlyReadUnitGivesOnlyTheRest) {
  ReplyFilter f;
  Feed(f, {0x5F, 'A', 'B', 0x00, 0x90});
  std::uint8_t buffer[2];
  f.TakeBytes(buffer, 2);
  const ReplyUnit rest = f.TakeUnit(0);
  EXPECT_EQ(rest.bytes, (Bytes{'B', 0x00}));
  ASSERT_EQ(f.UnitCount(), 1u);
  EXPECT_EQ(f.PendingBytes(), 1u);
  f.Clear();
  EXPECT_EQ(f.UnitCount(), 0u);
  EXPECT_EQ(f.PendingBytes(), 0u);
}

}  // namespace
}  // namespace xjcomm
