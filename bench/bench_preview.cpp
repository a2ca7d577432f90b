// Previewing a face model whose texture is a 1024 x 1024 DXT5 DDS: from the
// working copy to the picture in its image box, scratch files included.
#include "QtBenchmarkMain.h"

#include <QDir>
#include <QRandomGenerator>

#include "models/ModelFileBuilder.h"
#include "platform/ImageBox.h"
#include "shell/frmMain.h"
#include "support/DdsWriter.h"
#include "support/WindowEnv.h"

static void BM_TextureFace_DXT5_1024(benchmark::State& state)
{
    WindowEnv env;
    auto window = env.openWindow();
    // Block data of a real texture barely compresses: fill the blocks with noise.
    QByteArray dds = DdsWriter::dxt5(1024, 1024, DdsWriter::checkerBlock).bytes;
    QRandomGenerator rng(5);
    for (qsizetype i = 128; i < dds.size(); ++i) dds[i] = char(rng.bounded(256));
    ModelFileBuilder().dds(dds).model(QByteArray(300000, 'm')).write(QDir(env.programFolder()).filePath("Face"));

    for (auto _ : state) {
        if (!window->TextureFace()) state.SkipWithError("preview failed");
        benchmark::DoNotOptimize(window->FaceImg->picture().constBits());
    }
}
BENCHMARK(BM_TextureFace_DXT5_1024)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

LUDEX_QT_BENCHMARK_MAIN()
