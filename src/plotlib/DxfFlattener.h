// CDxfFlattener: turns a CDxfDocument into shapes in millimetres: every
// entity of model space, and of every block an INSERT places (with its
// insertion point, scales, rotation, column and row array and the block's
// base point, nested inserts composed), as a polyline, a point or the
// strokes of a text. Curves are sampled so that no chord is farther than
// kChordMm from the curve: arcs, circles, bulges and ellipses in their own
// coordinates (with the tolerance shrunk by the transform's largest
// stretch), splines after their control points are placed.
//
// Each INSERT of model space is a piece; the shapes inside it carry the
// piece's number, and the piece text of its block ("Piece Name: FRONT",
// "Size: M", "Quantity: 2", "Category: ...", keys without regard to case,
// ':' or '=' after the key) names it. Entities on layer 0 inside a block
// take the layer of the INSERT that places them. Layers the file switches
// off or freezes are left out, and so is whatever the caller's layer
// filter refuses (before any text is stroked).
//
// Totals are bounded: an INSERT nested deeper than kMaxDepth or inserting a
// block that is being inserted already is left out (counted), and more
// than the point or visit limit makes Run fail, so a file of nested arrays
// cannot make the reader run for ever or fill the memory. The entities the
// inserts would place are counted before anything is placed, so such a
// file fails at once.
//
// One thread; the document must not change during Run.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "plotlib/DxfDocument.h"
#include "plotlib/HersheyText.h"
#include "plotlib/Status.h"

struct DxfShape {
    enum class Kind { Path, Point, Text };
    Kind kind = Kind::Path;
    int layer = 0;               // document layer (after layer 0 took its insert's)
    int piece = -1;              // piece number, -1 in model space
    bool closed = false;         // Path: last point equals the first
    bool circle = false;         // Path: a CIRCLE, `at` is its centre
    StrokePoint at;              // Point: where; circle: centre
    bool hasDirection = false;   // Point: unit direction given by the file
    StrokePoint direction;
    std::vector<StrokePoint> points;  // Path and Text stroke
};

struct DxfPiece {
    std::string block;
    std::string name;
    std::string size;
    std::string quantity;
    std::string category;
};

class CDxfFlattener {
public:
    static constexpr double kChordMm = 0.1;
    static constexpr int kMaxDepth = 16;
    static constexpr size_t kMaxPoints = 8000000;
    static constexpr size_t kMaxVisits = 1000000;

    // Whether shapes of a layer are wanted: the layer's name, whether the
    // shape is text, whether it lies inside a piece.
    using LayerFilter = std::function<bool(const std::string& layer, bool text, bool inPiece)>;

    CDxfFlattener(const CDxfDocument& document, double mmPerUnit, LayerFilter filter);

    // Appends the shapes and the pieces. Fails (BadInput) only when a
    // limit is reached; the message does not name the file.
    Status Run(std::vector<DxfShape>& shapes, std::vector<DxfPiece>& pieces);

    size_t MissingBlocks() const { return m_missingBlocks; }
    size_t RefusedInserts() const { return m_refusedInserts; }
    // Shapes the layer filter refused, and shapes refused for being on a
    // hidden layer.
    size_t FilteredShapes() const { return m_filtered; }

    // "Key: value" of a piece or style text, the key in upper case without
    // surrounding blanks; false when the text has no separator.
    static bool SplitKeyValue(const std::string& text, std::string& key, std::string& value);

private:
    struct Affine {
        double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;  // x' = a x + b y + e, y' = c x + d y + f
        StrokePoint Apply(double x, double y) const { return {a * x + b * y + e, c * x + d * y + f}; }
        StrokePoint Linear(double x, double y) const { return {a * x + b * y, c * x + d * y}; }
        Affine Then(const Affine& inner) const;  // this after inner
        double Stretch() const;                  // largest singular value
    };

    void Walk(const std::vector<DxfEntity>& list, const Affine& m, int parentLayer, int piece,
              int depth);
    double Placed(const std::vector<DxfEntity>& list, int depth);
    void Emit(const DxfEntity& e, const Affine& m, int layer, int piece);
    void EmitPath(const DxfEntity& e, const Affine& m, DxfShape& shape);
    void EmitSpline(const DxfEntity& e, const Affine& m, DxfShape& shape);
    void EmitText(const DxfEntity& e, const Affine& m, int layer, int piece);
    void Arc(double cx, double cy, double r, double a0, double sweep, double tolerance,
             std::vector<StrokePoint>& local) const;
    bool Wanted(int layer, bool text, int piece);
    void Push(DxfShape shape);

    const CDxfDocument& m_doc;
    double m_mmPerUnit;
    LayerFilter m_filter;
    std::vector<DxfShape>* m_shapes = nullptr;
    std::vector<DxfPiece>* m_pieces = nullptr;
    std::vector<const DxfBlock*> m_stack;
    size_t m_points = 0;
    size_t m_visits = 0;
    bool m_overflow = false;
    size_t m_missingBlocks = 0;
    size_t m_refusedInserts = 0;
    size_t m_filtered = 0;
};
