#include "support/DocumentPersister.h"

#include "support/PathUtils.h"
#include "support/StringUtils.h"
#include "support/XMLNamespaces.h"
#include "support/XMLOutput.h"
#include "support/XMLValueElements.h"
#include "support/XercesXMLOutput.h"

#include <ctime>
#include <filesystem>
#include <fstream>

namespace orbisk {

namespace {

DocumentPersister* currentPersister = nullptr;

DocumentPartInfo MakePartInfo(const wchar_t* rootElement, const wchar_t* partFileName, const wchar_t* prefix,
                              const std::wstring& namespaceURI)
{
    return {rootElement, partFileName, prefix, namespaceURI, namespaceURI + L".xsd"};
}

// The hint's file name and extension are taken as they are, without normalising.
std::wstring ReferenceFileName(const std::wstring& hint, std::uint32_t reference)
{
    const size_t separator = hint.find_last_of(L"/\\");
    const std::wstring file = separator == std::wstring::npos ? hint : hint.substr(separator + 1);
    const size_t dot = file.rfind(L'.');
    const std::wstring extension = dot == std::wstring::npos ? std::wstring() : file.substr(dot + 1);
    return file.substr(0, dot) + L"_" + XMLValueText(reference) + L"." + extension;
}

}  // namespace

DocumentProperties::DocumentProperties() : created(std::time(nullptr)), modified(created) {}

DocumentPersister::DocumentPersister(const DocumentPartInfo& partInfo)
    : m_partInfo(partInfo),
      m_documentPropertiesPart(MakePartInfo(L"documentProperties", L"documentProperties.xml", L"dp",
                                            kDocumentPropertiesNamespaceW)),
      m_referencesPart(MakePartInfo(L"references", L"references.xml", L"r", kReferencesNamespaceW))
{}

DocumentPersister::~DocumentPersister()
{
    if (currentPersister == this)
        currentPersister = nullptr;
    if (!m_workingFolder.empty())
        utils::RemoveDirectoryTree(m_workingFolder, true);
}

bool DocumentPersister::Save(const std::wstring& path)
{
    std::ofstream stream(std::filesystem::path(utils::ToUtf8(path)), std::ios::out | std::ios::trunc);
    if (!stream)
        return false;
    IXMLOutput* writer = CreateXercesXMLOutput(&stream, m_documentPropertiesPart.rootElement,
                                               m_documentPropertiesPart.namespaceURI, {});
    if (!writer)
        return false;
    WriteDocumentProperties(*writer);
    const bool written = ReleaseXercesXMLOutput(writer);
    stream.close();
    return written && !stream.fail();
}

void DocumentPersister::WriteDocumentProperties(IXMLOutput& output)
{
    const std::wstring& dp = m_documentPropertiesPart.namespaceURI;
    const std::wstring xsi = utils::WideFromUtf8(kXMLSchemaInstanceNamespace);
    output.DeclareNamespace(dp, m_documentPropertiesPart.prefix);
    output.DeclareNamespace(xsi, L"xsi");
    output.WriteAttribute(xsi + L":schemaLocation", dp + L" " + m_documentPropertiesPart.schemaLocation);
    output.WriteElement(dp + L":title", m_properties.title);
    output.WriteElement(dp + L":description", m_properties.description);
    output.WriteElement(dp + L":creator", m_properties.creator);
    output.WriteElement(dp + L":keywords", m_properties.keywords);
    output.WriteElement(dp + L":lastModifiedBy", m_properties.lastModifiedBy);
    output.WriteElement(dp + L":revision", static_cast<unsigned long>(m_properties.revision++));
    WriteXMLTime(output, dp + L":created", m_properties.created, true);
    m_properties.modified = std::time(nullptr);
    WriteXMLTime(output, dp + L":modified", m_properties.modified, true);
    output.WriteElement(dp + L":thumbnail", m_properties.thumbnail);
    const std::wstring generator = dp + L":generator";
    if (!output.BeginElement(generator))
        return;
    output.WriteAttribute(dp + L":name", m_properties.generatorName);
    output.WriteAttribute(dp + L":version", m_properties.generatorVersion);
    output.EndElement(generator);
}

bool DocumentPersister::WriteThumbnailFile(const std::wstring&)
{
    return true;
}

bool DocumentPersister::ReadThumbnailFile(const std::wstring&)
{
    return true;
}

void DocumentPersister::ResetContent() {}

DocumentPersister* DocumentPersister::GetCurrent()
{
    return currentPersister;
}

std::wstring DocumentPersister::GetWorkingFolder()
{
    if (!m_workingFolder.empty() && utils::IsDirectory(m_workingFolder))
        return m_workingFolder;
    std::wstring temporaryFolder;
    utils::GetTempFolder(temporaryFolder);
    std::wstring folder = m_partInfo.prefix;
    m_workingFolder = utils::CreateUniqueDirectory(temporaryFolder, folder) ? folder : std::wstring();
    return m_workingFolder;
}

std::wstring DocumentPersister::GetReferencesFolder()
{
    const std::wstring workingFolder = GetWorkingFolder();
    if (workingFolder.empty())
        return {};
    const std::wstring folder = utils::JoinPath(workingFolder, L"ref");
    if (!utils::IsDirectory(folder) && !utils::CreateDirectories(folder))
        return {};
    return folder;
}

std::uint32_t DocumentPersister::AddReference(const void* object, bool& isNew,
                                              const std::wstring& fileNameHint)
{
    const auto found = m_referenceNumbers.find(object);
    isNew = found == m_referenceNumbers.end();
    if (!isNew)
        return found->second;
    const std::uint32_t reference = ++m_referenceCounter;
    m_referenceNumbers[object] = reference;
    if (!fileNameHint.empty())
        m_referenceFileNames[reference] = ReferenceFileName(fileNameHint, reference);
    return reference;
}

std::wstring DocumentPersister::GetReferenceFileName(std::uint32_t reference) const
{
    const auto found = m_referenceFileNames.find(reference);
    return found == m_referenceFileNames.end() ? std::wstring() : found->second;
}

void* DocumentPersister::FindReferencedObject(std::uint32_t reference) const
{
    const auto found = m_referencedObjects.find(reference);
    return found == m_referencedObjects.end() ? nullptr : found->second;
}

void DocumentPersister::SetReferencedObject(std::uint32_t reference, void* object)
{
    m_referencedObjects[reference] = object;
}

CurrentPersisterScope::CurrentPersisterScope(DocumentPersister* persister) : m_previous(currentPersister)
{
    currentPersister = persister;
}

CurrentPersisterScope::~CurrentPersisterScope()
{
    currentPersister = m_previous;
}

}  // namespace orbisk
