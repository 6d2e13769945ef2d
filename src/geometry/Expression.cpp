// Placeholder until the evaluator lands: every text is invalid.
#include "geometry/Expression.h"

struct CExpression::Node {};

CExpression::CExpression() = default;
CExpression::~CExpression() = default;

bool CExpression::SetExpression(const std::string& text)
{
    m_error = 0;
    m_text = text;
    return false;
}

bool CExpression::Evaluate(double& result)
{
    result = 0.0;
    m_error = kNoTree;
    return false;
}
