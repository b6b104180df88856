#include "database/XMLImageReference.h"

#include "database/XmlValueHelpers.h"
#include "support/DocumentPersister.h"
#include "support/PathUtils.h"
#include "support/StringUtils.h"
#include "support/XMLInput.h"
#include "support/XMLOutput.h"
#include "support/XMLSerializableClassInfo.h"

using orbisk::DocumentPersister;

namespace {

std::wstring QualifiedName(const orbisk::XMLSerializableClassInfo& classInfo, const wchar_t* localName)
{
    return orbisk::utils::WideFromUtf8String(classInfo.namespaceURI) + L":" + localName;
}

}  // namespace

bool WriteImageRefXML(orbisk::IXMLOutput& output, const std::wstring& elementName, CDib* image,
                      const std::wstring& fileNameHint)
{
    if (!output.BeginElement(elementName))
        return false;
    DocumentPersister* persister = DocumentPersister::GetCurrent();
    bool written = false;
    if (persister && image) {
        bool isNew = false;
        const uint32_t id = persister->AddReference(image, isNew, fileNameHint);
        const std::wstring fileName = persister->GetReferenceFileName(id);
        output.WriteAttribute(L"id", id);
        output.WriteAttribute(L"path", fileName);
        written =
            !isNew || image->SaveFile(orbisk::utils::JoinPath(persister->GetReferencesFolder(), fileName));
    }
    output.EndElement(elementName);
    return written;
}

CDibRef ReadImageRefXML(orbisk::IXMLInput& input)
{
    DocumentPersister* persister = DocumentPersister::GetCurrent();
    int32_t id = 0;
    if (!persister || !input.ReadAttribute(L"id", id) || id <= 0)
        return {};
    const auto reference = static_cast<uint32_t>(id);
    if (void* known = persister->FindReferencedObject(reference))
        return CDibRef(static_cast<CDib*>(known));
    std::wstring fileName = persister->GetReferenceFileName(reference);
    // A document read afresh: the reference names its file. Only the name counts, so that a
    // reference never reaches outside the document's folder.
    std::wstring path;
    IXMLSettingsInput* settingsInput = AsSettingsInput(input);
    if (fileName.empty() && settingsInput && settingsInput->ReadAttribute(L"path", path))
        fileName = orbisk::utils::GetFileName(path, true);
    if (fileName.empty())
        return {};
    CDibRef image(new CDib);
    if (!image->LoadFile(orbisk::utils::JoinPath(persister->GetReferencesFolder(), fileName)))
        return {};
    persister->SetReferencedObject(reference, image.Get());
    return image;
}

bool WriteImageListXML(orbisk::IXMLOutput& output, const orbisk::XMLSerializableClassInfo& classInfo,
                       CDib* image, const std::wstring& fileNameHint)
{
    const std::wstring listName = QualifiedName(classInfo, L"images");
    if (!output.BeginElement(listName))
        return false;
    const bool written = WriteImageRefXML(output, QualifiedName(classInfo, L"image"), image, fileNameHint);
    output.EndElement(listName);
    return written;
}

CDibRef ReadImageListXML(orbisk::IXMLInput& input, const orbisk::XMLSerializableClassInfo& classInfo)
{
    if (!input.EnterElement(QualifiedName(classInfo, L"images")))
        return {};
    CDibRef image;
    if (input.EnterElement(QualifiedName(classInfo, L"image"))) {
        image = ReadImageRefXML(input);
        input.LeaveElement();
    }
    input.LeaveElement();
    return image;
}
