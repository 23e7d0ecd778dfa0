// Faults of the file system that a read or a save must report with its
// reason, run alike through the console program and the window's file layer.
// Each fault is made in a fresh folder by the user the test runs as; root's
// rights overcome some of them, so each row says what root meets.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "messages.h"

namespace quorix::testing {

namespace fs = std::filesystem;

// A HEX file and the byte text it reads as; a byte text and the file it saves as.
inline constexpr std::string_view kFaultHex = ":0100000001FE\r\n:00000001FF\r\n";
inline constexpr std::string_view kFaultText = "01 ";

struct FileFault {
  const char* name;
  std::function<fs::path(const fs::path& dir)> make;  // makes the fault, gives the path to use
  std::string_view reason;                            // for an ordinary user; empty: it works
  bool rootSucceeds = false;                          // root's rights overcome the fault
  [[nodiscard]] std::string_view expected() const { return rootSucceeds && ::geteuid() == 0 ? "" : reason; }
};

inline fs::path putFile(const fs::path& path, std::string_view contents, fs::perms mode = fs::perms(0644)) {
  std::ofstream(path, std::ios::binary) << contents;
  fs::permissions(path, mode);
  return path;
}

inline std::vector<FileFault> readFaults() {
  return {
      {"readable", [](const fs::path& d) { return putFile(d / "a.hex", kFaultHex); }, ""},
      {"missing", [](const fs::path& d) { return d / "missing.hex"; }, kNoSuchFileReason},
      {"through a file", [](const fs::path& d) { return putFile(d / "plain", "x") / "a.hex"; }, kNoSuchFileReason},
      {"dangling link",
       [](const fs::path& d) {
         fs::create_symlink("nowhere.hex", d / "link.hex");
         return d / "link.hex";
       },
       kNoSuchFileReason},
      {"folder",
       [](const fs::path& d) {
         fs::create_directory(d / "folder.hex");
         return d / "folder.hex";
       },
       kNotRegularFileReason},
      {"no read permission", [](const fs::path& d) { return putFile(d / "a.hex", kFaultHex, fs::perms::none); },
       kNoReadPermissionReason, true},
      {"closed folder",
       [](const fs::path& d) {
         fs::create_directory(d / "shut");
         putFile(d / "shut" / "a.hex", kFaultHex);
         fs::permissions(d / "shut", fs::perms::none);
         return d / "shut" / "a.hex";
       },
       kNoReadPermissionReason, true},
  };
}

inline std::vector<FileFault> saveFaults() {
  return {
      {"new file", [](const fs::path& d) { return d / "new.hex"; }, ""},
      {"old file of another owner",
       [](const fs::path& d) {
         const fs::path path = putFile(d / "a.hex", "old", fs::perms(0604));
         if (::geteuid() == 0 && ::chown(path.c_str(), 65534, 65534) != 0) std::abort();
         return path;
       },
       ""},
      {"link to a file",
       [](const fs::path& d) {
         putFile(d / "real.hex", "old", fs::perms(0640));
         fs::create_symlink("real.hex", d / "link.hex");
         return d / "link.hex";
       },
       ""},
      {"missing folder", [](const fs::path& d) { return d / "missing" / "a.hex"; }, kNoSuchFolderReason},
      {"through a file", [](const fs::path& d) { return putFile(d / "plain", "x") / "a.hex"; }, kNoSuchFolderReason},
      {"folder",
       [](const fs::path& d) {
         fs::create_directory(d / "folder.hex");
         putFile(d / "folder.hex" / "inside", "x");
         return d / "folder.hex";
       },
       kTargetIsFolderReason},
      {"dangling link",
       [](const fs::path& d) {
         fs::create_symlink("nowhere.hex", d / "link.hex");
         return d / "link.hex";
       },
       kNoSuchFileReason},
      {"read-only file", [](const fs::path& d) { return putFile(d / "a.hex", "old", fs::perms(0444)); },
       kNoWritePermissionReason, true},
      {"read-only folder",
       [](const fs::path& d) {
         fs::create_directory(d / "ro");
         putFile(d / "ro" / "a.hex", "old");
         fs::permissions(d / "ro", fs::perms(0555));
         return d / "ro" / "a.hex";
       },
       kNoWritePermissionReason, true},
  };
}

// Everything in `dir` but file contents' own dates: kind, mode, owner, group,
// and contents or link target, by relative path.
inline std::map<std::string, std::string> snapshot(const fs::path& dir) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(dir, fs::directory_options::skip_permission_denied)) {
    struct stat info {};
    if (::lstat(entry.path().c_str(), &info) != 0) continue;
    std::string& e = entries[entry.path().lexically_relative(dir).string()];
    e = std::to_string(info.st_mode) + " " + std::to_string(info.st_uid) + ":" + std::to_string(info.st_gid) + " ";
    if (S_ISLNK(info.st_mode)) e += fs::read_symlink(entry.path()).string();
    std::ifstream in(entry.path(), std::ios::binary);
    if (S_ISREG(info.st_mode)) e.append(std::istreambuf_iterator<char>(in), {});
  }
  return entries;
}

