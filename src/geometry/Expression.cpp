#include "geometry/Expression.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

// Node kinds. Operators use their own character; numbers, names and the ten
// functions have codes of their own below the printable range.
enum Kind : unsigned char {
    kKindNone = 0,
    kKindNumber = 1,
    kKindName = 2,
    kKindSin,
    kKindCos,
    kKindExp,
    kKindSqrt,
    kKindLog,
    kKindTg,
    kKindCtg,
    kKindAsin,
    kKindAcos,
    kKindAtg,
};

struct FunctionName {
    const char* name;
    Kind kind;
};

constexpr FunctionName kFunctions[] = {
    {"SIN", kKindSin},   {"COS", kKindCos}, {"EXP", kKindExp},   {"SQRT", kKindSqrt},
    {"LOG", kKindLog},   {"TG", kKindTg},   {"CTG", kKindCtg},   {"ASIN", kKindAsin},
    {"ACOS", kKindAcos}, {"ATG", kKindAtg},
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsHighByte(char c) { return static_cast<unsigned char>(c) > 0x80; }
bool IsWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// atof of a run of digits and dots, independent of the locale the GUI sets
// (a German locale must not turn 1.5 into 1). Like atof it converts the
// longest leading number ("1.2.3" is 1.2) and gives 0 when there is none; a
// value beyond the range of double becomes infinity or 0 as atof makes it.
double DecimalValue(const char* first, const char* last)
{
    double value = 0.0;
    const auto result = std::from_chars(first, last, value, std::chars_format::fixed);
    if (result.ec == std::errc())
        return value;
    if (result.ec == std::errc::result_out_of_range) {
        for (const char* p = first; p != last && *p != '.'; ++p)
            if (*p != '0')
                return HUGE_VAL;
        return 0.0;
    }
    return 0.0;
}

} // namespace

struct CExpression::Node {
    std::unique_ptr<Node> left;
    std::unique_ptr<Node> right;
    unsigned char kind = kKindNone;
    double value = 0.0;
    std::string name;
    int depth = 1;
};

namespace {

using NodePtr = std::unique_ptr<CExpression::Node>;

NodePtr NumberNode(double value)
{
    auto node = std::make_unique<CExpression::Node>();
    node->kind = kKindNumber;
    node->value = value;
    return node;
}

} // namespace

// Counts how deep the recursive descent is; past the limit the text is
// invalid. Keeps hostile input such as ten thousand "(" from exhausting the
// stack.
class CExpressionParser {
public:
    explicit CExpressionParser(CExpression& owner) : m_owner(owner) { ++m_owner.m_nesting; }
    ~CExpressionParser() { --m_owner.m_nesting; }
    CExpressionParser(const CExpressionParser&) = delete;
    CExpressionParser& operator=(const CExpressionParser&) = delete;

    bool TooDeep()
    {
        if (m_owner.m_nesting > CExpression::kMaxNesting)
            m_owner.m_failed = true;
        return m_owner.m_failed;
    }

private:
    CExpression& m_owner;
};

CExpression::CExpression() = default;
CExpression::~CExpression() = default;

char CExpression::Peek() const
{
    // Past the end reads as the end mark, so no lookahead can run off the
    // text.
    return m_pos < m_text.size() ? m_text[m_pos] : '\0';
}

void CExpression::SkipBlanks()
{
    // Only the space counts as a blank inside the text.
    while (m_pos < m_text.size() && m_text[m_pos] == ' ')
        ++m_pos;
}

std::unique_ptr<CExpression::Node> CExpression::MakeNode(unsigned char kind,
                                                         std::unique_ptr<Node> left,
                                                         std::unique_ptr<Node> right)
{
    auto node = std::make_unique<Node>();
    node->kind = kind;
    int childDepth = 0;
    if (left)
        childDepth = left->depth;
    if (right)
        childDepth = std::max(childDepth, right->depth);
    node->depth = childDepth + 1;
    node->left = std::move(left);
    node->right = std::move(right);
    if (node->depth > kMaxTreeDepth) {
        m_failed = true;
        return nullptr;
    }
    return node;
}

