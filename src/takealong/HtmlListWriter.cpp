#include "HtmlListWriter.h"

#include "PlainTextListWriter.h"
#include "TakeAlongList.h"

#include <QCryptographicHash>

#include <cmath>

namespace {

// Colours for light and dark mode, large touch targets, ticked lines greyed out. Nothing is loaded from
// anywhere: the system's own fonts.
const char* const kStyle =
    R"(:root{color-scheme:light dark;--bg:#fff;--fg:#1b1b1b;--muted:#5f5f5f;--line:#d9d9d9;--bar:#eef4ee;--accent:#2e7d32}
@media (prefers-color-scheme:dark){:root{--bg:#121212;--fg:#ececec;--muted:#a8a8a8;--line:#333;--bar:#1d2a1e;--accent:#81c784}}
*{box-sizing:border-box}
body{margin:0;background:var(--bg);color:var(--fg);font:18px/1.4 system-ui,-apple-system,"Segoe UI",Roboto,sans-serif;overflow-wrap:anywhere}
header{position:sticky;top:0;z-index:1;background:var(--bar);border-bottom:1px solid var(--line);padding:10px 16px}
h1{font-size:20px;margin:0}
header p{margin:2px 0 0;font-size:18px}
#left{font-weight:bold}
main{padding:0 16px 32px}
h2{font-size:21px;margin:24px 0 0}
.address{margin:0;color:var(--muted)}
h3{font-size:16px;margin:18px 0 0;color:var(--muted);font-weight:600}
ul{list-style:none;margin:0;padding:0}
li label{display:flex;align-items:center;gap:14px;min-height:56px;padding:8px 0;border-bottom:1px solid var(--line);cursor:pointer;-webkit-tap-highlight-color:transparent}
li input{flex:none;width:30px;height:30px;margin:0;accent-color:var(--accent)}
.qty{flex:none;min-width:2.6em;font-weight:bold}
.what{flex:1}
.size{white-space:nowrap}
.amount{flex:none;font-variant-numeric:tabular-nums}
li.done label{opacity:.45}
li.done .what{text-decoration:line-through}
.total{font-weight:bold;margin:12px 0 0}
.remark{font-style:italic;color:var(--muted);margin:4px 0 0}
.grand{font-size:20px;font-weight:bold;margin:28px 0 0;padding-top:12px;border-top:2px solid var(--line)}
.notes p{white-space:pre-wrap;margin:4px 0 0})";

// Restores the ticks of this list, keeps them as they change and counts what is left. It reads the list's
// key, the amounts and the money format from the page, so it holds no text of the list.
const char* const kScript = R"((function () {
  var page = document.body.dataset;
  var key = "grocelle-list-" + page.list;
  var boxes = Array.prototype.slice.call(document.querySelectorAll("li[data-item] input"));
  var zero = parseInt(page.zero, 10), primary = parseInt(page.primary, 10), secondary = parseInt(page.secondary, 10);
  function digits(n) {
    var s = String(n), out = "";
    for (var i = 0; i < s.length; i++) out += String.fromCodePoint(zero + s.charCodeAt(i) - 48);
    return out;
  }
  function money(cents) {
    var sign = cents < 0 ? "-" : "";
    cents = Math.abs(cents);
    var whole = String(Math.floor(cents / 100)), groups = [];
    if (primary > 0 && whole.length > primary) {
      groups.unshift(whole.slice(-primary));
      whole = whole.slice(0, -primary);
      while (whole.length > secondary) {
        groups.unshift(whole.slice(-secondary));
        whole = whole.slice(0, -secondary);
      }
    }
    groups.unshift(whole);
    var fraction = String(cents % 100);
    if (fraction.length === 1) fraction = "0" + fraction;
    var parts = groups.map(digits);
    return sign + page.prefix + parts.join(page.group) + page.point + digits(fraction) + page.suffix;
  }
  function load() {
    try { return JSON.parse(localStorage.getItem(key)) || []; } catch (e) { return []; }
  }
  function save() {
    var ticked = boxes.filter(function (b) { return b.checked; })
                      .map(function (b) { return b.closest("li").dataset.item; });
    try { localStorage.setItem(key, JSON.stringify(ticked)); } catch (e) { }
  }
  function update() {
    var cents = 0, count = 0;
    boxes.forEach(function (b) {
      var item = b.closest("li");
      item.classList.toggle("done", b.checked);
      if (!b.checked) { cents += parseInt(item.dataset.cents, 10); count++; }
    });
    document.getElementById("left").textContent = money(cents);
    document.getElementById("count").textContent = count === 1 ? "1 item" : count + " items";
  }
  var ticked = load();
  boxes.forEach(function (b) {
    b.checked = ticked.indexOf(b.closest("li").dataset.item) >= 0;
    b.addEventListener("change", function () { save(); update(); });
  });
  update();
})();)";

