// The protocol's table of faults is the one docs/protocol.md gives: its table of errors lists each fault
// code once with the table's HTTP status, and every other place of the page that names a code with a
// status (the sign-in's refusals, "`401 session_required`" in the text) gives the table's status.
#include "protocol/fault_codes.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <map>

using namespace kpv::protocol;

namespace {

QString protocolPage() {
    QFile doc(qEnvironmentVariable("KPV_SOURCE_DIR") + QStringLiteral("/docs/protocol.md"));
    if (!doc.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(doc.readAll());
}

// The lines of the page's section that starts with `heading`, up to the next section.
QStringList section(const QString& page, const QString& heading) {
    QStringList lines;
    bool inside = false;
    for (const QString& line : page.split(u'\n')) {
        if (line.startsWith(QLatin1String("## "))) inside = line.startsWith(heading);
        if (inside) lines << line;
    }
    return lines;
}

// A table row that starts with a status and a code: "| 401 | `session_required` | ...".
const QRegularExpression kRow(QStringLiteral("^\\| (\\d{3}) \\| `([a-z_]+)` \\|"));
// A status and a code in running text: "`401 session_required`".
const QRegularExpression kMention(QStringLiteral("`(\\d{3}) ([a-z_]+)`"));

}  // namespace

class FaultTable : public QObject {
    Q_OBJECT

    QString page_;
    std::map<QString, int> table_;

  private Q_SLOTS:
    void initTestCase() {
        page_ = protocolPage();
        QVERIFY2(!page_.isEmpty(), "docs/protocol.md cannot be read (KPV_SOURCE_DIR)");
        for (const FaultDefinition& d : FaultDefinitions()) {
            QVERIFY2(table_.emplace(QString(d.code), d.httpStatus).second, d.code.data());
            QVERIFY2(d.httpStatus >= 400 && d.httpStatus < 600, d.code.data());
        }
    }

    void theErrorsSectionListsEachCodeOnce() {
        std::map<QString, int> documented;
        for (const QString& line : section(page_, QStringLiteral("## 4. Errors"))) {
            const QRegularExpressionMatch row = kRow.match(line);
            if (!row.hasMatch()) continue;
            QVERIFY2(documented.emplace(row.captured(2), row.captured(1).toInt()).second,
                     qPrintable(QStringLiteral("listed twice: ") + row.captured(2)));
        }
        for (const auto& [code, status] : table_) {
            const auto found = documented.find(code);
            QVERIFY2(found != documented.end(), qPrintable(QStringLiteral("not documented: ") + code));
            QCOMPARE(found->second, status);
        }
        for (const auto& [code, status] : documented)
            QVERIFY2(table_.contains(code),
                     qPrintable(QStringLiteral("documented, not in the table: ") + code));
    }

    void everyStatusTheOtherSectionsGiveIsTheTables() {
        int named = 0;
        for (const QString& line : page_.split(u'\n')) {
            const QRegularExpressionMatch row = kRow.match(line);
            QList<QRegularExpressionMatch> said;
            if (row.hasMatch()) said << row;
            for (auto m = kMention.globalMatch(line); m.hasNext();) said << m.next();
            for (const QRegularExpressionMatch& m : said) {
                const auto found = table_.find(m.captured(2));
                QVERIFY2(found != table_.end(),
                         qPrintable(QStringLiteral("no such fault: ") + m.captured(0)));
                QCOMPARE(m.captured(1).toInt(), found->second);
                ++named;
            }
        }
        // The errors' table, the sign-in's refusals and the text around them.
        QVERIFY2(named > int(table_.size()) + 4, "the page names fewer faults than its tables hold");
    }
};

QTEST_GUILESS_MAIN(FaultTable)
#include "test_fault_table.moc"
