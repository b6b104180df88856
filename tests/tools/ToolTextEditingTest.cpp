// In-place text editing through a tool: what it announces of a text or a dimension, how the
// editor's answer becomes one undoable operation, and what ends the editing without one.

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "components/Dimension.h"
#include "components/ReferencePoint.h"
#include "components/Text.h"
#include "database/CurrentModel.h"
#include "database/UndoManager.h"
#include "support/NotificationCenter.h"
#include "tests/support/TopViewSetup.h"
#include "tests/view/ViewTestSupport.h"
#include "tools/Tool.h"
#include "tools/ToolManager.h"

using orbisk::geometry::CPoint3d;

namespace {

constexpr int kEditViewSize = 64;

// A dimension whose text is drawn from a fixed point, aligned with its line.
class EditedDimension : public CDimension {
public:
    void GetTextPosition(IModelView*, CPoint3d& anchor, int& alignment, int& justification) override
    {
        anchor = {-2, 0, 0};
        alignment = 4;
        justification = 1;
    }
};

// Keeps a copy of the last record "BeginEditingTextNotification" carried.
class EditingAnnouncements : public orbisk::utils::IObserver {
public:
    EditingAnnouncements() { Center().AddObserver(kBeginEditingTextNotification, this); }
    ~EditingAnnouncements() override { Center().RemoveObserver(kBeginEditingTextNotification, this); }
    void OnNotification(const char*, void* payload) override
    {
        last = *static_cast<const CTextEditingRecord*>(payload);
    }

    std::optional<CTextEditingRecord> last;

private:
    static orbisk::utils::CNotificationCenter& Center()
    {
        return orbisk::utils::CNotificationCenter::GetInstance();
    }
};

void Answer(const CString& text)
{
    CString edited = text;
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification(kEndEditingTextNotification, &edited);
}

void CancelEditing()
{
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification(kCancelEditingTextNotification,
                                                                       nullptr);
}

class ToolTextEditingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetUpTopView(view, kEditViewSize));
        current.emplace(view.GetModel());
        // A text 2 units right of the origin at the end of its leader; the view looks down on
        // the origin, 10 units across.
        text->SetAnchor(CReferencePoint(CPoint3d(0, 0, 0)), true);
        text->SetLeaderTypeRaw(CText::kModelLeader);
        text->SetLeaderVector({2, 0, 0});
        dimension->SetText(L"<>");
        tool.SetView(&view);
    }

    void TearDown() override
    {
        // The history refers to the text and the dimension; it goes first.
        Undo()->Clear();
        text->Erase();
        dimension->Erase();
    }

    CUndoManager* Undo() { return view.GetModel()->GetUndoManager(); }
    const CUndoOperation* LastOperation() { return Undo()->GetLastOperation(); }

    ManualClock clock;
    CZphView view{clock, clock};
    std::optional<CCurrentModelScope> current;
    CText* text = new CText;
    CDimension* dimension = new EditedDimension;
    CTool tool;
    EditingAnnouncements announcements;
};

}  // namespace

TEST_F(ToolTextEditingTest, ATextIsAnnouncedWhereItShowsAndTheAnswerIsOneOperation)
{
    tool.BeginEditText(text, &view);
    ASSERT_TRUE(announcements.last);
    const CTextEditingRecord& record = *announcements.last;
    EXPECT_EQ(record.view, &view);
    EXPECT_EQ(record.text, CString(L"Text")) << "an empty text is offered as Text";
    EXPECT_GT(record.position.x, 2.0) << "the label starts past the leader's end";
    EXPECT_GT(record.x, kEditViewSize / 2 + kEditViewSize / 5);
    EXPECT_NEAR(record.y, kEditViewSize / 2, 1);
    EXPECT_FALSE(record.screenText);
    EXPECT_TRUE(tool.IsEditingText());

    Answer(L"Door");
    EXPECT_EQ(text->GetText(), CString(L"Door"));
    ASSERT_NE(LastOperation(), nullptr);
    EXPECT_EQ(LastOperation()->GetTypeCode(), 95);
    EXPECT_EQ(LastOperation()->GetName(), CString(L"Text"));
    EXPECT_FALSE(tool.IsEditingText());

    // Once ended, later answers are not the tool's.
    Answer(L"Window");
    EXPECT_EQ(text->GetText(), CString(L"Door"));
}

TEST_F(ToolTextEditingTest, ADimensionChangesOnlyWhenTheAnswerDiffers)
{
    tool.BeginEditDimensionText(dimension, &view);
    ASSERT_TRUE(announcements.last);
    EXPECT_EQ(announcements.last->text, CString(L"<>"));
    EXPECT_EQ(announcements.last->position, CPoint3d(-2, 0, 0));
    EXPECT_EQ(announcements.last->alignment, 4);

    const int committed = Undo()->GetUndoCount();
    Answer(L"<>");
    EXPECT_EQ(Undo()->GetUndoCount(), committed) << "the same text opens no operation";
    EXPECT_FALSE(tool.IsEditingText());

    tool.BeginEditDimensionText(dimension, &view);
    Answer(L"<> wide");
    EXPECT_EQ(dimension->GetText(), CString(L"<> wide"));
    ASSERT_NE(LastOperation(), nullptr);
    EXPECT_EQ(LastOperation()->GetTypeCode(), 90);
    EXPECT_EQ(LastOperation()->GetName(), CString(L"Edit Dimension"));
}

TEST_F(ToolTextEditingTest, CancellingEmptyAnswersAndErasureEndTheEditingWithoutAChange)
{
    text->SetText(L"Door");
    struct Case {
        const char* name;
        std::function<void()> end;
    };
    const Case cases[] = {
        {"cancelled", [] { CancelEditing(); }},
        {"empty answer", [] { Answer(L""); }},
        // The manager tells its tools of erased entities and of a cleared model.
        {"text erased", [this] { tool.ForgetEditedEntity(text); }},
        {"model cleared", [this] { tool.ForgetEditedEntity(nullptr); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tool.BeginEditText(text, &view);
        c.end();
        EXPECT_FALSE(tool.IsEditingText());
        Answer(L"Window");
        EXPECT_EQ(text->GetText(), CString(L"Door"));
    }

    // Another entity going away leaves the editing on.
    tool.BeginEditText(text, &view);
    tool.ForgetEditedEntity(dimension);
    EXPECT_TRUE(tool.IsEditingText());
    CancelEditing();
}

TEST_F(ToolTextEditingTest, TheManagerEndsTheEditingOfAnErasedText)
{
    CToolManager manager(view.GetModel());
    auto* editing = new CTool;
    manager.SetTool(editing, 1, true);
    editing->SetView(&view);
    editing->BeginEditText(text, &view);
    manager.OnEntityErased(text);
    EXPECT_FALSE(editing->IsEditingText());
}
