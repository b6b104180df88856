#pragma once
// Shared pieces of the settings tests: fixed system colours, recorders of the settings'
// notifications, class-version maps and the bytes of object records. Tests that need a model
// use the real one (model/ZephyronModel.h), made current for their duration.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database/CurrentModel.h"
#include "model/ZephyronModel.h"
#include "settings/RenderingOptions.h"
#include "settings/ShadowInfo.h"
#include "settings/SystemColors.h"
#include "support/Observer.h"
#include "tests/support/ArchiveBytes.h"

class CWatermark;

// Installs fixed window and window-text colours for its lifetime.
class FixedSystemColors : public ISystemColorProvider {
public:
    static constexpr orbisk::utils::CColor kWindow{250, 240, 230, 255};
    static constexpr orbisk::utils::CColor kWindowText{10, 20, 30, 255};

    FixedSystemColors() : m_previous(SetSystemColorProvider(this)) {}
    ~FixedSystemColors() override { SetSystemColorProvider(m_previous); }
    orbisk::utils::CColor GetWindowColor() const override { return kWindow; }
    orbisk::utils::CColor GetWindowTextColor() const override { return kWindowText; }

private:
    const ISystemColorProvider* m_previous;
};

// Keeps the property numbers (or change codes) posted under one of the settings' names, with
// the object each post named.
class SettingsPosts : public orbisk::utils::IObserver {
public:
    struct Post {
        int32_t code;
        void* object;
        bool operator==(const Post&) const = default;
    };

    explicit SettingsPosts(const char* name);
    ~SettingsPosts() override;
    void OnNotification(const char* name, void* payload) override;

    // The codes alone, in order.
    std::vector<int32_t> Codes() const;

    std::vector<Post> posts;

private:
    std::string m_name;
};

// Installs a version map with these classes (CEntity at 3) until the end of the scope.
class ScopedSchemas {
public:
    ScopedSchemas(std::initializer_list<std::pair<const char*, int32_t>> schemas);
    ~ScopedSchemas();
    ScopedSchemas(const ScopedSchemas&) = delete;
    ScopedSchemas& operator=(const ScopedSchemas&) = delete;
};

// The entity part of CEntity schema 3: no attribute container.
Bytes EntityPart();
// The tag that introduces a new object of the class (schema 0 in the class record).
Bytes NewObject(std::string_view className);
Bytes Rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);
inline Bytes Flag(bool value)
{
    return Bytes{static_cast<uint8_t>(value ? 1 : 0)};
}
inline Bytes Int(int32_t value)
{
    return LittleEndian(value);
}

// A new watermark of that name, owned by the caller until a list takes it.
CWatermark* NewWatermark(const std::wstring& name, bool background = false);
