#include "support/XercesXMLOutput.h"

#include "platform/mfc/TextEncoding.h"
#include "support/StringUtils.h"
#include "support/SystemQueries.h"

#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/LocalFileFormatTarget.hpp>
#include <xercesc/framework/MemBufFormatTarget.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/TransService.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string_view>
#include <vector>

namespace orbisk {

namespace {

namespace xml = XERCES_CPP_NAMESPACE;

constexpr XMLSize_t kInitialBufferSize = 1023;
constexpr XMLCh kXmlnsNamespace[] = u"http://www.w3.org/2000/xmlns/";
constexpr XMLCh kUtf8[] = u"UTF-8";

const XMLCh* OrNull(const std::u16string& text)
{
    return text.empty() ? nullptr : text.c_str();
}

template <typename T>
struct XercesRelease {
    void operator()(T* object) const { object->release(); }
};
template <typename T>
using XercesPtr = std::unique_ptr<T, XercesRelease<T>>;

void TraceException(const xml::XMLException& exception)
{
    const xml::TranscodeToStr message(exception.getMessage(), "UTF-8");
    utils::DebugTrace("%s:%llu: %s\n", exception.getSrcFile(),
                      static_cast<unsigned long long>(exception.getSrcLine()),
                      reinterpret_cast<const char*>(message.str()));
}

class xerces_xml_output final : public IXMLOutput {
public:
    xerces_xml_output(xml::DOMDocument* document, std::ostream* stream, std::wstring targetFileName,
                      const std::wstring& namespaceURI, const std::wstring& prefix);
    ~xerces_xml_output() override;
    xerces_xml_output(const xerces_xml_output&) = delete;
    xerces_xml_output& operator=(const xerces_xml_output&) = delete;

    bool BeginElement(const std::wstring& name) override;
    void EndElement(const std::wstring& name) override;
    void WriteAttribute(const std::wstring& name, const std::wstring& value) override;
    void WriteText(const std::wstring& text) override;
    std::wstring DeclareNamespace(const std::wstring& namespaceURI, const std::wstring& prefix) override;
    std::wstring GetText() override;

    // Writes the document to the stream and the file, the first time it is called only;
    // true when it reached them.
    bool WriteOutput();

private:
    // The declarations made on one open element.
    struct NamespaceScope {
        std::map<std::wstring, std::wstring> prefixOfUri;
        std::map<std::wstring, std::wstring> uriOfPrefix;  // "" is the default namespace
    };
    struct ResolvedName {
        std::wstring qualifiedName;
        std::wstring namespaceURI;  // empty for none
    };

    ResolvedName Resolve(const std::wstring& name, bool attribute);
    std::optional<std::wstring> FindPrefix(const std::wstring& namespaceURI, bool attribute) const;
    const std::wstring* BoundNamespace(const std::wstring& prefix) const;
    std::wstring GeneratePrefix(const std::wstring& namespaceURI);
    bool Serialize(xml::XMLFormatTarget& target) const;
    bool WriteToStream();
    bool WriteToFile();
    xml::DOMElement* Current() const { return m_elements.back(); }

