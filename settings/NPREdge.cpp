#include "settings/NPREdge.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "database/TextureSizeLimit.h"
#include "database/XMLImageReference.h"
#include "database/XmlValueHelpers.h"
#include "support/StringUtils.h"
#include "support/XMLInput.h"
#include "support/XMLNamespaces.h"
#include "support/XMLOutput.h"
#include "support/XMLSerializableClassInfo.h"

namespace orbisk {

namespace {

// Dropouts and fades closer than this are equal.
constexpr double kFractionTolerance = 0.001;

IXMLSerializableObject* CreateStrokeSetForXML()
{
    return new NPREdge;
}

const XMLSerializableClassInfo g_strokeSetClassInfo("NPREdge", "nprEdge", kNPRNamespace, 0, 0,
                                                    CreateStrokeSetForXML);

std::wstring NprName(const wchar_t* localName)
{
    return utils::WideFromUtf8String(g_strokeSetClassInfo.namespaceURI) + L":" + localName;
}

// A copy of the image in the form the stroke textures are made from: sides fitted to powers of
// two within the texture limit, white with the stroke's darkness as alpha.
CDibRef ToTextureForm(CDib& source)
{
    CDibRef image(new CDib);
    image->Assign(source);
    int32_t width = image->GetWidth();
    int32_t height = image->GetHeight();
    if (FitTextureSize(width, height))
        image->Resize(width, height, false);
    image->LuminanceToAlpha();
    return image;
}

}  // namespace

NPREdge::NPREdge(const NPREdge& other)
    : XMLSerializableObjectBase(other),
      m_width(other.m_width),
      m_lengths(other.m_lengths),
      m_numProtos(other.m_numProtos),
      m_useHalo(other.m_useHalo),
      m_haloLength(other.m_haloLength),
      m_dropoutLength(other.m_dropoutLength),
      m_fadeFactor(other.m_fadeFactor)
{
    m_images.reserve(other.m_images.size());
    for (const CDibRef& image : other.m_images) {
        if (!image) {
            m_images.emplace_back();
            continue;
        }
        CDibRef copy(new CDib);
        copy->Assign(*image.Get());
        m_images.push_back(copy);
    }
}

NPREdge::~NPREdge() = default;

const XMLSerializableClassInfo& NPREdge::ClassInfo()
{
    return g_strokeSetClassInfo;
}

bool NPREdge::SetDropoutLength(double dropoutLength)
{
    if (!(dropoutLength >= 0.0 && dropoutLength <= 1.0))
        return false;
    m_dropoutLength = dropoutLength;
    return true;
}

bool NPREdge::SetFadeFactor(double fadeFactor)
{
    if (!(fadeFactor >= 1.0))
        return false;
    m_fadeFactor = fadeFactor;
    return true;
}

void NPREdge::SetDropoutLengthPixels(int32_t pixels)
{
    SetDropoutLength(pixels / kLegacyPixelScale);
}

void NPREdge::SetFadeLengthPixels(int32_t pixels)
{
    if (m_dropoutLength == 0.0)
        return;
    SetFadeFactor(pixels / kLegacyPixelScale / m_dropoutLength);
}

void NPREdge::SetImages(const std::vector<CDib*>& images)
{
    ReleaseImages();
    m_images.reserve(images.size());
    for (CDib* image : images)
        m_images.emplace_back(image);
}

void NPREdge::ReleaseImages()
{
    m_images.clear();
}

int NPREdge::GetImageCount() const
{
    if (m_numProtos <= 0)
        return 0;
    return static_cast<int>(std::min<int64_t>(int64_t{m_numProtos} * GetLengthCount(), INT32_MAX));
}

CDib* NPREdge::GetImage(int index) const
{
    if (index < 0 || index >= GetStoredImageCount())
        return nullptr;
    return m_images[static_cast<size_t>(index)].Get();
}

bool NPREdge::HasUsableStrokes() const
{
    return m_width > 0 && m_numProtos > 0 && !m_lengths.empty() && GetImageCount() <= GetStoredImageCount();
}

int NPREdge::GetStrokeImageIndex(double length, uint32_t variant) const
{
    if (!HasUsableStrokes())
        return -1;
    const uint32_t chosenVariant = variant % static_cast<uint32_t>(m_numProtos);
    size_t best = 0;
    double bestDistance = 0.0;
    for (size_t k = 0; k < m_lengths.size(); ++k) {
        // Whole pixels: a stroke half a pixel nearer is no better.
        const double distance = std::trunc(std::fabs(length - m_lengths[k]));
        if (k == 0 || distance < bestDistance) {
            best = k;
            bestDistance = distance;
        }
    }
    const int index = static_cast<int>(chosenVariant + static_cast<uint32_t>(m_numProtos) * best);
    return GetImage(index) ? index : -1;
}

bool NPREdge::Equals(const NPREdge& other) const
{
    return m_width == other.m_width && m_numProtos == other.m_numProtos && m_useHalo == other.m_useHalo &&
           m_haloLength == other.m_haloLength && m_lengths == other.m_lengths &&
           std::fabs(m_dropoutLength - other.m_dropoutLength) < kFractionTolerance &&
           std::fabs(m_fadeFactor - other.m_fadeFactor) < kFractionTolerance;
}

bool NPREdge::WriteXML(IXMLOutput& output)
{
    output.WriteAttribute(L"dropoutLength", m_dropoutLength);
    output.WriteAttribute(L"fadeFactor", m_fadeFactor);
    output.WriteAttribute(L"width", static_cast<int>(m_width));
    output.WriteAttribute(L"useHalo", m_useHalo);
    output.WriteAttribute(L"haloLength", static_cast<int>(m_haloLength));
    output.WriteAttribute(L"numProtos", static_cast<int>(m_numProtos));

    output.BeginElement(NprName(L"lengths"));
    for (int32_t length : m_lengths)
        output.WriteElement(NprName(L"length"), static_cast<int>(length));
    output.EndElement(NprName(L"lengths"));

    output.BeginElement(NprName(L"images"));
    for (size_t k = 0; k < m_lengths.size(); ++k) {
        for (int32_t v = 0; v < m_numProtos; ++v) {
            CDib* image = GetImage(static_cast<int>(v + int64_t{m_numProtos} * static_cast<int64_t>(k)));
            if (!image)
                continue;
            wchar_t fileName[64];
            std::swprintf(fileName, 64, L"Stroke_%d_%d.png", static_cast<int>(v),
                          static_cast<int>(m_lengths[k]));
            // The document persister keeps the image it is given for the whole save: the set's
            // own image is written, as a picture for the length of the write.
            image->AlphaToGrey();
            WriteImageRefXML(output, NprName(L"image"), image, fileName);
            image->LuminanceToAlpha();
        }
    }
    output.EndElement(NprName(L"images"));
    return true;
}

bool NPREdge::ReadXML(IXMLInput& input)
{
    bool complete = true;
    ReleaseImages();
    m_lengths.clear();

    // Older documents give the two fractions as legacy pixel counts; those are taken as they are.
    int32_t pixels = 0;
    if (!input.ReadAttribute(L"dropoutLength", m_dropoutLength) && input.ReadAttribute(L"minLength", pixels))
        m_dropoutLength = pixels / kLegacyPixelScale;
    if (!input.ReadAttribute(L"fadeFactor", m_fadeFactor) && input.ReadAttribute(L"fadeLength", pixels) &&
        m_dropoutLength != 0.0)
        m_fadeFactor = pixels / kLegacyPixelScale / m_dropoutLength;

    complete &= input.ReadAttribute(L"width", m_width);
    int32_t useHalo = 0;
    if (input.ReadAttribute(L"useHalo", useHalo))
        m_useHalo = useHalo != 0;
    input.ReadAttribute(L"haloLength", m_haloLength);
    complete &= input.ReadAttribute(L"numProtos", m_numProtos);

    IXMLSettingsInput* walk = AsSettingsInput(input);
    if (input.EnterElement(NprName(L"lengths"))) {
        if (input.EnterElement(NprName(L"length"))) {
            do {
                int32_t length = 0;
                if (input.ReadInt(length))
                    m_lengths.push_back(length);
            } while (walk && walk->NextSibling());
            input.LeaveElement();
        }
        input.LeaveElement();
    }
    if (m_lengths.empty())
        complete = false;

    if (!input.EnterElement(NprName(L"images")))
        return complete;
    complete &= ReadImagesXML(input);
    input.LeaveElement();
    return complete;
}

bool NPREdge::ReadImagesXML(IXMLInput& input)
{
    if (!input.EnterElement(NprName(L"image")))
        return true;
    bool complete = true;
    IXMLSettingsInput* walk = AsSettingsInput(input);
    do {
        const CDibRef image = ReadImageRefXML(input);
        if (image)
            m_images.push_back(ToTextureForm(*image.Get()));
        else
            complete = false;
    } while (walk && walk->NextSibling());
    input.LeaveElement();
    return complete;
}

}  // namespace orbisk
