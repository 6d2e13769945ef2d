#include "plotlib/DxfLayerMap.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "plotlib/DeviceValidation.h"
#include "plotlib/TextMark.h"

namespace {

// Layer numbers and meanings of the ASTM D6673 practice (as the ezdxf
// documentation lists them); layer 12 is left blank by the practice.
const std::array<DxfRoleInfo, kDxfRoleCount> kRoles = {{
    {DxfRole::Boundary, "Boundary", N_("1 Piece boundary"), 1, 1, DxfAction::Cut},
    {DxfRole::TurnPoints, "TurnPoints", N_("2 Turn points"), 2, 2, DxfAction::Skip},
    {DxfRole::CurvePoints, "CurvePoints", N_("3 Curve points"), 3, 3, DxfAction::Skip},
    {DxfRole::Notches, "Notches", N_("4 Notches"), 4, 4, DxfAction::Notch},
    {DxfRole::GradeReference, "GradeReference", N_("5 Grade reference"), 5, 5, DxfAction::Skip},
    {DxfRole::MirrorLine, "MirrorLine", N_("6 Mirror line"), 6, 6, DxfAction::Draw},
    {DxfRole::GrainLine, "GrainLine", N_("7 Grain line"), 7, 7, DxfAction::Draw},
    {DxfRole::InternalLines, "InternalLines", N_("8 Internal lines"), 8, 8, DxfAction::Draw},
    {DxfRole::StripeReference, "StripeReference", N_("9 Stripe reference"), 9, 9, DxfAction::Draw},
    {DxfRole::PlaidReference, "PlaidReference", N_("10 Plaid reference"), 10, 10, DxfAction::Draw},
    {DxfRole::InternalCutouts, "InternalCutouts", N_("11 Internal cutouts"), 11, 11, DxfAction::Cut},
    {DxfRole::DrillHoles, "DrillHoles", N_("13 Drill holes"), 13, 13, DxfAction::Drill},
    {DxfRole::SewLines, "SewLines", N_("14 Sew lines"), 14, 14, DxfAction::Draw},
    {DxfRole::AnnotationText, "AnnotationText", N_("15 Annotation text"), 15, 15, DxfAction::Draw},
    {DxfRole::TNotch, "TNotch", N_("80 T-notch"), 80, 80, DxfAction::Notch},
    {DxfRole::CastleNotch, "CastleNotch", N_("81 Castle notch"), 81, 81, DxfAction::Notch},
    {DxfRole::CheckNotch, "CheckNotch", N_("82 Check notch"), 82, 82, DxfAction::Notch},
    {DxfRole::UNotch, "UNotch", N_("83 U-notch"), 83, 83, DxfAction::Notch},
    {DxfRole::QualityCurves, "QualityCurves", N_("84-87 Quality validation curves"), 84, 87,
     DxfAction::Skip},
    {DxfRole::PieceText, "PieceText", N_("Piece text (layer 1)"), 0, 0, DxfAction::Draw},
    {DxfRole::OtherLayers, "OtherLayers", N_("Other layers"), 0, 0, DxfAction::Draw},
}};

struct ActionName {
    const char* key;
    const char* label;
};
const ActionName kActions[kDxfActionCount] = {
    {"Skip", N_("Skip")},       {"Draw", N_("Draw pen")},      {"Cut", N_("Cut pen")},
    {"HalfCut", N_("Half-cut pen")}, {"Notch", N_("Notch")}, {"Drill", N_("Drill cross")},
};

bool EqualNoCase(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && !b[i];
}

std::string Trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

} // namespace

const std::array<DxfRoleInfo, kDxfRoleCount>& DxfRoles() { return kRoles; }

const DxfRoleInfo& DxfRoleOf(DxfRole role) { return kRoles[static_cast<size_t>(role)]; }

const char* DxfActionKey(DxfAction action) { return kActions[static_cast<int>(action)].key; }

const char* DxfActionLabel(DxfAction action) { return kActions[static_cast<int>(action)].label; }

DxfLayerMap::DxfLayerMap()
{
    for (const DxfRoleInfo& r : kRoles)
        actions[static_cast<size_t>(r.role)] = r.defaultAction;
}

DxfRole DxfLayerMap::RoleOfLayer(const std::string& layerName, bool pieceText)
{
    const std::string name = Trim(layerName);
    int number = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), number);
    if (name.empty() || ec != std::errc() || end != name.data() + name.size())
        return DxfRole::OtherLayers;
    if (pieceText && number == 1)
        return DxfRole::PieceText;
    for (const DxfRoleInfo& r : kRoles)
        if (r.firstLayer != 0 && number >= r.firstLayer && number <= r.lastLayer)
            return r.role;
    return DxfRole::OtherLayers;
}

DxfLayerMap DxfLayerMap::Read(
    const std::function<std::string(const std::string& key, const std::string& defaultValue)>& get)
{
    DxfLayerMap map;
    for (const DxfRoleInfo& r : kRoles) {
        const std::string value = Trim(get(r.key, DxfActionKey(r.defaultAction)));
        for (int a = 0; a < kDxfActionCount; ++a)
            if (EqualNoCase(value, kActions[a].key))
                map.SetAction(r.role, static_cast<DxfAction>(a));
    }
    const std::string slots = Trim(get("NotchSlots", "TRUE"));
    if (EqualNoCase(slots, "TRUE") || slots == "1")
        map.notchSlots = true;
    else if (EqualNoCase(slots, "FALSE") || slots == "0")
        map.notchSlots = false;
    double cross = 0;
    if (ParseDecimal(Trim(get("DrillCross", "4")), cross) && cross >= 0.5 && cross <= 50.0)
        map.drillCrossMm = cross;
    return map;
}

void DxfLayerMap::Write(
    const std::function<void(const std::string& key, const std::string& value)>& set) const
{
    for (const DxfRoleInfo& r : kRoles)
        set(r.key, DxfActionKey(Action(r.role)));
    set("NotchSlots", notchSlots ? "TRUE" : "FALSE");
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, drillCrossMm);
    set("DrillCross", ec == std::errc() ? std::string(text, end) : std::string("4"));
}