bool CExpression::SetExpression(const std::string& text)
{
    m_error = kNoError;
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsWhiteSpace(text[begin]))
        ++begin;
    while (end > begin && IsWhiteSpace(text[end - 1]))
        --end;
    m_text = text.substr(begin, end - begin);
    m_root.reset();
    m_pos = 0;
    m_nesting = 0;
    m_failed = false;

    NodePtr root = ParseExpression();
    if (!root || m_failed || m_pos != m_text.size())
        return false;
    m_root = std::move(root);
    return true;
}

bool CExpression::Evaluate(double& result)
{
    result = 0.0;
    if (!m_root) {
        m_error = kNoTree;
        return false;
    }
    result = EvaluateNode(*m_root);
    return m_error == kNoError;
}

// expression: term { ("+" | "-") term }
std::unique_ptr<CExpression::Node> CExpression::ParseExpression()
{
    NodePtr left = ParseTerm();
    while (left && (Peek() == '+' || Peek() == '-')) {
        const char op = Peek();
        ++m_pos;
        NodePtr right = ParseTerm();
        if (!right)
            return nullptr;
        left = MakeNode(static_cast<unsigned char>(op), std::move(left), std::move(right));
    }
    return left;
}

// term: power { ("*" | "/") power }
std::unique_ptr<CExpression::Node> CExpression::ParseTerm()
{
    NodePtr left = ParsePower();
    while (left && (Peek() == '*' || Peek() == '/')) {
        const char op = Peek();
        ++m_pos;
        NodePtr right = ParsePower();
        if (!right)
            return nullptr;
        left = MakeNode(static_cast<unsigned char>(op), std::move(left), std::move(right));
    }
    return left;
}

// power: comparison { "^" comparison | "'" fraction }
std::unique_ptr<CExpression::Node> CExpression::ParsePower()
{
    NodePtr left = ParseComparison();
    while (left && (Peek() == '^' || Peek() == '\'')) {
        const char op = Peek();
        ++m_pos;
        NodePtr right = op == '^' ? ParseComparison() : ParseFraction();
        if (!right)
            return nullptr;
        left = MakeNode(static_cast<unsigned char>(op), std::move(left), std::move(right));
    }
    return left;
}

// comparison: negation { ("<" | ">") negation }
std::unique_ptr<CExpression::Node> CExpression::ParseComparison()
{
    NodePtr left = ParseNegation();
    while (left && (Peek() == '<' || Peek() == '>')) {
        const char op = Peek();
        ++m_pos;
        NodePtr right = ParseNegation();
        if (!right)
            return nullptr;
        left = MakeNode(static_cast<unsigned char>(op), std::move(left), std::move(right));
    }
    return left;
}

// negation: "!" negation | primary
std::unique_ptr<CExpression::Node> CExpression::ParseNegation()
{
    CExpressionParser guard(*this);
    if (guard.TooDeep())
        return nullptr;
    if (Peek() != '!')
        return ParsePrimary();
    ++m_pos;
    NodePtr operand = ParseNegation();
    if (!operand)
        return nullptr;
    return MakeNode('!', nullptr, std::move(operand));
}

std::unique_ptr<CExpression::Node> CExpression::ParsePrimary()
{
    CExpressionParser guard(*this);
    if (guard.TooDeep())
        return nullptr;
    SkipBlanks();
    switch (Peek()) {
    case '-': {
        // The minus negates everything that follows at the loosest level:
        // -2+3 is -(2+3). Stored settings depend on this reading.
        ++m_pos;
        NodePtr operand = ParseExpression();
        if (!operand)
            return nullptr;
        return MakeNode('*', NumberNode(-1.0), std::move(operand));
    }
    case '\'': {
        ++m_pos;
        NodePtr fraction = ParseFraction();
        if (!fraction)
            return nullptr;
        return MakeNode('\'', NumberNode(0.0), std::move(fraction));
    }
    case '(': {
        ++m_pos;
        NodePtr inner = ParseExpression();
        if (!inner || Peek() != ')') {
            m_failed = true;
            return nullptr;
        }
        ++m_pos;
        return inner;
    }
    case '|': {
        ++m_pos;
        NodePtr inner = ParseExpression();
        if (!inner || Peek() != '|') {
            m_failed = true;
            return nullptr;
        }
        ++m_pos;
        return MakeNode('|', std::move(inner), nullptr);
    }
    default:
        break;
    }
    NodePtr node = ParseNumberOrName();
    if (!node)
        m_failed = true;
    return node;
}

