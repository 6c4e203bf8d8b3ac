#include "Helpers.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QThread>

#include <cmath>

namespace {
const QString kTag = QStringLiteral("###");
constexpr int kProgramVersion = 230;
} // namespace

QString IndexFileName(const QString& dataFileName) {
    if (dataFileName.size() <= 3)
        return QStringLiteral("idx");
    return dataFileName.left(dataFileName.size() - 3) + QStringLiteral("idx");
}

QString ProgramVersionText() {
    const QString digits = QString::number(kProgramVersion);
    if (digits.size() != 3)
        return QStringLiteral("Unknown");
    return QStringList{digits.mid(0, 1), digits.mid(1, 1), digits.mid(2, 1)}.join(QLatin1Char('.'));
}

QString AppDataFolder(SpecialFolder folder, const QString& subFolder) {
    QStandardPaths::StandardLocation location = QStandardPaths::GenericDataLocation;
    switch (folder) {
    case SpecialFolder::CommonAppData:
        location = QStandardPaths::GenericDataLocation;
        break;
    case SpecialFolder::Personal:
        location = QStandardPaths::DocumentsLocation;
        break;
    case SpecialFolder::AppData:
        location = QStandardPaths::GenericCacheLocation;
        break;
    }
    const QString base = QStandardPaths::writableLocation(location);
    if (base.isEmpty())
        return {};
    const QString path = base + QLatin1Char('/') + subFolder;
    if (!QFileInfo::exists(path))
        QDir().mkpath(path); // a failure shows later, when the folder is used
    return path + QLatin1Char('/');
}

QString PluralSuffix(int count, bool yWord) {
    if (count == 1)
        return yWord ? QStringLiteral("y") : QString();
    return yWord ? QStringLiteral("ies") : QStringLiteral("s");
}

std::optional<double> ParseTypedNumber(const QString& text, const QLocale& locale) {
    QLocale strict = locale;
    // A group separator typed by mistake for the decimal one would otherwise multiply the value.
    strict.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double v = strict.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

float RoundPrice(double price) {
    const float asFloat = static_cast<float>(price);
    const double cents = std::nearbyint(static_cast<double>(asFloat) * 100.0);
    return static_cast<float>(cents) / 100.0f;
}

QString ReadShortString(QIODevice& device) {
    char length = 0;
    if (!device.getChar(&length))
        return {};
    const auto n = static_cast<unsigned char>(length);
    if (n == 0)
        return {};
    const QByteArray bytes = device.read(n);
    QStringDecoder ansi("windows-1252");
    if (ansi.isValid())
        return ansi.decode(bytes);
    return QString::fromLatin1(bytes);
}

QString TaggedListEntry(int id, const QString& name) {
    return QString::number(id) + kTag + name;
}

int ExtractLBID(const QString& entry) {
    const int at = entry.indexOf(kTag);
    if (at < 0)
        return -1;
    bool ok = false;
    const int id = entry.left(at).toInt(&ok);
    return ok ? id : -1;
}

int ExtractLBID(const QAbstractItemModel* entries, int index) {
    if (!entries || index < 0 || index >= entries->rowCount())
        return -1;
    return ExtractLBID(entries->index(index, 0).data(Qt::DisplayRole).toString());
}

QString TaggedDisplayText(const QString& entry) {
    const int at = entry.indexOf(kTag);
    if (at < 0)
        return {};
    return entry.mid(at + kTag.size(), 255);
}

QString FreshTimedPath(const QString& folder, const std::function<QDateTime()>& clock,
                       const std::function<QString(const QDateTime&)>& nameAt) {
    const QDir dir(folder);
    for (;;) {
        const QDateTime now = clock();
        const QString path = dir.filePath(nameAt(now));
        if (!QFileInfo::exists(path))
            return path;
        QThread::msleep(static_cast<unsigned long>(1000 - now.time().msec()));
    }
}
