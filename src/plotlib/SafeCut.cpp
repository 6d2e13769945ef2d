#include "plotlib/SafeCut.h"

namespace {

bool IsNumberChar(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.'; }

}  // namespace

bool CSafeCut::IsTerminator(char c) const
{
    return c == '\n' || c == '\r' || c == (m_language == PlotLanguage::Dmpl ? ' ' : ';');
}

void CSafeCut::Step(State& s, char c) const
{
    if (IsTerminator(c)) {
        s = State();
        return;
    }
    s.atBoundary = false;
    if (IsNumberChar(c)) {
        s.inNumber = true;
        return;
    }
    if (s.inNumber) {
        ++s.numbers;
        s.inNumber = false;
    }
    if (c != ',')
        s.numbers = 0;  // a command's letters: a new parameter list
}

bool CSafeCut::SafeBefore(const State& s, char next) const
{
    if (s.atBoundary)
        return true;
    // A number ends here and makes the pair complete.
    return s.inNumber && !IsNumberChar(next) && (s.numbers + 1) % 2 == 0;
}

size_t CSafeCut::SafeEnd(const char* data, size_t size, size_t sent) const
{
    State s = m_state;
    for (size_t i = 0; i < sent && i < size; ++i)
        Step(s, data[i]);
    for (size_t p = sent; p < size; ++p) {
        if (SafeBefore(s, data[p]))
            return p;
        Step(s, data[p]);
    }
    return size;
}

void CSafeCut::Consume(const char* data, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        Step(m_state, data[i]);
}