// The part after "'": a number or name, optionally "/" and a second one.
// Nothing readable is the number 0, so 5' is 5.
std::unique_ptr<CExpression::Node> CExpression::ParseFraction()
{
    NodePtr numerator = ParseNumberOrName();
    if (m_failed)
        return nullptr;
    if (!numerator)
        return NumberNode(0.0);
    if (Peek() != '/')
        return numerator;  // a name or a function stands for its own value
    ++m_pos;
    NodePtr denominator = ParseNumberOrName();
    if (!denominator) {
        m_failed = true;
        return nullptr;
    }
    return MakeNode('/', std::move(numerator), std::move(denominator));
}

// A number, a name or a function call; null with m_failed unset when nothing
// readable is there.
std::unique_ptr<CExpression::Node> CExpression::ParseNumberOrName()
{
    SkipBlanks();
    const char c = Peek();
    if (c == '.' || IsDigit(c)) {
        const size_t start = m_pos;
        while (m_pos < m_text.size() && (m_text[m_pos] == '.' || IsDigit(m_text[m_pos])))
            ++m_pos;
        // No blanks are skipped after a number: "2 +3" is not a sum.
        return NumberNode(DecimalValue(m_text.data() + start, m_text.data() + m_pos));
    }
    if (!IsLetter(c) && !IsHighByte(c))
        return nullptr;

    const size_t start = m_pos;
    while (m_pos < m_text.size() &&
           (IsLetter(m_text[m_pos]) || IsDigit(m_text[m_pos]) || IsHighByte(m_text[m_pos])))
        ++m_pos;
    std::string name = m_text.substr(start, m_pos - start);
    std::string upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(), UpperAscii);

    for (const FunctionName& function : kFunctions) {
        if (upper != function.name)
            continue;
        NodePtr argument = ParsePrimary();
        if (!argument) {
            m_failed = true;
            return nullptr;
        }
        NodePtr node = MakeNode(function.kind, std::move(argument), nullptr);
        SkipBlanks();
        return node;
    }

    auto node = std::make_unique<Node>();
    node->kind = kKindName;
    node->name = std::move(name);
    SkipBlanks();
    return node;
}

// Evaluates the whole tree even after an error; the last error set stays.
double CExpression::EvaluateNode(const Node& node)
{
    const auto left = [this, &node]() { return node.left ? EvaluateNode(*node.left) : 0.0; };
    const auto right = [this, &node]() { return node.right ? EvaluateNode(*node.right) : 0.0; };

    switch (node.kind) {
    case kKindNumber:
        return node.value;
    case kKindName: {
        double value = 0.0;
        if (m_resolver && m_resolver(node.name.c_str(), &value, m_user))
            return value;
        m_error = kUnknownName;
        return 0.0;
    }
    case '+': {
        const double a = left();
        return a + right();
    }
    case '-': {
        const double a = left();
        return a - right();
    }
    case '*': {
        const double a = left();
        return a * right();
    }
    case '/': {
        const double a = left();
        const double b = right();
        if (b == 0.0) {
            // Flagged as an error, but the value stays defined so that the
            // rest of the tree is still evaluated.
            m_error = kDivisionByZero;
            return a / -0.001;
        }
        return a / b;
    }
    case '^': {
        const double a = left();
        return std::pow(a, right());
    }
    case '\'': {
        const double a = left();
        return a + right();
    }
    case '<': {
        const double a = left();
        return a < right() ? 1.0 : 0.0;
    }
    case '>': {
        const double a = left();
        return a > right() ? 1.0 : 0.0;
    }
    case '!':
        return right() == 0.0 ? 1.0 : 0.0;
    case '|':
        return std::fabs(left());
    case kKindSin:
        return std::sin(left());
    case kKindCos:
        return std::cos(left());
    case kKindTg:
        return std::tan(left());
    case kKindCtg:
        return 1.0 / std::tan(left());
    case kKindAsin:
        return std::asin(left());
    case kKindAcos:
        return std::acos(left());
    case kKindAtg:
        return std::atan(left());
    case kKindExp:
        return std::exp(left());
    case kKindSqrt: {
        const double a = left();
        if (a >= 0.0)
            return std::sqrt(a);
        m_error = kDomainError;
        return 0.0;
    }
    case kKindLog: {
        const double a = left();
        if (a > 0.0)
            return std::log(a);
        m_error = kDomainError;
        return 0.0;
    }
    default:
        m_error = kNoOperator;
        return 0.0;
    }
}
