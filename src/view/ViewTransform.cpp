#include "view/ViewTransform.h"

#include <algorithm>
#include <cmath>

double PaperWidthUnits(const PLOTTERCONFIG& config)
{
    return static_cast<double>(config.paperWidth) * 100.0 / 2.54 * config.resolution;
}

double BlockLengthUnits(const PLOTTERCONFIG& config)
{
    return static_cast<double>(config.blockLength) * 100.0 / 2.54 * config.resolution;
}

int PaperWidthRounded(const PLOTTERCONFIG& config)
{
    return static_cast<int>(RoundHalfAway(PaperWidthUnits(config)));
}

int BlockLengthRounded(const PLOTTERCONFIG& config)
{
    return static_cast<int>(RoundHalfAway(BlockLengthUnits(config)));
}

void CViewTransform::SetupProjection(int clientWidth, int clientHeight,
                                     const DrawingBounds& drawing, double paperWidth)
{
    m_width = std::max(clientWidth, 1);
    m_height = std::max(clientHeight, 1);
    // The projection is as tall as the drawing. A flat drawing (a single
    // horizontal line) would give an empty projection that OpenGL refuses,
    // so it falls back to the paper width like the empty drawing does.
    double height = drawing.empty ? paperWidth : drawing.maxY - drawing.minY;
    if (!(height > 0))
        height = paperWidth;
    if (!(height > 0))
        height = 1;
    m_projHeight = height;
}

void CViewTransform::SetView(double offsetX, double offsetY, double scale)
{
    m_offsetX = offsetX;
    m_offsetY = offsetY;
    m_scale = scale > 0 && std::isfinite(scale) ? scale : 1.0;
}

void CViewTransform::ScreenToWorld(double& x, double& y) const
{
    // Window pixel -> projection units (the viewport covers the client
    // area, GL's Y grows upward) -> drawing units (undo translate and scale).
    const double px = x / m_width * ProjectionRight();
    const double py = (m_height - y) / m_height * m_projHeight;
    x = (px - m_offsetX) / m_scale;
    y = (py - m_offsetY) / m_scale;
}

void CViewTransform::WorldToScreen(double& x, double& y) const
{
    const double px = m_scale * x + m_offsetX;
    const double py = m_scale * y + m_offsetY;
    x = px / ProjectionRight() * m_width;
    y = m_height - py / m_projHeight * m_height;
}

double CViewTransform::PixelsToWorld(double pixels) const
{
    return pixels * (m_projHeight / m_scale) / m_height;
}

double CViewTransform::WorldToPixels(double units) const
{
    return units / (m_projHeight / m_scale) * m_height;
}

void CViewTransform::WheelZoom(bool up, double px, double py)
{
    double scale = m_scale + (up ? kWheelStep : -kWheelStep);
    if (scale < kMinWheelScale)
        scale = kMinWheelScale;
    // A fitted view of a long marker can already be below the floor; a notch
    // down must not jump to the floor and so zoom in.
    if (!up && scale > m_scale)
        scale = m_scale;
    double wx = px, wy = py;
    ScreenToWorld(wx, wy);
    m_offsetX += (m_scale - scale) * wx;
    m_offsetY += (m_scale - scale) * wy;
    m_scale = scale;
    ClampOffsetX();
}

void CViewTransform::FitToWindow(const DrawingBounds& drawing, double paperWidth)
{
    if (drawing.empty)
        return;
    const double paper = static_cast<double>(RoundHalfAway(paperWidth));
    const double maxY = std::max(drawing.maxY, paper);
    FitRect(drawing.minX, drawing.minY, drawing.maxX, maxY);
}

void CViewTransform::ZoomToRect(double x1, double y1, double x2, double y2)
{
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    FitRect(x1, y1, x2, y2);
}

void CViewTransform::Pan(double fromX, double fromY, double toX, double toY)
{
    m_offsetX += (toX - fromX) * m_scale;
    m_offsetY += (toY - fromY) * m_scale;
    ClampOffsetX();
}

void CViewTransform::FitRect(double minX, double minY, double maxX, double maxY)
{
    // The window's extent in drawing units at scale 1, less one unit so the
    // outermost lines are not cut by the window's edge.
    const double wr = ProjectionRight();
    const double ht = m_projHeight;
    const double usableW = wr > 2 ? wr - 1 : wr;
    const double usableH = ht > 2 ? ht - 1 : ht;
    const double dx = maxX - minX;
    const double dy = maxY - minY;
    double s;
    if (dx > 0 && dy > 0)
        s = std::min(usableW / dx, usableH / dy);
    else if (dx > 0)
        s = usableW / dx;
    else if (dy > 0)
        s = usableH / dy;
    else
        s = 1;  // a single point: keep the scale, centre it
    if (!(s > 0) || !std::isfinite(s))
        s = 1;
    const double cx = (minX + maxX) / 2;
    const double cy = (minY + maxY) / 2;
    m_offsetX = wr / 2 - s * cx;
    m_offsetY = ht / 2 - s * cy;
    m_scale = s;
    ClampOffsetX();
}
