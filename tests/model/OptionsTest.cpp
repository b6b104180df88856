// Options providers: the units options and their accessors, free named options, the scene,
// slideshow and print sets, the registry and the options record of the model file.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/CurrentModel.h"
#include "database/MaterialNotification.h"
#include "database/NamedOptions.h"
#include "database/OptionsManager.h"
#include "database/PageOptions.h"
#include "database/PrintOptions.h"
#include "database/SlideshowOptions.h"
#include "database/UnitsOptions.h"
#include "model/ZephyronModel.h"
#include "platform/mfc/TextEncoding.h"
#include "settings/RenderingOptions.h"
#include "support/NotificationCenter.h"
#include "tests/model/ModelTestSupport.h"
#include "tests/support/ArchiveBytes.h"

using orbisk::utils::CNotificationCenter;
using orbisk::utils::CTypedValue;
using orbisk::utils::IObserver;

namespace {

// Keeps what each option and material notification said, in order.
class OptionObserver : public IObserver {
public:
    OptionObserver()
    {
        CNotificationCenter::GetInstance().AddObserver("Option Provider Changed", this);
        CNotificationCenter::GetInstance().AddObserver("Material Notification", this);
    }
    ~OptionObserver() override { CNotificationCenter::GetInstance().RemoveObserverFromAll(this); }
    void OnNotification(const char* name, void* payload) override
    {
        if (std::string(name) == "Material Notification") {
            const auto& info = *static_cast<CMaterialNotificationInfo*>(payload);
            seen.push_back({"material", nullptr, info.code, info.material == nullptr && info.text.IsEmpty()});
            return;
        }
        const auto& info = *static_cast<COptionChangeInfo*>(payload);
        seen.push_back({std::string(WideToAnsi(info.name.GetString())), info.provider, 0, true});
    }
    struct Seen {
        std::string what;
        COptionsProvider* provider;
        int code;
        bool plain;
        bool operator==(const Seen&) const = default;
    };
    std::vector<Seen> seen;
};

Bytes IntValue(int32_t value)
{
    return Bytes{4} + LittleEndian(value);
}

Bytes BoolValue(bool value)
{
    return Bytes{7, static_cast<uint8_t>(value)};
}

std::vector<std::wstring> ProviderNames(const COptionsManager& manager)
{
    std::vector<std::wstring> names;
    for (int i = 0; i < manager.GetCount(); ++i)
        names.emplace_back(manager.GetAt(i)->GetName().GetString());
    return names;
}

}  // namespace

TEST(UnitsOptionsTest, WithoutCurrentUnitsTheAccessorsAnswerTheDefaults)
{
    ASSERT_EQ(CUnitsOptions::GetCurrent(), nullptr);
    EXPECT_EQ(CUnitsOptions::GetLengthFormat(), kFormatArchitectural);
    EXPECT_EQ(CUnitsOptions::GetLengthPrecision(), 4);
    EXPECT_EQ(CUnitsOptions::GetEffectiveLengthUnit(), kUnitInches);
    EXPECT_FALSE(CUnitsOptions::IsUnitsDisplaySuppressed());
    EXPECT_FALSE(CUnitsOptions::IsInchDisplayForced());
}

TEST(UnitsOptionsTest, TheEffectiveUnitFollowsTheFormat)
{
    struct Case {
        int format;
        int unit;
        int effective;
    };
    for (const Case& c : {Case{kFormatEngineering, kUnitCentimeters, kUnitFeet},
                          Case{kFormatDecimal, kUnitCentimeters, kUnitCentimeters},
                          Case{kFormatArchitectural, kUnitMeters, kUnitInches},
                          Case{kFormatFractional, kUnitMillimeters, kUnitMillimeters}}) {
        CUnitsOptions units;
        units.SetOption(L"LengthFormat", CTypedValue(c.format));
        units.SetOption(L"LengthUnit", CTypedValue(c.unit));
        units.MakeCurrent();
        EXPECT_EQ(CUnitsOptions::GetEffectiveLengthUnit(), c.effective) << c.format << " " << c.unit;
    }
    EXPECT_EQ(CUnitsOptions::GetCurrent(), nullptr) << "destroying the current units clears it";
}

