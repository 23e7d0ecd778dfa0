// Faults of the file system that a read or a save must report with its
// reason, run alike through the console program and the window's file layer.
// Each fault is made by shell commands in a fresh folder, by the user the test
// runs as; root's rights overcome some of them.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "messages.h"

namespace quorix::testing {

namespace fs = std::filesystem;

// A HEX file and its byte text.
inline constexpr std::string_view kFaultHex = ":0100000001FE\r\n:00000001FF\r\n";
inline constexpr std::string_view kFaultText = "01 ";

struct FileFault {
  const char* name;
  const char* make;         // shell commands that make the fault in the folder
  const char* path;         // the name to read or save, in the folder
  std::string_view reason;  // for an ordinary user; empty: it works
  bool rootSucceeds = false;
  [[nodiscard]] std::string_view expected() const { return rootSucceeds && ::geteuid() == 0 ? "" : reason; }
};

#define QUORIX_FAULT_HEX "printf ':0100000001FE\\r\\n:00000001FF\\r\\n' >"
inline const std::vector<FileFault> kReadFaults = {
    {"readable", QUORIX_FAULT_HEX "a.hex", "a.hex", ""},
    {"missing", "", "missing.hex", kNoSuchFileReason},
    {"through a file", "touch plain", "plain/a.hex", kNoSuchFileReason},
    {"dangling link", "ln -s nowhere.hex link.hex", "link.hex", kNoSuchFileReason},
    {"folder", "mkdir a.hex", "a.hex", kNotRegularFileReason},
    {"no read permission", QUORIX_FAULT_HEX "a.hex; chmod 0 a.hex", "a.hex", kNoReadPermissionReason, true},
    {"closed folder", "mkdir shut; " QUORIX_FAULT_HEX "shut/a.hex; chmod 0 shut", "shut/a.hex", kNoReadPermissionReason,
     true},
};
#undef QUORIX_FAULT_HEX

inline const std::vector<FileFault> kSaveFaults = {
    {"new file", "", "a.hex", ""},
    {"another's file", "echo old >a.hex; chmod 604 a.hex; [ $(id -u) != 0 ] || chown 65534:65534 a.hex", "a.hex", ""},
    {"link to a file", "echo old >real.hex; chmod 640 real.hex; ln -s real.hex a.hex", "a.hex", ""},
    {"missing folder", "", "missing/a.hex", kNoSuchFolderReason},
    {"through a file", "touch plain", "plain/a.hex", kNoSuchFolderReason},
    {"folder", "mkdir a.hex; touch a.hex/inside", "a.hex", kTargetIsFolderReason},
    {"dangling link", "ln -s nowhere.hex a.hex", "a.hex", kNoSuchFileReason},
    {"read-only file", "echo old >a.hex; chmod 444 a.hex", "a.hex", kNoWritePermissionReason, true},
    {"read-only folder", "mkdir ro; echo old >ro/a.hex; chmod 555 ro", "ro/a.hex", kNoWritePermissionReason, true},
};

inline bool shell(const std::string& commands) { return std::system(commands.c_str()) == 0; }

inline std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// Makes `fault` in the new folder `dir`; the path to read or save.
inline fs::path makeFault(const FileFault& fault, const fs::path& dir) {
  shell("mkdir " + quoted(dir) + " && cd " + quoted(dir) + " && { true\n" + fault.make + "\n}");
  return dir / fault.path;
}

inline void removeFault(const fs::path& dir) {
  shell("chmod -R u+rwX " + quoted(dir) + " 2>/dev/null; rm -rf " + quoted(dir));
}

// Every entry in `dir`: name, kind, mode, owner, group, and a link's target or a file's contents.
inline std::string listing(const fs::path& dir) {
  std::string all;
  FILE* out = ::popen(("cd " + quoted(dir) +
                       " && find . -mindepth 1 | sort | while read -r f; do stat -c '%n %F %a %u:%g' \"$f\";"
                       " if [ -L \"$f\" ]; then readlink \"$f\"; elif [ -f \"$f\" ]; then cat \"$f\"; fi; done")
                          .c_str(),
                      "r");
  for (int c = 0; out != nullptr && (c = std::fgetc(out)) != EOF;) all.push_back(static_cast<char>(c));
  if (out != nullptr) ::pclose(out);
  return all;
}

// `dir` as it must look after a save to `path` (in it) that wrote `saved`, or
// that failed and changed nothing: copied as it is now to `copy`, with the
// bytes written in place, so that mode, owner, group and links stay.
inline void expectAfterSave(const fs::path& dir, const fs::path& copy, const fs::path& path, std::string_view saved) {
  shell("cp -a " + quoted(dir) + " " + quoted(copy));
  if (!saved.empty()) shell("printf %s '" + std::string(saved) + "' >" + quoted(copy / path.lexically_relative(dir)));
}

// Runs the calling test program again as the user nobody, from a copy in a
// 0755 folder (the build tree may be closed to that user), with `args`;
// copies of `companions` lie beside it, in the folder QUORIX_TEST_PROGRAMS
// names. True when that run passed.
inline bool passesAsNobody(const std::string& args, const std::string& companions = "") {
  return shell("d=$(mktemp -d) && chmod 755 \"$d\" && cp " + quoted(fs::read_symlink("/proc/self/exe")) +
               " \"$d/test\"" + (companions.empty() ? "" : " && cp " + companions + " \"$d\"") +
               " && mkdir \"$d/home\" && chown nobody \"$d/home\" && runuser -u nobody --"
               " env HOME=\"$d/home\" QUORIX_TEST_PROGRAMS=\"$d\" \"$d/test\" " +
               args + "; s=$?; rm -rf \"$d\"; exit $s");
}

}  // namespace quorix::testing
