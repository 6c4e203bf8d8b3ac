#include "TempHome.h"

TempHome::TempHome(const TempFolder& folder) : folder_(folder) {
    for (const char* name :
         {"HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DOCUMENTS_DIR"})
        saved_.insert(name, qgetenv(name));
    qputenv("HOME", folder.sub(QStringLiteral("home")).toUtf8());
    qputenv("XDG_DATA_HOME", folder.sub(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CACHE_HOME", folder.sub(QStringLiteral("cache")).toUtf8());
    qputenv("XDG_CONFIG_HOME", folder.sub(QStringLiteral("config")).toUtf8());
    qunsetenv("XDG_DOCUMENTS_DIR");
}

TempHome::~TempHome() {
    for (auto it = saved_.cbegin(); it != saved_.cend(); ++it) {
        if (it.value().isNull())
            qunsetenv(it.key().constData());
        else
            qputenv(it.key().constData(), it.value());
    }
}

QString TempHome::dataFolder() const {
    return folder_.path() + QStringLiteral("/data/Grocelle");
}