TEST(UnitsOptionsTest, EveryOptionHasItsNameTypeAndDefault)
{
    struct Case {
        const wchar_t* name;
        int type;
        double value;
    };
    const Case cases[] = {
        {L"LengthPrecision", 4, 4},
        {L"LengthFormat", 4, 1},
        {L"LengthUnit", 4, 0},
        {L"LengthSnapEnabled", 7, 1},
        {L"LengthSnapLength", 6, 0.0625},
        {L"AnglePrecision", 4, 1},
        {L"AngleSnapEnabled", 7, 1},
        {L"SnapAngle", 6, 15},
        {L"SuppressUnitsDisplay", 7, 0},
        {L"ForceInchDisplay", 7, 0},
    };
    const CUnitsOptions units;
    ASSERT_EQ(units.GetOptionCount(), 10);
    for (int i = 0; i < 10; ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(units.GetOptionName(i), CString(c.name));
        const CTypedValue value = units.GetOption(c.name);
        EXPECT_EQ(value.GetType(), c.type) << i;
        EXPECT_EQ(value.GetDouble(), c.value) << i;
        EXPECT_TRUE(units.IsSavedWithModel(c.name));
    }
    EXPECT_EQ(units.GetOptionName(10), CString());
    EXPECT_EQ(units.GetOptionName(-1), CString());
    EXPECT_TRUE(units.GetOption(L"lengthformat").IsEmpty()) << "names compare exactly";
}

TEST(UnitsOptionsTest, ChangingTheFormatOrUnitAnnouncesItToMaterialsFirst)
{
    CUnitsOptions units;
    OptionObserver observer;
    ASSERT_TRUE(units.SetOption(L"LengthUnit", CTypedValue(2)));
    ASSERT_TRUE(units.SetOption(L"LengthUnit", CTypedValue(2)));
    ASSERT_TRUE(units.SetOption(L"SnapAngle", CTypedValue(45)));
    using Seen = OptionObserver::Seen;
    EXPECT_EQ(observer.seen, (std::vector<Seen>{{"material", nullptr, kMaterialUnitsChanged, true},
                                                {"LengthUnit", &units, 0, true},
                                                {"material", nullptr, kMaterialUnitsChanged, true},
                                                {"LengthUnit", &units, 0, true},
                                                {"SnapAngle", &units, 0, true}}))
        << "an equal value is announced all the same";
    EXPECT_EQ(units.GetValues().lengthUnit, kUnitMillimeters);
    EXPECT_EQ(units.GetValues().snapAngle, 45.0) << "converted to the option's type";
}

TEST(UnitsOptionsTest, AValueOfTheWrongKindIsRefusedSilently)
{
    CUnitsOptions units;
    OptionObserver observer;
    EXPECT_FALSE(units.SetOption(L"SnapAngle", CTypedValue(L"steep")));
    EXPECT_FALSE(units.SetOption(L"LengthFormat", CTypedValue()));
    EXPECT_FALSE(units.SetOption(L"NoSuchOption", CTypedValue(1)));
    EXPECT_TRUE(observer.seen.empty());
    EXPECT_EQ(units.GetValues().snapAngle, 15.0);
    EXPECT_EQ(units.GetValues().lengthFormat, kFormatArchitectural);
}

TEST(UnitsOptionsTest, ClonesCarryTheValuesAndResetRestoresTheDefaults)
{
    CUnitsOptions units;
    units.SetOption(L"LengthPrecision", CTypedValue(2));
    units.SetOption(L"SuppressUnitsDisplay", CTypedValue(true));
    const std::unique_ptr<COptionsProvider> clone = units.Clone();
    EXPECT_EQ(clone->GetOption(L"LengthPrecision").GetInt(), 2);
    EXPECT_TRUE(clone->GetOption(L"SuppressUnitsDisplay").GetBool());
    clone->ResetDefaults();
    EXPECT_EQ(clone->GetOption(L"LengthPrecision").GetInt(), 4);
    EXPECT_EQ(units.GetValues().lengthPrecision, 2);
}

