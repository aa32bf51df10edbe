#include "framework/data/display_format.h"

#include <QTest>

using kpv::data::FormatFloat;

class TestDisplayFormat : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void brazilianAmounts_data();
    void brazilianAmounts();
    void otherLocale();
};

void TestDisplayFormat::brazilianAmounts_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    const QString money = QStringLiteral("###,##0.00");
    QTest::newRow("zero") << money << 0.0 << "0,00";
    QTest::newRow("below one") << money << 0.5 << "0,50";
    QTest::newRow("no grouping under a thousand") << money << 999.99 << "999,99";
    QTest::newRow("thousands") << money << 1234.5 << "1.234,50";
    QTest::newRow("millions") << money << 1234567.891 << "1.234.567,89";
    QTest::newRow("exactly a thousand") << money << 1000.0 << "1.000,00";
    QTest::newRow("half rounds up as read") << money << 1.005 << "1,01";
    QTest::newRow("half a cent below") << money << 2.675 << "2,68";
    QTest::newRow("carry into a new group") << money << 999999.995 << "1.000.000,00";
    QTest::newRow("negative") << money << -1234.5 << "-1.234,50";
    QTest::newRow("negative rounding to zero") << money << -0.004 << "0,00";
    QTest::newRow("tiny") << money << 1e-9 << "0,00";
    QTest::newRow("large") << money << 12345678901234.5 << "12.345.678.901.234,50";
    QTest::newRow("optional decimals") << "0.##" << 3.1 << "3,1";
    QTest::newRow("optional decimals dropped") << "0.##" << 3.0 << "3";
    QTest::newRow("no integer digit required") << "#.00" << 0.25 << ",25";
    QTest::newRow("leading zeros") << "0000" << 42.0 << "0042";
    QTest::newRow("no decimals rounds") << "#,##0" << 1499.5 << "1.500";
    QTest::newRow("literal prefix and suffix") << "'R$ '#,##0.00' ok'" << 1234.5 << "R$ 1.234,50 ok";
    QTest::newRow("negative section") << "#,##0.00;(#,##0.00)" << -12.5 << "(12,50)";
    QTest::newRow("zero section") << "#,##0.00;-#,##0.00;'zero'" << 0.001 << "zero";
}

void TestDisplayFormat::brazilianAmounts() {
    QFETCH(QString, format);
    QFETCH(double, value);
    QTEST(FormatFloat(format, value), "expected");
}

void TestDisplayFormat::otherLocale() {
    QCOMPARE(
        FormatFloat(QStringLiteral("###,##0.00"), 1234.5, QLocale(QLocale::English, QLocale::UnitedStates)),
        QStringLiteral("1,234.50"));
}

QTEST_GUILESS_MAIN(TestDisplayFormat)
#include "test_display_format.moc"
