// RedrawScreen at the window's size (plot area 1501 x 788) with both traces,
// both spectra, the graticule, the labels and the markers, onto the ImageCanvas.
// The yardstick paints the same picture with one QPainter: a fill, the grid and
// marker lines, the same label texts, and each curve as one drawPolyline of
// points computed beforehand. RedrawVsPolyline alternates the two in blocks and
// reports both CPU times and their ratio.
#include "toolkit/image_canvas.h"
#include "view/redraw_screen.h"
#include "view/screen_geometry.h"
#include "view/spectrum_view.h"
#include "view/volt_label.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kClientWidth = 1511, kClientHeight = 899;

duruz::ScreenInputs Inputs() {
    duruz::ScreenInputs in;
    in.clientWidth = kClientWidth;
    in.clientHeight = kClientHeight;
    in.levelBarWidth = 10;
    in.positionBarHeight = 11;
    in.controlsHeight = 99;
    in.sweepRow = 1;
    in.probeRow[0] = in.probeRow[1] = 1;
    in.rangeRow[0] = 2;
    in.rangeRow[1] = 5;
    in.scope[0] = in.scope[1] = true;
    in.fft[0] = in.fft[1] = true;
    in.syncPosition = 1024;
    in.syncLevel = -300;
    return in;
}

QColor ToQColor(tk::Color c) {
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

struct Fixture {
    std::unique_ptr<duruz::CaptureStore> store = std::make_unique<duruz::CaptureStore>();
    duruz::ScreenInputs inputs = Inputs();
    duruz::SpectrumWorkArea work{};
    tk::ImageCanvas canvas{kClientWidth, kClientHeight, 0xF0F0F0};
    QImage image{kClientWidth, kClientHeight, QImage::Format_RGB32};
    QFont font;
    duruz::PlotArea area;
    std::vector<QPoint> curves[4]; // trace 1, spectrum 1, trace 2, spectrum 2
    std::vector<std::pair<QPoint, QString>> labels;

    Fixture() {
        std::mt19937 generator(3);
        std::normal_distribution<double> noise(0.0, 40.0);
        for (std::size_t i = 0; i < duruz::kSamplePairs; ++i) {
            store->CaptureBuffer[2 * i] =
                std::int16_t(1500 * std::sin(0.031 * double(i)) + noise(generator));
            store->CaptureBuffer[2 * i + 1] =
                std::int16_t(900 * std::sin(0.2 * double(i)) + noise(generator));
        }
        font = QFont("Tahoma");
        font.setPixelSize(11);
        area = duruz::ComputePlotArea(kClientWidth, kClientHeight, 10, 11, 99);
        for (int c = 0; c < 2; ++c) {
            auto& trace = curves[2 * c];
            trace.emplace_back(area.left, duruz::SampleY(store->Sample(0, c), area.height));
            for (int i = 0; i < int(duruz::kSamplePairs); ++i)
                trace.emplace_back(duruz::SweepX(area, i),
                                   duruz::SampleY(store->Sample(i, c), area.height));
            duruz::SpectrumMagnitudes m;
            duruz::ComputeSpectrum(*store, c, work, m);
            auto& spectrum = curves[2 * c + 1];
            spectrum.emplace_back(area.left, duruz::MagnitudeY(m[0], area.height));
            for (int k = 0; k < duruz::kSpectrumBins; ++k)
                spectrum.emplace_back(duruz::BinX(area, k), duruz::MagnitudeY(m[k], area.height));
        }
        char text[32];
        for (int g = 1; g <= 9; ++g) {
            const int y = duruz::GraticuleY(g, area.height), x = duruz::GraticuleX(g, area);
            labels.emplace_back(QPoint(20, y + 4), duruz::VoltLabel(100 * 32 * (5 - g)).c_str());
            labels.emplace_back(QPoint(area.width - 50, y + 4),
                                duruz::VoltLabel(100 * 8 * (5 - g)).c_str());
            std::snprintf(text, sizeof text, "%d mSec", 2 * g);
            labels.emplace_back(QPoint(x - 20, 10), text);
            std::snprintf(text, sizeof text, "%d KHz", 5 * g);
            labels.emplace_back(QPoint(x - 20, area.height - 16), text);
        }
    }
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
}

[[gnu::noinline]] void OwnRedraw(Fixture& f) {
    duruz::RedrawScreen(f.canvas, f.inputs, *f.store, f.work);
    benchmark::DoNotOptimize(f.canvas.Pixels().Data());
}

[[gnu::noinline]] void PolylineRedraw(Fixture& f) {
    QPainter p(&f.image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(0, 0, kClientWidth, kClientHeight, QColor(0xF0, 0xF0, 0xF0));
    QPen pen(ToQColor(0x808080), 1);
    pen.setCosmetic(true);
    p.setPen(pen);
    for (int g = 1; g <= 9; ++g) {
        const int y = (f.area.height * g) / 10, x = (f.area.width * g) / 10 + f.area.left;
        p.drawLine(f.area.left, y, f.area.width, y);
        p.drawLine(x, 0, x, f.area.height);
    }
    p.setFont(f.font);
    const QFontMetrics metrics(f.font);
    for (std::size_t i = 0; i < f.labels.size(); ++i) {
        p.setPen(ToQColor(i % 4 == 0 ? 0x0000FF : 0xFF0000));
        p.drawText(f.labels[i].first + QPoint(0, metrics.ascent()), f.labels[i].second);
    }
    pen.setColor(ToQColor(0x00FF00));
    p.setPen(pen);
    p.drawLine(760, 0, 760, f.area.height);
    p.drawLine(f.area.left, 300, f.area.left + f.area.width, 300);
    const tk::Color colours[4] = {0x0000FF, 0x808000, 0xFF0000, 0x000080};
    for (int c = 0; c < 4; ++c) {
        pen.setColor(ToQColor(colours[c]));
        p.setPen(pen);
        if (c % 2 == 0)
            p.drawLine(0, 0, f.area.width, 0);
        p.drawPolyline(f.curves[c].data(), int(f.curves[c].size()));
    }
    p.end();
    benchmark::DoNotOptimize(f.image.constBits());
}

void Redraw(benchmark::State& state) {
    Fixture& f = TheFixture();
    for (auto _ : state)
        OwnRedraw(f);
}
BENCHMARK(Redraw)->Unit(benchmark::kMicrosecond);

void Polyline(benchmark::State& state) {
    Fixture& f = TheFixture();
    for (auto _ : state)
        PolylineRedraw(f);
}
BENCHMARK(Polyline)->Unit(benchmark::kMicrosecond);

void RedrawVsPolyline(benchmark::State& state) {
    constexpr int kBlock = 4;
    Fixture& f = TheFixture();
    double own = 0, yardstick = 0;
    std::int64_t blocks = 0;
    for (auto _ : state) {
        const double t0 = ThreadSeconds();
        for (int i = 0; i < kBlock; ++i)
            OwnRedraw(f);
        const double t1 = ThreadSeconds();
        for (int i = 0; i < kBlock; ++i)
            PolylineRedraw(f);
        const double t2 = ThreadSeconds();
        own += t1 - t0;
        yardstick += t2 - t1;
        ++blocks;
    }
    state.counters["own_us"] = 1e6 * own / double(blocks * kBlock);
    state.counters["polyline_us"] = 1e6 * yardstick / double(blocks * kBlock);
    state.counters["ratio"] = own / yardstick;
}
BENCHMARK(RedrawVsPolyline)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
