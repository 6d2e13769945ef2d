// Byte-level reader of HP-GL and HP-GL/2 streams. It splits the bytes into
// commands and numbers and hands them to a CHpglInterpreter; it reads label
// text up to the current terminator (DT), decodes polyline-encoded (PE)
// data, and passes over what a plot file may carry around or inside the
// HP-GL: PJL lines, PCL and RS-232 escape sequences (with their binary data
// blocks), quoted strings and stray text.
//
// It is a push parser: Feed() may be called with any split of the input
// (a number, a label or an escape sequence may straddle two chunks), then
// Finish() once. Any byte sequence is accepted; every state consumes at
// least one byte per step, so it cannot hang.
//
// Used on one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "plotlib/DecimalNumber.h"
#include "plotlib/HpglInterpreter.h"

class CHpglParser {
public:
    // Labels longer than this without a terminator are taken as ended
    // here (a missing terminator must not swallow the rest of the file).
    static constexpr size_t kMaxLabel = 4096;

    explicit CHpglParser(CDrawingBuilder& builder);

    void Feed(const uint8_t* data, size_t size);
    void Finish();

    int KnownCommands() const { return m_interp.KnownCommands(); }

private:
    enum class State : uint8_t {
        Command,      // between commands
        Mnemonic2,    // one letter of a mnemonic seen
        Params,       // numeric parameters
        Quoted,       // inside "..." among parameters
        Label,        // LB text up to the terminator
        Terminator,   // the byte after DT
        Symbol,       // the byte after SM
        Encoded,      // PE data up to ';'
        Escape,       // after ESC
        EscapeDot,    // after ESC .
        EscapeDotArgs,// RS-232 device control parameters up to ':'
        Pcl,          // PCL parameterised sequence: group or value
        PclValue,     // PCL value field
        Binary,       // data block of a PCL sequence
        Line,         // PJL line
    };

    size_t StepParams(const uint8_t* p, size_t n);
    void StartCommand(uint8_t second);
    void EndParams();
    void EndLabel();
    void EncodedByte(uint8_t c);
    void EncodedNumber(int64_t value);

    CHpglInterpreter m_interp;
    State m_state = State::Command;
    uint8_t m_first = 0;            // first letter of the mnemonic
    uint8_t m_terminator = 3;       // label terminator (ETX)
    bool m_discardLabel = false;    // BL: buffered label, not drawn
    std::string m_label;
    DecimalNumber m_num;

    // PE decoding.
    bool m_peSevenBit = false;
    int m_peFraction = 0;
    uint64_t m_peAcc = 0;
    int m_peShift = 0;
    enum class PeNext : uint8_t { Coordinate, Pen, Fraction } m_peNext = PeNext::Coordinate;
    bool m_peUp = false;
    bool m_peAbsolute = false;
    bool m_peHaveX = false;
    double m_peX = 0.0;

    // Escape sequences.
    int m_escCount = 0;
    bool m_pclNegative = false;
    uint64_t m_pclValue = 0;
    uint64_t m_binaryLeft = 0;
};
