#pragma once
// The file form of a document-like object (the style is the one in the system): its XML
// parts, the document-properties record it writes as "documentProperties" documents, a
// private working folder for files written beside the XML, and the numbered references
// of objects written as separate files (texture images).
//
// The owner derives from it, supplies its own part record and writes and reads its
// content.

#include <cstdint>
#include <map>
#include <string>

namespace orbisk {

class IXMLInput;
class IXMLOutput;

// The file name of the style's content part.
inline constexpr wchar_t kDocumentPartFileName[] = L"document.xml";

// One XML part of a document.
struct DocumentPartInfo {
    std::wstring rootElement;
    std::wstring partFileName;
    std::wstring prefix;
    std::wstring namespaceURI;
    std::wstring schemaLocation;  // the namespace URI followed by ".xsd"
};

struct DocumentProperties {
    std::wstring title;
    std::wstring description;
    std::wstring creator;
    std::wstring lastModifiedBy;
    std::wstring keywords;
    std::wstring thumbnail = L"doc_thumbnail.png";  // the file name of the thumbnail image
    std::wstring generatorName = L"unknown";
    float generatorVersion = 0;
    std::int64_t created;  // seconds since 1970 UTC; both the time of construction
    std::int64_t modified;
    std::uint32_t revision = 0;

    DocumentProperties();
};

class DocumentPersister {
public:
    explicit DocumentPersister(const DocumentPartInfo& partInfo);
    // Deletes the working folder with everything in it.
    virtual ~DocumentPersister();
    DocumentPersister(const DocumentPersister&) = delete;
    DocumentPersister& operator=(const DocumentPersister&) = delete;

    // Writes the document properties as a "documentProperties" document to the path: the
    // revision before this save, then the revision is counted up and the modified time
    // set. False when the file cannot be opened or the document cannot be written to it.
    virtual bool Save(const std::wstring& path);
    virtual bool WriteThumbnailFile(const std::wstring& path);
    virtual bool WriteContent(IXMLOutput& output) = 0;
    virtual bool ReadThumbnailFile(const std::wstring& path);
    virtual void ResetContent();
    virtual bool ReadContent(IXMLInput& input) = 0;

    // The persister whose references the objects being written or read use (texture
    // images find it here); null when none.
    static DocumentPersister* GetCurrent();

    DocumentProperties& GetDocumentProperties() { return m_properties; }
    const DocumentProperties& GetDocumentProperties() const { return m_properties; }
    const DocumentPartInfo& GetPartInfo() const { return m_partInfo; }
    const DocumentPartInfo& GetDocumentPropertiesPartInfo() const { return m_documentPropertiesPart; }
    const DocumentPartInfo& GetReferencesPartInfo() const { return m_referencesPart; }
    // Older namespace URI to current one; filled by the owner.
    std::map<std::wstring, std::wstring>& GetNamespaceConversionMap() { return m_namespaceConversionMap; }

    // A new folder in the temporary folder named after the part's prefix and the local
    // time, made when there is none or it has gone; empty when it cannot be made.
    std::wstring GetWorkingFolder();
    // The working folder's "ref" folder, made when missing; empty without a working
    // folder.
    std::wstring GetReferencesFolder();

    // The object's reference number, a new one (counting from 1) when the object has
    // none, which `isNew` tells. A new number with a non-empty hint (a path) records the
    // reference file name: the hint's stem, "_", the number, "." and its extension.
    std::uint32_t AddReference(const void* object, bool& isNew, const std::wstring& fileNameHint);
    // Empty when the number has none.
    std::wstring GetReferenceFileName(std::uint32_t reference) const;
    // For reading: the object recorded for the number (replacing an earlier one), or null.
    void* FindReferencedObject(std::uint32_t reference) const;
    void SetReferencedObject(std::uint32_t reference, void* object);

private:
    void WriteDocumentProperties(IXMLOutput& output);

    std::uint32_t m_referenceCounter = 0;
    std::map<const void*, std::uint32_t> m_referenceNumbers;
    std::map<std::uint32_t, void*> m_referencedObjects;
    std::map<std::uint32_t, std::wstring> m_referenceFileNames;
    DocumentProperties m_properties;
    std::wstring m_workingFolder;
    DocumentPartInfo m_partInfo;
    DocumentPartInfo m_documentPropertiesPart;
    DocumentPartInfo m_referencesPart;
    std::map<std::wstring, std::wstring> m_namespaceConversionMap;
};

// Makes a persister the current one for its lifetime, then restores the previous one.
class CurrentPersisterScope {
public:
    explicit CurrentPersisterScope(DocumentPersister* persister);
    ~CurrentPersisterScope();
    CurrentPersisterScope(const CurrentPersisterScope&) = delete;
    CurrentPersisterScope& operator=(const CurrentPersisterScope&) = delete;

private:
    DocumentPersister* m_previous;
};

}  // namespace orbisk
