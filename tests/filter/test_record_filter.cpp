// The mapping of a filter onto the eleven arguments of the invoice query, shared by the confirmation and
// the refresh: "T" for all operation types and all clients, the direction letter, and the values the
// emission screen supplies passed through unchanged.
#include "filter/record_filter.h"

#include <QtTest>

using Cli_kpv41100::NotaFiscalArgs;
using Cli_kpv41100::TNotaFiscalArgs;
using Cli_kpv41100::TRecordFilter;

Q_DECLARE_METATYPE(TRecordFilter)
Q_DECLARE_METATYPE(TNotaFiscalArgs)

namespace Cli_kpv41100 {
// Found by QCOMPARE, so a failure shows the arguments.
char* toString(const TNotaFiscalArgs& a) {
    const QStringList parts = {a.stCdFilial,
                               a.stTipoOper,
                               a.stCdEmpresa,
                               a.stCdInscEsta,
                               a.stCdInscMuni,
                               a.stCdSerie,
                               a.stCliente,
                               a.dtSaidIni.toString(Qt::ISODate),
                               a.dtSaidFim.toString(Qt::ISODate),
                               a.stIdOperacao,
                               a.stSituacaoRPS};
    return qstrdup(qPrintable(parts.join(u'|')));
}
}  // namespace Cli_kpv41100

namespace {

TRecordFilter Filter(bool todos, const QString& cliente, int direction) {
    TRecordFilter f;
    f.stCdFilial = QStringLiteral("0002");
    f.stCdInscEsta = QStringLiteral("244123456119");
    f.stCdInscMuni = QStringLiteral("87654321");
    f.stCdSerie = QStringLiteral("B1");
    f.dtSaidIni = QDate(2026, 3, 1);
    f.dtSaidFim = QDate(2026, 3, 17);
    f.boTodosTipoOper = todos;
    f.stCliente = cliente;
    f.nrIdOperacao = direction;
    // Read by neither path: the list sent is always the emission screen's.
    f.stListaTipoOper = QStringLiteral("S99");
    return f;
}

TNotaFiscalArgs Args(const QString& tipoOper, const QString& cliente, const QString& direction,
                     const QString& situacao) {
    return {QStringLiteral("0002"),
            tipoOper,
            QStringLiteral("01"),
            QStringLiteral("244123456119"),
            QStringLiteral("87654321"),
            QStringLiteral("B1"),
            cliente,
            QDate(2026, 3, 1),
            QDate(2026, 3, 17),
            direction,
            situacao};
}

}  // namespace

class RecordFilter : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void mapping_data();
    void mapping();
};

void RecordFilter::mapping_data() {
    QTest::addColumn<TRecordFilter>("filter");
    QTest::addColumn<QString>("lista");
    QTest::addColumn<QString>("situacao");
    QTest::addColumn<TNotaFiscalArgs>("expected");

    const QString list = QStringLiteral("S01,S05");
    QTest::newRow("Todos with an old list sends T") << Filter(true, "12345678000195", 0) << list << "_1_2_3"
                                                    << Args("T", "12345678000195", "S", "_1_2_3");
    QTest::newRow("Lista sends the list unchanged")
        << Filter(false, "12345678000195", 0) << list << "_2_3" << Args(list, "12345678000195", "S", "_2_3");
    QTest::newRow("Lista with nothing marked sends it empty") << Filter(false, "", 0) << ""
                                                              << "_1" << Args("", "T", "S", "_1");
    QTest::newRow("empty client is T") << Filter(true, "", 0) << ""
                                       << "_1_3" << Args("T", "T", "S", "_1_3");
    QTest::newRow("blank client is T") << Filter(true, "   ", 0) << ""
                                       << "_1" << Args("T", "T", "S", "_1");
    QTest::newRow("direction 1 is Entrada") << Filter(true, "", 1) << ""
                                            << "_1" << Args("T", "T", "E", "_1");
    QTest::newRow("any other direction is Entrada") << Filter(true, "", 7) << ""
                                                    << "_1" << Args("T", "T", "E", "_1");
    QTest::newRow("empty situations pass through") << Filter(true, "", 0) << ""
                                                   << "" << Args("T", "T", "S", "");
}

void RecordFilter::mapping() {
    QFETCH(TRecordFilter, filter);
    QFETCH(QString, lista);
    QFETCH(QString, situacao);
    QFETCH(TNotaFiscalArgs, expected);
    QCOMPARE(NotaFiscalArgs(filter, QStringLiteral("01"), lista, situacao), expected);
}

QTEST_APPLESS_MAIN(RecordFilter)
#include "test_record_filter.moc"
