// The content of a DXF file as the plot file reader needs it: the entities
// of the ENTITIES section and of every block, in the file's own units and
// coordinates (blocks are not expanded, curves not sampled), the layers
// that are switched off or frozen, and the header's unit variables.
// CDxfParser fills it; CDxfFlattener turns it into polylines.
//
// A plain value for one thread.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

enum class DxfEntityKind { Point, Path, Arc, Circle, Ellipse, Spline, Text, Insert };

struct DxfVertex {
    double x = 0;
    double y = 0;
    double bulge = 0;  // Path: tan(included angle / 4) of the arc to the next vertex
};

// One entity; which members count depends on the kind.
struct DxfEntity {
    DxfEntityKind kind = DxfEntityKind::Path;
    int layer = 0;             // CDxfDocument::LayerName
    bool mirrorX = false;      // object coordinates seen from below (extrusion 0,0,-1)

    // Point: position, with the direction (degrees) when the file gives one.
    // Path: vertices (closed: the last connects to the first).
    // Spline: control points (bulge holds the weight) or only fit points.
    std::vector<DxfVertex> vertices;
    bool closed = false;
    bool hasAngle = false;
    double angle = 0;          // Point, Text, Insert: degrees counter-clockwise

    // Arc, Circle, Ellipse: centre; radius; Arc: start and end angle in
    // degrees; Ellipse: major axis end relative to the centre, minor/major
    // ratio, start and end parameter in radians.
    double cx = 0, cy = 0, radius = 0;
    double start = 0, end = 0;
    double majorX = 0, majorY = 0, ratio = 1;

    // Spline
    int degree = 3;
    std::vector<double> knots;
    std::vector<DxfVertex> fitPoints;

    // Text: insertion point (cx, cy), height, width factor, horizontal
    // justification (0 left, 1 centre, 2 right, 4 middle: the alignment
    // point is used when it is not left), the share of the height the
    // text moves down from its point (0 baseline, 0.5 middle, 1 top), and
    // the text with formatting codes removed.
    std::string text;
    double height = 0;
    double widthFactor = 1;
    int hAlign = 0;
    double alignX = 0, alignY = 0;
    double vShift = 0;

    // Insert: block, insertion point (cx, cy), scales, columns and rows
    // with their spacing.
    std::string block;
    double scaleX = 1, scaleY = 1;
    int columns = 1, rows = 1;
    double columnSpacing = 0, rowSpacing = 0;
};

struct DxfBlock {
    std::string name;
    double baseX = 0, baseY = 0;
    std::vector<DxfEntity> entities;
};

class CDxfDocument {
public:
    CDxfDocument();

    // Index of a layer name, added on first use. Index 0 is layer "0".
    int LayerIndex(const std::string& name);
    const std::string& LayerName(int index) const { return m_layers[static_cast<size_t>(index)]; }
    int LayerCount() const { return static_cast<int>(m_layers.size()); }
    // Layers switched off (negative colour) or frozen in the layer table.
    void SetLayerHidden(int index, bool hidden);
    bool LayerHidden(int index) const;

    // The block of that name (names compare exactly), or null. The first
    // definition of a name counts.
    const DxfBlock* FindBlock(const std::string& name) const;
    // Starts a block definition; false (and nothing kept) for an empty or
    // repeated name.
    bool AddBlock(DxfBlock block);
    const std::vector<DxfBlock>& Blocks() const { return m_blocks; }
    DxfBlock& LastBlock() { return m_blocks.back(); }

    std::vector<DxfEntity> entities;  // the ENTITIES section (model space)

    // Header: $INSUNITS and $MEASUREMENT, -1 when the file has none.
    int insUnits = -1;
    int measurement = -1;

    // Entities read but not kept (meshes, faces, nothing to draw), and
    // entities the reader refused as damaged.
    size_t ignoredEntities = 0;
    size_t damagedEntities = 0;

    // Total entities kept, for budgets.
    size_t EntityCount() const;

private:
    std::vector<std::string> m_layers;
    std::vector<bool> m_hidden;
    std::unordered_map<std::string, int> m_layerIndex;
    std::vector<DxfBlock> m_blocks;
    std::unordered_map<std::string, size_t> m_blockIndex;
};
