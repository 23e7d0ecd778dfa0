// Reading whole images through the reader, with the recording fake standing
// in for the window.
#include <benchmark/benchmark.h>

#include <string>

#include "fake_services.h"
#include "hex.h"
#include "reader.h"

namespace {

// A contiguous image of `records` 16-byte data records from address 0, with
// extended linear address records at every 64 KiB boundary.
std::string image(unsigned records) {
  std::string text;
  text.reserve(records * 45UL);
  for (unsigned r = 0; r < records; ++r) {
    const unsigned address = (r * 16U) & 0xFFFFU;
    if (address == 0 && r != 0) {
      const unsigned upper = r * 16U >> 16U;
      const unsigned sum = 2U + 4U + (upper >> 8U) + (upper & 0xFFU);
      text += ":02000004" + quorix::Hexx(upper >> 8U) + quorix::Hexx(upper) + quorix::Hexx(-static_cast<long long>(sum)) + "\r\n";
    }
    std::string line = ":10" + quorix::Hexx(address >> 8U) + quorix::Hexx(address) + "00";
    unsigned sum = 0x10U + (address >> 8U) + (address & 0xFFU);
    for (unsigned i = 0; i < 16; ++i) {
      const unsigned b = (r + i * 7U) & 0xFFU;
      line += quorix::Hexx(b);
      sum += b;
    }
    text += line + quorix::Hexx(-static_cast<long long>(sum)) + "\r\n";
  }
  return text + ":00000001FF\r\n";
}

void ReadImage(benchmark::State& state) {
  const std::string file = image(static_cast<unsigned>(state.range(0)));
  for (auto _ : state) {
    quorix::testing::FakeServices ui;
    ui.files["/image.hex"] = file;
    ui.dialogFileName = "/image.hex";
    quorix::dakai_hex(ui);
    benchmark::DoNotOptimize(ui.fields[quorix::Field::Text1].data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
// 4,096 records: a whole 64 KiB image; 262,144 records: 4 MiB of data, about 11 MiB of HEX text.
BENCHMARK(ReadImage)->Arg(4096)->Arg(65536)->Arg(262144)->Unit(benchmark::kMillisecond);

}  // namespace
