#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "geometry/Expression.h"

// Texts that parse and evaluate, with the readings stored settings rely on:
// the unary minus takes the whole rest, comparisons bind tighter than
// products, "'" joins a whole number and a fraction, blanks only where the
// grammar allows them.
TEST(Expression, EvaluatesTheGrammar)
{
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"12'3/8", 12.375}, {"'1/2", 0.5},          {"3/8", 0.375},     {"5'3", 8.0},
        {"5'", 5.0},        {"12'3/8*2", 24.75},    {"2^3'1/2", 8.5},   {"2'sqrt(4)", 4.0},
        {"-2+3", -5.0},     {"-(2)+3", -5.0},       {"3+-2", 1.0},      {"2*-3+4", -14.0},
        {"2^3^2", 64.0},    {"7-2-1", 4.0},         {"8/4/2", 1.0},     {"1+2<3", 2.0},
        {"2*3<4", 2.0},     {"1>2", 0.0},           {"!0", 1.0},        {"!!2", 1.0},
        {"|-2.5|", 2.5},    {"1.2.3", 1.2},         {".5", 0.5},        {"5.", 5.0},
        {"2+ 3", 5.0},      {"\t7\r\n", 7.0},       {"( 1+2)", 3.0},    {"sqrt(16)", 4.0},
        {"SqRt 16 +1", 5.0}, {"SIN-1", std::sin(-1.0)},
        {"SIN -1+1", std::sin(-2.0)},  // the minus takes 1+1
        {"CTG(1)", 1.0 / std::tan(1.0)}, {"ACOS(1)+ATG(0)+EXP(0)", 1.0},
    };
    for (const auto& c : cases) {
        CExpression expression;
        ASSERT_TRUE(expression.SetExpression(c.text)) << c.text;
        double value = -99.0;
        EXPECT_TRUE(expression.Evaluate(value)) << c.text;
        EXPECT_NEAR(value, c.value, 1e-12) << c.text;
    }
}

// Invalid text: SetExpression fails without an error code, Evaluate then
// fails with code 1 and 0. Also drops a tree parsed earlier.
TEST(Expression, RejectsInvalidText)
{
    const std::string cases[] = {
        "",      "   ",   "2 +3",   "( 1+2 )", "SIN",    "SIN+2", "1e5",   "1\t+2",
        "(1+2",  "|3",    "2+ !0",  "2+",      "*2",     "1)",    "5'3/",  "2 3",
        "SQRT()", "a_b",  "1,5",    std::string("1\0+2", 4),
    };
    CExpression expression;
    for (const std::string& text : cases) {
        ASSERT_TRUE(expression.SetExpression("1"));
        EXPECT_FALSE(expression.SetExpression(text)) << text;
        EXPECT_EQ(expression.GetErrorCode(), CExpression::kNoError) << text;
        double value = -99.0;
        EXPECT_FALSE(expression.Evaluate(value)) << text;
        EXPECT_EQ(value, 0.0) << text;
        EXPECT_EQ(expression.GetErrorCode(), CExpression::kNoTree) << text;
    }
}

TEST(Expression, ReportsEvaluationErrors)
{
    const struct {
        const char* text;
        int code;
    } cases[] = {
        {"SQRT(-1)", CExpression::kDomainError},
        {"LOG(0)", CExpression::kDomainError},
        {"1/0", CExpression::kDivisionByZero},
        {"SIN2", CExpression::kUnknownName},
        // evaluation goes on after an error; the last one set remains
        {"1/0+SQRT(-1)", CExpression::kDomainError},
        {"SQRT(-1)+1/0", CExpression::kDivisionByZero},
    };
    for (const auto& c : cases) {
        CExpression expression;
        ASSERT_TRUE(expression.SetExpression(c.text)) << c.text;
        double value = 0.0;
        EXPECT_FALSE(expression.Evaluate(value)) << c.text;
        EXPECT_EQ(expression.GetErrorCode(), c.code) << c.text;
    }

    CExpression expression;
    ASSERT_TRUE(expression.SetExpression("1/0"));
    double value = 0.0;
    expression.Evaluate(value);
    EXPECT_DOUBLE_EQ(value, -1000.0);          // a / -0.001
    EXPECT_FALSE(expression.Evaluate(value));  // only a new text clears the code
    ASSERT_TRUE(expression.SetExpression("2*3"));
    EXPECT_TRUE(expression.Evaluate(value));
    EXPECT_EQ(value, 6.0);
}

TEST(Expression, ResolvesNamesThroughTheCallback)
{
    const auto resolver = [](const char* name, double* value, void* user) {
        if (std::strcmp(name, "Width") != 0)
            return false;
        *value = *static_cast<double*>(user);
        return true;
    };
    double width = 3.0;
    CExpression expression;
    expression.SetNameResolver(resolver, &width);
    double value = 0.0;
    ASSERT_TRUE(expression.SetExpression("Width*2"));
    EXPECT_TRUE(expression.Evaluate(value));
    EXPECT_EQ(value, 6.0);
    // Names keep their case; bytes above 0x80 belong to names.
    for (const char* text : {"WIDTH*2", "\xE4x1+1"}) {
        ASSERT_TRUE(expression.SetExpression(text)) << text;
        EXPECT_FALSE(expression.Evaluate(value)) << text;
        EXPECT_EQ(expression.GetErrorCode(), CExpression::kUnknownName) << text;
    }
}

// Hostile input must not overflow the stack: deep nesting and very long
// chains are invalid text, ordinary depth works.
TEST(Expression, BoundsNestingAndTreeDepth)
{
    CExpression expression;
    double value = 0.0;
    ASSERT_TRUE(expression.SetExpression(std::string(200, '(') + "1" + std::string(200, ')')));
    EXPECT_TRUE(expression.Evaluate(value));
    EXPECT_EQ(value, 1.0);

    for (const std::string prefix : {"(", "|", "-", "!", "SIN ", "'"}) {
        std::string text;
        for (int i = 0; i < 100000; ++i)
            text += prefix;
        EXPECT_FALSE(expression.SetExpression(text + "1")) << prefix;
    }

    std::string sum = "1";
    for (int i = 1; i < 500; ++i)
        sum += "+1";
    ASSERT_TRUE(expression.SetExpression(sum));
    EXPECT_TRUE(expression.Evaluate(value));
    EXPECT_EQ(value, 500.0);
    for (int i = 500; i < 200000; ++i)
        sum += "+1";
    EXPECT_FALSE(expression.SetExpression(sum));

    // Long numbers follow atof: huge is infinity, tiny is 0.
    ASSERT_TRUE(expression.SetExpression(std::string(400, '9')));
    EXPECT_TRUE(expression.Evaluate(value));
    EXPECT_TRUE(std::isinf(value));
    ASSERT_TRUE(expression.SetExpression("0." + std::string(400, '0') + "1"));
    EXPECT_TRUE(expression.Evaluate(value));
    EXPECT_EQ(value, 0.0);
}
