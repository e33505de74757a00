#pragma once
// CBackupCtrl: the controller of the Settings Backup plug-in. It owns no data block of
// its own; it uses the setting blocks of the other pages (and supplies their defaults
// when no page did, as on a printer without the auto cutter page) and makes the
// backup page. UI thread.
#include "plugins/common/CPluginPageCtrl.h"

class CBackupCtrl : public CPluginPageCtrl {
 public:
  CBackupCtrl();
  ~CBackupCtrl() override;

  // The setting blocks: 0x00010005, 0x00010006, 0x00010007 and 0x0001000B.
  std::int32_t GetDependData(DataBlockDesc* records, std::int32_t& count) override;
  // Stores the default contents of one of those blocks; kSettingNotFound for any other id.
  std::int32_t SetDefaultData(std::uint32_t id) override;
  void CreatePages() override;
  std::u16string MenuTitle() const override;
};
