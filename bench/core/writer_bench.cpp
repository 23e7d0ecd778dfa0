// Saving whole images through the writer, with the recording fake standing in
// for the window and the disk.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <utility>
#include <variant>

#include "byte_text_reader.h"
#include "fake_services.h"
#include "hex.h"
#include "hex_writer.h"
#include "save_command.h"

namespace {

// `cells` cells of byte text, with no all-FF blocks, so every block is a record.
std::string byteText(std::size_t cells) {
  std::string text;
  text.reserve(cells * 3);
  for (std::size_t i = 0; i < cells; ++i) {
    const unsigned b = static_cast<unsigned>(i * 7U % 0xFEU);
    text.push_back(quorix::hexDigit(b >> 4U));
    text.push_back(quorix::hexDigit(b));
    text.push_back(' ');
  }
  return text;
}

// The fake without its per-line log, whose strings would cost more than the
// writer itself for a million records. The file's text is still built, in a
// buffer kept from run to run, as a file system keeps its pages: growing a
// fresh 45 MB string would cost more than the save.
class QuietFake : public quorix::testing::FakeServices {
 public:
  std::string file;

  QuietFake() {
    // The pages of a 16 MiB image's file are touched once, outside the timing.
    file.resize(std::size_t{48} << 20U);
  }

  std::unique_ptr<quorix::LineWriter> replaceFile(const std::string& /*path*/) override {
    file.clear();
    return std::make_unique<Writer>(file);
  }

 private:
  class Writer : public quorix::LineWriter {
   public:
    explicit Writer(std::string& out) : out_(out) {}
    bool writeLine(std::string_view line) override {
      out_.append(line).append("\r\n");
      return true;
    }
    bool commit() override { return true; }

   private:
    std::string& out_;
  };
};

// One window for all runs, so that only the command is timed: the dialog is
// answered afresh and the log emptied before each.
template <class Fake>
void save(benchmark::State& state, const char* start) {
  Fake ui;
  ui.fields[quorix::Field::Text1] = byteText(static_cast<std::size_t>(state.range(0)));
  ui.fields[quorix::Field::Text5] = start;
  for (auto _ : state) {
    ui.log.clear();
    ui.barValueHistory.clear();
    ui.saveAnswers.push_back({quorix::DialogOutcome::Chosen, "/image.hex"});
    quorix::saveCommand(ui);
    benchmark::DoNotOptimize(ui.files.size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * ui.fields[quorix::Field::Text1].size()));
}

// 65,536 cells (196,608 characters): a whole 64 KiB image at 0000.
void SaveImage(benchmark::State& state) { save<quorix::testing::FakeServices>(state, "0000"); }
BENCHMARK(SaveImage)->Arg(10912)->Arg(65536)->Unit(benchmark::kMillisecond);

// 16 MiB of cells (50 million characters) as a 32-bit image: 256 ranges of 64 KiB.
void SaveImage32(benchmark::State& state) { save<QuietFake>(state, "08000000"); }
BENCHMARK(SaveImage32)->Arg(65536)->Arg(16 << 20)->Unit(benchmark::kMillisecond);

// For comparison: only the copy of the field's text that the save gets from
// the services, fresh memory every time as in the command.
void FieldText(benchmark::State& state) {
  quorix::testing::FakeServices ui;
  ui.fields[quorix::Field::Text1] = byteText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    const std::string text = ui.text(quorix::Field::Text1);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(FieldText)->Arg(16 << 20)->Unit(benchmark::kMillisecond);

// 16 bytes a line as a terminal logs them, a time before each.
std::string logText(std::size_t cells) {
  std::string text;
  for (std::size_t i = 0; i < cells; ++i) {
    if (i % 16 == 0) text += "[11:18:07.200] ";
    const unsigned b = static_cast<unsigned>(i * 7U % 0xFEU);
    text.push_back(quorix::hexDigit(b >> 4U));
    text.push_back(quorix::hexDigit(b));
    text += i % 16 == 15 ? " \r\n" : " ";
  }
  return text;
}

// A C-style list, "0x01,0x02,", 16 bytes a line.
std::string zeroXText(std::size_t cells) {
  std::string text;
  for (std::size_t i = 0; i < cells; ++i) {
    const unsigned b = static_cast<unsigned>(i * 7U % 0xFEU);
    text += "0x";
    text.push_back(quorix::hexDigit(b >> 4U));
    text.push_back(quorix::hexDigit(b));
    text += i % 16 == 15 ? ",\n" : ",";
  }
  return text;
}

// Reading the text and making the records: the core's own work, without the
// fake and without the copy of the field's text that the command gets (whose
// fresh pages cost more than this on a loaded machine).
void coreSave(benchmark::State& state, std::string (*make)(std::size_t)) {
  const std::string text = make(static_cast<std::size_t>(state.range(0)));
  std::string units;
  for (auto _ : state) {
    state.PauseTiming();
    units = text;
    state.ResumeTiming();
    const quorix::TextBytes bytes = quorix::readByteText(std::move(units));
    const auto plan = std::get<quorix::SavePlan>(quorix::planSave(bytes, "08000000"));
    std::size_t written = 0;
    quorix::writeRecords(
        plan.image, plan.extended,
        [&written](std::string_view line) {
          written += line.size() + 2;
          return true;
        },
        [](std::size_t value) { benchmark::DoNotOptimize(value); });
    benchmark::DoNotOptimize(written);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void WriteRecords(benchmark::State& state) { coreSave(state, byteText); }
BENCHMARK(WriteRecords)->Arg(65536)->Arg(16 << 20)->Unit(benchmark::kMillisecond);

// The same image as a timestamped log and as a 0x list.
void WriteRecordsFromLog(benchmark::State& state) { coreSave(state, logText); }
BENCHMARK(WriteRecordsFromLog)->Arg(16 << 20)->Unit(benchmark::kMillisecond);
void WriteRecordsFromZeroXList(benchmark::State& state) { coreSave(state, zeroXText); }
BENCHMARK(WriteRecordsFromZeroXList)->Arg(16 << 20)->Unit(benchmark::kMillisecond);

}  // namespace
