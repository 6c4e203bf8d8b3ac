#pragma once

class QLineEdit;

namespace ui {

// Limits a line edit to `limit` characters, counted as code points like the fields' sizes: an emoji is one
// character, where QLineEdit::setMaxLength would count it as two. As with setMaxLength, typing beyond the
// limit is refused and longer text pasted or set is cut.
void limitCharacters(QLineEdit* edit, int limit);

} // namespace ui
