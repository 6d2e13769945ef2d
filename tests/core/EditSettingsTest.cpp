// The values behind the preview's edit commands: the half-cut dialog's
// number reading, text form and checks, and the broken-line pass over a
// whole drawing. (Storing both settings is covered by the dialog tests.)
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "plotlib/Polyline.h"
#include "view/BrokenLines.h"
#include "view/HalfCutValues.h"

namespace {

CPolylineI Line(int pen, std::initializer_list<PointI> points)
{
    CPolylineI line(pen);
    line.m_points = points;
    return line;
}

} // namespace

TEST(HalfCutValues, ReadsTheLeadingNumberAsAtofDoesInTheCLocale)
{
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"2.5", 2.5},       {"  2.5cm", 2.5}, {"\t-1", -1.0},   {"+3", 3.0},
        {".5", 0.5},        {"1.", 1.0},      {"1e2", 100.0},   {"1e", 1.0},
        {"2,5", 2.0},       {"abc", 0.0},     {"", 0.0},        {"-", 0.0},
        {".", 0.0},         {"- 1", 0.0},     {"0", 0.0},       {"0.000", 0.0},
        // Forms atof takes but a length cannot be: refused as non-numbers.
        {"inf", 0.0},       {"-nan", 0.0},    {"1e999", 0.0},   {"1e39", 0.0},
        {"0x10", 0.0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(CHalfCutValues::ParseNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(HalfCutValues, FormatsThreeDecimalsWithAPointInAnyLocale)
{
    // A comma locale must not reach the texts (the GUI sets the user's).
    const char* const previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(CHalfCutValues::Format(2.0f), "2.000");
    EXPECT_EQ(CHalfCutValues::Format(0.1f), "0.100");
    EXPECT_EQ(CHalfCutValues::Format(12.3456f), "12.346");
    EXPECT_DOUBLE_EQ(CHalfCutValues::ParseNumber("0.25"), 0.25);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(HalfCutValues, ChecksInTheDialogsOrder)
{
    using P = CHalfCutValues::Problem;
    struct Case {
        const char* solid;
        const char* space;
        P problem;
    };
    const Case cases[] = {
        {"", "", P::SolidEmpty},          // length before spacer
        {"0", "", P::SpaceEmpty},         // emptiness before sign
        {"0", "0", P::SolidNotPositive},  // length before spacer
        {"-2", "1", P::SolidNotPositive},
        {"abc", "1", P::SolidNotPositive},
        {"2", "0", P::SpaceNotPositive},
        {"2", "x0.1", P::SpaceNotPositive},
        {"2.0", "0.1", P::None},
        {"2cm", " 0.1 ", P::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CHalfCutValues::Check(c.solid, c.space), c.problem)
            << '"' << c.solid << "\" \"" << c.space << '"';
    const CHalfCutValues v = CHalfCutValues::FromTexts("2cm", " 0.1 ");
    EXPECT_FLOAT_EQ(v.solid, 2.0f);
    EXPECT_FLOAT_EQ(v.space, 0.1f);
}

TEST(BrokenLines, BreaksEveryPolylineOnceAndDropsThoseThatDrawNothing)
{
    CPolylineIArray drawing;
    // An L: one sharp corner, two pieces.
    drawing.Add(1).m_points = {{0, 0}, {1000, 0}, {1000, 1000}};
    drawing.Add(4).m_points = {{5, 5}};                      // a lone point
    drawing.Add(2).m_points = {{0, 0}, {500, 0}};            // nothing to break
    drawing.Add(3);                                          // empty
    // A zigzag with two sharp corners: three pieces.
    drawing.Add(3).m_points = {{0, 0}, {1000, 0}, {0, 100}, {1000, 200}};

    EXPECT_EQ(CBrokenLines::Apply(drawing), 2);

    // Kept polylines stay in place with their first piece; the pieces a
    // call appended follow in the order they came, each with its pen, and
    // are not broken again.
    ASSERT_EQ(drawing.GetCount(), 6);
    const CPolylineI expected[] = {
        Line(1, {{0, 0}, {1000, 0}}),
        Line(2, {{0, 0}, {500, 0}}),
        Line(3, {{0, 0}, {1000, 0}}),
        Line(3, {{1000, 0}, {0, 100}}),
        Line(3, {{0, 100}, {1000, 200}}),
        Line(1, {{1000, 0}, {1000, 1000}}),
    };
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(drawing.GetPolyline(i)->GetPenNo(), expected[i].GetPenNo()) << i;
        EXPECT_EQ(drawing.GetPolyline(i)->m_points, expected[i].m_points) << i;
    }

    // A second pass finds nothing left to break or remove.
    EXPECT_EQ(CBrokenLines::Apply(drawing), 0);
    EXPECT_EQ(drawing.GetCount(), 6);
}
