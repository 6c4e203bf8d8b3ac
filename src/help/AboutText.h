#pragma once

#include <QString>
#include <QStringList>

namespace help {

// The maker's web pages, opened in the user's browser.
inline constexpr const char* kWebSiteAddress = "https://www.grocelle.example/";
inline constexpr const char* kSupportForumAddress = "https://forum.grocelle.example/";

// The build's platform as the About box names it, for example "Linux 64bit build".
QString BuildPlatformText();

// The four lines of the About box: two of the maker's, the program's version with the platform it was built
// for, and the table engine's name and version.
QStringList AboutLines();

} // namespace help
