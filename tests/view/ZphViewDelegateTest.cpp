#include "view/ZphViewDelegate.h"

#include <gtest/gtest.h>

#include "database/UndoManager.h"
#include "model/ZephyronModel.h"
#include "platform/win32/WinTypes.h"
#include "settings/BackgroundImage.h"
#include "settings/RenderingOptions.h"
#include "tests/view/ViewTestSupport.h"
#include "view/ZphView.h"

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CVector3d;

namespace {

class DelegateFixture : public ::testing::Test {
protected:
    DelegateFixture() : view(frameClock, wallClock)
    {
        model = new CZephyronModel();
        view.SetModel(model);
        model->Release();
    }

    // A camera change of the kind that moves the eye to x.
    void Move(double x, int type)
    {
        view.BeginCameraChange();
        CCamera camera = view.GetViewDefinition()->GetCamera();
        camera.SetEyeTargetUp(CPoint3d(x, -10, 0), CPoint3d(x, 0, 0), CVector3d(0, 0, 1));
        view.SetCamera(camera, 0.0);
        view.EndCameraChange(type);
    }
    double EyeX() { return view.GetViewDefinition()->GetCamera().GetEye().x; }
    CameraHistory& History() { return view.GetDelegate().GetHistory(); }

    ManualClock frameClock;
    ManualClock wallClock;
    CZphView view;
    CZephyronModel* model;
};

}  // namespace

TEST_F(DelegateFixture, HistoryKeepsTheLastFiveChanges)
{
    for (int i = 1; i <= 6; ++i)
        Move(i, 0);
    EXPECT_EQ(History().GetCount(), 5);
    EXPECT_EQ(History().GetIndex(), 4);
}

TEST_F(DelegateFixture, QuickChangesOfOneKindMerge)
{
    struct Case {
        double gap;
        int entries;
    };
    for (const Case& c : {Case{1.5, 1}, Case{2.5, 2}}) {
        view.ResetCameraHistory();
        Move(1, 3);
        wallClock.Advance(c.gap);
        Move(2, 3);
        EXPECT_EQ(History().GetCount(), c.entries) << c.gap;
    }
}

TEST_F(DelegateFixture, AnOptionChangeBreaksMerging)
{
    Move(1, 3);
    view.GetRenderingOptions()->SetXRay(!view.GetRenderingOptions()->GetXRay());
    EXPECT_TRUE(view.GetDelegate().AreSettingsChanged());
    wallClock.Advance(0.5);
    Move(2, 3);
    EXPECT_EQ(History().GetCount(), 2);
}

TEST_F(DelegateFixture, BackAndForthReturnsToTheStartingCamera)
{
    Move(1, 0);
    Move(2, 0);
    Move(3, 0);
    view.PreviousView();
    EXPECT_DOUBLE_EQ(EyeX(), 2.0);
    view.NextView();
    EXPECT_DOUBLE_EQ(EyeX(), 3.0);
}

TEST_F(DelegateFixture, PreviousAtTheFirstEntryWrapsToTheLast)
{
    Move(1, 0);
    Move(2, 0);
    History().SetIndex(0);
    view.PreviousView();
    EXPECT_EQ(History().GetIndex(), History().GetCount() - 1);
}

TEST_F(DelegateFixture, AChangeThatMovesNothingAddsNothing)
{
    view.BeginCameraChange();
    view.EndCameraChange(1);
    EXPECT_TRUE(History().IsEmpty());
    EXPECT_FALSE(view.GetDelegate().IsChangePending());
}

TEST_F(DelegateFixture, CancelPutsTheCameraBack)
{
    Move(1, 0);
    view.BeginCameraChange();
    CCamera camera = view.GetViewDefinition()->GetCamera();
    camera.SetEyeTargetUp(CPoint3d(9, -10, 0), CPoint3d(9, 0, 0), CVector3d(0, 0, 1));
    view.SetCamera(camera, 0.0);
    view.CancelCameraChange();
    EXPECT_DOUBLE_EQ(EyeX(), 1.0);
}

TEST_F(DelegateFixture, AnotherModelEmptiesTheHistory)
{
    Move(1, 0);
    ASSERT_FALSE(History().IsEmpty());
    auto* other = new CZephyronModel();
    view.SetModel(other);
    other->Release();
    EXPECT_TRUE(History().IsEmpty());
}

TEST(MeasurementText, EditingKeys)
{
    CMeasurementText text;
    EXPECT_FALSE(text.InsertChar(L'\t'));
    EXPECT_FALSE(text.HandleKey(VK_BACK));
    for (wchar_t ch : std::wstring(L"12m"))
        text.InsertChar(ch);
    text.HandleKey(VK_LEFT);
    EXPECT_TRUE(text.HandleKey(VK_BACK));
    EXPECT_EQ(text.GetText(), L"1m");
    text.HandleKey(VK_HOME);
    EXPECT_TRUE(text.HandleKey(VK_DELETE));
    EXPECT_EQ(text.GetText(), L"m");
    text.HandleKey(VK_END);
    EXPECT_FALSE(text.HandleKey(VK_DELETE));
}

TEST_F(DelegateFixture, HistoryEntriesKeepTheirPhotoAlive)
{
    // Without recording, the last release of the photo deletes it.
    CSuspendUndo unrecorded;
    auto* photo = new CBackgroundImage();
    model->SetBackgroundImage(photo);
    Move(1, 0);
    EXPECT_EQ(History().GetLast()->GetPhoto(), photo);
    // The model lets go of the photo; the entry that names it still holds it.
    model->SetBackgroundImage(nullptr);
    EXPECT_EQ(photo->GetUseCount(), 1);
    view.PreviousView();
    EXPECT_EQ(model->GetBackgroundImage(), photo);
    view.ResetCameraHistory();
    model->SetBackgroundImage(nullptr);
}
