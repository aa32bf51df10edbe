#include "invoice_list.h"

#include "framework/data/data_source.h"
#include "framework/data/grid_model.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

namespace {

constexpr int listRows = 100'000;

const kpv::protocol::DataPacket& packet() {
    static const kpv::protocol::DataPacket p = bench::InvoicePacket(listRows);
    return p;
}

// The invoice list with a data source and the grid's model over it, as on the screen.
struct Screen {
    std::unique_ptr<kpv::data::TClientDataSet> list = bench::InvoiceList();
    kpv::data::TDataSource source{nullptr, QStringLiteral("dtsNotaFiscal")};
    kpv::data::TDataSetModel model;

    Screen() {
        source.SetDataSet(list.get());
        model.SetDataSource(&source);
        std::vector<kpv::data::TModelColumn> columns;
        for (const char* name :
             {"IDCHECK", "CDFILIEMIT", "NRINSJURNF", "NMRAZSOCCLIE", "NRNOTAFISCSE", "DTENTRSAID",
              "DTEMISSAO", "CDSERIE", "VRNOTAFISC", "CDSERIERPSSERIE", "NRRPS", "IDEMISSAORPS"}) {
            columns.push_back({QString::fromLatin1(name), QString::fromLatin1(name), {}, {}});
        }
        model.SetColumns(std::move(columns));
        // The situation column's text reads another field of the same row, as the screen's handler does.
        list->FieldByName("IDEMISSAORPS")->OnGetText = [](kpv::data::TField* field, QString& text, bool) {
            const QString transmission = field->DataSet()->FieldByName("IDTRANSMISRPS")->AsString();
            text = field->AsString() == u"1" && transmission != u"1" ? QStringLiteral("Transmitido")
                                                                     : QStringLiteral("Não Emitido");
        };
        list->LoadFromPacket(packet());
    }
};

size_t storedBytes(const kpv::data::TClientDataSet& set) {
    size_t bytes = 0;
    for (int f = 0; f < set.Fields().size(); ++f) bytes += set.Column(f).bytes();
    return bytes;
}

void BM_LoadInvoicePacket(benchmark::State& state) {
    auto list = bench::InvoiceList();
    for (auto _ : state) {
        list->LoadFromPacket(packet());
        benchmark::DoNotOptimize(list->RecordCount());
    }
    state.counters["rows"] = list->RecordCount();
    state.counters["bytes_per_row"] = static_cast<double>(storedBytes(*list)) / list->RecordCount();
}
BENCHMARK(BM_LoadInvoicePacket)->Unit(benchmark::kMillisecond);

// The title click: every row ticked (or unticked) inside DisableControls.
void BM_TickAllInsideDisableControls(benchmark::State& state) {
    Screen screen;
    kpv::data::TField* tick = screen.list->FieldByName("IDCHECK");
    bool on = true;
    for (auto _ : state) {
        const QString value = on ? QStringLiteral("S") : QStringLiteral("N");
        screen.list->DisableControls();
        for (screen.list->First(); !screen.list->Eof(); screen.list->Next()) {
            screen.list->Edit();
            tick->SetAsString(value);
            screen.list->Post();
        }
        screen.list->EnableControls();
        on = !on;
    }
}
BENCHMARK(BM_TickAllInsideDisableControls)->Unit(benchmark::kMillisecond);

void BM_SingleTick(benchmark::State& state) {
    Screen screen;
    screen.list->SetRecNo(listRows / 2);
    kpv::data::TField* tick = screen.list->FieldByName("IDCHECK");
    bool on = true;
    for (auto _ : state) {
        screen.list->Edit();
        tick->SetAsString(on ? QStringLiteral("S") : QStringLiteral("N"));
        screen.list->Post();
        on = !on;
    }
}
BENCHMARK(BM_SingleTick)->Unit(benchmark::kMicrosecond);

// What a repaint of the grid reads: every cell of a 30-row window, through the model.
void BM_ReadVisibleWindow(benchmark::State& state) {
    Screen screen;
    int top = 0;
    for (auto _ : state) {
        for (int r = top; r < top + 30; ++r) {
            for (int c = 0; c < screen.model.columnCount(); ++c) {
                benchmark::DoNotOptimize(screen.model.data(screen.model.index(r, c)));
            }
        }
        top = (top + 7919) % (listRows - 30);
    }
}
BENCHMARK(BM_ReadVisibleWindow)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
