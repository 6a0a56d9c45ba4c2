#pragma once
// A decimal number written as text, read the way std::from_chars reads a
// double: an optional minus sign, digits with an optional point, an optional
// exponent; nothing before (no space, no plus sign) and the whole text.
#include <string_view>

// The value of the whole text; false when the text is not such a number or
// its value is out of a double's range.
bool readDecimalText(std::string_view text, double& value);
