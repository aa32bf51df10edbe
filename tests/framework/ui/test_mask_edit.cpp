// The mask edit: typing under a mask, what Text() reads back, the change rule on Text(), and masks set
// and removed at run time.
#include "framework/core/routines.h"
#include "framework/text/registration.h"
#include "framework/ui/mask_edit.h"
#include "framework/ui/scripted_interaction.h"

#include <QApplication>
#include <QClipboard>
#include <QtTest>

using namespace kpv;
using namespace kpv::ui;

namespace {

const QString kCnpj = "00.000.000/0000-00;0;_";

// Keys for a field: '\b' is Backspace, '\x7f' Delete, anything else typed as it is.
void press(QWidget* widget, const QString& keys) {
    for (const QChar c : keys) {
        if (c == u'\b')
            QTest::keyClick(widget, Qt::Key_Backspace);
        else if (c == u'\x7f')
            QTest::keyClick(widget, Qt::Key_Delete);
        else
            QTest::keyClick(widget, c.toLatin1());
    }
}

struct CountedEdit {
    TMaskEdit edit;
    int changes = 0;

    CountedEdit(const QString& mask, const QString& initial) : edit(nullptr, "med", mask) {
        edit.SetText(initial);
        edit.OnChange = [this](QObject* sender) {
            QCOMPARE(sender, &edit);
            ++changes;
        };
    }
};

}  // namespace

class MaskEdit : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void typing_data();
    void typing();
    void typingOverASelection();
    void pasteAndCut();
    void editsBehindTheMaskAreUndone();
    void readBack_data();
    void readBack();
    void changeRule_data();
    void changeRule();
    void settingAndRemovingTheMask_data();
    void settingAndRemovingTheMask();
    void enteringAClientFieldKeepsItsName();
    void maxLengthCannotCutTheMask();
    void withoutMaskItIsAPlainEdit();
    void abortInAChangeWhileTypingEndsOnlyThatKey();
};

void MaskEdit::typing_data() {
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("initial");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("changes");

    QTest::newRow("company code, one digit") << "99;0; "
                                             << "" << 0 << "1"
                                             << "1 "
                                             << "1 " << 1;
    QTest::newRow("company code, two digits") << "99;0; "
                                              << "" << 0 << "12"
                                              << "12"
                                              << "12" << 2;
    QTest::newRow("company code refuses letters") << "99;0; "
                                                  << "" << 0 << "a1b2"
                                                  << "12"
                                                  << "12" << 2;
    QTest::newRow("company code takes two at most") << "99;0; "
                                                    << "" << 0 << "123"
                                                    << "12"
                                                    << "12" << 2;
    QTest::newRow("branch code in upper case") << ">aaaa;0; "
                                               << "" << 0 << "ab1c"
                                               << "AB1C"
                                               << "AB1C" << 4;
    QTest::newRow("branch code refuses signs") << ">aaaa;0; "
                                               << "" << 0 << "a-b."
                                               << "AB  "
                                               << "AB  " << 2;
    QTest::newRow("branch code overwrites") << ">aaaa;0; "
                                            << "ABCD" << 1 << "z"
                                            << "AZCD"
                                            << "AZCD" << 1;
    QTest::newRow("same character over itself") << ">aaaa;0; "
                                                << "ABCD" << 0 << "a"
                                                << "ABCD"
                                                << "ABCD" << 0;
    QTest::newRow("typing past the filled part goes on at its end") << ">aaaa;0; "
                                                                    << "A" << 4 << "b"
                                                                    << "AB  "
                                                                    << "AB  " << 1;
    QTest::newRow("CNPJ with its literals laid") << kCnpj << "" << 0 << "12345678000195"
                                                 << "12.345.678/0001-95"
                                                 << "12345678000195" << 14;
    QTest::newRow("CNPJ, literals saved") << "00.000.000/0000-00;1;_"
                                          << "" << 0 << "12345"
                                          << "12.345.___/____-__"
                                          << "12.345.   /    -  " << 5;
    QTest::newRow("backspace") << "99;0; "
                               << "12" << 2 << "\b"
                               << "1 "
                               << "1 " << 1;
    QTest::newRow("backspace over a literal") << kCnpj << "123" << 3 << "\b"
                                              << "1_.3__.___/____-__"
                                              << "1 3           " << 1;
    QTest::newRow("backspace in an empty field") << "99;0; "
                                                 << "" << 0 << "\b"
                                                 << "  "
                                                 << "  " << 0;
    QTest::newRow("delete") << "99;0; "
                            << "12" << 0 << "\x7f"
                            << " 2"
                            << " 2" << 1;
    QTest::newRow("retype after backspace") << "99;0; "
                                            << "12" << 2 << "\b\b34"
                                            << "34"
                                            << "34" << 4;
}

void MaskEdit::typing() {
    QFETCH(QString, mask);
    QFETCH(QString, initial);
    QFETCH(int, cursor);
    QFETCH(QString, keys);
    QFETCH(QString, display);
    QFETCH(QString, text);
    QFETCH(int, changes);

    CountedEdit counted(mask, initial);
    counted.edit.setCursorPosition(cursor);
    press(&counted.edit, keys);
    QCOMPARE(counted.edit.text(), display);
    QCOMPARE(counted.edit.Text(), text);
    QCOMPARE(counted.changes, changes);
}

