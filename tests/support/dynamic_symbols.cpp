#include "dynamic_symbols.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

QStringList DynamicSymbols(const QString& file, SymbolSide side, bool demangled) {
    QStringList arguments{QStringLiteral("-D"), side == SymbolSide::Defined
                                                    ? QStringLiteral("--defined-only")
                                                    : QStringLiteral("--undefined-only")};
    if (demangled) arguments << QStringLiteral("-C");
    QProcess nm;
    nm.start(QStandardPaths::findExecutable(QStringLiteral("nm")), arguments << file);
    if (!nm.waitForFinished(30000) || nm.exitCode() != 0) {
        QTest::qFail(qPrintable(QStringLiteral("nm could not read %1").arg(file)), __FILE__, __LINE__);
        return {};
    }
    QStringList symbols;
    // "address type name" for a defined symbol, "type name" for an undefined one; a demangled name holds
    // blanks of its own.
    for (const QString& line :
         QString::fromLatin1(nm.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts))
        symbols << line.trimmed().section(u' ', side == SymbolSide::Defined ? 2 : 1);
    return symbols;
}
