// Reading a session script: steps with their lines and arguments, and the refusals that keep a session
// from stopping half-way on a typing error.
#include "host/session_script.h"

#include <QtTest>

using kpv::host::ReadSessionScript;
using kpv::host::SessionStep;

class SessionScript : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void steps_data();
    void steps();
    void refusals_data();
    void refusals();
};

void SessionScript::steps_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");  // line:command:arg|arg per step
    QTest::newRow("words and lines") << "type medCdEmpresa 01\nkey Tab\n"
                                     << QStringList{"1:type:medCdEmpresa|01", "2:key:Tab"};
    QTest::newRow("comments and blank lines keep the numbering") << "# company\n\n  click sbtFiltro  \n"
                                                                 << QStringList{"3:click:sbtFiltro"};
    QTest::newRow("quoted text with blanks and accents")
        << "expect-message \"Empresa não cadastrada.\""
        << QStringList{"1:expect-message:Empresa não cadastrada."};
    QTest::newRow("empty quoted text") << "type medCliente \"\"" << QStringList{"1:type:medCliente|"};
    QTest::newRow("doubled quote inside quotes") << "echo \"a \"\"b\"\"\"" << QStringList{"1:echo:a \"b\""};
    QTest::newRow("keys as Qt names them")
        << "key PgUp\nkey Ctrl+I\nkey Shift+Tab\nkey esc"
        << QStringList{"1:key:PgUp", "2:key:Ctrl+I", "3:key:Shift+Tab", "4:key:esc"};
    QTest::newRow("optional argument") << "shot a.png\nshot b.png frmFiltroEmissaoRPS"
                                       << QStringList{"1:shot:a.png", "2:shot:b.png|frmFiltroEmissaoRPS"};
}

void SessionScript::steps() {
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QString error;
    const auto steps = ReadSessionScript(text, &error);
    QVERIFY2(steps, qPrintable(error));
    QStringList got;
    for (const SessionStep& s : *steps)
        got << QStringLiteral("%1:%2:%3").arg(s.line).arg(s.command, s.args.join(QLatin1Char('|')));
    QCOMPARE(got, expected);
}

void SessionScript::refusals_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("unknown command") << "open\nclik sbtFiltro"
                                     << "line 2: unknown command 'clik'";
    QTest::newRow("missing argument") << "type medCdEmpresa"
                                      << "line 1: 'type' takes 2 argument(s), not 1";
    QTest::newRow("argument too many") << "key Tab Tab"
                                       << "line 1: 'key' takes 1 argument(s), not 2";
    QTest::newRow("range of arguments") << "shot"
                                        << "line 1: 'shot' takes 1 to 2 argument(s), not 0";
    // Qt reads these as other keys or none at all: a script that pressed them would test nothing.
    QTest::newRow("a name Qt does not give the key") << "key Tab\nkey PageUp"
                                                     << "line 2: unknown key 'PageUp' (key names in "
                                                        "docs/session-scripts.md)";
    QTest::newRow("a word that is no key")
        << "key Foo"
        << "line 1: unknown key 'Foo' (key names in docs/session-scripts.md)";
    QTest::newRow("two keys at once") << "key \"Ctrl+A, Ctrl+B\""
                                      << "line 1: unknown key 'Ctrl+A, Ctrl+B' (key names in "
                                         "docs/session-scripts.md)";
    QTest::newRow("quote left open") << "key Tab\necho \"a b"
                                     << "line 2: a double quote is left open";
}

void SessionScript::refusals() {
    QFETCH(QString, text);
    QFETCH(QString, error);
    QString reason;
    const auto steps = ReadSessionScript(text, &reason);
    QVERIFY(!steps);
    QCOMPARE(reason, error);
}

QTEST_MAIN(SessionScript)
#include "test_session_script.moc"
