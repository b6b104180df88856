#include "topology/ComponentCS.h"

CComponentCS::CComponentCS(int32_t size, bool cross, bool depthTest, bool ribbons, double ribbonRatio)
    : m_display(size, cross, depthTest, ribbons, ribbonRatio)
{}

CComponentCS::CComponentCS() : m_display(0, false, true, false, CComponentAxes::kDefaultRibbonRatio) {}
