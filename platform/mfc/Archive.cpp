#include "platform/mfc/Archive.h"

#include <pthread.h>

#include <algorithm>
#include <limits>
#include <string>
#include <string_view>

#include "platform/mfc/TextEncoding.h"

namespace {

constexpr uint16_t kNullTag = 0;
constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTag = 0x8000;
constexpr uint16_t kBigObjectTag = 0x7FFF;
constexpr uint32_t kBigClassTag = 0x80000000u;
constexpr uint32_t kMaxNumber = 0x7FFFFFFFu;

constexpr uint8_t kByteLengthEscape = 0xFF;
constexpr uint16_t kUnicodeMarker = 0xFFFE;
constexpr uint16_t kWordLengthEscape = 0xFFFF;

constexpr size_t kMinBufferSize = 16;
// Large reads and writes bypass the buffer in pieces that fit the file's 32-bit counts.
constexpr size_t kMaxFileChunk = size_t(1) << 30;

// Object records nest as deep as each new object's record holds another new object, so a
// hostile file can nest them deeper than any stack. Reading a new object stops with an
// archive exception while less than this much of the thread's stack is left.
constexpr uintptr_t kStackReserve = 256 * 1024;

// The lowest address of this thread's stack, 0 when the system does not tell.
uintptr_t StackLimit()
{
    thread_local const uintptr_t limit = [] {
        pthread_attr_t attributes;
        if (pthread_getattr_np(pthread_self(), &attributes) != 0)
            return uintptr_t(0);
        void* lowest = nullptr;
        size_t size = 0;
        const bool known = pthread_attr_getstack(&attributes, &lowest, &size) == 0;
        pthread_attr_destroy(&attributes);
        return known ? reinterpret_cast<uintptr_t>(lowest) : uintptr_t(0);
    }();
    return limit;
}

// The frame address, not a local's: sanitizers may keep locals off the stack.
__attribute__((noinline)) bool StackIsRunningOut()
{
    const uintptr_t limit = StackLimit();
    const auto frame = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    return limit != 0 && frame < limit + kStackReserve;
}

}  // namespace

CArchive::CArchive(CFile* file, uint32_t mode, int bufferSize)
    : m_file(file),
      m_mode(mode),
      m_bufferSize(std::max(static_cast<size_t>(std::max(bufferSize, 0)), kMinBufferSize)),
      m_buffer(std::make_unique_for_overwrite<uint8_t[]>(m_bufferSize))
{
    if (IsLoading())
        m_loadArray.push_back({});
    if (!m_file)
        return;
    if (IsLoading()) {
        m_readPos = m_readEnd = m_buffer.get();
    } else {
        m_writePos = m_buffer.get();
        m_writeEnd = m_writePos + m_bufferSize;
    }
}

CArchive::~CArchive()
{
    if (!m_file || IsLoading() || (m_mode & bNoFlushOnDelete))
        return;
    try {
        WriteBuffer();
    } catch (const CException&) {}
}

void CArchive::Flush()
{
    if (!m_file)
        return;
    if (IsStoring())
        return WriteBuffer();
    size_t unread = static_cast<size_t>(m_readEnd - m_readPos);
    m_readPos = m_readEnd = m_buffer.get();
    if (unread > 0)
        m_file->Seek(-static_cast<int64_t>(unread), CFile::current);
}

void CArchive::Close()
{
    Flush();
    Detach();
}

void CArchive::Abort()
{
    Detach();
}

void CArchive::Detach()
{
    m_file = nullptr;
    m_readPos = m_readEnd = m_writePos = m_writeEnd = nullptr;
}

void CArchive::CheckBytesLeft(uint64_t count)
{
    size_t buffered = static_cast<size_t>(m_readEnd - m_readPos);
    if (count <= buffered)
        return;
    CheckLoading();
    uint64_t length = m_file->GetLength();
    uint64_t position = m_file->GetPosition();
    uint64_t inFile = length > position ? length - position : 0;
    if (count - buffered > inFile)
        ThrowException(CArchiveException::endOfFile);
}

void CArchive::ReadSlow(void* buffer, size_t count)
{
    CheckLoading();
    auto* out = static_cast<uint8_t*>(buffer);
    size_t buffered = static_cast<size_t>(m_readEnd - m_readPos);
    if (buffered > 0) {
        std::memcpy(out, m_readPos, buffered);
        m_readPos = m_readEnd;
        out += buffered;
        count -= buffered;
    }
    if (count < m_bufferSize) {
        FillBuffer(count);
        std::memcpy(out, m_readPos, count);
        m_readPos += count;
        return;
    }
    while (count > 0) {
        uint32_t got = m_file->Read(out, static_cast<uint32_t>(std::min(count, kMaxFileChunk)));
        if (got == 0)
            ThrowException(CArchiveException::endOfFile);
        out += got;
        count -= got;
    }
}

