#include "HelpHook.h"

#include <QFileInfo>

namespace help {

QString HelpHook::helpOnHelpFile(const QString& helpFile) {
    return QFileInfo(helpFile).path() + QStringLiteral("/UsingHelp.qhc");
}

bool HelpHook::request(HelpCommand command, int contextId, const QString& keyword) {
    switch (command) {
    case HelpCommand::Context:
    case HelpCommand::ContextPopup:
        viewer_.showContext(helpFile_, contextId);
        break;
    case HelpCommand::Quit:
        viewer_.closeAll();
        break;
    case HelpCommand::Contents:
        viewer_.showContents(helpFile_);
        break;
    case HelpCommand::HelpOnHelp:
        viewer_.showContents(helpOnHelpFile(helpFile_));
        break;
    case HelpCommand::Keyword:
    case HelpCommand::PartialKeyword:
        viewer_.showIndex(helpFile_, keyword);
        break;
    case HelpCommand::Finder:
    case HelpCommand::Other:
        viewer_.showDefault(helpFile_);
        break;
    }
    return true;
}

void HelpHook::showContentsOf(const QString& collection) {
    const QString own = helpFile_;
    helpFile_ = collection;
    request(HelpCommand::Contents);
    helpFile_ = own;
}

} // namespace help
