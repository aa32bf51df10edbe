// The emission screen as the user sees it, with the demo invoices fetched from the real application
// server: a picture of it is written to <build>/bin/frmEmissaoRPS.png, and what a user relies on in it
// is checked: every column readable, the footer line whole, the tick glyphs in the tick column.
#include "emission_fixture.h"
#include "framework/data/client_data_set.h"
#include "framework/data/db_grid.h"
#include "framework/data/db_text.h"

#include <QDir>
#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QtTest>

using namespace Cli_kpv41000;

namespace {

TfrmEmissaoRPS* screen() {
    return EmissionFixture::screen();
}

// How far the text's ink reaches from where it starts: what must fit for the user to read it whole.
int inkWidth(const QFontMetrics& metrics, const QString& text) {
    return text.isEmpty() ? 0 : metrics.tightBoundingRect(text).right() + 1;
}

}  // namespace

class EmissionScreenshot : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void columnsShowTheirWholeText_data();
    void columnsShowTheirWholeText();
    void footerShowsTheCurrentRowWhole();
    void picture();

  private:
    EmissionFixture fixture_;  // its user stands in for every dialog: no real one may open
};

void EmissionScreenshot::initTestCase() {
    QString error;
    QVERIFY2(fixture_.start(&error), qPrintable(error));
    QVERIFY(fixture_.openScreen());
    QVERIFY(kpv::Dispatch([] { screen()->Vd_Empresa(true); }));
    fixture_.fetch();
    QVERIFY(screen()->cdsNotaFiscal->RecordCount() > 10);
    // Two invoices ticked among unticked and greyed ones, the row after the first selected.
    const int first = fixture_.findRow("1", "1");
    const int second = fixture_.findRow("1", "1", first);
    QVERIFY(first >= 0 && second >= 0);
    fixture_.tick(first);
    fixture_.tick(second);
    screen()->cdsNotaFiscal->SetRecNo(first + 1);
    QApplication::processEvents();
}

void EmissionScreenshot::cleanupTestCase() {
    fixture_.closeScreen();
    fixture_.stop();
}

void EmissionScreenshot::columnsShowTheirWholeText_data() {
    QTest::addColumn<int>("column");
    const auto& columns = screen()->dbgPadrao->Columns();
    // The tick column shows a glyph, and the client's name may be cut like any long name.
    for (int c = 1; c < static_cast<int>(columns.size()); ++c) {
        if (columns[c]->FieldName() == "NMRAZSOCCLIE") continue;
        QTest::newRow(qPrintable(columns[c]->FieldName())) << c;
    }
}

void EmissionScreenshot::columnsShowTheirWholeText() {
    QFETCH(int, column);
    kpv::data::TDBGrid* grid = screen()->dbgPadrao;
    kpv::data::TColumn* c = grid->Columns()[column].get();
    // Text starts after the left margin and is cut at the column line.
    QStyle* style = grid->style();
    const int titleRoom = grid->columnWidth(column) - 1 - style->pixelMetric(QStyle::PM_HeaderMargin);
    const QFontMetrics titleMetrics(grid->horizontalHeader()->font());
    QVERIFY2(inkWidth(titleMetrics, c->TitleCaption()) <= titleRoom, qPrintable(c->TitleCaption()));
    // A cell lays its text out between its margins, eliding it there if the grid elides.
    const int cellMargin = style->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
    const int cellTextWidth = grid->columnWidth(column) - 2 * cellMargin;
    const int cellRoom = grid->columnWidth(column) - 1 - cellMargin;
    const QFontMetrics metrics(grid->font());
    kpv::data::TField* field = screen()->cdsNotaFiscal->FieldByName(c->FieldName());
    for (int r = 0; r < screen()->cdsNotaFiscal->RecordCount(); ++r) {
        const kpv::data::TClientDataSet::PaintRecord row(screen()->cdsNotaFiscal, r);
        const QString text = field->DisplayText();
        // A date with a time of day shows the time after the date; the column is made for the date.
        const QString needed =
            field->DataType() == kpv::data::TFieldType::ftDateTime ? text.section(' ', 0, 0) : text;
        const QString shown = metrics.elidedText(text, grid->textElideMode(), cellTextWidth);
        QVERIFY2(shown.startsWith(needed) && inkWidth(metrics, needed) <= cellRoom,
                 qPrintable(QString("row %1: %2").arg(r).arg(text)));
    }
}

void EmissionScreenshot::footerShowsTheCurrentRowWhole() {
    kpv::data::TDBText* footer = screen()->dbtNome;
    const QString text = screen()->cdsNotaFiscalDADOSRODAPE->AsString();
    QVERIFY(!text.isEmpty());
    QCOMPARE(footer->text(), text);
    QVERIFY(footer->isVisible());
    QVERIFY(inkWidth(QFontMetrics(footer->font()), text) <= footer->width());
    QVERIFY(footer->geometry().right() < screen()->panNavigator->width());
    QVERIFY(footer->font().bold());
}

void EmissionScreenshot::picture() {
    const QImage shot = screen()->grab().toImage();
    const QString file =
        QDir(qEnvironmentVariable("KPV_BIN_DIR", QDir::tempPath())).filePath("frmEmissaoRPS.png");
    QVERIFY(shot.save(file));
    QCOMPARE(shot.size(), screen()->size());
}

QTEST_MAIN(EmissionScreenshot)
#include "test_emission_screenshot.moc"