    xml::DOMDocument* m_document;
    std::vector<xml::DOMElement*> m_elements;  // the root first, the current element last
    std::ostream* m_stream;
    std::wstring m_targetFileName;
    std::vector<NamespaceScope> m_scopes;  // one per entry of m_elements
    std::uint32_t m_generatedPrefixes = 0;
    bool m_outputWritten = false;
};

xerces_xml_output::xerces_xml_output(xml::DOMDocument* document, std::ostream* stream,
                                     std::wstring targetFileName, const std::wstring& namespaceURI,
                                     const std::wstring& prefix)
    : m_document(document), m_stream(stream), m_targetFileName(std::move(targetFileName))
{
    m_elements.push_back(m_document->getDocumentElement());
    m_scopes.emplace_back();
    // Declared on the root, so that unprefixed descendants are in it too.
    if (!namespaceURI.empty())
        DeclareNamespace(namespaceURI, prefix);
}

xerces_xml_output::~xerces_xml_output()
{
    WriteOutput();
    m_document->release();
}

const std::wstring* xerces_xml_output::BoundNamespace(const std::wstring& prefix) const
{
    for (auto scope = m_scopes.rbegin(); scope != m_scopes.rend(); ++scope) {
        const auto found = scope->uriOfPrefix.find(prefix);
        if (found != scope->uriOfPrefix.end())
            return &found->second;
    }
    return nullptr;
}

// The innermost prefix recorded for the URI that no inner declaration has bound to
// another URI since. Attributes need a non-empty one: the default namespace does not
// apply to them.
std::optional<std::wstring> xerces_xml_output::FindPrefix(const std::wstring& namespaceURI,
                                                          bool attribute) const
{
    for (auto scope = m_scopes.rbegin(); scope != m_scopes.rend(); ++scope) {
        const auto found = scope->prefixOfUri.find(namespaceURI);
        if (found == scope->prefixOfUri.end())
            continue;
        const std::wstring& prefix = found->second;
        if (attribute && prefix.empty())
            continue;
        const std::wstring* bound = BoundNamespace(prefix);
        if (bound && *bound == namespaceURI)
            return prefix;
    }
    return std::nullopt;
}

std::wstring xerces_xml_output::GeneratePrefix(const std::wstring& namespaceURI)
{
    std::wstring prefix;
    do {
        prefix = L"n" + XMLValueText(m_generatedPrefixes++);
    } while (BoundNamespace(prefix));
    return DeclareNamespace(namespaceURI, prefix);
}

xerces_xml_output::ResolvedName xerces_xml_output::Resolve(const std::wstring& name, bool attribute)
{
    const size_t colon = name.rfind(L':');
    if (colon == std::wstring::npos) {
        const std::wstring* defaultNamespace = attribute ? nullptr : BoundNamespace(L"");
        return {name, defaultNamespace ? *defaultNamespace : std::wstring()};
    }
    const std::wstring namespaceURI = name.substr(0, colon);
    const std::wstring localName = name.substr(colon + 1);
    // Declare nothing for a name that cannot be valid.
    if (localName.empty())
        return {name, {}};
    if (namespaceURI.empty())
        return {localName, {}};
    std::optional<std::wstring> prefix = FindPrefix(namespaceURI, attribute);
    if (!prefix)
        prefix = GeneratePrefix(namespaceURI);
    return {prefix->empty() ? localName : *prefix + L":" + localName, namespaceURI};
}

bool xerces_xml_output::BeginElement(const std::wstring& name)
{
    const ResolvedName resolved = Resolve(name, false);
    const std::u16string namespaceURI = WideToUtf16(resolved.namespaceURI);
    xml::DOMElement* element = nullptr;
    try {
        element =
            m_document->createElementNS(OrNull(namespaceURI), WideToUtf16(resolved.qualifiedName).c_str());
    } catch (const xml::DOMException&) {
        return false;
    }
    Current()->appendChild(element);
    m_elements.push_back(element);
    m_scopes.emplace_back();
    return true;
}

void xerces_xml_output::EndElement(const std::wstring&)
{
    if (m_elements.size() < 2)
        return;
    m_elements.pop_back();
    m_scopes.pop_back();
}

void xerces_xml_output::WriteAttribute(const std::wstring& name, const std::wstring& value)
{
    const ResolvedName resolved = Resolve(name, true);
    const std::u16string namespaceURI = WideToUtf16(resolved.namespaceURI);
    try {
        Current()->setAttributeNS(OrNull(namespaceURI), WideToUtf16(resolved.qualifiedName).c_str(),
                                  WideToUtf16(value).c_str());
    } catch (const xml::DOMException&) {}
}

void xerces_xml_output::WriteText(const std::wstring& text)
{
    Current()->appendChild(m_document->createTextNode(WideToUtf16(text).c_str()));
}

std::wstring xerces_xml_output::DeclareNamespace(const std::wstring& namespaceURI, const std::wstring& prefix)
{
    if (namespaceURI.empty() && !prefix.empty())
        return {};
    if (prefix == L"xml" || prefix == L"xmlns")
        return {};
    const std::wstring attribute = prefix.empty() ? L"xmlns" : L"xmlns:" + prefix;
    try {
        Current()->setAttributeNS(kXmlnsNamespace, WideToUtf16(attribute).c_str(),
                                  WideToUtf16(namespaceURI).c_str());
    } catch (const xml::DOMException&) {
        return {};
    }
    NamespaceScope& scope = m_scopes.back();
    scope.prefixOfUri[namespaceURI] = prefix;
    scope.uriOfPrefix[prefix] = namespaceURI;
    return prefix;
}

bool xerces_xml_output::Serialize(xml::XMLFormatTarget& target) const
{
    xml::DOMImplementation* implementation = xml::DOMImplementationRegistry::getDOMImplementation(u"LS");
    if (!implementation)
        return false;
    XercesPtr<xml::DOMLSSerializer> serializer(implementation->createLSSerializer());
    xml::DOMConfiguration* config = serializer->getDomConfig();
    for (const XMLCh* feature :
         {xml::XMLUni::fgDOMWRTDiscardDefaultContent, xml::XMLUni::fgDOMWRTFormatPrettyPrint})
        if (config->canSetParameter(feature, true))
            config->setParameter(feature, true);
    // Xerces's own pretty-printing puts a blank line between elements.
    if (config->canSetParameter(xml::XMLUni::fgDOMWRTXercesPrettyPrint, false))
        config->setParameter(xml::XMLUni::fgDOMWRTXercesPrettyPrint, false);
    XercesPtr<xml::DOMLSOutput> output(implementation->createLSOutput());
    output->setByteStream(&target);
    output->setEncoding(kUtf8);
    return serializer->write(m_document, output.get());
}

bool xerces_xml_output::WriteToStream()
{
    xml::MemBufFormatTarget target(kInitialBufferSize);
    if (!Serialize(target))
        return false;
    m_stream->write(reinterpret_cast<const char*>(target.getRawBuffer()),
                    static_cast<std::streamsize>(target.getLen()));
    m_stream->flush();
    return m_stream->good();
}

bool xerces_xml_output::WriteToFile()
{
    xml::LocalFileFormatTarget target(utils::ToUtf8(m_targetFileName).c_str());
    if (!Serialize(target))
        return false;
    target.flush();
    return true;
}

bool xerces_xml_output::WriteOutput()
{
    if (m_outputWritten)
        return true;
    m_outputWritten = true;
    try {
        const bool streamWritten = !m_stream || WriteToStream();
        const bool fileWritten = m_targetFileName.empty() || WriteToFile();
        return streamWritten && fileWritten;
    } catch (const xml::XMLException& exception) {
        TraceException(exception);
    } catch (...) {
        utils::DebugTrace("Error: Unable to write file\n");
    }
    return false;
}

std::wstring xerces_xml_output::GetText()
{
    xml::MemBufFormatTarget target(kInitialBufferSize);
    try {
        if (!Serialize(target))
            return {};
    } catch (const xml::XMLException& exception) {
        TraceException(exception);
        return {};
    }
    return utils::WideFromUtf8Bytes(reinterpret_cast<const char*>(target.getRawBuffer()), target.getLen());
}

IXMLOutput* CreateWriter(std::ostream* stream, std::wstring fileName, const std::wstring& rootName,
                         const std::wstring& namespaceURI, const std::wstring& prefix)
{
    try {
        xml::XMLPlatformUtils::Initialize();
    } catch (const xml::XMLException&) {
        return nullptr;
    }
    const std::wstring rootQualifiedName =
        prefix.empty() || namespaceURI.empty() ? rootName : prefix + L":" + rootName;
    const std::u16string rootNamespace = WideToUtf16(namespaceURI);
    xml::DOMDocument* document = nullptr;
    try {
        if (xml::DOMImplementation* core = xml::DOMImplementationRegistry::getDOMImplementation(u"Core"))
            document =
                core->createDocument(OrNull(rootNamespace), WideToUtf16(rootQualifiedName).c_str(), nullptr);
    } catch (const xml::DOMException&) {}
    if (!document) {
        xml::XMLPlatformUtils::Terminate();
        return nullptr;
    }
    return new xerces_xml_output(document, stream, std::move(fileName), namespaceURI, prefix);
}

}  // namespace

IXMLOutput* CreateXercesXMLOutput(std::ostream* stream, const std::wstring& rootName,
                                  const std::wstring& namespaceURI, const std::wstring& prefix)
{
    return CreateWriter(stream, {}, rootName, namespaceURI, prefix);
}

IXMLOutput* CreateXercesXMLFileOutput(const std::wstring& fileName, const std::wstring& rootName,
                                      const std::wstring& namespaceURI, const std::wstring& prefix)
{
    return CreateWriter(nullptr, fileName, rootName, namespaceURI, prefix);
}

bool ReleaseXercesXMLOutput(IXMLOutput*& writer)
{
    if (!writer)
        return true;
    auto* xercesWriter = dynamic_cast<xerces_xml_output*>(writer);
    const bool written = !xercesWriter || xercesWriter->WriteOutput();
    delete writer;
    writer = nullptr;
    if (!xercesWriter)
        return written;
    try {
        xml::XMLPlatformUtils::Terminate();
    } catch (...) {}
    return written;
}

}  // namespace orbisk
