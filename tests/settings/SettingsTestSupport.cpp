#include "tests/settings/SettingsTestSupport.h"
#include "tests/support/VersionMaps.h"

#include "database/ArchiveSchema.h"
#include "settings/Watermark.h"
#include "support/NotificationCenter.h"

SettingsPosts::SettingsPosts(const char* name) : m_name(name)
{
    orbisk::utils::CNotificationCenter::GetInstance().AddObserver(name, this);
}

SettingsPosts::~SettingsPosts()
{
    orbisk::utils::CNotificationCenter::GetInstance().RemoveObserverFromAll(this);
}

void SettingsPosts::OnNotification(const char* name, void* payload)
{
    if (m_name != name)
        return;
    if (m_name == kRenderingOptionsChangeNotification) {
        const auto* change = static_cast<const CRenderingOptionsChange*>(payload);
        posts.push_back({change->property, change->options});
    } else {
        const auto* change = static_cast<const CShadowNotification*>(payload);
        posts.push_back({change->code, change->shadowInfo});
    }
}

std::vector<int32_t> SettingsPosts::Codes() const
{
    std::vector<int32_t> codes;
    for (const Post& post : posts)
        codes.push_back(post.code);
    return codes;
}

ScopedSchemas::ScopedSchemas(std::initializer_list<std::pair<const char*, int32_t>> schemas)
{
    InstallVersionMap(ModelFileWriter::VersionMap{{"CEntity", 3}}, schemas);
}

ScopedSchemas::~ScopedSchemas()
{
    SetCurrentVersionMap(nullptr);
}

Bytes EntityPart()
{
    return LittleEndian(uint16_t{0});
}

Bytes NewObject(std::string_view className)
{
    return LittleEndian(uint16_t{0xFFFF}, uint16_t{0}, static_cast<uint16_t>(className.size())) +
           Ascii(className);
}

Bytes Rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    return Bytes{r, g, b, a};
}

CWatermark* NewWatermark(const std::wstring& name, bool background)
{
    auto* watermark = new CWatermark();
    watermark->SetName(name);
    watermark->SetBackground(background);
    return watermark;
}
