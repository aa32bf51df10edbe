// The framework's rooms stand on one another without a cycle: each includes only the rooms below it.
#include <QDirIterator>
#include <QRegularExpression>
#include <QtTest>

class FrameworkRooms : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void includesOnlyTheRoomsBelow_data();
    void includesOnlyTheRoomsBelow();
};

void FrameworkRooms::includesOnlyTheRoomsBelow_data() {
    QTest::addColumn<QString>("room");
    QTest::addColumn<QStringList>("mayInclude");
    QTest::newRow("core") << "core" << QStringList{"core"};
    QTest::newRow("text") << "text" << QStringList{"text"};
    QTest::newRow("data") << "data" << QStringList{"core", "text", "data"};
    QTest::newRow("net") << "net" << QStringList{"core", "net"};
    QTest::newRow("report") << "report" << QStringList{"core", "text", "data", "report"};
    QTest::newRow("ui") << "ui" << QStringList{"core", "text", "data", "report", "ui"};
}

void FrameworkRooms::includesOnlyTheRoomsBelow() {
    QFETCH(QString, room);
    QFETCH(QStringList, mayInclude);
    const QString folder = qEnvironmentVariable("KPV_SOURCE_DIR") + "/framework/" + room;
    QVERIFY2(QFileInfo(folder).isDir(), qPrintable(folder));
    static const QRegularExpression include(QStringLiteral("^#include \"framework/(\\w+)/"),
                                            QRegularExpression::MultilineOption);
    QStringList upward;
    int files = 0;
    for (QDirIterator it(folder, {"*.h", "*.cpp"}, QDir::Files); it.hasNext();) {
        QFile file(it.next());
        QVERIFY(file.open(QIODevice::ReadOnly));
        ++files;
        const QString source = QString::fromUtf8(file.readAll());
        for (auto match = include.globalMatch(source); match.hasNext();) {
            const QString included = match.next().captured(1);
            if (!mayInclude.contains(included)) upward << QFileInfo(file).fileName() + " -> " + included;
        }
    }
    QVERIFY(files > 0);
    QVERIFY2(upward.isEmpty(), qPrintable(upward.join(", ")));
}

QTEST_GUILESS_MAIN(FrameworkRooms)
#include "test_rooms.moc"
