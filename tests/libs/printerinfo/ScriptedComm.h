#pragma once
// ScriptedComm: a communication object (IXJComm) that plays a printer from a script: each
// command written gets the reply configured for it, unknown commands get none. Reads
// never wait: an empty queue answers XJC_E_TIMEOUT at once, so failure paths run fast.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "sdk/IXJComm.h"

class ScriptedComm : public IXJComm {
 public:
  // The reply queued after every write of exactly `command`.
  void OnCommand(const std::string& command, const std::string& reply);
  // Bytes handed out per Read; 0 (the default) hands out everything queued.
  void SetChunkSize(std::size_t size);
  // Queues bytes as if the printer had sent them unasked.
  void Inject(const std::string& bytes);
  // Results other than XJC_OK make the operation fail with that code.
  void SetWriteResult(std::uint32_t code);
  void SetReadResult(std::uint32_t code);
  void SetPurgeResult(std::uint32_t code);
  // After `count` more successful writes every write fails with XJC_E_IO (a connection
  // lost halfway); a negative count lifts the limit.
  void FailWritesAfter(int count);
  // The connection comes back: after `failures` more failed RecoverySending calls the
  // next one succeeds and lifts the limit of FailWritesAfter. Without this call
  // RecoverySending always succeeds and changes nothing.
  void ReconnectAfter(int failures);
  int RecoveryCount() const;

  std::vector<std::string> Writes() const;
  int PurgeCount() const;

  std::uint32_t Read(void* buffer, std::uint32_t size, std::uint32_t* done,
                     std::uint32_t timeoutMs) override;
  std::uint32_t Write(const void* data, std::uint32_t size, std::uint32_t* done,
                      std::uint32_t timeoutMs) override;
  std::uint32_t Purge() override;
  std::uint32_t SetFlowCtrlForced(std::int32_t forced) override;
  std::uint32_t RecoverySending() override;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::string> replies_;
  std::string queue_;
  std::size_t chunk_ = 0;
  std::uint32_t writeResult_ = 0;
  std::uint32_t readResult_ = 0;
  std::uint32_t purgeResult_ = 0;
  int writeBudget_ = -1;
  std::vector<std::string> writes_;
  int purges_ = 0;
  int reconnectFailures_ = -1;  // -1: RecoverySending changes nothing
  int recoveries_ = 0;
};

// Byte strings from lists of values: Bytes({0x1D, 0x49, 0x43}).
std::string Bytes(std::initializer_list<int> values);

// Scripts an XJ-K52II that answers every request the information libraries send:
// device ID 144, model "XJ-K52II", maker "NORVE", firmware "1.07", serial "K52-000123",
// fonts "CHINESE", paper width setting 6 (80 mm), NV capacity 393216, battery level 5
// on battery power.
void ScriptXjK52(ScriptedComm& comm);

// Commands the libraries send.
std::string CmdId(int n);           // GS I n
std::string CmdReadValue(int a);    // GS ( E fn 6 a
std::string CmdNvCapacity();        // GS ( L fn 51
std::string CmdBattery();           // DLE DC4 7 5
// Replies: "5F text 00", "37 27 a 1F value 00".
std::string TextReply(const std::string& text);
std::string ValueReply(int a, const std::string& value);
