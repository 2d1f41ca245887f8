// Benchmarks of the show's hot paths, each beside the machine's own limits
// measured on the same bytes in the same run: memcpy to a second buffer, and a
// plain in-place XOR that the compiler vectorises. A table of ratios follows
// the usual output.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/RandomSource.h"
#include "picture/BmpLoader.h"
#include "picture/BmpWriter.h"
#include "picture/ByteSource.h"
#include "picture/Effects.h"
#include "picture/PictureFile.h"
#include "picture/WorkPicture.h"

namespace {

struct Size {
    std::int32_t width;
    std::int32_t height;
};
constexpr Size kSizes[] = {{400, 400}, {1920, 1080}, {4000, 3000}};

// A picture of the given size with arbitrary content, bottom-up as most files are.
std::unique_ptr<WorkPicture> MakePicture(Size size) {
    const PixelLayout layout{size.width, size.height,
                             (static_cast<std::size_t>(size.width) * 3 + 3) / 4 * 4, false};
    PixelRows rows(layout, HeapPixels().Allocate(layout));
    for (std::size_t i = 0; i < rows.layout.Size(); ++i)
        rows.Data()[i] = static_cast<std::uint8_t>(i * 31);
    auto picture = std::make_unique<WorkPicture>();
    picture->Replace(std::move(rows));
    return picture;
}

Size SizeOf(const benchmark::State& state) { return kSizes[state.range(0)]; }

// One picture a size for every benchmark, so that each works on the same bytes
// in the same memory as its references: where a picture lies decides how well
// it fits the caches.
WorkPicture& SharedPicture(const benchmark::State& state) {
    static std::unique_ptr<WorkPicture> pictures[std::size(kSizes)];
    auto& picture = pictures[state.range(0)];
    if (!picture) picture = MakePicture(SizeOf(state));
    return *picture;
}

void SetBytes(benchmark::State& state, Size size) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * size.width *
                            size.height * 3);
    state.SetLabel(std::to_string(size.width) + "x" + std::to_string(size.height));
}

void BM_Memcpy(benchmark::State& state) {
    WorkPicture* picture = &SharedPicture(state);
    const std::size_t n = picture->Rows().layout.Size();
    std::vector<std::uint8_t> copy(n);
    for (auto _ : state) {
        std::memcpy(copy.data(), picture->Rows().Data(), n);
        benchmark::ClobberMemory();
    }
    SetBytes(state, SizeOf(state));
}

__attribute__((noinline)) void XorInPlace(std::uint8_t* bytes, std::size_t n, std::uint8_t k) {
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(bytes[i] ^ k);
}

void BM_XorReference(benchmark::State& state) {
    WorkPicture* picture = &SharedPicture(state);
    for (auto _ : state) {
        XorInPlace(picture->WritableRows().Data(), picture->Rows().layout.Size(), 0x5A);
        benchmark::ClobberMemory();
    }
    SetBytes(state, SizeOf(state));
}

void BM_OrBitmap(benchmark::State& state) {
    WorkPicture* picture = &SharedPicture(state);
    for (auto _ : state) {
        OrRows(*picture, 0x06);
        benchmark::ClobberMemory();
    }
    SetBytes(state, SizeOf(state));
}

void BM_XorBitmap(benchmark::State& state) {
    WorkPicture* picture = &SharedPicture(state);
    for (auto _ : state) {
        XorRows(*picture, 0xF0);
        benchmark::ClobberMemory();
    }
    SetBytes(state, SizeOf(state));
}

void BM_AddRowNoise(benchmark::State& state) {
    WorkPicture* picture = &SharedPicture(state);
    RandomSource random;
    for (auto _ : state) {
        AddRowNoise(*picture, random);
        benchmark::ClobberMemory();
    }
    SetBytes(state, SizeOf(state));
}

// A 4000 x 3000 24-bit file, written once.
const std::string& BigFile() {
    static const std::string path = [] {
        std::string file =
            (std::filesystem::temp_directory_path() / "show-bench-4000x3000.bmp").string();
        auto picture = MakePicture({4000, 3000});
        const PixelRows& rows = picture->Rows();
        if (!WriteFileBytes(file,
                            EncodeBmp24(4000, 3000, [&](std::int32_t y) { return rows.Row(y); }))) {
            std::abort();
        }
        return file;
    }();
    return path;
}

