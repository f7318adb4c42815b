#include "qt/read_out_text.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>
#include <cmath>

#include "platform/number_text.h"

namespace soar {

namespace {

// QLineEdit leaves this many pixels on either side of its text inside the
// contents rectangle of its frame.
constexpr int kLineEditSideMargin = 2;

// "1.5E+08" -> "1.5E8", "-2E-05" -> "-2E-5": the exponent without its plus sign
// and leading zeros; it reads back as the same number.
std::string short_exponent(const std::string& t) {
    const size_t e = t.find('E');
    if (e == std::string::npos) return t;
    std::string out = t.substr(0, e + 1);
    size_t i = e + 1;
    if (i < t.size() && t[i] == '-') out += t[i];
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    while (i + 1 < t.size() && t[i] == '0') ++i;
    return out + t.substr(i);
}

}  // namespace

QRect text_area(const QLineEdit& edit) {
    // The style option a line edit paints its frame with.
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.rect = edit.contentsRect();
    option.lineWidth = edit.hasFrame()
                           ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit)
                           : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    if (edit.isReadOnly()) option.state |= QStyle::State_ReadOnly;
    option.features = QStyleOptionFrame::None;
    const QRect contents =
        edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit);
    return contents.marginsRemoved(edit.textMargins());
}

int text_room(const QLineEdit& edit) {
    return text_area(edit).width() - 2 * kLineEditSideMargin;
}

bool fits_in(const QString& text, const QFontMetrics& metrics, int room) {
    // The rule QLineEdit scrolls by: the text's advance, one pixel for the
    // cursor and the font's largest overhangs on the left and the right.
    const int used = metrics.horizontalAdvance(text) + 1 + std::max(0, -metrics.minLeftBearing()) +
                     std::max(0, -metrics.minRightBearing());
    return used <= room;
}

QString fitted_number(const std::string& text, const QFontMetrics& metrics, int room) {
    const QString whole = QString::fromStdString(text);
    const float value = float(text_value(text));
    // Only the program's own text of a finite number is shortened: a box the
    // user typed into keeps what was typed.
    if (!std::isfinite(value) || float_text(value) != text) return whole;
    // Most digits first; for each count the general form, then the exponent
    // form (shorter for large and tiny numbers: "1.2E+06" for "1200000"), then
    // that with its exponent written short.
    for (int digits = 7; digits >= 1; --digits) {
        const std::string general = float_text(value, digits);
        const std::string exponent = float_text_exponent(value, digits);
        for (const std::string& t : {general, exponent, short_exponent(exponent)}) {
            const QString q = QString::fromStdString(t);
            if (fits_in(q, metrics, room)) return q;
        }
    }
    QString marks;
    while (marks.size() < 7 && fits_in(marks + QLatin1Char('#'), metrics, room))
        marks += QLatin1Char('#');
    return marks;
}

QString fixed_text(double value, int digits) {
    QString t = QString::number(value, 'f', std::max(0, digits));
    // Rounded to zero: no sign (digits and one point after the minus are zeros).
    if (t.startsWith(QLatin1Char('-')) && std::all_of(t.cbegin() + 1, t.cend(), [](QChar ch) {
            return ch == QLatin1Char('0') || ch == QLatin1Char('.');
        }))
        t.remove(0, 1);
    return t;
}

}  // namespace soar