// Keeps the unread bytes, then reads from the file until at least count bytes are buffered.
void CArchive::FillBuffer(size_t count)
{
    size_t buffered = static_cast<size_t>(m_readEnd - m_readPos);
    if (buffered > 0 && m_readPos != m_buffer.get())
        std::memmove(m_buffer.get(), m_readPos, buffered);
    m_readPos = m_buffer.get();
    m_readEnd = m_readPos + buffered;
    while (buffered < count) {
        uint32_t got = m_file->Read(m_readEnd, static_cast<uint32_t>(m_bufferSize - buffered));
        if (got == 0)
            ThrowException(CArchiveException::endOfFile);
        buffered += got;
        m_readEnd += got;
    }
}

// The number of whole units of unitSize bytes buffered, at least one, at most maxUnits.
size_t CArchive::BufferedUnits(size_t unitSize, uint64_t maxUnits)
{
    if (static_cast<size_t>(m_readEnd - m_readPos) < unitSize)
        FillBuffer(unitSize);
    return static_cast<size_t>(
        std::min<uint64_t>(maxUnits, static_cast<size_t>(m_readEnd - m_readPos) / unitSize));
}

void CArchive::WriteSlow(const void* buffer, size_t count)
{
    CheckStoring();
    WriteBuffer();
    if (count < m_bufferSize) {
        std::memcpy(m_writePos, buffer, count);
        m_writePos += count;
        return;
    }
    const auto* in = static_cast<const uint8_t*>(buffer);
    while (count > 0) {
        size_t chunk = std::min(count, kMaxFileChunk);
        m_file->Write(in, static_cast<uint32_t>(chunk));
        in += chunk;
        count -= chunk;
    }
}

void CArchive::WriteBuffer()
{
    size_t pending = static_cast<size_t>(m_writePos - m_buffer.get());
    m_writePos = m_buffer.get();
    if (pending > 0)
        m_file->Write(m_buffer.get(), static_cast<uint32_t>(pending));
}

void CArchive::CheckLoading() const
{
    if (!IsLoading())
        ThrowException(CArchiveException::writeOnly);
    if (!m_file)
        ThrowException(CArchiveException::genericException);
}

void CArchive::CheckStoring() const
{
    if (!IsStoring())
        ThrowException(CArchiveException::readOnly);
    if (!m_file)
        ThrowException(CArchiveException::genericException);
}

void CArchive::ThrowException(int cause) const
{
    throw CArchiveException(cause, m_file ? m_file->GetFilePath() : CString());
}

void CArchive::ReadString(CString& text)
{
    bool wide = false;
    uint64_t length = ReadStringLength(wide);
    CheckBytesLeft(wide ? length * 2 : length);
    if (length > static_cast<uint64_t>(std::numeric_limits<int>::max()))
        ThrowException(CArchiveException::genericException);
    wchar_t* out = text.GetBuffer(static_cast<int>(length));
    size_t count = 0;
    try {
        count = wide ? ReadUtf16Characters(out, length) : ReadAnsiCharacters(out, length);
    } catch (...) {
        text.ReleaseBuffer(0);
        throw;
    }
    text.ReleaseBuffer(static_cast<int>(count));
}

uint64_t CArchive::ReadStringLength(bool& wide)
{
    for (;;) {
        uint8_t byteLength = 0;
        *this >> byteLength;
        if (byteLength != kByteLengthEscape)
            return byteLength;
        uint16_t wordLength = 0;
        *this >> wordLength;
        if (wordLength == kUnicodeMarker) {
            if (wide)
                ThrowException(CArchiveException::genericException);
            wide = true;
            continue;
        }
        if (wordLength != kWordLengthEscape)
            return wordLength;
        uint32_t longLength = 0;
        *this >> longLength;
        return longLength;
    }
}

size_t CArchive::ReadAnsiCharacters(wchar_t* out, uint64_t length)
{
    size_t done = 0;
    while (done < length) {
        size_t count = BufferedUnits(1, length - done);
        for (size_t i = 0; i < count; ++i)
            out[done + i] = AnsiToWideChar(m_readPos[i]);
        m_readPos += count;
        done += count;
    }
    return done;
}

