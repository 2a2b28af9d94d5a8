// Start-up of the main window with three registered list files of 10,001 entries each.
#include "core/document/AppState.h"
#include "ui/app/Form1.h"
#include "ui/platform/QtPlatform.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fstream>
#include <string>

namespace {

void writeList(const QString& path, const std::string& prefix) {
    std::ofstream out(path.toStdString(), std::ios::binary);
    for (int i = 0; i < 10001; ++i) out << prefix << i << "\r\n";
}

void BM_Form1StartUp(benchmark::State& state) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    writeList(dir.filePath("EMAIL.dat"), "author");
    writeList(dir.filePath("HomePage.dat"), "http://www.example.org/page");
    writeList(dir.filePath("Needfiles.dat"), "LIBRARY");
    norvelle::QtPlatform platform;
    for (auto _ : state) {
        norvelle::AppState appState;
        norvelle::Form1 form(platform, appState);
        benchmark::DoNotOptimize(form.windowTitle());
    }
    QDir::setCurrent(previous);
}
BENCHMARK(BM_Form1StartUp)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
