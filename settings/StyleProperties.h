#pragma once
// The table that ties a style's property ids to the display settings: for every id but the
// stroke set (1013) and the watermark list (5001), the property number of the setting in
// "Rendering Options Change", how to read it into a Variant and how to apply a Variant to it.
// Styles take their defaults from it, and the style manager builds styles from settings,
// applies them back and follows changes through it.

#include <cstdint>
#include <vector>

#include "support/Variant.h"

class CRenderingOptions;

namespace orbisk::style {

// Ids with a meaning of their own.
enum : int {
    kEdgeKindId = 1001,
    kStrokeSetId = 1013,
    kEdgeColorId = 1014,
    kFrontFaceColorId = 2002,
    kBackFaceColorId = 2003,
    kBackgroundColorId = 4000,
    kWatermarkListId = 5001,
};

struct PropertyEntry {
    int id;
    Variant::Type kind;
    int32_t property;  // the property number of "Rendering Options Change"
    // The setting as a Variant of `kind` (the edge and background colours as they take effect).
    Variant (*get)(const CRenderingOptions& options);
    // Applies the value, converted to the setter's type; the setter announces its change.
    void (*set)(CRenderingOptions& options, const Variant& value);
};

// Ascending id.
const std::vector<PropertyEntry>& GetPropertyTable();
// The entry of the id, or null.
const PropertyEntry* FindProperty(int id);

}  // namespace orbisk::style
