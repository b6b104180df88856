// The scene list: selection, insertion and removal with their notifications, its record and
// its self-check.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "database/UndoManager.h"
#include "database/Validity.h"
#include "settings/PageList.h"
#include "settings/ZephyronPage.h"
#include "support/NotificationCenter.h"
#include "tests/settings/SettingsTestSupport.h"

namespace {

// The posts of "Page Notification": code and scene, in order.
class PagePosts : public orbisk::utils::IObserver {
public:
    struct Post {
        int32_t code;
        CZephyronPage* page;
        bool operator==(const Post&) const = default;
    };
    PagePosts()
    {
        orbisk::utils::CNotificationCenter::GetInstance().AddObserver(kPageNotification, this);
        orbisk::utils::CNotificationCenter::GetInstance().AddObserver(kActivatePageNotification, this);
    }
    ~PagePosts() override { orbisk::utils::CNotificationCenter::GetInstance().RemoveObserverFromAll(this); }
    void OnNotification(const char* name, void* payload) override
    {
        if (std::string(name) == kActivatePageNotification) {
            activated.push_back(static_cast<CZephyronPage*>(payload));
            return;
        }
        const auto* post = static_cast<CPageNotification*>(payload);
        posts.push_back({post->code, post->page});
    }
    std::vector<Post> posts;
    std::vector<CZephyronPage*> activated;
};

// The body of a scene base record after its class tag.
Bytes PageBody(std::string_view name, std::string_view description)
{
    return EntityPart() + Text(name) + Text(description);
}

class SceneListTest : public ::testing::Test {
protected:
    SceneListTest()
    {
        for (const char* name : {"Front", "Top", "Side"})
            list.InsertPage(new CZephyronPage(name, L""), -1);
    }

    CZephyronModel model;

    CCurrentModelScope current{&model};
    CSuspendUndo noRecording{true};
    CPageList list{&model};
};

}  // namespace

TEST_F(SceneListTest, InsertingPlacesTheSceneAndAnnouncesIt)
{
    PagePosts posts;
    auto* last = new CZephyronPage(L"Last", L"");
    EXPECT_EQ(list.InsertPage(last, 99), 3);
    auto* first = new CZephyronPage(L"First", L"");
    EXPECT_EQ(list.InsertPage(first, 0), 0);
    EXPECT_EQ(list.GetPageAt(0), first);
    EXPECT_EQ(list.GetPageAt(4), last);
    EXPECT_EQ(first->GetParent(), &list);
    EXPECT_EQ(first->GetPageModel(), &model);
    EXPECT_EQ(posts.posts, (std::vector<PagePosts::Post>{{kPageAdded, last}, {kPageAdded, first}}));
    EXPECT_EQ(GetPageIndex(last), 4);
}

TEST_F(SceneListTest, LookupsOutsideTheListFindNothing)
{
    EXPECT_EQ(list.IndexOf(nullptr), -1);
    EXPECT_EQ(list.GetPageAt(-1), nullptr);
    EXPECT_EQ(list.GetPageAt(3), nullptr);
    CZephyronPage stranger;
    EXPECT_EQ(list.IndexOf(&stranger), -1);
    EXPECT_FALSE(list.Contains(&stranger));
    EXPECT_FALSE(list.Contains(nullptr));
    EXPECT_EQ(GetPageIndex(&stranger), -1);
    EXPECT_EQ(GetPageIndex(nullptr), -1);
}

TEST_F(SceneListTest, SelectingAlwaysAnnouncesAndOnlyListedScenesStaySelected)
{
    PagePosts posts;
    CZephyronPage* top = list.GetPageAt(1);
    list.SetSelectedPage(top);
    list.SetSelectedPage(top);
    EXPECT_EQ(list.GetSelectedPage(), top);
    CZephyronPage stranger;
    list.SetSelectedPage(&stranger);
    EXPECT_EQ(list.GetSelectedPage(), nullptr);
    EXPECT_EQ(posts.posts, (std::vector<PagePosts::Post>{
                               {kPageSelected, top}, {kPageSelected, top}, {kPageSelected, &stranger}}));

    SelectPageInItsList(top);
    ASSERT_TRUE(list.Remove(top));
    EXPECT_EQ(top->GetParent(), nullptr);
    EXPECT_EQ(list.GetSelectedPage(), top) << "removal leaves the selection";
    delete top;
    SelectPageInItsList(list.GetPageAt(0));
    const std::vector<CZephyronPage*> removed = list.GetPages();
    list.RemoveAll();
    EXPECT_EQ(list.GetSelectedPage(), nullptr) << "an empty list has no selection";
    for (CZephyronPage* page : removed)
        delete page;
}

