#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "comm/Ipv4AddressEdit.h"

TEST(Ipv4AddressEdit, PartsReadSetAndClamp) {
  Ipv4AddressEdit edit;
  QSignalSpy changed(&edit, &Ipv4AddressEdit::AddressChanged);
  std::uint32_t address = 1;
  EXPECT_TRUE(edit.IsBlank());
  EXPECT_EQ(edit.GetAddress(address), 0);
  EXPECT_EQ(address, 0u);
  edit.SetAddress(0xC0A80A01u);
  EXPECT_EQ(edit.Part(0)->text(), "192");
  EXPECT_EQ(edit.Part(3)->text(), "1");
  EXPECT_EQ(edit.GetAddress(address), 4);
  EXPECT_EQ(address, 0xC0A80A01u);
  EXPECT_GE(changed.count(), 4);
  edit.ClearAddress();
  EXPECT_TRUE(edit.IsBlank());
  edit.Part(1)->setText("300");  // above 255 reads as 255
  EXPECT_EQ(edit.GetAddress(address), 1);
  EXPECT_EQ(address, 0x00FF0000u);
  EXPECT_EQ(edit.Part(4), nullptr);
}

TEST(Ipv4AddressEdit, TypingMovesOnAfterThreeDigitsOrADot) {
  Ipv4AddressEdit edit;
  edit.show();
  edit.activateWindow();
  edit.Part(0)->setFocus();
  QTest::keyClicks(edit.Part(0), "10");
  QTest::keyClick(edit.Part(0), Qt::Key_Period);
  EXPECT_EQ(edit.focusWidget(), edit.Part(1));
  QTest::keyClicks(edit.Part(1), "999");  // a full part moves on and is brought to 255
  EXPECT_EQ(edit.Part(1)->text(), "255");
  EXPECT_EQ(edit.focusWidget(), edit.Part(2));
  QTest::keyClicks(edit.Part(2), "a7");  // letters are not taken
  EXPECT_EQ(edit.Part(2)->text(), "7");
  std::uint32_t address = 0;
  EXPECT_EQ(edit.GetAddress(address), 3);
  EXPECT_EQ(address, 0x0AFF0700u);
}
