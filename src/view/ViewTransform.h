// CViewTransform: the arithmetic of the preview canvas, kept apart from the
// window so it can be checked without a display.
//
// Three coordinate spaces meet here:
//  - window pixels: (0, 0) at the top-left corner of the client area, Y down;
//  - projection units: the orthographic projection spans 0..H vertically and
//    0..H*w/h horizontally, Y up, where H is the drawing's height (or the
//    paper width when the drawing is empty or flat);
//  - drawing units (plotter units): a drawing point P lies at projection
//    position scale * P + offset.
//
// The canvas (CPlotterView) owns one instance and calls it on the GUI thread;
// it loads the same projection and model-view into OpenGL, so what this class
// computes is what is on screen. The unprojection is the 2-D orthographic
// case of gluUnProject done by hand, so no GL context is needed.
#pragma once

#include "plotlib/PlotterConfig.h"

// The bounding rectangle of a drawing in plotter units; `empty` when the
// drawing holds no polyline (the coordinates are then meaningless).
struct DrawingBounds {
    bool empty = true;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

// Paper width and block length of a device in plotter units, as floats
// (PaperWidthUnits) and rounded half away from zero (the *Rounded forms),
// computed from the configuration at the moment of use.
double PaperWidthUnits(const PLOTTERCONFIG& config);
double BlockLengthUnits(const PLOTTERCONFIG& config);
int PaperWidthRounded(const PLOTTERCONFIG& config);
int BlockLengthRounded(const PLOTTERCONFIG& config);

class CViewTransform {
public:
    // The smallest zoom factor the wheel goes down to.
    static constexpr double kMinWheelScale = 0.01;
    static constexpr double kWheelStep = 0.01;

    // Sets the client size and the projection for a drawing. A client size
    // below one pixel is taken as one pixel (a minimised window must not
    // divide by zero). `paperWidth` is PW in plotter units.
    void SetupProjection(int clientWidth, int clientHeight, const DrawingBounds& drawing,
                         double paperWidth);

    int ClientWidth() const { return m_width; }
    int ClientHeight() const { return m_height; }
    // The projection's extent: 0..ProjectionRight() by 0..ProjectionTop().
    double ProjectionRight() const { return m_projHeight * m_width / m_height; }
    double ProjectionTop() const { return m_projHeight; }

    double OffsetX() const { return m_offsetX; }
    double OffsetY() const { return m_offsetY; }
    double Scale() const { return m_scale; }
    void SetView(double offsetX, double offsetY, double scale);
    // Offsets 0, scale 1: the drawing's origin at the lower-left corner.
    void ResetView() { SetView(0, 0, 1); }

    // Window pixel to drawing units and back (Y flips: window Y grows down).
    void ScreenToWorld(double& x, double& y) const;
    void WorldToScreen(double& x, double& y) const;
    // A length in window pixels to drawing units and back, at the current
    // zoom (uses the projection's height, so it matches the screen for every
    // drawing, not only for the empty one).
    double PixelsToWorld(double pixels) const;
    double WorldToPixels(double units) const;

    // One wheel notch about the window pixel (px, py): up zooms in by 0.01,
    // down zooms out by 0.01 but not below 0.01; the point under the pointer
    // stays put.
    void WheelZoom(bool up, double px, double py);

    // Shows the whole drawing with the full paper width (maxY raised to the
    // paper width). Does nothing for an empty drawing.
    void FitToWindow(const DrawingBounds& drawing, double paperWidth);
    // Shows the rectangle (corners in any order) as large as fits, centred.
    void ZoomToRect(double x1, double y1, double x2, double y2);

    // Pans by a drawing-unit displacement (the pointer moved from `from` to
    // `to`, both already in drawing units).
    void Pan(double fromX, double fromY, double toX, double toY);

private:
    void FitRect(double minX, double minY, double maxX, double maxY);
    // The drawing's left edge never moves right of the window's left edge.
    void ClampOffsetX()
    {
        if (m_offsetX > 0)
            m_offsetX = 0;
    }

    int m_width = 1;
    int m_height = 1;
    double m_projHeight = 1;
    double m_offsetX = 0;
    double m_offsetY = 0;
    double m_scale = 1;
};
