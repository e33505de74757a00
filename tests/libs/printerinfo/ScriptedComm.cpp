#include "tests/libs/printerinfo/ScriptedComm.h"

#include <algorithm>
#include <cstring>

#include "sdk/XJComm.h"

void ScriptedComm::OnCommand(const std::string& command, const std::string& reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  replies_[command] = reply;
}

void ScriptedComm::SetChunkSize(std::size_t size) {
  std::lock_guard<std::mutex> lock(mutex_);
  chunk_ = size;
}

void ScriptedComm::Inject(const std::string& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  queue_ += bytes;
}

void ScriptedComm::SetWriteResult(std::uint32_t code) {
  std::lock_guard<std::mutex> lock(mutex_);
  writeResult_ = code;
}

void ScriptedComm::SetReadResult(std::uint32_t code) {
  std::lock_guard<std::mutex> lock(mutex_);
  readResult_ = code;
}

void ScriptedComm::SetPurgeResult(std::uint32_t code) {
  std::lock_guard<std::mutex> lock(mutex_);
  purgeResult_ = code;
}

void ScriptedComm::FailWritesAfter(int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  writeBudget_ = count;
}

std::vector<std::string> ScriptedComm::Writes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return writes_;
}

int ScriptedComm::PurgeCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return purges_;
}

std::uint32_t ScriptedComm::Read(void* buffer, std::uint32_t size, std::uint32_t* done,
                                 std::uint32_t) {
  std::lock_guard<std::mutex> lock(mutex_);
  *done = 0;
  if (readResult_ != XJC_OK) return readResult_;
  if (queue_.empty()) return XJC_E_TIMEOUT;
  std::size_t n = std::min<std::size_t>(size, queue_.size());
  if (chunk_ > 0) n = std::min(n, chunk_);
  std::memcpy(buffer, queue_.data(), n);
  queue_.erase(0, n);
  *done = static_cast<std::uint32_t>(n);
  return XJC_OK;
}

std::uint32_t ScriptedComm::Write(const void* data, std::uint32_t size, std::uint32_t* done,
                                  std::uint32_t) {
  std::lock_guard<std::mutex> lock(mutex_);
  *done = 0;
  if (writeResult_ != XJC_OK) return writeResult_;
  if (writeBudget_ == 0) return XJC_E_IO;
  if (writeBudget_ > 0) --writeBudget_;
  const std::string command(static_cast<const char*>(data), size);
  writes_.push_back(command);
  const auto it = replies_.find(command);
  if (it != replies_.end()) queue_ += it->second;
  *done = size;
  return XJC_OK;
}

std::uint32_t ScriptedComm::Purge() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++purges_;
  if (purgeResult_ != XJC_OK) return purgeResult_;
  queue_.clear();
  return XJC_OK;
}

std::uint32_t ScriptedComm::SetFlowCtrlForced(std::int32_t) { return XJC_OK; }
std::uint32_t ScriptedComm::RecoverySending() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++recoveries_;
  if (reconnectFailures_ < 0) return XJC_OK;
  if (reconnectFailures_ > 0) {
    --reconnectFailures_;
    return XJC_E_IO;
  }
  writeBudget_ = -1;
  return XJC_OK;
}

void ScriptedComm::ReconnectAfter(int failures) {
  std::lock_guard<std::mutex> lock(mutex_);
  reconnectFailures_ = failures;
}

int ScriptedComm::RecoveryCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return recoveries_;
}

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

std::string CmdId(int n) { return Bytes({0x1D, 0x49, n}); }
std::string CmdReadValue(int a) { return Bytes({0x1D, 0x28, 0x45, 0x02, 0x00, 0x06, a}); }
std::string CmdNvCapacity() { return Bytes({0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30, 0x33}); }
std::string CmdBattery() { return Bytes({0x10, 0x14, 0x07, 0x05}); }

std::string TextReply(const std::string& text) {
  return Bytes({0x5F}) + text + Bytes({0x00});
}

std::string ValueReply(int a, const std::string& value) {
  return Bytes({0x37, 0x27}) + std::to_string(a) + Bytes({0x1F}) + value + Bytes({0x00});
}

void ScriptXjK52(ScriptedComm& comm) {
  comm.OnCommand(CmdId(1), Bytes({0x90}));
  comm.OnCommand(CmdId(2), Bytes({0x03}));
  comm.OnCommand(CmdId(3), Bytes({0x0A}));
  comm.OnCommand(CmdId(65), TextReply("1.07"));
  comm.OnCommand(CmdId(66), TextReply("NORVE"));
  comm.OnCommand(CmdId(67), TextReply("XJ-K52II"));
  comm.OnCommand(CmdId(68), TextReply("K52-000123"));
  comm.OnCommand(CmdId(69), TextReply("CHINESE"));
  comm.OnCommand(CmdReadValue(3), ValueReply(3, "6"));
  comm.OnCommand(CmdNvCapacity(), Bytes({0x37, 0x31}) + "393216" + Bytes({0x00}));
  comm.OnCommand(CmdBattery(), Bytes({0x37, 0x45, 0x31, 0x35, 0x00}));
}
