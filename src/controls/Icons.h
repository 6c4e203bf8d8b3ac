#pragma once

#include "ImageList.h"

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

namespace ui {

// The program's own button and toolbar pictures, drawn as SVG in the resource ":/grocelle/icons". Every
// picture comes in an enabled and a disabled (grey, faded) look.
//
// Names: add, delete, edit, save, cancel, ok, close, print, find, optimize, undo, up, down, left, right,
// sequence, selectall, floorplan, zoomin, zoomout, help, backup, restore, copy, folder, font, options,
// upload, web, list; and the aliases rename (edit), post (save), search (find), zoom (zoomin).
class Icons {
public:
    static QStringList names();
    static bool has(const QString& name);
    // Both looks at 16, 24 and 32 pixels; a null icon for an unknown name.
    static QIcon icon(const QString& name);
    static QPixmap pixmap(const QString& name, int size = 16, bool disabled = false);
    // The disabled look of any picture: grey and half transparent.
    static QPixmap disabledLook(const QPixmap& image);

    // Every picture at 16 pixels in names() order, in the enabled and in the disabled look.
    static const ImageList& normalImages();
    static const ImageList& disabledImages();
    static int indexOf(const QString& name); // -1 for an unknown name
};

} // namespace ui