void BM_ReadFile(benchmark::State& state) {
    const std::string& file = BigFile();
    const auto size = static_cast<std::size_t>(std::filesystem::file_size(file));
    for (auto _ : state) {
        std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[size]);
        std::FILE* f = std::fopen(file.c_str(), "rb");
        benchmark::DoNotOptimize(std::fread(bytes.get(), 1, size, f));
        std::fclose(f);
        benchmark::DoNotOptimize(bytes.get());
    }
    SetBytes(state, {4000, 3000});
}

void BM_LoadBmp(benchmark::State& state) {
    const std::string& file = BigFile();
    for (auto _ : state) {
        FileSource source;
        if (!source.Open(file)) state.SkipWithError("cannot open the file");
        auto rows = LoadBmp(source);
        benchmark::DoNotOptimize(rows->Data());
    }
    SetBytes(state, {4000, 3000});
}

// A reload as the show makes it: into the picture's ready storage.
void BM_ReloadPicture(benchmark::State& state) {
    const std::string& file = BigFile();
    WorkPicture picture;
    ReloadPicture(picture, file);
    picture.ReserveSpare();
    for (auto _ : state) {
        ReloadPicture(picture, file);
        benchmark::DoNotOptimize(picture.Rows().Data());
    }
    SetBytes(state, {4000, 3000});
}

BENCHMARK(BM_Memcpy)->DenseRange(0, 2);
BENCHMARK(BM_XorReference)->DenseRange(0, 2);
BENCHMARK(BM_OrBitmap)->DenseRange(0, 2);
BENCHMARK(BM_XorBitmap)->DenseRange(0, 2);
BENCHMARK(BM_AddRowNoise)->DenseRange(0, 2);
BENCHMARK(BM_ReadFile);
BENCHMARK(BM_LoadBmp);
BENCHMARK(BM_ReloadPicture);

// Prints the usual table, then each measurement against its reference.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    // With repetitions, the median stands for the benchmark.
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            // The name without the run's settings (minimum time, repetitions).
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                m_times[name] = run.GetAdjustedRealTime();
                m_median.insert(name);
            } else if (run.run_type == Run::RT_Iteration && m_median.count(name) == 0) {
                m_times[name] = run.GetAdjustedRealTime();
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-22s %12s %10s %10s %8s\n", "operation", "size", "/ memcpy", "/ in-place",
                    "target");
        for (const char* op : {"BM_OrBitmap", "BM_XorBitmap", "BM_AddRowNoise"}) {
            const double target = std::string(op) == "BM_AddRowNoise" ? 1.3 : 1.1;
            for (int i = 0; i < 3; ++i) {
                char arg[4] = {'/', static_cast<char>('0' + i), 0, 0};
                char size[32];
                std::snprintf(size, sizeof size, "%dx%d", kSizes[i].width, kSizes[i].height);
                Row(std::string(op).append(arg), std::string("BM_Memcpy").append(arg),
                    std::string("BM_XorReference").append(arg), target, size);
            }
        }
        Row("BM_LoadBmp", "BM_ReadFile", "", 1.5, "4000x3000");
        Row("BM_ReloadPicture", "BM_ReadFile", "", 1.5, "4000x3000");
    }

private:
    static std::string Fixed(double v) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", v);
        return text;
    }
    void Row(const std::string& name, const std::string& first, const std::string& second,
             double target, const std::string& size) {
        auto time = [this](const std::string& n) {
            return m_times.count(n) != 0 ? m_times[n] : 0.0;
        };
        if (time(name) == 0 || time(first) == 0) return;
        const double a = time(name) / time(first);
        const double b = second.empty() ? a : time(name) / time(second);
        std::printf("%-22s %12s %10.2f %10s %5.1f x %s\n", name.c_str() + 3, size.c_str(), a,
                    second.empty() ? "-" : Fixed(b).c_str(), target, b <= target ? "ok" : "MISSED");
    }
    std::map<std::string, double> m_times;
    std::set<std::string> m_median;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove(BigFile());
    return 0;
}
