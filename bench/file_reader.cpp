// Reading a 4 MB file of int32, float32 and string records through CPFileReader, against a plain
// memcpy of the same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/files/CPFileReader.h"
#include "support/ByteBuilder.h"
#include "support/TempFolder.h"

namespace {
constexpr size_t kFileBytes = 4u << 20;

// One record: an int32, a float32 and a string of 8 to 23 characters.
struct Fixture {
    Fixture() {
        ByteBuilder bytes;
        int32_t i = 0;
        while (bytes.Size() < kFileBytes) {
            bytes.Int32(i * 7919).Float32(static_cast<float>(i) * 0.25f);
            bytes.String(std::string(8 + static_cast<size_t>(i % 16), static_cast<char>('a' + i % 26)));
            ++i;
        }
        content = bytes.Str();
        folder.Write("records.bin", content);
        path = folder.File("records.bin");
    }
    TempFolder folder;
    std::string content;
    std::string path;
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

void ReaderLoad(benchmark::State& state) {
    Fixture& f = TheFixture();
    for (auto _ : state) {
        CPFileReader reader(f.path, false);
        benchmark::DoNotOptimize(reader.Load());
        benchmark::DoNotOptimize(reader.GetData());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.content.size()));
}
BENCHMARK(ReaderLoad)->Unit(benchmark::kMicrosecond);

void ReaderLoadAndParse(benchmark::State& state) {
    Fixture& f = TheFixture();
    int64_t records = 0;
    for (auto _ : state) {
        CPFileReader reader(f.path, false);
        if (reader.Load() != S_OK) state.SkipWithError("load failed");
        int64_t sum = 0;
        while (reader.GetRemaining() > 0) {
            sum += reader.ReadInt();
            sum += static_cast<int64_t>(reader.ReadFloat());
            sum += static_cast<int64_t>(reader.ReadString().size());
            ++records;
        }
        if (reader.HasOverrun()) state.SkipWithError("overrun");
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.content.size()));
    state.SetItemsProcessed(records);
}
BENCHMARK(ReaderLoadAndParse)->Unit(benchmark::kMicrosecond);

void MemcpySameBytes(benchmark::State& state) {
    Fixture& f = TheFixture();
    std::vector<char> destination(f.content.size());
    for (auto _ : state) {
        std::memcpy(destination.data(), f.content.data(), f.content.size());
        benchmark::DoNotOptimize(destination.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.content.size()));
}
BENCHMARK(MemcpySameBytes)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
