// The words of a lock that cannot be had, the same on every system: only Take differs.
#include <string>

#include "platform/folder_lock.h"

namespace tarn {

std::unique_ptr<FolderLock> FolderLock::TakeOrSay(const std::string& folder, std::string_view name,
                                                  std::string_view what, Need need,
                                                  std::string& why) {
  why.clear();
  Outcome outcome;
  std::string detail;
  std::unique_ptr<FolderLock> lock = Take(folder, name, outcome, detail);
  const std::string named = std::string(what) + " " + (folder.empty() ? "." : folder);
  if (outcome == Outcome::kHeld) {
    why = "another TARN run (process " + (detail.empty() ? std::string("unknown") : detail) +
          ") is using the " + named + "; try again when it has ended";
  } else if (outcome == Outcome::kRefused ||
             (outcome == Outcome::kUnavailable && need == Need::kRequired)) {
    why = "cannot lock the " + named + ": " + detail;
#ifdef _WIN32
    // On Windows the home is, unless --home says otherwise, the folder the zip was unpacked
    // into, and Program Files is the usual place a user cannot write to.
    if (name == "home" && outcome == Outcome::kUnavailable) {
      why +=
          "; unzip TARN into a folder you can write to, or give --home a folder of yours "
          "that holds a copy of TARN.MDB";
    }
#endif
  }
  return lock;
}

}  // namespace tarn
