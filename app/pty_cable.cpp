#include "app/pty_cable.h"

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {
void MakeRaw(int fd) {
  termios tio{};
  if (tcgetattr(fd, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
  }
}
}  // namespace

bool PtyCable::Open() {
  char name[256];
  if (openpty(&masterA_, &slaveA_, name, nullptr, nullptr) != 0) return false;
  pathA_ = name;
  if (openpty(&masterB_, &slaveB_, name, nullptr, nullptr) != 0) return false;
  pathB_ = name;
  MakeRaw(slaveA_);
  MakeRaw(slaveB_);
  running_ = true;
  relay_ = std::thread([this] { Relay(); });
  return true;
}

void PtyCable::Relay() {
  pollfd fds[2] = {{masterA_, POLLIN, 0}, {masterB_, POLLIN, 0}};
  unsigned char buf[256];
  while (running_) {
    if (poll(fds, 2, 50) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (!(fds[i].revents & POLLIN)) continue;
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0 && write(fds[1 - i].fd, buf, static_cast<size_t>(n)) < 0) continue;
    }
  }
}

PtyCable::~PtyCable() {
  running_ = false;
  if (relay_.joinable()) relay_.join();
  for (int fd : {masterA_, slaveA_, masterB_, slaveB_})
    if (fd >= 0) close(fd);
}