TEST(NamedOptionsTest, AnyNameHoldsAnyValueUntilAnEmptyValueRemovesIt)
{
    CNamedOptions named;
    EXPECT_TRUE(named.SetOption(L"missing", CTypedValue()));
    EXPECT_EQ(named.GetOptionCount(), 0);
    EXPECT_TRUE(named.SetOption(L"zeta", CTypedValue(1)));
    EXPECT_TRUE(named.SetOption(L"Alpha", CTypedValue(L"text")));
    EXPECT_TRUE(named.SetOption(L"alpha", CTypedValue(2.5)));
    EXPECT_TRUE(named.SetOption(L"zeta", CTypedValue(3)));
    ASSERT_EQ(named.GetOptionCount(), 3);
    EXPECT_EQ(named.GetOptionName(0), CString(L"Alpha")) << "byte order: capitals first";
    EXPECT_EQ(named.GetOptionName(1), CString(L"alpha"));
    EXPECT_EQ(named.GetOptionName(2), CString(L"zeta"));
    EXPECT_EQ(named.GetOptionName(3), CString());
    EXPECT_EQ(named.GetOption(L"zeta").GetInt(), 3);
    EXPECT_TRUE(named.GetOption(L"ZETA").IsEmpty());
    EXPECT_TRUE(named.SetOption(L"zeta", CTypedValue()));
    EXPECT_EQ(named.GetOptionCount(), 2);
    EXPECT_EQ(named.Clone()->GetOption(L"alpha").GetDouble(), 2.5);
}

TEST(NamedOptionsTest, NamesOutsideTheCodePageAreKeptAsTheCodePageHoldsThem)
{
    CNamedOptions named;
    named.SetOption(L"caf\u00e9", CTypedValue(1));
    named.SetOption(L"\u4e2d", CTypedValue(2));
    EXPECT_EQ(named.GetOption(L"caf\u00e9").GetInt(), 1);
    EXPECT_EQ(named.GetOption(L"?").GetInt(), 2) << "a character 1252 cannot hold becomes '?'";
}

TEST(ScenePlaybackOptionsTest, TwoTimingOptionsEachAnnouncedWhenSet)
{
    CPageOptions page;
    CSlideshowOptions slideshow;
    EXPECT_TRUE(CPageOptions::GetShowTransition());
    EXPECT_EQ(CPageOptions::GetTransitionTime(), 1.5);
    EXPECT_TRUE(CSlideshowOptions::GetLoopSlideshow());
    EXPECT_EQ(CSlideshowOptions::GetSlideTime(), 1.0);

    OptionObserver observer;
    EXPECT_TRUE(page.SetOption(L"TransitionTime", CTypedValue(3)));
    EXPECT_TRUE(slideshow.SetOption(L"LoopSlideshow", CTypedValue(0)));
    EXPECT_FALSE(slideshow.SetOption(L"SlideTime", CTypedValue(L"later")));
    EXPECT_FALSE(page.SetOption(L"SlideTime", CTypedValue(2.0)));
    using Seen = OptionObserver::Seen;
    EXPECT_EQ(observer.seen, (std::vector<Seen>{{"TransitionTime", &page, 0, true},
                                                {"LoopSlideshow", &slideshow, 0, true}}));

    page.MakeCurrent();
    slideshow.MakeCurrent();
    EXPECT_EQ(CPageOptions::GetTransitionTime(), 3.0);
    EXPECT_FALSE(CSlideshowOptions::GetLoopSlideshow());
    EXPECT_EQ(page.GetOption(L"ShowTransition").GetType(), 7);
    EXPECT_EQ(page.GetOption(L"TransitionTime").GetType(), 6);
    EXPECT_TRUE(page.IsSavedWithModel(L"TransitionTime"));
    EXPECT_TRUE(slideshow.IsSavedWithModel(L"SlideTime"));
}

TEST(PrintOptionsTest, FifteenOptionsNoneSavedWithTheModel)
{
    CPrintOptions print;
    OptionObserver observer;
    ASSERT_EQ(print.GetOptionCount(), 15);
    EXPECT_EQ(print.GetOptionName(0), CString(L"PrintWidth"));
    EXPECT_EQ(print.GetOptionName(14), CString(L"QualityAdjustment"));
    EXPECT_EQ(print.GetOption(L"PrintWidth").GetType(), 5) << "a float";
    EXPECT_EQ(print.GetOption(L"NumberOfPages").GetType(), 4);
    EXPECT_EQ(print.GetOption(L"ScaleAdjustment").GetType(), 6);
    EXPECT_TRUE(print.GetOption(L"FitToPage").GetBool());
    EXPECT_TRUE(print.SetOption(L"PrintQuality", CTypedValue(3.7)));
    EXPECT_EQ(print.GetOption(L"PrintQuality").GetInt(), 3);
    for (int i = 0; i < 15; ++i)
        EXPECT_FALSE(print.IsSavedWithModel(print.GetOptionName(i)));
    EXPECT_TRUE(observer.seen.empty());
}

