#include "view/HalfCutValues.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <string_view>

#include "app/IniSettings.h"

namespace {

const char kSection[] = "HalfCut";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

CHalfCutValues CHalfCutValues::Load()
{
    CHalfCutValues values;
    values.solid = GetIniFloat(kSection, "Solid", kDefaultSolid);
    values.space = GetIniFloat(kSection, "Space", kDefaultSpace);
    return values;
}

void CHalfCutValues::Store() const
{
    SetIniFloat(kSection, "Solid", solid);
    SetIniFloat(kSection, "Space", space);
}

double CHalfCutValues::ParseNumber(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // from_chars would also take "inf", "nan" and their spellings: only a
    // digit or a point followed by a digit starts a number here.
    const bool startsNumber =
        i < text.size() &&
        (IsDigit(text[i]) || (text[i] == '.' && i + 1 < text.size() && IsDigit(text[i + 1])));
    if (!startsNumber)
        return 0.0;
    double value = 0.0;
    const auto result = std::from_chars(text.data() + i, text.data() + text.size(), value,
                                        std::chars_format::general);
    if (result.ec != std::errc() || !std::isfinite(value) || value > FLT_MAX)
        return 0.0;
    return negative ? -value : value;
}

std::string CHalfCutValues::Format(float value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                      std::chars_format::fixed, 3);
    if (result.ec != std::errc())
        return "0.000";
    return std::string(buffer, result.ptr);
}

CHalfCutValues::Problem CHalfCutValues::Check(const std::string& solidText,
                                              const std::string& spaceText)
{
    if (solidText.empty())
        return Problem::SolidEmpty;
    if (spaceText.empty())
        return Problem::SpaceEmpty;
    if (!(ParseNumber(solidText) > 0.0))
        return Problem::SolidNotPositive;
    if (!(ParseNumber(spaceText) > 0.0))
        return Problem::SpaceNotPositive;
    return Problem::None;
}

CHalfCutValues CHalfCutValues::FromTexts(const std::string& solidText,
                                         const std::string& spaceText)
{
    CHalfCutValues values;
    values.solid = static_cast<float>(ParseNumber(solidText));
    values.space = static_cast<float>(ParseNumber(spaceText));
    return values;
}
