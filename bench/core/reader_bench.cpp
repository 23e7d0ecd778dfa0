// Reading whole images through the reader, with the recording fake standing
// in for the window.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "byte_text_writer.h"
#include "fake_services.h"
#include "hex_images.h"
#include "hex_reader.h"
#include "input_file.h"
#include "open_command.h"

namespace {

using quorix::FileContents;

// The fake window, handed the file as the file layer hands it over: read
// once into the string the reader gets, not copied again.
class HandedFile : public quorix::testing::FakeServices {
 public:
  std::string contents;
  FileContents readFile(const std::string& /*path*/) override {
    return {FileContents::Status::Read, std::move(contents)};
  }
};

void ReadImage(benchmark::State& state) {
  const std::string file = quorix::bench::hexImage(static_cast<unsigned>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    {
      HandedFile ui;
      ui.contents = file;
      state.ResumeTiming();
      quorix::dakai_hex(ui);
      benchmark::DoNotOptimize(ui.fields[quorix::Field::Text1].data());
      state.PauseTiming();
    }
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
// 4,096 records: a whole 64 KiB image; 262,144 records: 4 MiB of data, about
// 11 MiB of HEX text; 1,048,576 records: the largest span read, 16 MiB, a
// 47 MB file that becomes 50 MB of byte text.
BENCHMARK(ReadImage)->Arg(4096)->Arg(65536)->Arg(262144)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// The core's side of the open alone: the file read from the disk and
// converted; the byte text is counted as it goes to the field, not copied.
class CountingField : public quorix::testing::FakeServices {
 public:
  std::size_t chars = 0;
  FileContents readFile(const std::string& path) override { return quorix::readInputFile(path); }
  void setSelText(std::string_view text) override { chars += text.size(); }
};

void OpenFromDisk(benchmark::State& state) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("quorix-bench-" + std::to_string(state.range(0)) + ".hex")).string();
  std::ofstream(path, std::ios::binary) << quorix::bench::hexImage(static_cast<unsigned>(state.range(0)));
  for (auto _ : state) {
    CountingField ui;
    ui.dialogFileName = path;
    quorix::dakai_hex(ui);
    benchmark::DoNotOptimize(ui.chars);
  }
  std::remove(path.c_str());
}
BENCHMARK(OpenFromDisk)->Arg(4096)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// The HEX reader alone: text to checked image, laid out in blocks; the text
// is copied afresh outside the timing, as the reader reuses it.
void ReadHexToImage(benchmark::State& state, const std::string& file) {
  for (auto _ : state) {
    state.PauseTiming();
    std::string text = file;
    state.ResumeTiming();
    const quorix::HexContents contents = quorix::readHex(text);
    benchmark::DoNotOptimize(quorix::layOut(contents.image).cells());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}

void ContiguousImage(benchmark::State& state) {
  ReadHexToImage(state, quorix::bench::hexImage(static_cast<unsigned>(state.range(0))));
}
BENCHMARK(ContiguousImage)->Arg(4096)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// 4,000 ranges of 64 bytes scattered over 4 GiB, the records shuffled: 4,000
// blocks of byte text.
void ScatteredImage(benchmark::State& state) {
  std::vector<std::string> records;
  std::uint64_t seed = 12345;
  for (unsigned r = 0; r < 4000; ++r) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    const auto upper = static_cast<unsigned>(r * 16 + (seed >> 60U));  // one range per 1 MiB, 4,000 MiB in all
    std::string lines = quorix::testing::record(0, 4, {upper >> 8U, upper & 0xFFU}) + "\r\n";
    for (unsigned k = 0; k < 4; ++k) {
      lines += quorix::testing::record(0x1000 + 16 * k, 0, std::vector<unsigned>(16, r & 0xFFU)) + "\r\n";
    }
    records.push_back(lines);
  }
  std::string file;
  for (std::size_t i = 0; i < records.size(); ++i) file += records[(i * 2654435761U) % records.size()];
  ReadHexToImage(state, file + ":00000001FF\r\n");
}
BENCHMARK(ScatteredImage)->Unit(benchmark::kMillisecond);

}  // namespace
