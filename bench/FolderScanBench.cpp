// Plot folder scan speed: a folder of 10 000 small plot files spread over
// 50 subfolders, scanned the way every refresh of the file list does
// (directory walk, the writer check with a lease, statx, row texts).
// Reports files per second; the folder is built once in the temporary
// folder and removed at exit.
//
//   plotvane_bench --benchmark_filter=FolderScan
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "mainframe/FolderScan.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFolders = 50;
constexpr int kFilesPerFolder = 200;

class BigPlotFolder {
public:
    BigPlotFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "plotvane-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        m_path = pattern;
        for (int f = 0; f < kFolders; ++f) {
            const fs::path folder = fs::path(m_path) / ("order" + std::to_string(f));
            fs::create_directories(folder);
            for (int i = 0; i < kFilesPerFolder; ++i) {
                std::ofstream out(folder / ("piece" + std::to_string(i) + ".plt"));
                out << "IN;SP1;PU0,0;PD" << i * 10 << ",0;PU;";
            }
        }
    }
    ~BigPlotFolder()
    {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

const BigPlotFolder& Folder()
{
    static const BigPlotFolder folder;
    return folder;
}

void ScanBench(benchmark::State& state, const FolderScan::Options& options)
{
    const std::string& path = Folder().Path();
    std::size_t rows = 0;
    for (auto _ : state) {
        const FolderScanResult result = FolderScan::ScanFolder(path, options);
        rows = result.rows.size();
        benchmark::DoNotOptimize(result.rows.data());
    }
    if (rows != static_cast<std::size_t>(kFolders * kFilesPerFolder))
        state.SkipWithError("the scan missed files");
    state.counters["files_per_s"] =
        benchmark::Counter(static_cast<double>(rows) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

void BM_FolderScan10000Files(benchmark::State& state)
{
    ScanBench(state, FolderScan::Options());
}
BENCHMARK(BM_FolderScan10000Files)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same walk with the fallback writer check (no lease), to show what the
// lease costs per file.
void BM_FolderScan10000FilesNoLease(benchmark::State& state)
{
    FolderScan::Options options;
    options.useLease = false;
    options.quietPeriod = std::chrono::milliseconds(0);
    ScanBench(state, options);
}
BENCHMARK(BM_FolderScan10000FilesNoLease)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
