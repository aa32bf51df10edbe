// The edit-mask language: parsing, laying values into a mask, and the masks and adjustment of
// registration numbers.
#include "framework/text/edit_mask.h"
#include "framework/text/registration.h"

#include <QtTest>

using namespace kpv;
using namespace kpv::text;

class EditMaskLanguage : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void formatMaskText_data();
    void formatMaskText();
    void options_data();
    void options();
    void positions_data();
    void positions();
    void assign_data();
    void assign();
    void pictPess_data();
    void pictPess();
    void ajustaInscricao_data();
    void ajustaInscricao();
};

void EditMaskLanguage::formatMaskText_data() {
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shown");

    QTest::newRow("CNPJ") << "00.000.000/0000-00;0;_"
                          << "12345678000195"
                          << "12.345.678/0001-95";
    QTest::newRow("CPF") << "000.000.000-00;0;_"
                         << "12345678901"
                         << "123.456.789-01";
    QTest::newRow("CNPJ, short value") << "00.000.000/0000-00;0;_"
                                       << "123"
                                       << "12.3__.___/____-__";
    QTest::newRow("CPF, empty value") << "000.000.000-00;0;_"
                                      << ""
                                      << "___.___.___-__";
    QTest::newRow("CPF, long value keeps the excess") << "000.000.000-00;0;_"
                                                      << "123456789012"
                                                      << "123.456.789-012";
    QTest::newRow("company code, one digit") << "99;0; "
                                             << "1"
                                             << "1 ";
    QTest::newRow("company code, two digits") << "99;0; "
                                              << "01"
                                              << "01";
    QTest::newRow("branch code in upper case") << ">aaaa;0; "
                                               << "ab1"
                                               << "AB1 ";
    QTest::newRow("lower case") << "<LL;0;_"
                                << "AB"
                                << "ab";
    QTest::newRow("case switched off again") << ">L<>L;0;_"
                                             << "ab"
                                             << "Ab";
    QTest::newRow("escaped mask characters are literals") << "\\A\\0-00;0;_"
                                                          << "12"
                                                          << "A0-12";
    QTest::newRow("underscore is a literal blank") << "00_00;0;*"
                                                   << "1234"
                                                   << "12 34";
    QTest::newRow("custom blank character") << "00-00;0;*"
                                            << "1"
                                            << "1*-**";
    QTest::newRow("no options: blank defaults to underscore") << "000"
                                                              << "1"
                                                              << "1__";
    QTest::newRow("saved literals found in the value") << "00/00/0000;1;_"
                                                       << "01/03/2024"
                                                       << "01/03/2024";
    QTest::newRow("saved literals missing from the value") << "00/00/0000;1;_"
                                                           << "01032024"
                                                           << "01/03/2024";
    QTest::newRow("right aligned") << "!99;0; "
                                   << "1"
                                   << " 1";
    QTest::newRow("right aligned, long value keeps the excess") << "!99;0; "
                                                                << "123"
                                                                << "123";
    QTest::newRow("empty mask gives the value") << ""
                                                << "12.3 x"
                                                << "12.3 x";
    QTest::newRow("options without a mask give the value") << ";0;_"
                                                           << "abc"
                                                           << "abc";
}

void EditMaskLanguage::formatMaskText() {
    QFETCH(QString, mask);
    QFETCH(QString, value);
    QFETCH(QString, shown);
    QCOMPARE(FormatMaskText(mask, value), shown);
}

