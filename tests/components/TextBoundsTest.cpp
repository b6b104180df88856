// The bounds of a text: a leader text's anchor, text position and label, the label laid out in
// the view that commands act on, or only the leader's ends while there is no such view; a
// screen text has none.

#include <gtest/gtest.h>

#include <memory>

#include "components/ReferencePoint.h"
#include "components/Text.h"
#include "database/CurrentModel.h"
#include "tests/components/TextTestSupport.h"

namespace {

using orbisk::geometry::CBoundingBox3d;

// Hands out the test's view as the current one while it lives.
class TextViewSource : public ICurrentViewSource {
public:
    explicit TextViewSource(IModelView* view) : m_view(view), m_previous(SetCurrentViewSource(this)) {}
    ~TextViewSource() override { SetCurrentViewSource(m_previous); }
    IModelView* GetCurrentView() override { return m_view; }

private:
    IModelView* m_view;
    ICurrentViewSource* m_previous;
};

struct EraseText {
    void operator()(CText* text) const { text->Erase(); }
};
using BoundedText = std::unique_ptr<CText, EraseText>;

class TextBoundsTest : public TextTest {
protected:
    // "Label" at the end of a leader from the origin to (10, 0, 0), in model terms.
    BoundedText LeaderText()
    {
        BoundedText text(new CText);
        text->SetAnchor(CReferencePoint(CPoint3d(0, 0, 0)), true);
        text->SetLeaderTypeRaw(CText::kModelLeader);
        text->SetLeaderVector({10, 0, 0});
        text->SetText(L"Label");
        return text;
    }

    TextView view;
};

}  // namespace

TEST_F(TextBoundsTest, ALeaderTextIsBoundedByItsLabelInTheCurrentView)
{
    const BoundedText text = LeaderText();
    TextViewSource current(&view);
    const CBoundingBox3d label = text->GetTextBounds(&view);
    ASSERT_GT(label.x.max, 22.0) << "the label reaches past the leader's end";

    const CBoundingBox3d box = text->GetBounds();
    EXPECT_EQ(box.GetMin(), label.GetMin());
    EXPECT_EQ(box.GetMax(), label.GetMax());

    CTransform3d shift;
    shift.SetTranslation({100, 0, 0});
    CBoundingBox3d moved;
    text->AddBoundsTransformed(shift, moved);
    EXPECT_DOUBLE_EQ(moved.x.min, 100.0) << "the anchor";
    EXPECT_DOUBLE_EQ(moved.x.max, label.x.max + 100.0) << "the label's far corners";
    EXPECT_DOUBLE_EQ(moved.y.max, label.y.max);
}

TEST_F(TextBoundsTest, WithoutACurrentViewOnlyTheLeadersEndsBoundAText)
{
    const BoundedText text = LeaderText();
    const CBoundingBox3d box = text->GetBounds();
    EXPECT_EQ(box.GetMin(), CPoint3d(0, 0, 0));
    EXPECT_EQ(box.GetMax(), CPoint3d(10, 0, 0));
}

TEST_F(TextBoundsTest, AScreenTextHasNoBounds)
{
    BoundedText screen(new CText);
    screen->SetText(L"Pinned");
    for (bool withView : {false, true}) {
        SCOPED_TRACE(withView ? "current view" : "no view");
        std::unique_ptr<TextViewSource> current;
        if (withView)
            current = std::make_unique<TextViewSource>(&view);
        EXPECT_TRUE(screen->GetBounds().IsEmpty());
        CBoundingBox3d box;
        screen->AddBoundsTransformed(CTransform3d(), box);
        EXPECT_TRUE(box.IsEmpty());
    }
}
