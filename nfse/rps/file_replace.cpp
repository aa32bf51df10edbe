#include "nfse/rps/file_replace.h"

#include "nfse/nfse_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace kpv::nfse {

namespace {

const QString kUnfinished = QStringLiteral(".partial");

QString temporaryOf(const QString& path) {
    const QFileInfo info(path);
    return info.dir().filePath(u'.' + info.fileName() + kUnfinished);
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

}  // namespace

void ReplaceFile(const QString& path, const QByteArray& bytes) {
    const QString temporary = temporaryOf(path);
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw NfseError(QStringLiteral("Não foi possível criar %1: %2.").arg(temporary, file.errorString()));
    const bool written = file.write(bytes) == bytes.size() && file.flush() && ::fdatasync(file.handle()) == 0;
    const QString why = written ? QString() : file.errorString();
    file.close();
    if (!written ||
        std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
        const QString reason = written ? systemError() : why;
        QFile::remove(temporary);
        throw NfseError(QStringLiteral("Não foi possível gravar %1: %2.").arg(path, reason));
    }
}

void RemoveUnfinishedFiles(const QString& folder) {
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList({u'.' + QStringLiteral("*") + kUnfinished}, QDir::Files | QDir::Hidden | QDir::System))
        QFile::remove(dir.filePath(name));
}

void SyncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    const QString reason = synced ? QString() : systemError();
    if (fd >= 0) ::close(fd);
    if (!synced)
        throw NfseError(
            QStringLiteral("Não foi possível gravar a pasta %1 no disco: %2.").arg(folder, reason));
}

}  // namespace kpv::nfse