TEST(OptionsRegistryTest, TheSystemKindsAreRegisteredInTheirOrder)
{
    const std::vector<std::wstring> order{L"UnitsOptions", L"NamedOptions", L"PageOptions",
                                          L"SlideshowOptions", L"PrintOptions"};
    ASSERT_NE(GetOptionsRegistry(), nullptr);
    EXPECT_EQ(ProviderNames(*GetOptionsRegistry()), order);

    const std::unique_ptr<COptionsManager> manager = CreateOptionsManager();
    EXPECT_EQ(ProviderNames(*manager), order);
    EXPECT_NE(manager->GetAt(0), GetOptionsRegistry()->GetAt(0)) << "clones, not the prototypes";
    EXPECT_EQ(manager->GetAt(5), nullptr);
    EXPECT_EQ(manager->FindProvider(L"PageOptions"), manager->GetAt(2));
    EXPECT_EQ(manager->FindProvider(L"pageoptions"), nullptr);

    manager->MakeAllCurrent();
    EXPECT_EQ(CUnitsOptions::GetCurrent(), manager->GetAt(0));
    EXPECT_EQ(CPageOptions::GetCurrent(), manager->GetAt(2));
    EXPECT_EQ(CSlideshowOptions::GetCurrent(), manager->GetAt(3));
    EXPECT_EQ(CPrintOptions::GetCurrent(), manager->GetAt(4));
}

TEST(OptionsRegistryTest, NewDefaultsReachModelsMadeAfterwards)
{
    CPrintOptions chosen;
    chosen.SetOption(L"FitToPage", CTypedValue(false));
    chosen.SetOption(L"LineWeight", CTypedValue(0.25));
    ASSERT_TRUE(CopyToRegisteredDefaults(chosen));
    const std::unique_ptr<COptionsManager> manager = CreateOptionsManager();
    EXPECT_FALSE(manager->FindProvider(L"PrintOptions")->GetOption(L"FitToPage").GetBool());
    EXPECT_EQ(manager->FindProvider(L"PrintOptions")->GetOption(L"LineWeight").GetFloat(), 0.25f);

    ASSERT_TRUE(CopyToRegisteredDefaults(CPrintOptions()));
    EXPECT_TRUE(CreateOptionsManager()->FindProvider(L"PrintOptions")->GetOption(L"FitToPage").GetBool());

    struct Foreign : CNamedOptions {
        CString GetName() const override { return L"ForeignOptions"; }
    };
    EXPECT_FALSE(CopyToRegisteredDefaults(Foreign()));
}

TEST(OptionsRecordTest, StoredOptionsReachTheirProvidersAndUnknownOnesAreSkipped)
{
    const Bytes record = LittleEndian(int32_t{2}, int32_t{3}) + Text("UnitsOptions") + Text("LengthFormat") +
                         IntValue(0) + Text("LengthUnit") + IntValue(4) + Text("") + Text("PluginOptions") +
                         Text("Color") + IntValue(7) + Text("") + Text("NamedOptions") + Text("Note") +
                         Bytes{10} + Text("hi") + Text("");
    const std::unique_ptr<COptionsManager> manager = CreateOptionsManager();
    EXPECT_EQ(BytesLeftAfter(record, [&](CArchive& ar) { manager->Serialize(ar); }), 0u);
    EXPECT_EQ(manager->FindProvider(L"UnitsOptions")->GetOption(L"LengthUnit").GetInt(), kUnitMeters);
    EXPECT_EQ(manager->FindProvider(L"UnitsOptions")->GetOption(L"LengthFormat").GetInt(), kFormatDecimal);
    EXPECT_EQ(manager->FindProvider(L"NamedOptions")->GetOption(L"Note").GetString(), CString(L"hi"));
}

