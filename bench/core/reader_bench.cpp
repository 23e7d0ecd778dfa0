// Reading whole images through the reader, with the recording fake standing
// in for the window.
#include <benchmark/benchmark.h>

#include <string>

#include "fake_services.h"
#include "hex_images.h"
#include "reader.h"

namespace {

void ReadImage(benchmark::State& state) {
  const std::string file = quorix::bench::hexImage(static_cast<unsigned>(state.range(0)));
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
