#pragma once
#include <atomic>
#include <string>
#include <thread>

// Two pseudo-terminals joined by a relay thread: octets written to one tty arrive
// at the other, like a null-modem cable between two serial ports.
class PtyCable {
 public:
  PtyCable() = default;
  ~PtyCable();
  bool Open();
  const std::string& EndA() const { return pathA_; }
  const std::string& EndB() const { return pathB_; }

 private:
  void Relay();
  int masterA_ = -1, slaveA_ = -1, masterB_ = -1, slaveB_ = -1;
  std::string pathA_, pathB_;
  std::atomic<bool> running_{false};
  std::thread relay_;
};
