#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <functional>
#include <optional>

class QAbstractItemModel;
class QIODevice;

// Small helpers shared by every subsystem.

// The index file name of a table's data file: "Categories.dat" gives "Categories.idx".
QString IndexFileName(const QString& dataFileName);

// The program's version as text, "2.3.0".
QString ProgramVersionText();

// The special folders the program keeps its files in.
enum class SpecialFolder {
    CommonAppData, // the database and the settings file
    Personal,      // documents: backups and upload files
    AppData,       // the table layer's scratch files
};

// The special folder's path with the sub-folder appended and a trailing "/", creating the sub-folder when it
// is missing; empty text when the system does not know the folder.
QString AppDataFolder(SpecialFolder folder, const QString& subFolder);

// The ending of a counted word: "" or "s", or with yWord "y" or "ies" ("categor" + ending).
QString PluralSuffix(int count, bool yWord = false);

// The price rounded to cents: as a 32-bit float, times 100 in double precision, rounded half to even, divided
// by 100 as a float.
float RoundPrice(double price);

// A number typed by the user (a price): an optional sign, digits with the locale's decimal separator, an
// optional exponent, no group separators; blanks around it are ignored. Nothing for any other text or a value
// beyond a double.
std::optional<double> ParseTypedNumber(const QString& text, const QLocale& locale = QLocale());

// A length-prefixed single-byte string at the device's current position.
QString ReadShortString(QIODevice& device);

// Tagged list entries: the row's id, "###", then the name shown.
QString TaggedListEntry(int id, const QString& name);
// The id of an entry, -1 when it has none.
int ExtractLBID(const QString& entry);
// The id of entry `index` of a list box's or combo box's model, -1 for a negative index or an untagged entry.
int ExtractLBID(const QAbstractItemModel* entries, int index);
// The text drawn for an entry: what follows the first "###", at most 255 characters; null when untagged.
QString TaggedDisplayText(const QString& entry);

// The path in the folder whose name, made from the clock's time, no file has yet. Names change once a second,
// so a taken name means waiting for the next second.
QString FreshTimedPath(const QString& folder, const std::function<QDateTime()>& clock,
                       const std::function<QString(const QDateTime&)>& nameAt);
