// CExpression: parses a line of text into a tree once and evaluates it in
// double precision. Numeric settings go through it, so a setting may hold a
// formula: 2*3, SQRT(2), or a mixed fraction such as 12'3/8 (= 12.375).
//
// The grammar has a few surprises that stored settings rely on: a unary
// minus takes the whole following expression (-2+3 is -5), comparisons bind
// tighter than products and powers (1+2<3 is 2), and blanks are allowed only
// before a primary and after a name ("2 +3" is invalid, "2+ 3" is 5).
//
// Total on any input: text nested deeper than about 256 levels (brackets,
// unary minus, "!", function arguments) or making a tree deeper than 1024
// nodes (1+1+...+1 with more than 1024 terms) is invalid, so parsing,
// evaluating and freeing never exhaust the stack. Numbers are read without
// regard to the C locale.
//
// Not thread-safe; one instance per thread.
#pragma once

#include <memory>
#include <string>

class CExpression {
public:
    // Resolves a name that is not one of the ten functions; returns true and
    // sets *value when it knows the name.
    using NameResolver = bool (*)(const char* name, double* value, void* user);

    enum ErrorCode {
        kNoError = 0,
        kNoTree = 1,
        kDivisionByZero = 2,
        kUnknownName = 4,
        kDomainError = 5,
        kNoOperator = 10,
    };

    CExpression();
    virtual ~CExpression();
    CExpression(const CExpression&) = delete;
    CExpression& operator=(const CExpression&) = delete;

    // Parses `text`; true when a tree was built and the whole text consumed.
    bool SetExpression(const std::string& text);
    // Evaluates the tree into `result`; true when no error code is set.
    bool Evaluate(double& result);

    int GetErrorCode() const { return m_error; }
    void SetNameResolver(NameResolver resolver, void* user)
    {
        m_resolver = resolver;
        m_user = user;
    }

    struct Node;

private:
    // Recursion steps of the parser: every bracket, "|", unary minus,
    // function argument and "!" takes one or two, so about 256 nested levels
    // are accepted and deeper text is invalid. A tree deeper than
    // kMaxTreeDepth (a long chain such as 1+1+1+...) is invalid too. Both
    // keep parsing, evaluating and freeing within a small, fixed stack.
    static constexpr int kMaxNesting = 512;
    static constexpr int kMaxTreeDepth = 1024;

    char Peek() const;
    void SkipBlanks();
    std::unique_ptr<Node> ParseExpression();
    std::unique_ptr<Node> ParseTerm();
    std::unique_ptr<Node> ParsePower();
    std::unique_ptr<Node> ParseComparison();
    std::unique_ptr<Node> ParseNegation();
    std::unique_ptr<Node> ParsePrimary();
    std::unique_ptr<Node> ParseFraction();
    std::unique_ptr<Node> ParseNumberOrName();
    std::unique_ptr<Node> MakeNode(unsigned char kind, std::unique_ptr<Node> left,
                                   std::unique_ptr<Node> right);
    double EvaluateNode(const Node& node);

    std::string m_text;
    int m_error = 0;
    size_t m_pos = 0;
    std::unique_ptr<Node> m_root;
    NameResolver m_resolver = nullptr;
    void* m_user = nullptr;
    int m_nesting = 0;
    bool m_failed = false;  // set by any syntax error during a parse

    friend class CExpressionParser;
};
