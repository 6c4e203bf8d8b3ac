#include "Icons.h"

#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPalette>
#include <QSvgRenderer>

static void initIconResources() {
    // The resource lives in a static library; this keeps the linker from dropping it.
    Q_INIT_RESOURCE(icons);
}

namespace ui {

namespace {

QString resolve(const QString& name) {
    static const QHash<QString, QString> aliases = {{QStringLiteral("rename"), QStringLiteral("edit")},
                                                    {QStringLiteral("post"), QStringLiteral("save")},
                                                    {QStringLiteral("search"), QStringLiteral("find")},
                                                    {QStringLiteral("zoom"), QStringLiteral("zoomin")}};
    const QString lower = name.toLower();
    return aliases.value(lower, lower);
}

QString pathOf(const QString& name) {
    return QStringLiteral(":/grocelle/icons/%1.svg").arg(name);
}

} // namespace

QStringList Icons::names() {
    static const QStringList list = {
        QStringLiteral("add"),      QStringLiteral("delete"),    QStringLiteral("edit"),
        QStringLiteral("save"),     QStringLiteral("cancel"),    QStringLiteral("ok"),
        QStringLiteral("close"),    QStringLiteral("print"),     QStringLiteral("find"),
        QStringLiteral("optimize"), QStringLiteral("undo"),      QStringLiteral("up"),
        QStringLiteral("down"),     QStringLiteral("left"),      QStringLiteral("right"),
        QStringLiteral("sequence"), QStringLiteral("selectall"), QStringLiteral("floorplan"),
        QStringLiteral("zoomin"),   QStringLiteral("zoomout"),   QStringLiteral("help"),
        QStringLiteral("backup"),   QStringLiteral("restore"),   QStringLiteral("copy"),
        QStringLiteral("folder"),   QStringLiteral("font"),      QStringLiteral("options"),
        QStringLiteral("upload"),   QStringLiteral("web"),       QStringLiteral("list")};
    return list;
}

bool Icons::has(const QString& name) {
    initIconResources();
    return names().contains(resolve(name)) && QFile::exists(pathOf(resolve(name)));
}

QPixmap Icons::pixmap(const QString& name, int size, bool disabled) {
    initIconResources();
    const QString key = resolve(name);
    if (!names().contains(key))
        return {};
    QFile file(pathOf(key));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray svg = file.readAll();
    if (QGuiApplication::palette().color(QPalette::Window).lightness() < 128) {
        // The pictures' dark grey ink and dark blue vanish on a dark scheme's buttons: lighter shades there.
        svg.replace("#444444", "#d0d0d0");
        svg.replace("#2f5f9e", "#6a9be0");
    }
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return {};
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        renderer.render(&p, QRectF(0, 0, size, size));
    }
    const QPixmap pm = QPixmap::fromImage(image);
    return disabled ? disabledLook(pm) : pm;
}

QPixmap Icons::disabledLook(const QPixmap& image) {
    if (image.isNull())
        return image;
    QImage img = image.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = line[x];
            // Grey lifted towards white, half as opaque.
            const int g = 128 + qGray(c) / 2;
            line[x] = qRgba(g, g, g, qAlpha(c) / 2);
        }
    }
    QPixmap pm = QPixmap::fromImage(img);
    pm.setDevicePixelRatio(image.devicePixelRatio());
    return pm;
}

QIcon Icons::icon(const QString& name) {
    if (!has(name))
        return {};
    QIcon icon;
    for (int size : {16, 24, 32}) {
        icon.addPixmap(pixmap(name, size, false), QIcon::Normal);
        icon.addPixmap(pixmap(name, size, true), QIcon::Disabled);
    }
    return icon;
}

const ImageList& Icons::normalImages() {
    static const ImageList list = [] {
        ImageList l(QSize(16, 16));
        for (const QString& n : names())
            l.add(pixmap(n, 16, false));
        return l;
    }();
    return list;
}

const ImageList& Icons::disabledImages() {
    static const ImageList list = [] {
        ImageList l(QSize(16, 16));
        for (const QString& n : names())
            l.add(pixmap(n, 16, true));
        return l;
    }();
    return list;
}

int Icons::indexOf(const QString& name) {
    return static_cast<int>(names().indexOf(resolve(name)));
}

} // namespace ui
