#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/thread.h"
#include "runtime/traffic_queue.h"

// The headless runner's traffic consumer: drains the traffic queues of every
// device it watches and prints each record as the traffic window's "Raw Message"
// and "Translate" view shows it, prefixed with the device's name. While it runs,
// each watched queue reports a running consumer, so the devices build records.
//
// Threads: Watch is called before Start; the printer's thread then owns the
// output stream until Stop returns.
class clTrafficPrinter : public clThread {
 public:
  explicit clTrafficPrinter(std::FILE* out) : out_(out) {}
  ~clTrafficPrinter() override;

  void Watch(const std::string& deviceName, clTrafficQueue* queue);
  // Marks every watched queue as consumed and starts draining.
  bool StartPrinting();
  // Stops draining, prints what is still queued, and detaches from the queues.
  void StopPrinting();

  // One record's text: "[name] " + header, description, element text unless blank.
  static std::string FormatRecord(const std::string& deviceName, const clTrafficRecord& record);

 protected:
  void Run() override;

 private:
  struct Watched {
    std::string name;
    clTrafficQueue* queue;
  };
  // Prints every record waiting now; returns how many were printed.
  size_t DrainOnce();

  std::FILE* out_;
  std::vector<Watched> watched_;
};
