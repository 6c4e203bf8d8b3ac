#pragma once

#include <QString>

namespace help {

// What a help viewer does with one collection file.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    virtual void showContext(const QString& collection, int contextId) = 0;
    virtual void showContents(const QString& collection) = 0;
    virtual void showIndex(const QString& collection, const QString& keyword) = 0;
    virtual void showDefault(const QString& collection) = 0;
    virtual void closeAll() = 0;
};

// The help commands the program gives.
enum class HelpCommand {
    Context,        // a topic by context id
    ContextPopup,   // the same, asked for as a pop-up
    Quit,           // close every help window
    Contents,       // the table of contents
    HelpOnHelp,     // how to use the help window
    Finder,         // the help finder
    Keyword,        // the index at a keyword
    PartialKeyword, // the index at the start of a keyword
    Other
};

// The one place every help request of the program goes through: it turns the command into what the viewer
// shows, always on the current help file, and counts every request as handled.
class HelpHook {
public:
    HelpHook(HelpViewer& viewer, QString helpFile) : viewer_(viewer), helpFile_(std::move(helpFile)) {}

    const QString& helpFile() const { return helpFile_; }
    void setHelpFile(const QString& file) { helpFile_ = file; }

    bool request(HelpCommand command, int contextId = 0, const QString& keyword = QString());
    // Shows the contents of another collection (the catalogue of other products); the help file stays the
    // program's own.
    void showContentsOf(const QString& collection);

    // The collection that explains the help window, in the folder of the help file.
    static QString helpOnHelpFile(const QString& helpFile);

private:
    HelpViewer& viewer_;
    QString helpFile_;
};

} // namespace help
