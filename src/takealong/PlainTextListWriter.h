#pragma once

#include <QString>

class TakeAlongList;

// The list as plain text, for a messenger, a phone's lock screen or a QR code: a heading per shop, the
// aisles as sub-headings, one line per item ("2 × Oat milk Avena 1 l — 3.98"), the totals and the notes.
// Without prices the amounts and totals are left out, which makes the text shorter.
class PlainTextListWriter {
public:
    explicit PlainTextListWriter(bool withPrices = true) : withPrices_(withPrices) {}
    QString write(const TakeAlongList& list) const;

private:
    bool withPrices_;
};
