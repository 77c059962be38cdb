// The reported-items store at its sizes: one section per shop, one key per
// report id.  Lookups run against the cached document; a cold read parses the
// file anew; a write edits the document and replaces the file once.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "textutil/ini.h"

namespace {

namespace fs = std::filesystem;
using pelko::Text;

constexpr int kShops = 200;

Text ShopName(int i) { return "商城" + std::to_string(i); }
Text ReportId(int64_t i) { return std::to_string(10000000 + i * 7); }

// One store file per size, made once per run.
const Text& StoreOf(int entries) {
    static std::map<int, Text> made;
    auto it = made.find(entries);
    if (it != made.end()) return it->second;
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("pelko-ini-bench-" + std::to_string(std::random_device{}()));
        fs::create_directories(d);
        return d;
    }();
    const fs::path path = dir / ("store-" + std::to_string(entries) + ".ini");
    std::string data;
    data.reserve(static_cast<size_t>(entries) * 32);
    for (int s = 0; s < kShops; ++s) {
        data += "[" + ShopName(s) + "]\r\n";
        for (int64_t k = s; k < entries; k += kShops) data += ReportId(k) + "=爆料人" + std::to_string(k % 977) + "\r\n";
    }
    std::ofstream(path, std::ios::binary) << data;
    return made.emplace(entries, path.string()).first->second;
}

void Touch(const Text& file) {
    fs::last_write_time(file, fs::file_time_type::clock::now() + std::chrono::seconds(1));
}

void BM_LookupCached(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    const Text& file = StoreOf(entries);
    pelko::ReadIniValue(file, ShopName(0), ReportId(0));
    std::mt19937 rng(1);
    for (auto _ : state) {
        int64_t k = rng() % static_cast<unsigned>(entries);
        // Half of the lookups miss, as new reports do.
        Text id = (k & 1) ? ReportId(k) : ReportId(k + entries);
        benchmark::DoNotOptimize(pelko::ReadIniValue(file, ShopName(static_cast<int>(k % kShops)), id));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_FirstLookupAfterChange(benchmark::State& state) {
    const Text& file = StoreOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        Touch(file);
        state.ResumeTiming();
        benchmark::DoNotOptimize(pelko::ReadIniValue(file, ShopName(7), ReportId(7)));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(file)));
}

void BM_SingleWrite(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    const Text& file = StoreOf(entries);
    pelko::ReadIniValue(file, ShopName(0), ReportId(0));
    int64_t next = entries;
    for (auto _ : state) {
        ++next;
        pelko::WriteIniValue(file, ShopName(static_cast<int>(next % kShops)), ReportId(next), Text("新爆料人"));
    }
}

void BM_PassOfFiftyLookupsAndAFlush(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    const Text& file = StoreOf(entries);
    pelko::ReadIniValue(file, ShopName(0), ReportId(0));
    std::mt19937 rng(2);
    int64_t next = 2 * static_cast<int64_t>(entries);
    for (auto _ : state) {
        std::vector<pelko::IniWrite> writes;
        for (int i = 0; i < 50; ++i) {
            int64_t k = rng() % static_cast<unsigned>(entries);
            if (pelko::ReadIniValue(file, ShopName(static_cast<int>(k % kShops)), ReportId(k)).empty())
                writes.push_back({ShopName(static_cast<int>(k % kShops)), ReportId(k), "x"});
        }
        for (int i = 0; i < 5; ++i, ++next) writes.push_back({ShopName(static_cast<int>(next % kShops)), ReportId(next), "y"});
        pelko::WriteIniValues(file, writes);
    }
}

#define PELKO_SIZES Arg(10000)->Arg(200000)->Arg(1000000)->Unit(benchmark::kMillisecond)

BENCHMARK(BM_LookupCached)->Arg(10000)->Arg(200000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FirstLookupAfterChange)->PELKO_SIZES;
BENCHMARK(BM_SingleWrite)->PELKO_SIZES;
BENCHMARK(BM_PassOfFiftyLookupsAndAFlush)->PELKO_SIZES;

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    if (!StoreOf(10000).empty()) fs::remove_all(fs::path(StoreOf(10000)).parent_path(), ec);
    return 0;
}
