// Executes HP-GL and HP-GL/2 commands handed over by CHpglParser: pen
// moves, user scaling (IP, IR, SC), plot rotation (RO), arcs and circles,
// polygon mode, rectangles and wedges, label geometry and the moves decoded
// from polyline-encoded (PE) data. Drawing goes to a CDrawingBuilder.
//
// Commands arrive as Begin(mnemonic), a Param() per number and End();
// coordinate pairs of PA, PD, PU and PR are executed as they arrive, so a
// command with a million coordinates needs no storage. Unknown commands are
// ignored. Plotter units are 40 per millimetre.
//
// Used by one parser on one thread.
#pragma once

#include <cstdint>
#include <string>

#include "plotlib/DrawingBuilder.h"

constexpr uint16_t Mnemonic(char a, char b)
{
    return static_cast<uint16_t>((static_cast<unsigned>(a) << 8) | static_cast<unsigned char>(b));
}

class CHpglInterpreter {
public:
    explicit CHpglInterpreter(CDrawingBuilder& builder);

    // True for the mnemonics this interpreter or the parser knows (whether
    // or not they draw); used to tell a plot file from other data.
    static bool IsKnown(uint16_t mnemonic);

    void Begin(uint16_t mnemonic);
    void Param(double value)
    {
        if (m_pairs) {
            if (m_haveX) {
                m_haveX = false;
                Move(m_x, value);
            } else {
                m_x = value;
                m_haveX = true;
            }
            return;
        }
        if (m_count < kMaxParams)
            m_params[m_count] = value;
        ++m_count;
    }
    void End();

    void Label(const std::string& text);

    // Polyline-encoded data: one coordinate pair in current units, already
    // divided by the fraction bits; relative unless `absolute`.
    void EncodedMove(double x, double y, bool penUp, bool absolute);
    void EncodedPen(int pen);

    // 1 once any known command was seen, else 0.
    int KnownCommands() const { return m_known; }

private:
    static constexpr int kMaxParams = 8;

    void Move(double x, double y);
    void Reset(bool initialise);
    void UpdateScaling();
    double ToPlotterX(double u) const { return u * m_sx + m_ox; }
    double ToPlotterY(double u) const { return u * m_sy + m_oy; }
    double P(int i, double fallback) const { return i < m_count ? m_params[i] : fallback; }
    void Execute();
    void Wedge(bool edge);

    CDrawingBuilder& m_b;
    uint16_t m_cmd = 0;
    bool m_pairs = false;
    bool m_haveX = false;
    double m_x = 0.0;
    double m_params[kMaxParams] = {};
    int m_count = 0;
    int m_known = 0;

    bool m_relative = false;
    // Scaling points P1, P2 in plotter units, and the user-unit window.
    double m_p1x = 0, m_p1y = 0, m_p2x = 0, m_p2y = 0;
    bool m_scaled = false;
    double m_sc[7] = {};
    int m_scCount = 0;
    double m_sx = 1, m_sy = 1, m_ox = 0, m_oy = 0;

    LabelStyle m_style;
    bool m_relativeSize = false;
    double m_srW = 0.75, m_srH = 1.5;
};
