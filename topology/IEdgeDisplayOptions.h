#pragma once
// IEdgeDisplayOptions: the display settings that decide whether and how edges show, beside the
// colours of IRenderingOptions. The rendering options implement both; an edge finds this one on
// the options its view draws with. Options without it show every edge, take soft and smooth
// edges as flagged and colour edges by material.

#include "database/IRenderingOptions.h"

class IEdgeDisplayOptions {
public:
    // Rendering modes: 0 wireframe, 1 hidden line, 2 and up shaded.
    enum { kWireframe = 0, kHiddenLine = 1 };
    // Edge colour modes: 0 by material, 1 the edge colour, 2 by axis.
    enum { kEdgeColorByMaterial = 0, kEdgeColorUniform = 1, kEdgeColorByAxis = 2 };

    virtual ~IEdgeDisplayOptions() = default;

    virtual int GetRenderingMode() const = 0;
    // 0 off, 1 on, 2 only edges that no face uses.
    virtual int GetEdgeDisplay() const = 0;
    virtual bool AreProfilesShown() const = 0;
    virtual int GetEdgeColorMode() const = 0;
    // "Hide Soft Edges" and "Average Normals", both on by default.
    virtual bool HidesSoftEdges() const = 0;
    virtual bool AveragesNormals() const = 0;
};

// The edge settings of the options, or null when they have none (or there are no options).
inline const IEdgeDisplayOptions* GetEdgeDisplayOptions(const IRenderingOptions* options)
{
    return dynamic_cast<const IEdgeDisplayOptions*>(options);
}
