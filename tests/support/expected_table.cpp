#include "expected_table.h"

#include <QFile>

QList<QStringList> ReadExpectedTable(const QString& file, int cells) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("cannot read the expected table %s: %s", qPrintable(file), qPrintable(in.errorString()));
    QList<QStringList> rows;
    int number = 0;
    for (const QString& line : QString::fromUtf8(in.readAll()).split(u'\n')) {
        ++number;
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        QStringList row = line.split(u'\t');
        if (row.size() != cells)
            qFatal("%s:%d: %lld cells, not %d", qPrintable(file), number, static_cast<long long>(row.size()),
                   cells);
        for (QString& cell : row) {
            if (cell.size() >= 2 && cell.startsWith(u'"') && cell.endsWith(u'"'))
                cell = cell.mid(1, cell.size() - 2);
        }
        rows << row;
    }
    return rows;
}