QString text(const QString& s) {
    return HtmlListWriter::escaped(s);
}

// A name in its own direction: right-to-left names keep their order among the other parts.
QString bdi(const QString& s) {
    return QStringLiteral("<bdi>") + text(s) + QStringLiteral("</bdi>");
}

qint64 cents(double amount) {
    return static_cast<qint64>(std::nearbyint(amount * 100));
}

// How the locale writes money, for the page's running total: what comes before and after the number, the
// decimal and group separators, the group sizes and the zero digit, read off a written amount.
struct MoneyFormat {
    QString prefix, suffix, point, group;
    char32_t zero = U'0';
    int primary = 0, secondary = 0;

    explicit MoneyFormat(const TakeAlongList& list) {
        const QString sample = list.currency(1234567.89);
        qsizetype first = 0;
        while (first < sample.size() && !sample.at(first).isDigit())
            ++first;
        qsizetype last = sample.size() - 1;
        while (last > first && !sample.at(last).isDigit())
            --last;
        prefix = sample.left(first);
        suffix = sample.mid(last + 1);
        const QString body = sample.mid(first, last - first + 1);
        // The body ends in the two decimals; the separator stands between them and the last whole digit.
        qsizetype wholeEnd = body.size() - 3;
        while (wholeEnd > 0 && !body.at(wholeEnd).isDigit())
            --wholeEnd;
        point = body.mid(wholeEnd + 1, body.size() - 2 - wholeEnd - 1);
        QStringList groups{QString()};
        for (qsizetype i = 0; i <= wholeEnd; ++i) {
            if (body.at(i).isDigit()) {
                groups.last() += body.at(i);
                continue;
            }
            if (!groups.last().isNull())
                groups << QString(); // a separator ends the group before it
            if (groups.size() == 2)
                group += body.at(i); // the first separator, whole
        }
        if (groups.size() > 1)
            primary = static_cast<int>(groups.last().size());
        secondary = groups.size() > 2 ? static_cast<int>(groups.at(groups.size() - 2).size()) : primary;
        zero = list.locale.zeroDigit().toUcs4().value(0, U'0');
    }
};

} // namespace

QString HtmlListWriter::escaped(const QString& s) {
    QString out;
    out.reserve(s.size() + 16);
    for (const QChar c : s) {
        switch (c.unicode()) {
        case '&':
            out += QStringLiteral("&amp;");
            break;
        case '<':
            out += QStringLiteral("&lt;");
            break;
        case '>':
            out += QStringLiteral("&gt;");
            break;
        case '"':
            out += QStringLiteral("&quot;");
            break;
        case '\'':
            out += QStringLiteral("&#39;");
            break;
        case '\n':
        case '\t':
            out += c;
            break;
        default:
            if (c.unicode() >= 0x20 && c.unicode() != 0x7f)
                out += c;
        }
    }
    return out;
}

QString HtmlListWriter::listKey(const TakeAlongList& list) {
    QByteArray content = PlainTextListWriter(true).write(list).toUtf8();
    for (const TakeAlongList::Shop& shop : list.shops)
        for (const TakeAlongList::Aisle& aisle : shop.aisles)
            for (const TakeAlongList::Item& item : aisle.items)
                content += ' ' + QByteArray::number(item.itemId);
    return QString::fromLatin1(
        QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex().left(16));
}

