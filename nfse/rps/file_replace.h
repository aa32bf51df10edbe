#pragma once

#include <QByteArray>
#include <QString>

namespace kpv::nfse {

// Writes `bytes` as the file `path`, whole or not at all: into a hidden temporary file of the same folder,
// flushed to the disk, then renamed over `path`. A crash leaves the former file (or none) and, at worst, a
// temporary file that RemoveUnfinishedFiles() takes away. Throws NfseError naming the file.
void ReplaceFile(const QString& path, const QByteArray& bytes);

// Removes what an interrupted ReplaceFile() left in `folder`.
void RemoveUnfinishedFiles(const QString& folder);

// Flushes the folder's entries to the disk, so that the files renamed into it stay there after a power
// failure. Throws NfseError.
void SyncFolder(const QString& folder);

}  // namespace kpv::nfse
