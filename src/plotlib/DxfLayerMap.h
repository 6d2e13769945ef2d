// What happens to each layer of a pattern DXF file when it is read into a
// drawing. Pattern programs exchange pieces as AAMA / ASTM D6673 DXF, where
// the layer number says what a line is:
//
//    1 piece boundary (and the piece and style text)    9 stripe reference
//    2 turn points          3 curve points              10 plaid reference
//    4 notches (V and slit) 5 grade reference           11 internal cutouts
//    6 mirror line          7 grain line                13 drill holes
//    8 internal lines       14 sew lines                15 annotation text
//   80 T-notch  81 castle notch  82 check notch  83 U-notch
//   84..87 quality validation curves of layers 1, 8, 11 and 14
//
// Each of these meanings is a role with an action: skip it, draw it with the
// draw pen, cut it with the cut or half-cut pen, turn it into notches (slots
// of the slot settings, or a short cut line when slots are off) or into
// drill marks (a small cross on the draw pen). Text on layer 1 inside a
// piece is the piece's own text ("Piece Name: FRONT", "Size: M"); layers
// that are not ASTM numbers (plain DXF) share the "other layers" role.
//
// A plain value, kept in Setting.ini (section DxfLayers, see the key of each
// role) by the settings code and edited in the device settings dialog.
#pragma once

#include <array>
#include <functional>
#include <string>

enum class DxfAction : int { Skip = 0, Draw, Cut, HalfCut, Notch, Drill };

constexpr int kDxfActionCount = 6;

enum class DxfRole : int {
    Boundary = 0,
    TurnPoints,
    CurvePoints,
    Notches,
    GradeReference,
    MirrorLine,
    GrainLine,
    InternalLines,
    StripeReference,
    PlaidReference,
    InternalCutouts,
    DrillHoles,
    SewLines,
    AnnotationText,
    TNotch,
    CastleNotch,
    CheckNotch,
    UNotch,
    QualityCurves,
    PieceText,
    OtherLayers,
};

constexpr int kDxfRoleCount = 21;

struct DxfRoleInfo {
    DxfRole role;
    const char* key;         // Setting.ini key
    const char* label;       // shown in the dialog (marked for the catalogs)
    int firstLayer;          // ASTM layer numbers of the role, 0 for none
    int lastLayer;
    DxfAction defaultAction;
};

// The roles in dialog order.
const std::array<DxfRoleInfo, kDxfRoleCount>& DxfRoles();
const DxfRoleInfo& DxfRoleOf(DxfRole role);

// The Setting.ini spelling of an action ("Skip", "Draw", "Cut", "HalfCut",
// "Notch", "Drill") and its label in the dialog.
const char* DxfActionKey(DxfAction action);
const char* DxfActionLabel(DxfAction action);

struct DxfLayerMap {
    static constexpr const char* kSection = "DxfLayers";

    std::array<DxfAction, kDxfRoleCount> actions{};
    // Notches become slots of the slot settings; off, a short cut line.
    bool notchSlots = true;
    // Width and height of a drill hole's cross, millimetres.
    double drillCrossMm = 4.0;

    DxfLayerMap();  // every role at its default

    DxfAction Action(DxfRole role) const { return actions[static_cast<size_t>(role)]; }
    void SetAction(DxfRole role, DxfAction action) { actions[static_cast<size_t>(role)] = action; }

    // The role of a layer by its name: an ASTM number ("1", " 14 ") gives
    // its meaning; any other name, and a number the practice does not
    // define, gives OtherLayers. `pieceText` asks for the role of text: text
    // on the boundary layer is the piece text.
    static DxfRole RoleOfLayer(const std::string& layerName, bool pieceText);

    // Reads the map through `get(key, default)` (a settings lookup); unknown
    // and misspelt values keep the default. A drill cross outside 0.5 to
    // 50 mm keeps the default.
    static DxfLayerMap Read(const std::function<std::string(const std::string& key,
                                                            const std::string& defaultValue)>& get);
    // Writes every key through `set(key, value)`.
    void Write(const std::function<void(const std::string& key, const std::string& value)>& set) const;

    bool operator==(const DxfLayerMap& o) const
    {
        return actions == o.actions && notchSlots == o.notchSlots && drillCrossMm == o.drillCrossMm;
    }
    bool operator!=(const DxfLayerMap& o) const { return !(*this == o); }
};
