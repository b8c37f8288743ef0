// cleanup_speed: the clean-up's steps in a Windows build under Wine (each width its own build), each as a ratio to
// writing the same page as PNG bytes in the same run: the emulator and the machine slow both alike, so the ratio
// carries from run to run where the milliseconds do not. `--smoke`: one run each, only that it runs through.
#include "bench/cleanup/step_times.h"
#include "imaging/byte_sink.h"
#include "imaging/png/png_writer.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    const int runs = argc > 1 && std::strcmp(argv[1], "--smoke") == 0 ? 1 : 5;
    const vantrel::imaging::PageBuffer page = bench::SpeedPage();
    const bench::Summary png = bench::Time(runs, [&] {
        vantrel::imaging::MemorySink sink;
        vantrel::imaging::WritePng(page.View(), sink);
    });
    std::printf("\n| Clean-up step under Wine (%zu-bit), A4 300 dpi grey page | Median | Ratio to the PNG |\n|---|---:|---:|\n",
                sizeof(void*) * 8);
    std::printf("| reference: the same page written as PNG (in memory) | %.1f ms | 1.00 |\n", png.median * 1000);
    for (const auto& [step, time] : bench::TimeSteps(page.View(), runs))
        std::printf("| %s | %.1f ms | %.2f |\n", step, time.median * 1000, time.median / png.median);
    return 0;
}