// The units are gathered first so that a pair split by a buffer refill still decodes as one.
size_t CArchive::ReadUtf16Characters(wchar_t* out, uint64_t length)
{
    std::u16string units(static_cast<size_t>(length), u'\0');
    for (size_t done = 0; done < units.size();) {
        size_t count = BufferedUnits(2, units.size() - done);
        for (size_t i = 0; i < count; ++i)
            units[done + i] = static_cast<char16_t>(m_readPos[2 * i] | m_readPos[2 * i + 1] << 8);
        m_readPos += 2 * count;
        done += count;
    }
    const std::wstring text = Utf16ToWide(units);
    std::copy(text.begin(), text.end(), out);
    return text.size();
}

void CArchive::WriteString(const CString& text)
{
    const std::u16string units =
        WideToUtf16(std::wstring_view(text.GetString(), static_cast<size_t>(text.GetLength())));
    *this << kByteLengthEscape << kUnicodeMarker;
    WriteStringLength(units.size());
    for (const char16_t unit : units)
        *this << static_cast<uint16_t>(unit);
}

void CArchive::WriteStringLength(uint64_t length)
{
    if (length >= 0xFFFFFFFFu)
        ThrowException(CArchiveException::genericException);
    if (length < kByteLengthEscape) {
        *this << static_cast<uint8_t>(length);
        return;
    }
    *this << kByteLengthEscape;
    if (length < kUnicodeMarker) {
        *this << static_cast<uint16_t>(length);
        return;
    }
    *this << kWordLengthEscape << static_cast<uint32_t>(length);
}

CObject* CArchive::ReadObject(const CRuntimeClass* expectedClass)
{
    uint16_t tag = 0;
    *this >> tag;
    if (tag == kNullTag)
        return nullptr;
    LoadEntry classEntry{};
    if (tag == kNewClassTag) {
        classEntry = ReadNewClass();
    } else {
        bool isClass = (tag & kClassTag) != 0;
        uint32_t number = tag & ~kClassTag;
        if (tag == kBigObjectTag) {
            uint32_t bigTag = 0;
            *this >> bigTag;
            isClass = (bigTag & kBigClassTag) != 0;
            number = bigTag & ~kBigClassTag;
        }
        if (!isClass)
            return LoadedObject(number, expectedClass);
        classEntry = LoadedClass(number);
    }
    if (expectedClass && !classEntry.runtimeClass->IsDerivedFrom(expectedClass))
        ThrowException(CArchiveException::badClass);
    return LoadNewObject(classEntry);
}

CArchive::LoadEntry CArchive::ReadNewClass()
{
    uint16_t schema = 0;
    uint16_t nameLength = 0;
    *this >> schema >> nameLength;
    CheckBytesLeft(nameLength);
    if (nameLength > CRuntimeClass::kMaxNameLength)
        ThrowException(CArchiveException::badClass);
    char name[CRuntimeClass::kMaxNameLength];
    Read(name, nameLength);
    const CRuntimeClass* runtimeClass = CRuntimeClass::FromName(std::string_view(name, nameLength));
    if (!runtimeClass || !runtimeClass->IsSerializable() || !runtimeClass->m_pfnCreateObject)
        ThrowException(CArchiveException::badClass);
    if (!runtimeClass->IsVersionable() && schema != runtimeClass->GetSchemaNumber())
        ThrowException(CArchiveException::badSchema);
    LoadEntry entry{nullptr, runtimeClass, schema};
    AppendLoadEntry(entry);
    return entry;
}

CArchive::LoadEntry CArchive::LoadedClass(uint32_t number) const
{
    if (number >= m_loadArray.size() || m_loadArray[number].object || !m_loadArray[number].runtimeClass)
        ThrowException(CArchiveException::badIndex);
    return m_loadArray[number];
}

CObject* CArchive::LoadedObject(uint32_t number, const CRuntimeClass* expectedClass) const
{
    CObject* object = GetLoadedObject(number);
    if (!object)
        ThrowException(CArchiveException::badIndex);
    if (expectedClass && !object->IsKindOf(expectedClass))
        ThrowException(CArchiveException::badClass);
    return object;
}

