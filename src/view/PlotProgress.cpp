#include "view/PlotProgress.h"

void CPlotProgress::SetExtents(int drawingWidth, int drawingHeight, int paperWidth,
                               int blockLength)
{
    m_width = drawingWidth;
    m_height = drawingHeight;
    m_paperWidth = paperWidth;
    m_blockLength = blockLength;
}

void CPlotProgress::SetMode(bool show)
{
    m_show = show;
    m_blockDone = 0;
    m_bandOffset = 0;
    m_blockStart = 0;
}

void CPlotProgress::Start(float initialDone)
{
    m_blockDone = initialDone;
    m_bandOffset = 0;
    m_blockStart = 0;
}

void CPlotProgress::Update(float fraction)
{
    const int d = m_width;
    const int e = m_height;
    const int w = m_paperWidth;
    float blockStart = m_blockStart;
    int l = m_blockLength;
    // The last block of a band is what is left of the drawing's length; a
    // device without a block length plots each band as one block.
    if (l <= 0 || d < l + blockStart)
        l = static_cast<int>(static_cast<float>(d) - blockStart);
    float done = static_cast<float>(l) * fraction;
    if (done >= static_cast<float>(l)) {
        blockStart += static_cast<float>(l);
        done = 0;
    }
    if (blockStart + done >= static_cast<float>(d)) {
        // The band is finished; the next one starts if the drawing reaches
        // above it, otherwise the last band stays on show as done.
        const float next = m_bandOffset + static_cast<float>(w);
        if (static_cast<float>(e) > next && w > 0) {
            m_bandOffset = next;
            blockStart = 0;
            done = 0;
        }
    }
    m_blockStart = blockStart;
    m_blockDone = done;
}

int CPlotProgress::OverlayRects(float rightEnd, float paperWidth, ProgressRect rects[2]) const
{
    const float band = m_bandOffset;
    const float reached = m_blockStart + m_blockDone;
    int n = 0;
    if (band > 0)
        rects[n++] = ProgressRect{0, 0, rightEnd, band};
    rects[n++] = ProgressRect{0, band, reached, band + paperWidth};
    return n;
}