TEST(OptionsRecordTest, AVersionOneAxisOptionSetsTheCurrentModelsAxesQuietly)
{
    auto record = [](int32_t version, const char* option) {
        return LittleEndian(version, int32_t{1}) + Text("axisoptions") + Text(option) + BoolValue(true) +
               Text("");
    };
    CZephyronModel model;
    CCurrentModelScope current(&model);
    CRenderingOptions& options = *model.GetOptions();
    options.SetAxesShown(false);
    const std::unique_ptr<COptionsManager> manager = CreateOptionsManager();
    NotificationRecorder changes(kRenderingOptionsChangeNotification);

    ReadFrom(record(2, "DisplayAxes"), [&](CArchive& ar) { manager->Serialize(ar); });
    EXPECT_FALSE(options.GetAxesShown()) << "version 2 files have no such provider";
    ReadFrom(record(1, "Grid"), [&](CArchive& ar) { manager->Serialize(ar); });
    EXPECT_FALSE(options.GetAxesShown());
    ReadFrom(record(1, "DISPLAYAXES"), [&](CArchive& ar) { manager->Serialize(ar); });
    EXPECT_TRUE(options.GetAxesShown());
    EXPECT_TRUE(changes.payloads.empty()) << "the change is not announced";
    EXPECT_TRUE(CNotificationCenter::GetInstance().IsEnabled());
}

TEST(OptionsRecordTest, WithoutACurrentModelTheAxisOptionIsDropped)
{
    const Bytes record = LittleEndian(int32_t{1}, int32_t{1}) + Text("AxisOptions") + Text("DisplayAxes") +
                         BoolValue(true) + Text("");
    const std::unique_ptr<COptionsManager> manager = CreateOptionsManager();
    EXPECT_EQ(BytesLeftAfter(record, [&](CArchive& ar) { manager->Serialize(ar); }), 0u);
}

TEST(OptionsRecordTest, WritingStoresTheSavedOptionsOfEveryProviderInOrder)
{
    COptionsManager manager;
    manager.Add(std::make_unique<CPageOptions>());
    manager.Add(std::make_unique<CPrintOptions>());
    const Bytes written = WrittenBy([&](CArchive& ar) { manager.Serialize(ar); });
    const Bytes header = LittleEndian(int32_t{2}, int32_t{2});
    auto utf16 = [](std::u16string_view text) {
        return Bytes{0xFF, 0xFE, 0xFF, static_cast<uint8_t>(text.size())} + Utf16Le(text);
    };
    const Bytes expected = header + utf16(u"PageOptions") + utf16(u"ShowTransition") + BoolValue(true) +
                           utf16(u"TransitionTime") + Bytes{6} + LittleEndian(1.5) + utf16(u"") +
                           utf16(u"PrintOptions") + utf16(u"");
    EXPECT_EQ(written, expected);

    const std::unique_ptr<COptionsManager> reread = CreateOptionsManager();
    ReadFrom(WrittenBy([](CArchive& ar) {
                 COptionsManager source;
                 auto units = std::make_unique<CUnitsOptions>();
                 units->SetOption(L"AnglePrecision", CTypedValue(3));
                 source.Add(std::move(units));
                 source.Serialize(ar);
             }),
             [&](CArchive& ar) { reread->Serialize(ar); });
    EXPECT_EQ(reread->FindProvider(L"UnitsOptions")->GetOption(L"AnglePrecision").GetInt(), 3);
}

TEST(OptionsRecordTest, ADamagedRecordEndsInAnArchiveError)
{
    const Bytes whole = LittleEndian(int32_t{2}, int32_t{1}) + Text("UnitsOptions") + Text("LengthUnit") +
                        IntValue(2) + Text("");
    const std::unique_ptr<COptionsManager> manager = CreateOptionsManager();
    for (size_t size = 0; size < whole.size(); ++size) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_EQ(ArchiveCause([&] { ReadFrom(cut, [&](CArchive& ar) { manager->Serialize(ar); }); }),
                  CArchiveException::endOfFile)
            << size;
    }
    const Bytes hugeCount = LittleEndian(int32_t{2}, int32_t{0x7FFFFFFF}) + Text("X") + Text("");
    EXPECT_EQ(ArchiveCause([&] { ReadFrom(hugeCount, [&](CArchive& ar) { manager->Serialize(ar); }); }),
              CArchiveException::endOfFile);
    const Bytes negativeCount = LittleEndian(int32_t{2}, int32_t{-5});
    EXPECT_EQ(BytesLeftAfter(negativeCount, [&](CArchive& ar) { manager->Serialize(ar); }), 0u);
}