void MaskEdit::typingOverASelection() {
    CountedEdit counted(kCnpj, "12345678000195");
    counted.edit.selectAll();
    press(&counted.edit, "9");
    QCOMPARE(counted.edit.text(), "9_.___.___/____-__");
    QCOMPARE(counted.edit.Text(), "9             ");
    QCOMPARE(counted.changes, 1);
}

void MaskEdit::pasteAndCut() {
    CountedEdit counted(kCnpj, "");
    QGuiApplication::clipboard()->setText("12.345.678/0001-95");
    QTest::keySequence(&counted.edit, QKeySequence::Paste);
    QCOMPARE(counted.edit.Text(), "12345678000195");
    QCOMPARE(counted.edit.text(), "12.345.678/0001-95");
    QCOMPARE(counted.changes, 1);

    counted.edit.setSelection(0, 6);  // "12.345"
    QTest::keySequence(&counted.edit, QKeySequence::Cut);
    QCOMPARE(QGuiApplication::clipboard()->text(), "12.345");
    QCOMPARE(counted.edit.text(), "__.___.678/0001-95");
    QCOMPARE(counted.changes, 2);
}

void MaskEdit::editsBehindTheMaskAreUndone() {
    CountedEdit counted("99;0; ", "");
    press(&counted.edit, "1");
    counted.edit.selectAll();
    counted.edit.insert("x9");  // what a context menu or a drop would do
    QCOMPARE(counted.edit.text(), "1 ");
    QCOMPARE(counted.edit.Text(), "1 ");
    QCOMPARE(counted.changes, 1);
}

void MaskEdit::readBack_data() {
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("display");
    QTest::addColumn<bool>("empty");

    QTest::newRow("blank company code") << "99;0; "
                                        << ""
                                        << "  "
                                        << "  " << true;
    QTest::newRow("company code") << "99;0; "
                                  << "01"
                                  << "01"
                                  << "01" << false;
    QTest::newRow("company code, letters not taken") << "99;0; "
                                                     << "ab"
                                                     << "  "
                                                     << "  " << true;
    QTest::newRow("company code, too long") << "99;0; "
                                            << "123"
                                            << "12"
                                            << "12" << false;
    QTest::newRow("branch code") << ">aaaa;0; "
                                 << "ab"
                                 << "AB  "
                                 << "AB  " << false;
    QTest::newRow("CNPJ, literals not saved") << kCnpj << "12345678000195"
                                              << "12345678000195"
                                              << "12.345.678/0001-95" << false;
    QTest::newRow("CNPJ written formatted, literals not saved") << kCnpj << "12.345.678/0001-95"
                                                                << "12345678000195"
                                                                << "12.345.678/0001-95" << false;
    QTest::newRow("CNPJ, literals saved") << "00.000.000/0000-00;1;_"
                                          << "12345678000195"
                                          << "12.345.678/0001-95"
                                          << "12.345.678/0001-95" << false;
    QTest::newRow("blank CNPJ") << kCnpj << ""
                                << "              "
                                << "__.___.___/____-__" << true;
}

void MaskEdit::readBack() {
    QFETCH(QString, mask);
    QFETCH(QString, written);
    QFETCH(QString, text);
    QFETCH(QString, display);
    QFETCH(bool, empty);

    TMaskEdit edit(nullptr, "med", mask);
    edit.SetText(written);
    QCOMPARE(edit.Text(), text);
    QCOMPARE(edit.text(), display);
    QCOMPARE(EmptyString(edit.Text()), empty);
}

void MaskEdit::changeRule_data() {
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("initial");
    QTest::addColumn<QString>("action");  // "set:<text>" or "clear"
    QTest::addColumn<int>("changes");
    QTest::addColumn<QString>("finalText");

    QTest::newRow("different code") << "99;0; "
                                    << "01"
                                    << "set:02" << 1 << "02";
    QTest::newRow("same code") << "99;0; "
                               << "01"
                               << "set:01" << 0 << "01";
    QTest::newRow("same code once laid") << "99;0; "
                                         << "1"
                                         << "set:1 " << 0 << "1 ";
    QTest::newRow("text the mask refuses on a blank field") << "99;0; "
                                                            << ""
                                                            << "set:ab" << 0 << "  ";
    QTest::newRow("branch code in another case") << ">aaaa;0; "
                                                 << "ABCD"
                                                 << "set:abcd" << 0 << "ABCD";
    QTest::newRow("CNPJ formatted over the same digits") << kCnpj << "12345678000195"
                                                         << "set:12.345.678/0001-95" << 0 << "12345678000195";
    QTest::newRow("clear a filled field") << "99;0; "
                                          << "01"
                                          << "clear" << 1 << "  ";
    QTest::newRow("clear a blank field") << "99;0; "
                                         << ""
                                         << "clear" << 1 << "  ";
}

