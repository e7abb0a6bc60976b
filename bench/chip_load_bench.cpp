// Loading a 5000-line chip description: bit registers on four pages, byte and word registers,
// a description section per bit register and the analog block sections.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "core/base/RecordingHost.h"
#include "core/chip/ChipLoader.h"
#include "core/chip/ChipModel.h"
#include "core/chip/MemoryTextSource.h"

namespace {

std::string Hex(int v) {
  char text[8];
  std::snprintf(text, sizeof text, "0%03XH", v);
  return text;
}

/// A chip file of about 5000 lines. Addresses repeat over the 1024-byte space; the lists stop at
/// their 512 records, and the loader keeps reading the rest of the file.
std::string LargeChipFile(int& lines) {
  std::string f = "#PRODUCT\r\nBIG5000\r\n#ROM\r\n8192\r\n#REG0\r\n000H 3FFH\r\n";
  lines = 6;
  const char* pages[] = {"#REGBIT", "#REGBIT1", "#REGBIT2", "#REGBIT3"};
  for (int p = 0; p < 4; ++p) {
    f += std::string(pages[p]) + "\r\n";
    ++lines;
    for (int i = 0; i < 120; ++i, ++lines) {
      const int a = (p * 120 + i) % 1024;
      f += Hex(a) + " R" + std::to_string(a) + " B7 B6 B5 B4 - B2 B1 B0\r\n";
    }
  }
  f += "#REGBYTE\r\n";
  ++lines;
  for (int i = 0; i < 500; ++i, ++lines) f += Hex(i) + " BY" + std::to_string(i) + " 0FFH\r\n";
  f += "#REGWORD\r\n";
  ++lines;
  for (int i = 0; i < 300; ++i, ++lines)
    f += Hex(2 * i) + " W" + std::to_string(i) + " " + Hex(2 * i + 1) + " 0 0FFH 0FFH\r\n";
  for (int i = 0; lines < 4960; ++i) {
    f += "#REGBITSTR\r\n" + Hex(i % 480) + "\r\n\"register " + std::to_string(i) + "\"\r\n";
    lines += 3;
    for (int b = 0; b < 8 && lines < 4960; ++b, ++lines)
      f += "\"bit " + std::to_string(7 - b) + " of register " + std::to_string(i) + "\"\r\n";
  }
  f += "#ADC0S\r\n000H PGA 3 0\r\n000H ADGN 2 3\r\n001H OSR 3 0\r\n001H IRQEN 1 4\r\n"
       "002H INP 3 0 AI0 AI1 AI2 AI3 AI4 AI5 AI6 AI7\r\n";
  lines += 6;
  return f;
}

void BM_LoadChipDescription5000Lines(benchmark::State& state) {
  int lines = 0;
  qx::chip::MemoryTextSource files;
  files.Set("INCLUDE/QxSel.INC", "BIG5000.CHP BIG5000 (16k)\r\n");
  files.Set("INCLUDE/BIG5000.CHP", LargeChipFile(lines));
  qx::base::RecordingHost host;
  for (auto _ : state) {
    qx::chip::ChipModel model;
    qx::chip::ChipLoader loader(model, files, host, "INCLUDE/");
    const auto r = loader.GetSELUP({});
    if (!r.Ok()) state.SkipWithError(r.error.c_str());
    benchmark::DoNotOptimize(model.ValidBits.data());
  }
  state.counters["lines"] = lines;
}
BENCHMARK(BM_LoadChipDescription5000Lines)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
