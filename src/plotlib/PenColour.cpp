#include "plotlib/PenColour.h"

namespace {

// Pens other than draw, cut and half-cut, by pen number modulo the table
// size. Dark enough to read on the white paper band.
constexpr PenRgb kOtherPens[] = {
    {0.0f, 0.6f, 0.0f},   // green
    {0.8f, 0.0f, 0.8f},   // magenta
    {0.0f, 0.6f, 0.6f},   // teal
    {0.5f, 0.3f, 0.1f},   // brown
    {0.5f, 0.0f, 1.0f},   // violet
    {0.5f, 0.5f, 0.0f},   // olive
    {0.4f, 0.4f, 0.4f},   // grey
};
constexpr int kOtherCount = static_cast<int>(sizeof kOtherPens / sizeof kOtherPens[0]);

} // namespace

PenRgb PenColour(int pen, const PLOTTERCONFIG& config)
{
    if (pen == config.drawPen)
        return {0.0f, 0.0f, 0.0f};
    if (pen == config.cutPen)
        return {1.0f, 0.0f, 0.0f};
    if (pen == config.halfCutPen)
        return {0.0f, 0.0f, 1.0f};
    const int index = ((pen % kOtherCount) + kOtherCount) % kOtherCount;
    return kOtherPens[index];
}

PenRgb SelectionColour() { return {1.0f, 0.55f, 0.0f}; }
