// Byte-level reader of DM/PL (Houston Instrument plot language, spoken by
// many cutters). A program starts with ";:" and ends with "@"; anything
// outside programs (headers for mark-reading cutters, job text) is passed
// over. Inside a program:
//   U x,y,...   pen up, then move to each point
//   D x,y,...   pen down, then draw to each point
//   A / R       absolute / relative coordinates
//   H           pen up to the origin
//   Pn          select pen n
//   EC1 EC5 ECM ECN   step size 0.001 in, 0.005 in, 0.1 mm, 0.025 mm
// Other letters are skipped with their numbers. The step size is 0.1 mm
// until an EC command says otherwise: the common default of cutters that
// speak DM/PL, and the unit their drivers assume when they send no EC.
// Points are converted to plotter units (40 per mm).
//
// Push parser like CHpglParser: any split of the input, then Finish().
#pragma once

#include <cstddef>
#include <cstdint>

#include "plotlib/DecimalNumber.h"
#include "plotlib/DrawingBuilder.h"

class CDmplParser {
public:
    explicit CDmplParser(CDrawingBuilder& builder);

    void Feed(const uint8_t* data, size_t size);
    void Finish();

    int KnownCommands() const { return m_known; }

private:
    enum class State : uint8_t { Outside, OutsideSemicolon, Command, Numbers, Ec, EcValue, Pen };
    enum class Kind : uint8_t { Ignore, Up, Down };

    void Number(double v);
    void Flush();

    CDrawingBuilder& m_b;
    State m_state = State::Outside;
    Kind m_kind = Kind::Ignore;
    DecimalNumber m_num;
    bool m_haveX = false;
    double m_x = 0.0;
    bool m_relative = false;
    double m_step = 4.0;  // plotter units per DM/PL step
    int m_pen = 0;
    bool m_penDigits = false;
    int m_known = 0;
};