void EditMaskLanguage::options_data() {
    QTest::addColumn<QString>("mask");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("saveLiterals");
    QTest::addColumn<QChar>("blank");
    QTest::addColumn<bool>("alignsRight");

    QTest::newRow("company code") << "99;0; " << 2 << false << QChar(u' ') << false;
    QTest::newRow("branch code") << ">aaaa;0; " << 4 << false << QChar(u' ') << false;
    QTest::newRow("CNPJ") << "00.000.000/0000-00;0;_" << 18 << false << QChar(u'_') << false;
    QTest::newRow("literals saved") << "00/00;1;*" << 5 << true << QChar(u'*') << false;
    QTest::newRow("no options") << "00/00" << 5 << true << QChar(u'_') << false;
    QTest::newRow("empty blank section") << "00;0;" << 2 << false << QChar(u'_') << false;
    QTest::newRow("escaped semicolon stays in the mask") << "0\\;0;0;_" << 3 << false << QChar(u'_') << false;
    QTest::newRow("right aligned") << "!999;0; " << 3 << false << QChar(u' ') << true;
    QTest::newRow("empty") << "" << 0 << true << QChar(u'_') << false;
}

void EditMaskLanguage::options() {
    QFETCH(QString, mask);
    QFETCH(int, length);
    QFETCH(bool, saveLiterals);
    QFETCH(QChar, blank);
    QFETCH(bool, alignsRight);

    const ParsedMask parsed(mask);
    QCOMPARE(parsed.Length(), length);
    QCOMPARE(parsed.IsEmpty(), length == 0);
    QCOMPARE(parsed.SaveLiterals(), saveLiterals);
    QCOMPARE(parsed.Blank(), blank);
    QCOMPARE(parsed.AlignsRight(), alignsRight);
}

void EditMaskLanguage::positions_data() {
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("taken");
    QTest::addColumn<QString>("refused");
    QTest::addColumn<bool>("required");

    QTest::newRow("0 digit") << "0"
                             << "0159"
                             << "a+- /" << true;
    QTest::newRow("9 optional digit") << "9"
                                      << "0159"
                                      << "aZ+" << false;
    QTest::newRow("# digit or sign") << "#"
                                     << "07+-"
                                     << "a." << false;
    QTest::newRow("A letter or digit") << "A"
                                       << "aZ09ç"
                                       << "-. /" << true;
    QTest::newRow("a optional letter or digit") << "a"
                                                << "aZ09"
                                                << "-./" << false;
    QTest::newRow("L letter") << "L"
                              << "aZé"
                              << "09-" << true;
    QTest::newRow("l optional letter") << "l"
                                       << "aZ"
                                       << "0" << false;
    QTest::newRow("C any character") << "C"
                                     << "a0-./"
                                     << "" << true;
    QTest::newRow("c optional any character") << "c"
                                              << "a0-"
                                              << "" << false;
}

void EditMaskLanguage::positions() {
    QFETCH(QString, mask);
    QFETCH(QString, taken);
    QFETCH(QString, refused);
    QFETCH(bool, required);

    const ParsedMask parsed(mask);
    QCOMPARE(parsed.Length(), 1);
    const MaskPosition& position = parsed.At(0);
    QVERIFY(!position.IsLiteral());
    QCOMPARE(position.required, required);
    for (const QChar c : taken) QVERIFY2(position.Takes(c), qPrintable(QString(c)));
    for (const QChar c : refused) QVERIFY2(!position.Takes(c), qPrintable(QString(c)));
}

