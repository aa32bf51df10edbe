#include "framework/data/sql_params.h"

namespace kpv::data {

namespace {
bool startsName(QChar c) {
    return c.isLetter() || c == u'_';
}
bool continuesName(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}
}  // namespace

TPositionalStatement ToPositional(const QString& statement) {
    TPositionalStatement out;
    out.text.reserve(statement.size());
    const qsizetype n = statement.size();
    qsizetype i = 0;
    // Copies up to and including the closing sequence, or to the end of the text.
    const auto copyUntil = [&](QStringView closing) {
        const qsizetype end = statement.indexOf(closing, i);
        const qsizetype stop = end < 0 ? n : end + closing.size();
        out.text += QStringView(statement).mid(i, stop - i);
        i = stop;
    };
    while (i < n) {
        const QChar c = statement[i];
        const QChar next = i + 1 < n ? statement[i + 1] : QChar();
        if (c == u'\'' || c == u'"') {
            // A doubled quote inside is an escaped quote: the literal simply continues.
            out.text += c;
            ++i;
            copyUntil(QStringView(&c, 1));
        } else if (c == u'-' && next == u'-') {
            copyUntil(u"\n");
        } else if (c == u'/' && next == u'*') {
            out.text += u"/*";
            i += 2;
            copyUntil(u"*/");
        } else if (c == u':' && next == u':') {
            out.text += u"::";
            i += 2;
        } else if (c == u':' && startsName(next)) {
            qsizetype end = i + 1;
            while (end < n && continuesName(statement[end])) ++end;
            out.names.append(statement.mid(i + 1, end - i - 1).toUpper());
            out.text += u'?';
            i = end;
        } else {
            out.text += c;
            ++i;
        }
    }
    return out;
}

}  // namespace kpv::data