// Removes a folder the faults have made, closed folders and all.
inline void removeTree(const fs::path& dir) {
  std::error_code ignored;
  fs::permissions(dir, fs::perms(0755), ignored);
  for (const auto& entry : fs::directory_iterator(dir, ignored)) {
    if (!entry.is_symlink(ignored) && entry.is_directory(ignored)) removeTree(entry.path());
  }
  fs::remove_all(dir, ignored);
}

// What is wrong with `dir` after a save to `path` that should have written
// `saved` or, with a reason, left everything as `before` showed it; empty
// when nothing is. A saved file keeps the old one's mode, owner and group,
// and a link keeps pointing where it did.
inline std::string saveOutcomeFault(const fs::path& dir, const fs::path& path,
                                    const std::map<std::string, std::string>& before, std::string_view reason,
                                    std::string_view saved) {
  const std::map<std::string, std::string> after = snapshot(dir);
  std::map<std::string, std::string> expected = before;
  if (reason.empty()) {
    const fs::path target = fs::is_symlink(path) ? path.parent_path() / fs::read_symlink(path) : path;
    const std::string key = target.lexically_relative(dir).string();
    std::string& entry = expected[key];
    if (entry.empty()) {
      const auto found = after.find(key);
      if (found == after.end() || !found->second.ends_with(saved)) return "no new file " + key;
      entry = found->second;
    } else {
      entry = entry.substr(0, entry.find(' ', entry.find(' ') + 1) + 1).append(saved);
    }
  }
  if (after == expected) return {};
  std::string differences;
  for (const auto& [name, entry] : after) {
    if (expected[name] != entry) differences += name + " is \"" + entry + "\"; ";
  }
  return differences.empty() ? "an entry is missing" : differences;
}

// Runs the calling test program again as the user nobody, from a copy in a
// 0755 folder (the build tree may be closed to that user), with `args`;
// copies of `companions` lie beside it and QUORIX_TEST_PROGRAMS names that
// folder. True when the run passed.
inline bool passesAsNobody(const std::string& args, const std::vector<std::string>& companions = {}) {
  std::string pattern = (fs::temp_directory_path() / "quorix-as-user-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return false;
  const fs::path dir = pattern;
  fs::permissions(dir, fs::perms(0755));
  fs::create_directory(dir / "home");
  if (::chown((dir / "home").c_str(), 65534, 65534) != 0) return false;
  fs::copy_file("/proc/self/exe", dir / "test");
  for (const std::string& program : companions) fs::copy_file(program, dir / fs::path(program).filename());
  const std::string command = "runuser -u nobody -- env HOME='" + (dir / "home").string() + "' QUORIX_TEST_PROGRAMS='" +
                              dir.string() + "' '" + (dir / "test").string() + "' " + args;
  const int status = std::system(command.c_str());
  fs::remove_all(dir);
  return status == 0;
}

}  // namespace quorix::testing
