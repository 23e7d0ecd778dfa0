// The independent readers of HEX files that the tests check the program
// against: the srecord tools (srec_cat, srec_cmp, srec_info) and Debian's
// python3-intelhex, run on files in a temporary directory of their own.
#pragma once

#include <stdlib.h>  // mkdtemp
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace quorix::testing {

class SrecTools {
 public:
  static bool installed() {
    static const bool found = std::system(
                                  "command -v srec_cmp >/dev/null 2>&1 && command -v srec_cat >/dev/null 2>&1 && "
                                  "command -v srec_info >/dev/null 2>&1") == 0;
    return found;
  }

  // Debian's python3-intelhex lives with the system's python, not with one on PATH.
  static bool intelhexInstalled() {
    static const bool found = std::system("/usr/bin/python3 -c 'import intelhex' >/dev/null 2>&1") == 0;
    return found;
  }

  SrecTools() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorix-srec-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) dir_ = pattern;
  }
  SrecTools(const SrecTools&) = delete;
  SrecTools& operator=(const SrecTools&) = delete;
  SrecTools(SrecTools&&) = delete;
  SrecTools& operator=(SrecTools&&) = delete;
  ~SrecTools() {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  [[nodiscard]] std::string path(const std::string& name) const { return (dir_ / name).string(); }

  [[nodiscard]] std::string put(const std::string& name, const std::string& contents) const {
    const std::string file = path(name);
    std::ofstream(file, std::ios::binary) << contents;
    return file;
  }

  [[nodiscard]] std::string get(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  // Runs a command; its exit status, with what it said on stderr in `errors`.
  int run(const std::string& command, std::string* errors = nullptr) const {
    const std::string err = path("stderr");
    const int status = std::system((command + " 2>'" + err + "'").c_str());
    if (errors != nullptr) *errors = get("stderr");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // True when the command succeeds without a word on stderr.
  bool quietly(const std::string& command, std::string& errors) const {
    return run(command, &errors) == 0 && errors.empty();
  }

  // What srec_cat complains of when it reads a written file.
  [[nodiscard]] std::string complaints(const std::string& file) const {
    std::string errors;
    run("srec_cat '" + put("check.hex", file) + "' -intel -o /dev/null -intel", &errors);
    return errors;
  }

  // The bytes lo to hi - 1 that srec_cat reads from a HEX file, unwritten ones as FF.
  std::string image(const std::string& hexPath, std::string* errors, std::uint64_t lo = 0,
                    std::uint64_t hi = 0x10000) const {
    const std::string bin = path("image.bin");
    const std::string range = " " + std::to_string(lo) + " " + std::to_string(hi);
    if (run("srec_cat '" + hexPath + "' -intel -crop" + range + " -fill 0xFF" + range + " -offset -" +
                std::to_string(lo) + " -o '" + bin + "' -binary",
            errors) != 0) {
      return {};
    }
    return get("image.bin");
  }

  // The address ranges that srec_info finds, each as first and last address.
  [[nodiscard]] std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges(const std::string& hexPath) const {
    const std::string out = path("info.txt");
    std::vector<std::pair<std::uint64_t, std::uint64_t>> found;
    if (run("srec_info '" + hexPath + "' -intel >'" + out + "'") != 0) return found;
    std::ifstream in(out);
    std::string word;
    std::string first;
    while (in >> word) {
      if (word == "-" && in >> word) {
        found.emplace_back(std::stoull(first, nullptr, 16), std::stoull(word, nullptr, 16));
      }
      first = word;
    }
    return found;
  }

 private:
  std::filesystem::path dir_;
};

}  // namespace quorix::testing
