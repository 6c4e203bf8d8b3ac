#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace ui {

// The search box above a list. It tells its list what to look for once the typing pauses (no Enter needed);
// Ctrl+F anywhere on its page puts the cursor in it, Escape empties it and gives the list the focus.
class SearchBox : public QLineEdit {
    Q_OBJECT

public:
    // The page is where Ctrl+F reaches the box; the placeholder says what the box searches.
    SearchBox(QWidget* page, const QString& placeholder, QWidget* parent = nullptr);

    // The control that takes the focus after Escape.
    void setList(QWidget* list) { list_ = list; }
    // The text the list was last told of: what it shows now.
    QString searchText() const { return told_; }
    // Tells at once what waits for the pause; nothing when the list already has it.
    void flush();
    // Empties the box without telling the list (a page that starts afresh).
    void reset();

    static constexpr int kPauseMs = 200;

signals:
    void searchChanged(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTimer pause_;
    QPointer<QWidget> list_;
    QString told_;
};

} // namespace ui
