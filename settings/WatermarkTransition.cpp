#include "settings/WatermarkTransition.h"

#include <algorithm>

#include "settings/Watermark.h"

namespace {

// The watermarks of one part of a list: background before the first separator, overlays
// between it and the next one (or the end).
std::vector<CWatermark*> PartOf(const std::vector<CWatermark*>& list, CWatermarkTransition::Part part)
{
    const auto separator = std::find(list.begin(), list.end(), nullptr);
    if (part == CWatermarkTransition::kBackground)
        return {list.begin(), separator};
    if (separator == list.end())
        return {};
    const auto end = std::find(separator + 1, list.end(), nullptr);
    return {separator + 1, end};
}

bool HasSameIn(const std::vector<CWatermark*>& list, const CWatermark& watermark)
{
    return std::any_of(list.begin(), list.end(), [&](const CWatermark* listed) {
        return listed && listed->HasSameSettings(watermark);
    });
}

}  // namespace

CWatermarkTransition::~CWatermarkTransition()
{
    ReleaseAll(false);
}

std::unique_ptr<CWatermarkTransition> CWatermarkTransition::Create(const std::vector<CWatermark*>& oldList,
                                                                   const std::vector<CWatermark*>& newList)
{
    if (oldList.empty() && newList.empty())
        return nullptr;
    std::unique_ptr<CWatermarkTransition> transition(new CWatermarkTransition());
    for (Part part : {kBackground, kOverlay}) {
        const std::vector<CWatermark*> before = PartOf(oldList, part);
        const std::vector<CWatermark*> after = PartOf(newList, part);
        for (CWatermark* watermark : before)
            (HasSameIn(after, *watermark) ? transition->m_staying : transition->m_leaving)[part].push_back(
                watermark);
        for (CWatermark* watermark : after)
            if (!HasSameIn(transition->m_staying[part], *watermark))
                transition->m_entering[part].push_back(watermark);
    }
    for (const auto* lists : {transition->m_leaving, transition->m_entering, transition->m_staying})
        for (int part = 0; part < 2; ++part)
            for (CWatermark* watermark : lists[part])
                watermark->AddUse();
    return transition;
}

void CWatermarkTransition::Step(double t)
{
    for (Part part : {kBackground, kOverlay})
        for (CWatermark* watermark : m_leaving[part])
            watermark->PrepareFade(1.0 - t);
    for (Part part : {kBackground, kOverlay})
        for (CWatermark* watermark : m_entering[part])
            watermark->PrepareFade(t);
}

std::vector<CWatermark*> CWatermarkTransition::GetDrawOrder(Part part) const
{
    std::vector<CWatermark*> order = m_leaving[part];
    order.insert(order.end(), m_staying[part].begin(), m_staying[part].end());
    order.insert(order.end(), m_entering[part].begin(), m_entering[part].end());
    return order;
}

void CWatermarkTransition::Draw(IModelView* view, bool backgroundPass) const
{
    for (CWatermark* watermark : GetDrawOrder(backgroundPass ? kBackground : kOverlay))
        watermark->Draw(view, backgroundPass);
}

void CWatermarkTransition::Finish()
{
    ReleaseAll(true);
}

void CWatermarkTransition::ReleaseAll(bool restoreOpacity)
{
    for (auto* lists : {m_leaving, m_entering, m_staying}) {
        for (int part = 0; part < 2; ++part) {
            std::vector<CWatermark*> entries;
            entries.swap(lists[part]);
            for (CWatermark* watermark : entries) {
                if (restoreOpacity)
                    watermark->EndFade();
                watermark->ReleaseUse();
            }
        }
    }
}
