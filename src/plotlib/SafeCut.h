// CSafeCut: follows the byte stream a plot run sends to a device and tells
// where it may be cut short. A cancel stops the output part way through a
// piece; before the pen lift goes out, the stream is completed to the next
// safe point: the end of a command, or, inside a pen-up or pen-down list,
// the end of a coordinate pair. Cut anywhere else, the device would take a
// cut-off number ("46204,9") as a coordinate and move there with the pen
// down.
//
// The stream is what CPlotEncoder writes: commands end with ';' (HP-GL) or
// ' ' (DMPL) or a line break, numbers are separated by ','; each piece the
// encoder hands on ends after a whole number, so the end of a piece counts
// as a safe point once its last pair (or command) is complete.
//
// One thread uses a CSafeCut (the plot thread).
#pragma once

#include <cstddef>

#include "plotlib/PlotterConfig.h"

class CSafeCut {
public:
    explicit CSafeCut(PlotLanguage language) : m_language(language) {}

    // `data` follows everything Consume()d so far, and its first `sent`
    // bytes went out: the length of the shortest prefix of `data`, at
    // least `sent`, that ends at a safe point (at most `size`).
    size_t SafeEnd(const char* data, size_t size, size_t sent) const;
    // `data` went out whole.
    void Consume(const char* data, size_t size);

private:
    struct State {
        bool atBoundary = true;  // right after a command's end (or at the start)
        bool inNumber = false;   // inside a number
        unsigned numbers = 0;    // numbers finished in the current command
    };

    bool IsTerminator(char c) const;
    void Step(State& state, char c) const;
    // Whether a cut after `state` is safe, with `next` the byte that would
    // follow.
    bool SafeBefore(const State& state, char next) const;

    PlotLanguage m_language;
    State m_state;
};
