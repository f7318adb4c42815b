// What a text box shows of a number the program wrote into it. The window model
// holds the float's shortest text (up to seven significant digits); a box 41
// pixels wide at 8.25 pt holds five or six digits, and a line edit that cannot
// show its whole text scrolls it, cutting the last glyph in half. The box shows
// the number rounded to as many digits as fit instead.
#pragma once

#include <QFontMetrics>
#include <QRect>
#include <QString>
#include <string>

class QLineEdit;

namespace soar {

// The rectangle a line edit paints its text in (inside its frame and margins;
// the text itself keeps two more pixels from either side).
QRect text_area(const QLineEdit& edit);
// Pixels a line edit has for its text at its size, frame, style and margins:
// a text no wider (as fits_in measures it) is shown whole, without scrolling.
int text_room(const QLineEdit& edit);

// True when `text` at the font of `metrics` is shown whole in `room` pixels,
// bearings of the font's widest-reaching glyphs included.
bool fits_in(const QString& text, const QFontMetrics& metrics, int room);

// The text to show for `text` in `room` pixels. A number in the program's text
// form becomes the same number with as many significant digits (at most seven)
// as fit; where even the exponent form does not, its exponent is written short
// ("1.5E8" for "1.5E+08"); where not even one digit fits, "#" marks fill the
// box, so that no cut number is ever shown. Any other text is returned as it is.
QString fitted_number(const std::string& text, const QFontMetrics& metrics, int room);

// `value` with `digits` decimals, as the Flight data read-outs, tables and
// charts show it: a value that rounds to zero is "0.0", never "-0.0" (a
// bank of -0.04 deg is no bank to the left at one decimal).
QString fixed_text(double value, int digits);

}  // namespace soar
