#include "test_certificate.h"

#include "program_run.h"

#include <QDir>
#include <QStringList>

namespace {

bool RunOpenSsl(const QStringList& arguments, QString* error) {
    const ProgramRun openssl = RunProgram(QStringLiteral("openssl"), arguments);
    if (openssl.exitCode == 0) return true;
    *error = QStringLiteral("openssl %1: %2").arg(arguments.join(u' '), openssl.output);
    return false;
}

}  // namespace

bool MakeTestCertificate(const QString& folder, const QString& name, const TestCertificateRequest& request,
                         TestCertificate* made, QString* error) {
    const QDir dir(folder);
    const QString key = dir.filePath(name + QStringLiteral(".key"));
    made->pem = dir.filePath(name + QStringLiteral(".pem"));
    made->pkcs12 = dir.filePath(name + QStringLiteral(".pfx"));
    made->password = request.password;
    QStringList certificate{QStringLiteral("req"),
                            QStringLiteral("-x509"),
                            QStringLiteral("-newkey"),
                            QStringLiteral("rsa:2048"),
                            QStringLiteral("-nodes"),
                            QStringLiteral("-keyout"),
                            key,
                            QStringLiteral("-out"),
                            made->pem,
                            QStringLiteral("-days"),
                            QString::number(request.days),
                            QStringLiteral("-subj"),
                            QStringLiteral("/C=BR/O=ICP-Brasil/OU=Teste/CN=") + request.commonName};
    if (!request.otherNameCnpj.isEmpty())
        certificate << QStringLiteral("-addext")
                    << QStringLiteral("subjectAltName=otherName:2.16.76.1.3.3;OCTETSTRING:") +
                           request.otherNameCnpj;
    QStringList seal{QStringLiteral("pkcs12"),   QStringLiteral("-export"),
                     QStringLiteral("-inkey"),   key,
                     QStringLiteral("-in"),      made->pem,
                     QStringLiteral("-out"),     made->pkcs12,
                     QStringLiteral("-passout"), QStringLiteral("pass:") + request.password};
    if (request.legacySeal) seal << QStringLiteral("-legacy");
    return RunOpenSsl(certificate, error) && RunOpenSsl(seal, error);
}
