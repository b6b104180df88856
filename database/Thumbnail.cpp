#include "database/Thumbnail.h"

#include <utility>

#include "database/ArchiveReading.h"
#include "database/ArchiveSchema.h"
#include "database/CurrentModel.h"
#include "database/Dib.h"
#include "database/IModelContext.h"
#include "database/IObjectFactory.h"
#include "geometry/Point3d.h"
#include "geometry/Vector3d.h"
#include "platform/mfc/Archive.h"
#include "support/NotificationCenter.h"

IMPLEMENT_SERIAL(CThumbnail, CEntity, VERSIONABLE_SCHEMA | 1)

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CVector3d;

namespace {

std::unique_ptr<ICamera> CreateCameraOfCurrentModel()
{
    IModelContext* model = GetCurrentModel();
    IObjectFactory* factory = model ? model->GetObjectFactory() : nullptr;
    return factory ? factory->CreateCamera() : nullptr;
}

}  // namespace

CThumbnail::CThumbnail() : CThumbnail(CreateCameraOfCurrentModel()) {}

CThumbnail::CThumbnail(std::unique_ptr<ICamera> camera) : m_camera(std::move(camera))
{
    SetDefaultCamera();
}

CThumbnail::CThumbnail(const CThumbnail& other)
    : CEntity(other), m_camera(other.m_camera ? other.m_camera->Clone() : nullptr)
{}

void CThumbnail::SetDefaultCamera()
{
    if (m_camera)
        m_camera->SetFromDirection(CPoint3d(0, 0, 1), CVector3d(0, 0, 1), CVector3d(0, 1, 0), 0.0, 0.0, true,
                                   30.0, 1.0);
}

void CThumbnail::SetCamera(const ICamera& camera)
{
    MarkChanged();
    if (m_camera)
        m_camera->Assign(camera);
    else
        m_camera = camera.Clone();
}

void CThumbnail::SetImage(CDib* image)
{
    if (image == m_image.Get())
        return;
    m_image.Reset(image);
    if (!image)
        PostCleared();
}

void CThumbnail::PostCleared()
{
    orbisk::utils::CNotificationCenter::GetInstance().PostNotification("Thumbnail Cleared", this);
}

void CThumbnail::Serialize(CArchive& ar)
{
    SerializeGuarded(ar, [&] {
        CEntity::Serialize(ar);
        if (ar.IsLoading())
            ReadRecord(ar);
        else
            WriteRecord(ar);
    });
}

void CThumbnail::ReadRecord(CArchive& ar)
{
    const int32_t schema = GetClassVersion(RUNTIME_CLASS(CThumbnail));
    if (!m_camera)
        AfxThrowArchiveException(CArchiveException::genericException);
    m_camera->ReadEmbedded(ar, schema == 0);
    bool madeHere = false;
    CDib* image = ReadReference<CDib>(ar, madeHere);
    if (image && !image->HasData()) {
        // Later records may still refer back to an image nobody holds.
        if (madeHere)
            KeepUnownedObject(image);
        image = nullptr;
    }
    m_image.Reset(image);
}

void CThumbnail::WriteRecord(CArchive& ar)
{
    if (!m_camera)
        AfxThrowArchiveException(CArchiveException::genericException);
    m_camera->WriteEmbedded(ar);
    ar << static_cast<const CObject*>(m_image.Get());
}

CEntity* CThumbnail::CreateCopy() const
{
    return new CThumbnail(*this);
}

void CThumbnail::SwapContents(CEntity& other)
{
    CEntity::SwapContents(other);
    std::swap(m_camera, static_cast<CThumbnail&>(other).m_camera);
    m_image.Reset();
    PostCleared();
}

int CThumbnail::CheckValidity(int level, CCheckedObjectMap* map)
{
    return CheckAsClass(
        RUNTIME_CLASS(CThumbnail), map, [&] { return CEntity::CheckValidity(level, map); },
        [&] { return CheckOwnValidity(level); });
}

int CThumbnail::CheckOwnValidity(int level)
{
    if (level != kValidityCheckIgnoringIds && !(m_camera && m_camera->IsValid())) {
        AppendValidityMessage("The camera for %s is not valid\n", DescribeEntity(this).GetString());
        return 2;
    }
    if (!m_image)
        return 0;
    if (!m_image->IsKindOf(RUNTIME_CLASS(CDib))) {
        AppendValidityMessage("The DIB for %s is not valid\n", DescribeEntity(this).GetString());
        return 3;
    }
    if (!m_image->IsValid()) {
        AppendValidityMessage("The DIB for %s is not valid\n", DescribeEntity(this).GetString());
        return 2;
    }
    return 0;
}