CObject* CArchive::LoadNewObject(const LoadEntry& classEntry)
{
    if (StackIsRunningOut())
        ThrowException(CArchiveException::genericException);
    std::unique_ptr<CObject> object(classEntry.runtimeClass->CreateObject());
    if (!object)
        ThrowException(CArchiveException::badClass);
    size_t number = m_loadArray.size();
    AppendLoadEntry({object.get(), classEntry.runtimeClass, 0});
    m_objectSchema = classEntry.runtimeClass->IsVersionable() ? classEntry.schema : kNoSchema;
    m_objectsBeingRead.push_back(object.get());
    try {
        object->Serialize(*this);
    } catch (...) {
        m_objectsBeingRead.pop_back();
        m_loadArray.resize(number);
        m_objectSchema = kNoSchema;
        throw;
    }
    m_objectsBeingRead.pop_back();
    m_objectSchema = kNoSchema;
    return object.release();
}

bool CArchive::IsStillReading(const CObject* object) const
{
    return std::find(m_objectsBeingRead.begin(), m_objectsBeingRead.end(), object) !=
           m_objectsBeingRead.end();
}

void CArchive::AppendLoadEntry(const LoadEntry& entry)
{
    if (m_loadArray.size() > kMaxNumber)
        ThrowException(CArchiveException::genericException);
    m_loadArray.push_back(entry);
}

void CArchive::WriteObject(const CObject* object)
{
    CheckStoring();
    if (!object) {
        *this << kNullTag;
        return;
    }
    void* key = const_cast<CObject*>(object);
    void* number = nullptr;
    if (m_storeMap.Lookup(key, number)) {
        WriteReference(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(number)), false);
        return;
    }
    const CRuntimeClass* runtimeClass = object->GetRuntimeClass();
    if (!runtimeClass->IsSerializable())
        ThrowException(CArchiveException::badClass);
    WriteClass(*runtimeClass);
    m_storeMap.SetAt(key, reinterpret_cast<void*>(static_cast<uintptr_t>(NextStoreNumber())));
    const_cast<CObject*>(object)->Serialize(*this);
}

void CArchive::WriteClass(const CRuntimeClass& runtimeClass)
{
    auto stored = m_storedClasses.find(&runtimeClass);
    if (stored != m_storedClasses.end()) {
        WriteReference(stored->second, true);
        return;
    }
    std::string_view name(runtimeClass.m_lpszClassName);
    if (name.size() > CRuntimeClass::kMaxNameLength)
        ThrowException(CArchiveException::badClass);
    *this << kNewClassTag << static_cast<uint16_t>(runtimeClass.GetSchemaNumber())
          << static_cast<uint16_t>(name.size());
    Write(name.data(), static_cast<uint32_t>(name.size()));
    m_storedClasses.emplace(&runtimeClass, NextStoreNumber());
}

void CArchive::WriteReference(uint32_t number, bool isClass)
{
    if (number < kBigObjectTag) {
        *this << static_cast<uint16_t>(isClass ? (kClassTag | number) : number);
        return;
    }
    *this << kBigObjectTag << (isClass ? (kBigClassTag | number) : number);
}

uint32_t CArchive::NextStoreNumber()
{
    if (m_nextStoreNumber > kMaxNumber)
        ThrowException(CArchiveException::genericException);
    return m_nextStoreNumber++;
}

void CArchive::MapObject(const CObject* object)
{
    if (!object)
        return;
    if (IsLoading()) {
        AppendLoadEntry({const_cast<CObject*>(object), object->GetRuntimeClass(), 0});
        return;
    }
    void* key = const_cast<CObject*>(object);
    void* number = nullptr;
    if (!m_storeMap.Lookup(key, number))
        m_storeMap.SetAt(key, reinterpret_cast<void*>(static_cast<uintptr_t>(NextStoreNumber())));
}

uint32_t CArchive::GetObjectSchema()
{
    uint32_t schema = m_objectSchema;
    m_objectSchema = kNoSchema;
    return schema;
}

void CArchive::SetLoadParams(uint32_t)
{
    // The load table grows in blocks and needs no room set aside.
}

CObject* CArchive::GetLoadedObject(uint32_t number) const
{
    return number < m_loadArray.size() ? m_loadArray[number].object : nullptr;
}

CArchive& operator<<(CArchive& ar, const CObject* object)
{
    ar.WriteObject(object);
    return ar;
}

CArchive& operator>>(CArchive& ar, CObject*& object)
{
    object = ar.ReadObject(nullptr);
    return ar;
}

CArchive& operator<<(CArchive& ar, const CString& text)
{
    ar.WriteString(text);
    return ar;
}

CArchive& operator>>(CArchive& ar, CString& text)
{
    ar.ReadString(text);
    return ar;
}
