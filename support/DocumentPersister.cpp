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
                              const std::wstring& namespaceURI) {
  return {rootElement, partFileName, prefix, namespaceURI, namespaceURI + L".xsd"};
}

// The hint's file name and extension are taken as they are, without normalising.
std::wstring ReferenceFileName(const std::wstring& hint, std::uint32_t reference) {
  const size_t separator = hint.find_last_of(L"/\\");
  const std::wstring file = separator == std::wstring::npos ? hint : hint.substr(separator + 1);
  const size_t dot = file.rfind(L'.');
  const std::wstring extension = dot == std::wstring::npos ? std::wstring() : file.substr(dot + 1);
  return file.substr(0, dot) + L"_" + XMLValueText(reference) + L"." + extension;
}

}  // namespace

DocumentProperties::DocumentProperties() : created(std::time(nullptr)), modified(created) {}

DocumentPersister::DocumentPersister(const DocumentPartInfo& partInfo)
    : partInfo_(partInfo),
      documentPropertiesPart_(MakePartInfo(L"documentProperties", L"documentProperties.xml", L"dp",
                                           kDocumentPropertiesNamespaceW)),
      referencesPart_(MakePartInfo(L"references", L"references.xml", L"r", kReferencesNamespaceW)) {}

DocumentPersister::~DocumentPersister() {
  if (currentPersister == this) currentPersister = nullptr;
  if (!workingFolder_.empty()) utils::RemoveDirectoryTree(workingFolder_, true);
}

bool DocumentPersister::Save(const std::wstring& path) {
  std::ofstream stream(std::filesystem::path(utils::ToUtf8(path)), std::ios::out | std::ios::trunc);
  if (!stream) return false;
  IXMLOutput* writer = CreateXercesXMLOutput(&stream, documentPropertiesPart_.rootElement,
                                             documentPropertiesPart_.namespaceURI, {});
  if (!writer) return false;
  WriteDocumentProperties(*writer);
  const bool written = ReleaseXercesXMLOutput(writer);
  stream.close();
  return written && !stream.fail();
}

void DocumentPersister::WriteDocumentProperties(IXMLOutput& output) {
  const std::wstring& dp = documentPropertiesPart_.namespaceURI;
  const std::wstring xsi = utils::WideFromUtf8(kXMLSchemaInstanceNamespace);
  output.DeclareNamespace(dp, documentPropertiesPart_.prefix);
  output.DeclareNamespace(xsi, L"xsi");
  output.WriteAttribute(xsi + L":schemaLocation", dp + L" " + documentPropertiesPart_.schemaLocation);
  output.WriteElement(dp + L":title", properties_.title);
  output.WriteElement(dp + L":description", properties_.description);
  output.WriteElement(dp + L":creator", properties_.creator);
  output.WriteElement(dp + L":keywords", properties_.keywords);
  output.WriteElement(dp + L":lastModifiedBy", properties_.lastModifiedBy);
  output.WriteElement(dp + L":revision", static_cast<unsigned long>(properties_.revision++));
  WriteXMLTime(output, dp + L":created", properties_.created, true);
  properties_.modified = std::time(nullptr);
  WriteXMLTime(output, dp + L":modified", properties_.modified, true);
  output.WriteElement(dp + L":thumbnail", properties_.thumbnail);
  const std::wstring generator = dp + L":generator";
  if (!output.BeginElement(generator)) return;
  output.WriteAttribute(dp + L":name", properties_.generatorName);
  output.WriteAttribute(dp + L":version", properties_.generatorVersion);
  output.EndElement(generator);
}

bool DocumentPersister::WriteThumbnailFile(const std::wstring&) { return true; }

bool DocumentPersister::ReadThumbnailFile(const std::wstring&) { return true; }

void DocumentPersister::ResetContent() {}

DocumentPersister* DocumentPersister::GetCurrent() { return currentPersister; }

std::wstring DocumentPersister::GetWorkingFolder() {
  if (!workingFolder_.empty() && utils::IsDirectory(workingFolder_)) return workingFolder_;
  std::wstring temporaryFolder;
  utils::GetTempFolder(temporaryFolder);
  std::wstring folder = partInfo_.prefix;
  workingFolder_ = utils::CreateUniqueDirectory(temporaryFolder, folder) ? folder : std::wstring();
  return workingFolder_;
}

std::wstring DocumentPersister::GetReferencesFolder() {
  const std::wstring workingFolder = GetWorkingFolder();
  if (workingFolder.empty()) return {};
  const std::wstring folder = utils::JoinPath(workingFolder, L"ref");
  if (!utils::IsDirectory(folder) && !utils::CreateDirectories(folder)) return {};
  return folder;
}

std::uint32_t DocumentPersister::AddReference(const void* object, bool& isNew, const std::wstring& fileNameHint) {
  const auto found = referenceNumbers_.find(object);
  isNew = found == referenceNumbers_.end();
  if (!isNew) return found->second;
  const std::uint32_t reference = ++referenceCounter_;
  referenceNumbers_[object] = reference;
  if (!fileNameHint.empty()) referenceFileNames_[reference] = ReferenceFileName(fileNameHint, reference);
  return reference;
}

std::wstring DocumentPersister::GetReferenceFileName(std::uint32_t reference) const {
  const auto found = referenceFileNames_.find(reference);
  return found == referenceFileNames_.end() ? std::wstring() : found->second;
}

void* DocumentPersister::FindReferencedObject(std::uint32_t reference) const {
  const auto found = referencedObjects_.find(reference);
  return found == referencedObjects_.end() ? nullptr : found->second;
}

void DocumentPersister::SetReferencedObject(std::uint32_t reference, void* object) {
  referencedObjects_[reference] = object;
}

CurrentPersisterScope::CurrentPersisterScope(DocumentPersister* persister) : previous_(currentPersister) {
  currentPersister = persister;
}

CurrentPersisterScope::~CurrentPersisterScope() { currentPersister = previous_; }

}  // namespace orbisk
