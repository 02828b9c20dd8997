#pragma once
// Turning the number texts that users type and files hold into numbers, and back.
#include <QString>
#include <cstdint>
#include <string>

namespace vek {

// Decimal digits with an optional leading sign; any other character gives 0.
int32_t ParseDecimal(const QString &text);
// Hexadecimal digits in either case; any other character gives 0.
int32_t ParseHex(const QString &text);
// Binary digits; any other character gives 0.
int32_t ParseBinary(const QString &text);
// Radix taken from the text itself ("12", "-5", "0FFh", "1010b", "12d"). Returns false and
// leaves value alone when the text is not a number in one of these notations.
bool ParseNumber(const QString &text, int32_t &value);
// 0 for a decimal digit, 1 for an ASCII letter, 2 for anything else.
int CharClass(QChar c);
// Upper-case hexadecimal of the low 16 bits, left-padded with '0' to minDigits; never cut.
QString FormatHex(int32_t value, int minDigits);

// A figure as "%f" writes it with the given number of decimals, always with a decimal point,
// whatever the locale of the process.
std::string FixedText(double value, int decimals = 6);
QString FixedQText(double value, int decimals = 6);
// The leading decimal number of a text written with a point ("-1.25", "3e-3"), whatever the
// locale; false when the text does not start with one.
bool ParsePointNumber(const std::string &text, double &value);
// Makes the C library's number formatting and parsing use the point in this process, so that a
// locale with a decimal comma cannot reach a file or a figure. Call it after the application
// object exists (it sets the locale from the environment).
void UsePointForNumbers();

// Where a window of the given size and place ends up on a screen of the given size.
struct ScreenRect {
    int left, top, width, height;
};
// (The widget form, FitToScreen, lives with the widgets.)
ScreenRect FitRectToScreen(ScreenRect window, int screenWidth, int screenHeight);

} // namespace vek
