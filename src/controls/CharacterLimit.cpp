#include "CharacterLimit.h"

#include <QLineEdit>
#include <QValidator>

#include <algorithm>

namespace ui {

namespace {

// Cuts the characters beyond the limit from just before the cursor, which is where the text just typed,
// pasted or set ends, so what was there before stays.
class CharacterLimitValidator : public QValidator {
public:
    CharacterLimitValidator(int limit, QObject* parent) : QValidator(parent), limit_(limit) {}

    State validate(QString& input, int& pos) const override {
        qsizetype excess = static_cast<qsizetype>(input.toUcs4().size()) - limit_;
        qsizetype start = std::clamp<qsizetype>(pos, 0, input.size());
        qsizetype end = start;
        while (excess > 0 && start > 0) {
            --start;
            if (start > 0 && input.at(start).isLowSurrogate() && input.at(start - 1).isHighSurrogate())
                --start;
            --excess;
        }
        // The rest, when the cursor sat too far left, comes off what follows it.
        while (excess > 0 && end < input.size()) {
            ++end;
            if (end < input.size() && input.at(end - 1).isHighSurrogate() && input.at(end).isLowSurrogate())
                ++end;
            --excess;
        }
        if (start != end) {
            input.remove(start, end - start);
            pos = static_cast<int>(start);
        }
        return Acceptable;
    }

private:
    int limit_;
};

} // namespace

void limitCharacters(QLineEdit* edit, int limit) {
    edit->setMaxLength(2 * limit); // no more UTF-16 units than `limit` characters can take
    edit->setValidator(new CharacterLimitValidator(limit, edit));
}

} // namespace ui
