// CHalfCutValues: the two lengths of half-cut (perforation) cutting, in
// centimetres on paper: the cut stretch ("Solid") and the gap between two
// stretches ("Space"), kept in section "HalfCut" of Setting.ini. The plot
// paths read them anew for every job.
//
// The half-cut dialog shows them as texts and refuses empty or non-positive
// entries; the checks and the text forms live here so that they hold
// whatever the GUI's locale is. Plain value; any thread.
#pragma once

#include <string>

class CHalfCutValues {
public:
    static constexpr float kDefaultSolid = 2.0f;
    static constexpr float kDefaultSpace = 0.1f;

    // What is wrong with a pair of entered texts, in the order the dialog
    // checks them (the first fault found is the one reported).
    enum class Problem {
        None,
        SolidEmpty,
        SpaceEmpty,
        SolidNotPositive,
        SpaceNotPositive,
    };

    float solid = kDefaultSolid;
    float space = kDefaultSpace;

    // The stored values; a missing section or key gives the default.
    static CHalfCutValues Load();
    // Writes both values (floats through the settings store).
    void Store() const;

    // The leading decimal number of `text` as atof reads it in the "C"
    // locale: blanks, an optional sign, digits with an optional point and
    // an optional exponent; 0 when the text does not start with a number.
    // Infinities, NaN, hexadecimal forms and values beyond the range of a
    // float read as 0, so they are refused like any other non-number.
    static double ParseNumber(const std::string& text);
    // "%.3f" with a decimal point, whatever the locale (2.0 -> "2.000").
    static std::string Format(float value);

    static Problem Check(const std::string& solidText, const std::string& spaceText);
    // The values of two texts that passed Check.
    static CHalfCutValues FromTexts(const std::string& solidText, const std::string& spaceText);
};
