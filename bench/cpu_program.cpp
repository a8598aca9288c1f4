// Speed of the interpreter on a CPU-bound 68000 program (a bitwise CRC-32 of
// 256 bytes, then a 16-bit multiply-accumulate over 128 word pairs), run by
// the program's own frame loop (runInstructions), beside the same computation
// compiled natively; and the start-up cost of the CPU tables.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

#include "cpu68k/cpu_state.h"
#include "cpu68k/cpu_tables.h"
#include "driver/frame_loop.h"
#include "driver/memory.h"
#include "support/system_helpers.h"

namespace {

constexpr uint32_t PROGRAM_ADDRESS = 0x1000; // clear of the idle loop: no frame ends while timing
constexpr uint32_t DATA_ADDRESS = 0x60000; // 256 bytes, then 256 more for the second factors
constexpr uint32_t RESULT_ADDRESS = 0x61000; // CRC, then the sum

// start:  LEA $60000,A0 / MOVE.W #255,D1 / MOVEQ #-1,D0 / MOVE.L #$EDB88320,D3
// byte:   MOVEQ #0,D2 / MOVE.B (A0)+,D2 / EOR.L D2,D0 / MOVEQ #7,D4
// bit:    LSR.L #1,D0 / BCC.S nox / EOR.L D3,D0
// nox:    DBF D4,bit / DBF D1,byte / NOT.L D0 / MOVE.L D0,$61000
//         LEA $60000,A0 / LEA $60100,A1 / MOVEQ #0,D5 / MOVE.W #127,D1
// mac:    MOVE.W (A0)+,D2 / MULU.W (A1)+,D2 / ADD.L D2,D5 / DBF D1,mac
//         MOVE.L D5,$61004 / BRA.W start
const uint16_t PROGRAM[] = {
    0x41F9, 0x0006, 0x0000, 0x323C, 0x00FF, 0x70FF, 0x263C, 0xEDB8, 0x8320, 0x7400, 0x1418,
    0xB580, 0x7807, 0xE288, 0x6402, 0xB780, 0x51CC, 0xFFF8, 0x51C9, 0xFFEC, 0x4680, 0x23C0,
    0x0006, 0x1000, 0x41F9, 0x0006, 0x0000, 0x43F9, 0x0006, 0x0100, 0x7A00, 0x323C, 0x007F,
    0x3418, 0xC4D9, 0xDA82, 0x51C9, 0xFFF8, 0x23C5, 0x0006, 0x1004, 0x6000, 0xFFAC,
};

uint8_t dataByte(uint32_t i) { return uint8_t(i * 37 + 11); }

struct NativeResult {
  uint32_t crc, sum;
};

NativeResult nativePass(const uint8_t* data) {
  uint32_t crc = 0xFFFFFFFF;
  for (int i = 0; i < 256; ++i) {
    crc ^= data[i];
    for (int b = 0; b < 8; ++b)
      crc = crc & 1 ? crc >> 1 ^ 0xEDB88320 : crc >> 1;
  }
  uint32_t sum = 0;
  for (int i = 0; i < 128; ++i)
    sum += uint32_t(data[2 * i] << 8 | data[2 * i + 1]) * uint32_t(data[256 + 2 * i] << 8 | data[256 + 2 * i + 1]);
  return {~crc, sum};
}

// Lays the program and its data into a fresh image and returns the instructions of one pass.
uint64_t loadProgram() {
  if (!machineMemory)
    machineMemory = static_cast<uint8_t*>(malloc(MEMORY_SIZE));
  memset(machineMemory, MEMORY_FILL, MEMORY_SIZE);
  char message[64];
  buildCpuTables(message, sizeof message);
  for (uint32_t i = 0; i < 512; ++i)
    machineMemory[DATA_ADDRESS + i] = dataByte(i);
  for (size_t i = 0; i < sizeof PROGRAM / sizeof PROGRAM[0]; ++i) {
    machineMemory[PROGRAM_ADDRESS + 2 * i] = uint8_t(PROGRAM[i] >> 8);
    machineMemory[PROGRAM_ADDRESS + 2 * i + 1] = uint8_t(PROGRAM[i]);
  }
  cpuState = CpuState{};
  cpuState.s = 1;
  cpuState.regs[REG_A7] = 0x8F000;
  setPc(PROGRAM_ADDRESS);
  uint64_t perPass = 0;
  do {
    runInstructions(1, nullptr);
    ++perPass;
  } while (getPc() != PROGRAM_ADDRESS);
  return perPass;
}

void BM_EmulatedCrcAndMultiply(benchmark::State& state) {
  const uint64_t perPass = loadProgram();
  const NativeResult expected = nativePass(machineMemory + DATA_ADDRESS);
  if (peekLong(RESULT_ADDRESS) != expected.crc || peekLong(RESULT_ADDRESS + 4) != expected.sum) {
    state.SkipWithError("the emulated program computed a wrong result");
    return;
  }
  constexpr uint32_t BATCH = 1'000'000;
  uint64_t total = 0;
  for (auto _ : state) {
    runInstructions(BATCH, nullptr);
    benchmark::ClobberMemory();
    total += BATCH;
  }
  state.counters["Minstr/s"] = benchmark::Counter(double(total) / 1e6, benchmark::Counter::kIsRate);
  state.counters["passes/s"] = benchmark::Counter(double(total) / double(perPass), benchmark::Counter::kIsRate);
  state.counters["instr/pass"] = double(perPass);
}
BENCHMARK(BM_EmulatedCrcAndMultiply)->Unit(benchmark::kMillisecond);

void BM_NativeCrcAndMultiply(benchmark::State& state) {
  uint8_t data[512];
  for (uint32_t i = 0; i < 512; ++i)
    data[i] = dataByte(i);
  for (auto _ : state) {
    benchmark::DoNotOptimize(data);
    benchmark::DoNotOptimize(nativePass(data));
  }
  state.counters["passes/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_NativeCrcAndMultiply);

// Bit-scan tables, decode expansion, sharing pass and dispatch fill (budget: 20 ms).
void BM_BuildCpuTables(benchmark::State& state) {
  char message[64];
  for (auto _ : state) {
    buildCpuTables(message, sizeof message);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_BuildCpuTables)->Unit(benchmark::kMillisecond);

} // namespace
