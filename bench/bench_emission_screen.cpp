// The emission screen's hot paths over 100,000 invoices, through the real screen of the package: loading
// a packet into the list (with the command rule), the title click that ticks every eligible invoice and
// the one that unticks them all, moving the current row, and painting one screenful of the grid.
#include "emission/cli_kpv41000.h"
#include "framework/core/context.h"
#include "framework/data/client_data_set.h"
#include "framework/data/data_source.h"
#include "invoice_list.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

using Cli_kpv41000::frmEmissaoRPS;

constexpr int kRows = 100000;

const bench::DataPacket& packet() {
    static const bench::DataPacket p = bench::InvoicePacket(kRows);
    return p;
}

Cli_kpv41000::TfrmEmissaoRPS* screen() {
    if (!frmEmissaoRPS) Cli_kpv41000::CriaEmissaoRPS();
    return frmEmissaoRPS.data();
}

void load() {
    screen()->cdsNotaFiscal->LoadFromPacket(packet());
    screen()->dtsNotaFiscalStateChange(screen()->dtsNotaFiscal);
}

void BM_LoadIntoTheList(benchmark::State& state) {
    for (auto _ : state) load();
}
BENCHMARK(BM_LoadIntoTheList)->Unit(benchmark::kMillisecond);

void BM_TitleClickTicksAll(benchmark::State& state) {
    load();
    kpv::data::TColumn* tick = screen()->dbgPadrao->Columns().front().get();
    for (auto _ : state) {
        Cli_kpv41000::boTodosMarcados = false;
        screen()->dbgPadraoTitleClick(tick);
    }
}
BENCHMARK(BM_TitleClickTicksAll)->Unit(benchmark::kMillisecond);

void BM_TitleClickUnticksAll(benchmark::State& state) {
    load();
    kpv::data::TColumn* tick = screen()->dbgPadrao->Columns().front().get();
    for (auto _ : state) {
        Cli_kpv41000::boTodosMarcados = true;
        screen()->dbgPadraoTitleClick(tick);
    }
}
BENCHMARK(BM_TitleClickUnticksAll)->Unit(benchmark::kMillisecond);

// One step of the cursor, as the arrow keys move it: the grid follows, the footer changes and the command
// rule runs for the new row.
void BM_MoveOneRow(benchmark::State& state) {
    load();
    kpv::data::TClientDataSet* list = screen()->cdsNotaFiscal;
    list->SetRecNo(kRows / 2);
    bool down = true;
    for (auto _ : state) {
        down ? list->Next() : list->Prior();
        down = !down;
    }
}
BENCHMARK(BM_MoveOneRow)->Unit(benchmark::kMicrosecond);

// A jump from one end of the list to the other, as Ctrl+Home and Ctrl+End do.
void BM_JumpAcrossTheList(benchmark::State& state) {
    load();
    kpv::data::TClientDataSet* list = screen()->cdsNotaFiscal;
    bool toLast = true;
    for (auto _ : state) {
        toLast ? list->Last() : list->First();
        toLast = !toLast;
    }
}
BENCHMARK(BM_JumpAcrossTheList)->Unit(benchmark::kMicrosecond);

void BM_PaintOneScreenful(benchmark::State& state) {
    load();
    QWidget* viewport = screen()->dbgPadrao->viewport();
    viewport->resize(1050, 600);
    QImage canvas(viewport->size(), QImage::Format_ARGB32_Premultiplied);
    screen()->cdsNotaFiscal->SetRecNo(kRows / 2);
    for (auto _ : state) {
        QPainter painter(&canvas);
        viewport->render(&painter);
    }
}
BENCHMARK(BM_PaintOneScreenful)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    kpv::Context().reportFolder = QStringLiteral(KPV_SOURCE_DIR "/reports");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
