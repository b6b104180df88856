#pragma once
// CWatermarkTransition: the watermarks while a scene transition plays. It sorts the watermarks
// of the list being left and of the list being entered (both in the list shape: background
// watermarks, a null separator, overlays) into those that stay, those that fade out and those
// that fade in, per part, and holds one use of each until it is finished or destroyed.
//
// Each step sets the fade of every leaving watermark to 1 - t and of every entering one to t
// (CWatermark::PrepareFade, which the next texture is built with); staying watermarks keep
// their own opacity. While it runs the model view draws the transition's lists in place of the
// model's (GetDrawOrder).

#include <memory>
#include <vector>

class CWatermark;
class IModelView;

class CWatermarkTransition {
public:
    enum Part { kBackground = 0, kOverlay = 1 };

    CWatermarkTransition(const CWatermarkTransition&) = delete;
    CWatermarkTransition& operator=(const CWatermarkTransition&) = delete;
    // Releases the use of every watermark still listed.
    ~CWatermarkTransition();

    // Null when both lists are empty.
    static std::unique_ptr<CWatermarkTransition> Create(const std::vector<CWatermark*>& oldList,
                                                        const std::vector<CWatermark*>& newList);

    // t in 0 ... 1: leaving watermarks fade out, entering ones fade in (background leaving,
    // overlay leaving, background entering, overlay entering).
    void Step(double t);
    // The watermarks of the part in drawing order: leaving, staying, entering.
    std::vector<CWatermark*> GetDrawOrder(Part part) const;
    // Draws the part's watermarks in that order (CWatermark::Draw).
    void Draw(IModelView* view, bool backgroundPass) const;
    // Every watermark gets its own opacity back and its use released; the lists are emptied.
    void Finish();

    const std::vector<CWatermark*>& GetLeaving(Part part) const { return m_leaving[part]; }
    const std::vector<CWatermark*>& GetEntering(Part part) const { return m_entering[part]; }
    const std::vector<CWatermark*>& GetStaying(Part part) const { return m_staying[part]; }

private:
    CWatermarkTransition() = default;
    void ReleaseAll(bool restoreOpacity);

    std::vector<CWatermark*> m_leaving[2];
    std::vector<CWatermark*> m_entering[2];
    std::vector<CWatermark*> m_staying[2];
};