QString HtmlListWriter::write(const TakeAlongList& list) const {
    const MoneyFormat money(list);
    qint64 leftCents = 0;
    int count = 0;
    QString body;
    for (const TakeAlongList::Shop& shop : list.shops) {
        body += QStringLiteral("<section class=\"shop\">\n<h2>") + bdi(shop.name) + QStringLiteral("</h2>\n");
        if (!shop.address.trimmed().isEmpty())
            body += QStringLiteral("<p class=\"address\">") + bdi(shop.address.trimmed()) +
                    QStringLiteral("</p>\n");
        for (const TakeAlongList::Aisle& aisle : shop.aisles) {
            body += QStringLiteral("<h3>") + bdi(aisle.name) +
                    (aisle.outOfSequence ? QStringLiteral("*") : QString()) + QStringLiteral("</h3>\n<ul>\n");
            for (const TakeAlongList::Item& item : aisle.items) {
                const qint64 c = item.priced() ? cents(item.lineTotal) : 0;
                leftCents += c;
                ++count;
                QStringList parts;
                for (const QString& part : {item.product, item.brand})
                    if (!part.isEmpty())
                        parts << bdi(part);
                // "250 g" stays on one line.
                if (const QString size = TakeAlongList::sizeText(item); !size.isEmpty())
                    parts << QStringLiteral("<bdi class=\"size\">") + text(size) + QStringLiteral("</bdi>");
                body +=
                    QStringLiteral("<li data-item=\"%1\" data-cents=\"%2\"><label><input type=\"checkbox\" "
                                   "autocomplete=\"off\"><span class=\"qty\">")
                        .arg(item.itemId)
                        .arg(c) +
                    text(item.quantity) + QStringLiteral(" ×</span><span class=\"what\">") +
                    parts.join(QLatin1Char(' ')) + QStringLiteral("</span>");
                if (item.priced())
                    body += QStringLiteral("<span class=\"amount\">") + text(list.amount(item.lineTotal)) +
                            QStringLiteral("</span>");
                body += QStringLiteral("</label></li>\n");
            }
            body += QStringLiteral("</ul>\n");
        }
        body += QStringLiteral("<p class=\"total\">Total for ") + bdi(shop.name) + QStringLiteral(": ") +
                text(list.amount(shop.total)) + QStringLiteral("</p>\n");
        if (shop.priceMissing)
            body +=
                QStringLiteral("<p class=\"remark\">(This total is not accurate. Some items at this shop had "
                               "no prices.)</p>\n");
        if (shop.outOfSequence)
            body += QStringLiteral("<p class=\"remark\">* Indicates categories not in aisle sequence.</p>\n");
        body += QStringLiteral("</section>\n");
    }
    body += QStringLiteral("<p class=\"grand\">Grand total: ") + text(list.currency(list.grandTotal)) +
            QStringLiteral("</p>\n");
    if (!list.notes.isEmpty())
        body += QStringLiteral("<section class=\"notes\">\n<h2>Notes</h2>\n<p dir=\"auto\">") +
                text(list.notes.join(QLatin1Char('\n'))) + QStringLiteral("</p>\n</section>\n");

    QString page;
    // The page's own words are English; every name shows in its own direction.
    page += QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                           "<meta name=\"color-scheme\" content=\"light dark\">\n"
                           "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                           "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">\n"
                           "<title>Shopping list</title>\n<style>\n");
    page += QString::fromUtf8(kStyle);
    page += QStringLiteral("\n</style>\n</head>\n");
    const auto data = [](const char* name, const QString& value) {
        return QStringLiteral(" data-") + QLatin1String(name) + QStringLiteral("=\"") + text(value) +
               QLatin1Char('"');
    };
    page += QStringLiteral("<body") + data("list", listKey(list)) + data("prefix", money.prefix) +
            data("suffix", money.suffix) + data("point", money.point) + data("group", money.group) +
            data("primary", QString::number(money.primary)) +
            data("secondary", QString::number(money.secondary)) + data("zero", QString::number(money.zero)) +
            QStringLiteral(">\n");
    page += QStringLiteral("<header>\n<h1>Shopping list</h1>\n<p>Left to buy: <span id=\"left\">") +
            text(list.currency(static_cast<double>(leftCents) / 100)) +
            QStringLiteral("</span> · <span id=\"count\">") +
            (count == 1 ? QStringLiteral("1 item") : QString::number(count) + QStringLiteral(" items")) +
            QStringLiteral("</span></p>\n</header>\n<main>\n");
    page += body;
    page += QStringLiteral("</main>\n<script>\n");
    page += QString::fromUtf8(kScript);
    page += QStringLiteral("\n</script>\n</body>\n</html>\n");
    return page;
}
