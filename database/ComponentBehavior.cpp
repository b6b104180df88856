#include "database/ComponentBehavior.h"

#include <utility>

#include "database/ArchiveSchema.h"
#include "database/VersionInfo.h"
#include "platform/mfc/Archive.h"

IMPLEMENT_SERIAL(CComponentBehavior, CEntity, VERSIONABLE_SCHEMA | 5)

namespace {

constexpr uint8_t kFacesCameraBit = 0x01;
constexpr uint8_t kShadowsFaceSunBit = 0x02;

// Writers of version 5.0 up to build 150 meant the camera flag for both.
bool WroteSunFlagAsCameraFlag(const CVersionInfo& version)
{
    return version.major == 5 && version.minor == 0 && version.build <= 150;
}

}  // namespace

void CComponentBehavior::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CEntity::Serialize(ar);
        if (ar.IsLoading())
            ReadRecord(ar);
        else
            WriteRecord(ar);
    });
}

void CComponentBehavior::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CComponentBehavior));
    m_snapEnabled = true;
    if (schema >= 3)
        ar >> m_snapEnabled;
    ar >> m_cutsOpening;
    if (schema >= 2)
        ar >> m_snapTo;
    if (schema >= 4) {
        uint8_t flags = 0;
        ar >> flags;
        ReadFlags(flags);
    } else {
        m_alwaysFaceCamera = false;
        m_shadowsFaceSun = false;
    }
    if (schema >= 5)
        ar >> m_storedValue;
}

void CComponentBehavior::ReadFlags(uint8_t flags)
{
    m_alwaysFaceCamera = (flags & kFacesCameraBit) != 0;
    const CVersionInfo& writer = CurrentFileVersion();
    if (writer.major <= 4)
        m_shadowsFaceSun = false;
    else if (m_alwaysFaceCamera)
        m_shadowsFaceSun = WroteSunFlagAsCameraFlag(writer) || (flags & kShadowsFaceSunBit) != 0;
}

void CComponentBehavior::WriteRecord(CArchive& ar) const
{
    const uint8_t flags =
        (m_alwaysFaceCamera ? kFacesCameraBit : 0) | (m_shadowsFaceSun ? kShadowsFaceSunBit : 0);
    ar << m_snapEnabled << m_cutsOpening << m_snapTo << flags << m_storedValue;
}

CEntity* CComponentBehavior::CreateCopy() const
{
    return new CComponentBehavior(*this);
}

void CComponentBehavior::SwapContents(CEntity& other)
{
    auto& that = static_cast<CComponentBehavior&>(other);
    CEntity::SwapContents(other);
    std::swap(m_snapEnabled, that.m_snapEnabled);
    std::swap(m_snapTo, that.m_snapTo);
    std::swap(m_cutsOpening, that.m_cutsOpening);
    std::swap(m_storedValue, that.m_storedValue);
    std::swap(m_alwaysFaceCamera, that.m_alwaysFaceCamera);
    std::swap(m_shadowsFaceSun, that.m_shadowsFaceSun);
}

IModelContext* CComponentBehavior::GetModel() const
{
    return m_ownerModel ? m_ownerModel : CEntity::GetModel();
}

void CComponentBehavior::ResetBehavior()
{
    MarkChanged();
    m_snapEnabled = false;
    m_snapTo = kSnapAny;
    m_cutsOpening = false;
    m_storedValue = 0;
    m_alwaysFaceCamera = false;
    m_shadowsFaceSun = false;
}

int CComponentBehavior::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CComponentBehavior), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level); });
}

int CComponentBehavior::CheckOwnValidity(int level)
{
    if (level == kValidityCheckIgnoringIds || (m_snapTo >= kSnapAny && m_snapTo <= kSnapSloped))
        return 0;
    AppendValidityMessage("Snap-to for %s is not valid", DescribeEntity(this).GetString());
    if (!ShouldFix(level))
        return 1;
    MarkChanged();
    m_snapTo = kSnapAny;
    return 0;
}
