#pragma once

#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The pages of a PDF file as "pdftotext -layout" lays them out; one text naming the failure when it fails.
inline QStringList pdfPages(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {QStringLiteral("pdftotext failed: ") + QString::fromLocal8Bit(p.readAllStandardError())};
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.back().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// The lines of a page that hold something, runs of blanks squeezed to one.
inline QStringList pdfRows(const QString& page) {
    QStringList out;
    for (const QString& line : page.split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            out << line.simplified();
    return out;
}

// A page of a PDF file as "pdftoppm -png" draws it at the resolution given; a null image when it fails.
inline QImage pdfImage(const QString& path, int page = 1, int dpi = 100) {
    QTemporaryDir out;
    QProcess p;
    p.start(QStringLiteral("pdftoppm"),
            {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
             QString::number(page), QStringLiteral("-l"), QString::number(page),
             QStringLiteral("-singlefile"), path, out.filePath(QStringLiteral("page"))});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return QImage(out.filePath(QStringLiteral("page.png")));
}
