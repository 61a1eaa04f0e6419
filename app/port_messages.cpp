#include "app/port_messages.h"

#include <grp.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "runtime/port_settings.h"
#include "runtime/text_compare.h"

namespace {

// The group owning the device file, which a user joins to be allowed to open it.
std::string GroupOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return "";
  const group* owner = ::getgrgid(info.st_gid);
  return owner != nullptr && info.st_gid != 0 ? owner->gr_name : "";
}

bool IsComName(const std::string& name) {
  return name.size() > 3 && EqualsNoCase(name.substr(0, 3), "COM") &&
         name.find_first_not_of("0123456789", 3) == std::string::npos;
}

// The system's reason for a port whose path did not open, with what to do.
std::string OsReason(const clStartFailure& f) {
  switch (f.osError) {
    case EACCES:
    case EPERM: {
      const std::string group = GroupOf(f.path);
      return std::string(std::strerror(f.osError)) +
             (group.empty() ? "" : " (join the group " + group + ")");
    }
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return std::string("no such device") +
             (IsComName(f.port) ? " (a COMn name is mapped to a device in [Ports] of " +
                                      UserSettingsPath() + ")"
                                : "");
    case ENOTTY:
      return "not a tty";
    case EBUSY:
      return std::string(std::strerror(EBUSY)) +
             (f.path.empty() || f.path[0] != '/' ? "" : " (another program has it open)");
    default:
      return f.reason.empty() ? std::string(std::strerror(f.osError)) : f.reason;
  }
}

}  // namespace

std::string StartFailureMessage(const clStartFailure& f) {
  std::string text = f.device + ": " + f.Message();
  if (f.kind != clStartFailure::kPortFailed) return text;
  if (!f.heldBy.empty()) return text + ": already used by " + f.heldBy;
  if (f.path.empty() || f.osError == 0)
    return f.reason.empty() ? text : text + ": " + f.reason;
  return text + ": " + f.path + ": " + OsReason(f);
}