TEST_F(SceneListTest, ClearingAnnouncesTheFirstSceneAndErasesEveryScene)
{
    PagePosts posts;
    CZephyronPage* front = list.GetPageAt(0);
    list.SetSelectedPage(front);
    posts.posts.clear();
    list.Clear();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(posts.posts, (std::vector<PagePosts::Post>{{kPageListEmptied, front}}));
    list.Clear();
    EXPECT_EQ(posts.posts.size(), 1u) << "an empty list announces nothing";
}

TEST_F(SceneListTest, SuppressedNotificationsSilenceTheListAndActivation)
{
    PagePosts posts;
    const bool before = SetPageNotificationsSuppressed(true);
    list.SetSelectedPage(list.GetPageAt(0));
    list.GetPageAt(0)->Activate(nullptr);
    EXPECT_TRUE(SetPageNotificationsSuppressed(before));
    EXPECT_TRUE(posts.posts.empty());
    EXPECT_TRUE(posts.activated.empty());
    list.GetPageAt(0)->Activate(nullptr);
    EXPECT_EQ(posts.activated, std::vector<CZephyronPage*>{list.GetPageAt(0)});
}

TEST_F(SceneListTest, TheTabShowsTheNameAndTheDescriptionWinsWhenThereIsOne)
{
    CZephyronPage page(L"Front", L"");
    EXPECT_EQ(page.GetTabLabel(), CString(L"Front"));
    EXPECT_EQ(page.GetDescriptionOrName(), CString(L"Front"));
    page.SetDescription(L"The street side");
    EXPECT_EQ(page.GetDescriptionOrName(), CString(L"The street side"));
    EXPECT_EQ(page.CreateTransition(nullptr, nullptr), nullptr);
    EXPECT_TRUE(page.IsIncludedInAnimation());
}

TEST_F(SceneListTest, AListRecordAdoptsItsScenesAndItsSelection)
{
    ScopedSchemas schemas({{"CPageList", 1}, {"CZephyronPage", 1}});
    // Two scenes (objects 2 and 3 of class 1), then a back reference to the second.
    const Bytes bytes = EntityPart() + Int(2) + NewObject("CZephyronPage") + PageBody("Front", "street") +
                        LittleEndian(uint16_t{0x8001}) + PageBody("Top", "") + LittleEndian(uint16_t{3});
    for (bool suppressed : {false, true}) {
        PagePosts posts;
        const bool before = SetPageNotificationsSuppressed(suppressed);
        CPageList read(&model);
        ReadFrom(bytes, [&](CArchive& ar) { read.Serialize(ar); });
        SetPageNotificationsSuppressed(before);
        ASSERT_EQ(read.GetCount(), 2);
        EXPECT_EQ(read.GetPageAt(0)->GetName(), CString(L"Front"));
        EXPECT_EQ(read.GetPageAt(0)->GetDescription(), CString(L"street"));
        EXPECT_EQ(read.GetPageAt(1)->GetParent(), &read);
        EXPECT_EQ(read.GetPageAt(1)->GetPageModel(), &model);
        EXPECT_EQ(read.GetSelectedPage(), read.GetPageAt(1));
        EXPECT_EQ(posts.posts.size(), suppressed ? 0u : 2u);
    }
}

TEST_F(SceneListTest, ADamagedListRecordFailsAndGivesItsScenesBack)
{
    ScopedSchemas schemas({{"CPageList", 1}, {"CZephyronPage", 1}});
    struct Case {
        const char* what;
        Bytes bytes;
        int cause;
    };
    const Case cases[] = {
        {"negative count", EntityPart() + Int(-1), CArchiveException::genericException},
        {"count beyond the data", EntityPart() + Int(1 << 30), CArchiveException::endOfFile},
        {"cut after the first scene",
         EntityPart() + Int(2) + NewObject("CZephyronPage") + PageBody("Front", ""),
         CArchiveException::endOfFile},
        {"no selection", EntityPart() + Int(1) + NewObject("CZephyronPage") + PageBody("Front", ""),
         CArchiveException::endOfFile},
    };
    for (const Case& c : cases) {
        CPageList read(&model);
        EXPECT_EQ(ArchiveCause([&] { ReadFrom(c.bytes, [&](CArchive& ar) { read.Serialize(ar); }); }),
                  c.cause)
            << c.what;
        EXPECT_TRUE(read.IsEmpty()) << c.what;
    }
}

TEST_F(SceneListTest, TheCheckFindsScenesThatAreNotScenes)
{
    CValidityCheckScope checks;
    CCheckedObjectMap map;
    EXPECT_EQ(list.CheckValidity(kValidityCheck, &map), 0);
    list.SetSelectedPage(list.GetPageAt(0));
    EXPECT_EQ(list.CheckValidity(kValidityCheck, nullptr), 0);
}
