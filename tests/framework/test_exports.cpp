// The framework's shared library exports what the host and the module use, and nothing of its own
// beyond it; the database, protocol and settings libraries are not copied into it.
#include "dynamic_symbols.h"

#include <QSet>
#include <QtTest>

namespace {

QString binary(const QString& name) {
    return qEnvironmentVariable("KPV_BIN_DIR") + u'/' + name;
}

// The framework's class or function a demangled symbol belongs to: "kpv::data::TField::AsString() const"
// and "vtable for kpv::data::TField" give "kpv::data::TField", "kpv::MensErro(QString const&, bool)"
// gives "kpv::MensErro". Namespaces are lower case, classes and the given routines are not. Empty for
// a symbol that is not the project's, such as the standard library's templates made for its types.
QString entityOf(QString symbol) {
    static const QStringList kinds{"typeinfo name for ", "typeinfo for ",         "vtable for ",
                                   "VTT for ",           "non-virtual thunk to ", "virtual thunk to ",
                                   "guard variable for "};
    for (const QString& kind : kinds) {
        if (symbol.startsWith(kind)) symbol.remove(0, kind.size());
    }
    QString name;  // without the parameters and the template arguments
    int depth = 0;
    for (const QChar c : symbol) {
        if (c == u'(' && depth == 0) break;
        if (c == u'<')
            ++depth;
        else if (c == u'>')
            --depth;
        else if (depth == 0)
            name += c;
    }
    // A function template's symbol begins with its return type: "kpv::data::TField*& std::get" is std's.
    const qsizetype conversion = name.indexOf(QLatin1String("::operator "));
    name = conversion >= 0 ? name.left(conversion) : name.section(u' ', -1);
    if (!name.startsWith(QLatin1String("kpv::"))) return {};
    QStringList entity;
    for (const QString& part : name.split(QStringLiteral("::"))) {
        entity << part.trimmed();
        if (!part.isEmpty() && part.front().isUpper()) break;
    }
    return entity.join(QStringLiteral("::"));
}

QSet<QString> entitiesOf(const QStringList& symbols) {
    QSet<QString> entities;
    for (const QString& symbol : symbols) {
        const QString entity = entityOf(symbol);
        if (!entity.isEmpty()) entities.insert(entity);
    }
    return entities;
}

}  // namespace

class FrameworkExports : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void exportsWhatTheHostAndTheModuleUse();
    void holdsNoCopyOfTheLibrariesBelowIt();
};

void FrameworkExports::exportsWhatTheHostAndTheModuleUse() {
    const QSet<QString> exported =
        entitiesOf(DynamicSymbols(binary("libkpvframework.so"), SymbolSide::Defined, true));
    QSet<QString> used;
    for (const QString& user : {QStringLiteral("kpv-host"), QStringLiteral("libPKG_KPV41000.so")})
        used += entitiesOf(DynamicSymbols(binary(user), SymbolSide::Undefined, true));
    // Read right: the base screen and the error box are what every screen uses.
    QVERIFY(exported.contains("kpv::ui::TForm") && used.contains("kpv::MensErro"));
    QStringList unused = (exported - used).values();
    unused.sort();
    QVERIFY2(unused.isEmpty(), qPrintable("exported but used by neither: " + unused.join(", ")));
}

void FrameworkExports::holdsNoCopyOfTheLibrariesBelowIt() {
    QStringList copied;
    for (const QString& entity :
         entitiesOf(DynamicSymbols(binary("libkpvframework.so"), SymbolSide::Defined, true))) {
        if (entity.startsWith(QLatin1String("kpv::db::")) ||
            entity.startsWith(QLatin1String("kpv::protocol::")))
            copied << entity;
    }
    QVERIFY2(copied.isEmpty(), qPrintable(copied.join(", ")));
}

QTEST_GUILESS_MAIN(FrameworkExports)
#include "test_exports.moc"