void EditMaskLanguage::assign_data() {
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("raw");

    QTest::newRow("company code, empty") << "99;0; "
                                         << ""
                                         << "  "
                                         << "  "
                                         << "";
    QTest::newRow("company code, one digit") << "99;0; "
                                             << "1"
                                             << "1 "
                                             << "1 "
                                             << "1";
    QTest::newRow("company code, letters dropped") << "99;0; "
                                                   << "a1"
                                                   << "1 "
                                                   << "1 "
                                                   << "1";
    QTest::newRow("company code, too long") << "99;0; "
                                            << "123"
                                            << "12"
                                            << "12"
                                            << "12";
    QTest::newRow("branch code") << ">aaaa;0; "
                                 << "ab"
                                 << "AB  "
                                 << "AB  "
                                 << "AB";
    QTest::newRow("a space keeps its place") << ">aaaa;0; "
                                             << "a b"
                                             << "A B "
                                             << "A B "
                                             << "A B";
    QTest::newRow("CNPJ digits") << "00.000.000/0000-00;0;_"
                                 << "12345678000195"
                                 << "12.345.678/0001-95"
                                 << "12345678000195"
                                 << "12345678000195";
    QTest::newRow("CNPJ formatted, literals not saved") << "00.000.000/0000-00;0;_"
                                                        << "12.345.678/0001-95"
                                                        << "12.345.678/0001-95"
                                                        << "12345678000195"
                                                        << "12345678000195";
    QTest::newRow("CNPJ, literals saved") << "00.000.000/0000-00;1;_"
                                          << "12345678000195"
                                          << "12.345.678/0001-95"
                                          << "12.345.678/0001-95"
                                          << "12.345.678/0001-95";
    QTest::newRow("CPF short") << "000.000.000-00;0;_"
                               << "123"
                               << "123.___.___-__"
                               << "123        "
                               << "123";
    QTest::newRow("blank character leaves the place unfilled") << "000;0;_"
                                                               << "1_3"
                                                               << "1_3"
                                                               << "1 3"
                                                               << "1 3";
    QTest::newRow("right aligned") << "!999;0; "
                                   << "12"
                                   << " 12"
                                   << " 12"
                                   << "12";
    QTest::newRow("date with its slashes") << "99/99/9999;1; "
                                           << "01/03/2024"
                                           << "01/03/2024"
                                           << "01/03/2024"
                                           << "01/03/2024";
}

void EditMaskLanguage::assign() {
    QFETCH(QString, mask);
    QFETCH(QString, value);
    QFETCH(QString, display);
    QFETCH(QString, read);
    QFETCH(QString, raw);

    MaskedText text{ParsedMask(mask)};
    text.Assign(value);
    QCOMPARE(text.Display(), display);
    QCOMPARE(text.Value(), read);
    QCOMPARE(text.Raw(), raw);
    QCOMPARE(text.IsBlank(), raw.isEmpty());

    // What a field reads back lays into the same field unchanged.
    MaskedText again{ParsedMask(mask)};
    again.Assign(text.Value());
    QCOMPARE(again.Display(), display);
}

void EditMaskLanguage::pictPess_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("mask");

    QTest::newRow("legal person") << "J"
                                  << "00.000.000/0000-00;0;_";
    QTest::newRow("natural person") << "F"
                                    << "000.000.000-00;0;_";
    QTest::newRow("legal person, lower case and padded") << " j"
                                                         << "00.000.000/0000-00;0;_";
    QTest::newRow("foreigner") << "E"
                               << "";
    QTest::newRow("no kind") << ""
                             << "";
    QTest::newRow("unknown kind") << "X"
                                  << "";
}

void EditMaskLanguage::pictPess() {
    QFETCH(QString, kind);
    QFETCH(QString, mask);
    QCOMPARE(PictPess(kind), mask);
}

void EditMaskLanguage::ajustaInscricao_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("adjusted");
    QTest::addColumn<bool>("changed");

    QTest::newRow("formatted CNPJ") << "12.345.678/0001-95"
                                    << "12345678000195" << true;
    QTest::newRow("formatted CPF") << "123.456.789-01"
                                   << "12345678901" << true;
    QTest::newRow("digits only") << "12345678901"
                                 << "12345678901" << false;
    QTest::newRow("blanks") << " 123 456 "
                            << "123456" << true;
    QTest::newRow("letters") << "AB12"
                             << "12" << true;
    QTest::newRow("empty") << ""
                           << "" << false;
    QTest::newRow("non-latin digits are not kept") << QString::fromUtf8("1\u0663") << "1" << true;
}

void EditMaskLanguage::ajustaInscricao() {
    QFETCH(QString, text);
    QFETCH(QString, adjusted);
    QFETCH(bool, changed);

    QString inPlace = text;
    QCOMPARE(Ajusta_Inscricao(inPlace), changed);
    QCOMPARE(inPlace, adjusted);
}

QTEST_GUILESS_MAIN(EditMaskLanguage)
#include "test_edit_mask.moc"
