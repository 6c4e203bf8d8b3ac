#pragma once

#include <QByteArray>
#include <QString>

// A file the user named, written whole or not at all: the bytes go into a temporary file beside it, which
// is flushed to the disk and only then renamed to the name, and the folder is flushed too, so an older file
// of that name stays until the new one is complete. A failure removes the temporary file and throws
// std::runtime_error with a message that names the file and the reason.
class ExportFile {
public:
    static void write(const QString& path, const QByteArray& bytes);
};
