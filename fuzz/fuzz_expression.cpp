// Any byte sequence handed to the expression evaluator gives a value or a
// clean failure: no crash, no hang, no stack overflow, no undefined
// behaviour.
#include <cstddef>
#include <cstdint>
#include <string>

#include "geometry/Expression.h"

namespace {

bool ResolveAnything(const char* name, double* value, void*)
{
    // Gives some names a value so that resolved names are evaluated too.
    if (name[0] == 'x' || name[0] == 'X') {
        *value = 2.5;
        return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CExpression expression;
    if (size % 2 == 0)
        expression.SetNameResolver(ResolveAnything, nullptr);
    const bool parsed = expression.SetExpression(text);
    double value = 1.0;
    const bool evaluated = expression.Evaluate(value);
    if (!parsed && (evaluated || value != 0.0 ||
                    expression.GetErrorCode() != CExpression::kNoTree))
        __builtin_trap();  // an invalid text must fail with code 1 and value 0
    if (evaluated && expression.GetErrorCode() != CExpression::kNoError)
        __builtin_trap();

    // The same object must take a second text after the first.
    expression.SetExpression("1+2");
    if (!expression.Evaluate(value) || value != 3.0)
        __builtin_trap();
    return 0;
}
