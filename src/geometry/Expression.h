// CExpression: parses a line of text into a tree once and evaluates it in
// double precision. Numeric settings go through it, so a setting may hold a
// formula: 2*3, SQRT(2), or a mixed fraction such as 12'3/8 (= 12.375).
//
// The grammar has a few surprises that stored settings rely on: a unary
// minus takes the whole following expression (-2+3 is -5), comparisons bind
// tighter than products and powers (1+2<3 is 2), and blanks are allowed only
// before a primary and after a name ("2 +3" is invalid, "2+ 3" is 5).
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
    std::string m_text;
    int m_error = 0;
    size_t m_pos = 0;
    std::unique_ptr<Node> m_root;
    NameResolver m_resolver = nullptr;
    void* m_user = nullptr;

    friend class CExpressionParser;
};