void MaskEdit::changeRule() {
    QFETCH(QString, mask);
    QFETCH(QString, initial);
    QFETCH(QString, action);
    QFETCH(int, changes);
    QFETCH(QString, finalText);

    CountedEdit counted(mask, initial);
    if (action == "clear")
        counted.edit.Clear();
    else
        counted.edit.SetText(action.mid(4));
    QCOMPARE(counted.changes, changes);
    QCOMPARE(counted.edit.Text(), finalText);
}

void MaskEdit::settingAndRemovingTheMask_data() {
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("masked");
    QTest::addColumn<QString>("display");
    QTest::addColumn<int>("changesOnSet");
    QTest::addColumn<QString>("plainAgain");
    QTest::addColumn<int>("changesOnRemove");

    QTest::newRow("CNPJ digits") << "12345678000195" << PictPess("J") << "12345678000195"
                                 << "12.345.678/0001-95" << 0 << "12345678000195" << 0;
    QTest::newRow("CPF digits") << "12345678901" << PictPess("F") << "12345678901"
                                << "123.456.789-01" << 0 << "12345678901" << 0;
    QTest::newRow("short number") << "123" << PictPess("F") << "123        "
                                  << "123.___.___-__" << 1 << "123" << 1;
    QTest::newRow("text the mask refuses") << "ab"
                                           << "99;0; "
                                           << "  "
                                           << "  " << 1 << "" << 1;
    QTest::newRow("foreigner: no mask") << "P-778812" << PictPess("E") << "P-778812"
                                        << "P-778812" << 0 << "P-778812" << 0;
}

void MaskEdit::settingAndRemovingTheMask() {
    QFETCH(QString, plain);
    QFETCH(QString, mask);
    QFETCH(QString, masked);
    QFETCH(QString, display);
    QFETCH(int, changesOnSet);
    QFETCH(QString, plainAgain);
    QFETCH(int, changesOnRemove);

    CountedEdit counted("", plain);
    QVERIFY(!counted.edit.IsMasked());
    counted.edit.SetEditMask(mask);
    QCOMPARE(counted.edit.EditMask(), mask);
    QCOMPARE(counted.edit.IsMasked(), !mask.isEmpty());
    QCOMPARE(counted.edit.Text(), masked);
    QCOMPARE(counted.edit.text(), display);
    QCOMPARE(counted.changes, changesOnSet);
    if (!mask.isEmpty()) QCOMPARE(counted.edit.MaxLength(), display.size());

    counted.changes = 0;
    counted.edit.SetEditMask("");
    QVERIFY(!counted.edit.IsMasked());
    QCOMPARE(counted.edit.Text(), plainAgain);
    QCOMPARE(counted.edit.text(), plainAgain);
    QCOMPARE(counted.changes, changesOnRemove);
}

void MaskEdit::enteringAClientFieldKeepsItsName() {
    // The client field is validated with its kind's mask, then unmasked again when entered.
    TMaskEdit client(nullptr, "medCliente");
    client.SetMaxLength(20);
    QString name = "Razão Social";
    TNotifyEvent clearName = [&](QObject*) { name.clear(); };
    client.OnChange = clearName;
    client.SetText("12345678000195");
    QVERIFY(name.isEmpty());
    name = "Cliente Um";

    client.SetEditMask(PictPess("J"));
    QCOMPARE(client.text(), "12.345.678/0001-95");
    QCOMPARE(client.Text(), "12345678000195");

    client.OnChange = nullptr;
    client.SetEditMask("");
    client.SetMaxLength(20);
    client.OnChange = clearName;
    QCOMPARE(name, "Cliente Um");
    QCOMPARE(client.Text(), "12345678000195");

    // Typing into the plain field again is a change.
    client.end(false);
    press(&client, "7");
    QCOMPARE(client.Text(), "123456780001957");
    QVERIFY(name.isEmpty());
}

void MaskEdit::maxLengthCannotCutTheMask() {
    TMaskEdit edit(nullptr, "med", kCnpj);
    edit.SetText("12345678000195");
    edit.SetMaxLength(4);
    QCOMPARE(edit.text(), "12.345.678/0001-95");
    QCOMPARE(edit.Text(), "12345678000195");
}

void MaskEdit::withoutMaskItIsAPlainEdit() {
    CountedEdit counted("", "");
    counted.edit.SetUpperCase(true);
    press(&counted.edit, "ab-1");
    QCOMPARE(counted.edit.Text(), "AB-1");
    press(&counted.edit, "\b");
    QCOMPARE(counted.edit.Text(), "AB-");
    QCOMPARE(counted.changes, 5);
}

void MaskEdit::abortInAChangeWhileTypingEndsOnlyThatKey() {
    kpv::ScriptedInteraction user;
    CountedEdit counted("99;0; ", "");
    counted.edit.OnChange = [&](QObject*) {
        ++counted.changes;
        MensErro("Empresa deve ser informada.", true);
    };
    press(&counted.edit, "12");
    QCOMPARE(counted.changes, 2);
    QCOMPARE(user.messageTexts(),
             QStringList({"Empresa deve ser informada.", "Empresa deve ser informada."}));
    QCOMPARE(counted.edit.Text(), "12");
}

QTEST_MAIN(MaskEdit)
#include "test_mask_edit.moc"
