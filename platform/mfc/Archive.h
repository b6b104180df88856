#pragma once
// CArchive: the framework's binary serialisation stream over a CFile, loading or storing.
//
// Byte forms; numbers are little-endian, floating point IEEE 754:
//  - primitives: the value's bytes; a bool is one byte, written 0 or 1, read true when not 0.
//  - string record: an optional marker FF FE FF saying the characters are UTF-16 code units
//    (else 8-bit, code page 1252); then the length in characters: one byte below FF; else FF and
//    a 16-bit length below FFFE; else FF FF FF and a 32-bit length. Written always as UTF-16.
//  - object record: a 16-bit tag. 0 is the null object. FFFF introduces a class: 16-bit schema,
//    16-bit name length, the name in 8-bit characters, then an object of it. 8000+n names the
//    class numbered n, then an object of it. 1 to 7FFE refers to the object numbered n, already
//    read. 7FFF is followed by a 32-bit tag: top bit set, the class numbered by the rest, then an
//    object of it; otherwise the object of that number. Classes and objects share one numbering
//    from 1, in order of first appearance; an object takes its number before its Serialize runs.
//
// Errors raise CArchiveException: reading while storing writeOnly, writing while loading
// readOnly, a record cut short endOfFile, an unknown class name or a class of the wrong kind
// badClass, a number that names no class or object read so far badIndex, a non-versionable class
// stored under another schema badSchema, a malformed record genericException. Every length read
// from the data is checked against the bytes left before anything is allocated; callers that
// read counts do the same with CheckBytesLeft.
//
// Objects read are the caller's. An object whose Serialize throws while it is read is deleted,
// and the array of loaded objects forgets it and everything read after it.
//
// Speed: values move between the caller and an internal buffer (4,096 bytes by default) inline;
// the file is called only when the buffer is empty or full.

#include <bit>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "platform/mfc/ArchiveException.h"
#include "platform/mfc/File.h"
#include "platform/mfc/MapPtrToPtr.h"
#include "platform/mfc/Object.h"
#include "platform/mfc/String.h"

static_assert(std::endian::native == std::endian::little, "archive values are copied as little-endian bytes");

class CArchive {
public:
    enum Mode : uint32_t {
        store = 0,
        load = 1,
        bNoFlushOnDelete = 2,  // the destructor does not write what is still buffered
    };
    // Returned by GetObjectSchema when no schema is waiting.
    static constexpr uint32_t kNoSchema = 0xFFFFFFFFu;

    // The file must outlive the archive. Buffers smaller than 16 bytes are made 16 bytes.
    CArchive(CFile* file, uint32_t mode, int bufferSize = 4096);
    // Storing, unless bNoFlushOnDelete: writes what is buffered, swallowing errors (call Close
    // to see them). Never closes the file.
    ~CArchive();

    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const { return (m_mode & load) != 0; }
    bool IsStoring() const { return (m_mode & load) == 0; }
    // Null once the archive is closed or aborted.
    CFile* GetFile() const { return m_file; }

    // Storing: writes the buffer to the file. Loading: moves the file back to the first byte
    // not yet consumed and empties the buffer.
    void Flush();
    // Flush, then detach from the file, which stays open.
    void Close();
    // Detach without writing anything.
    void Abort();

    // Reads exactly count bytes or raises endOfFile; returns count.
    uint32_t Read(void* buffer, uint32_t count)
    {
        if (static_cast<size_t>(m_readEnd - m_readPos) >= count) {
            if (count > 0)
                std::memcpy(buffer, m_readPos, count);
            m_readPos += count;
        } else {
            ReadSlow(buffer, count);
        }
        return count;
    }
    void Write(const void* buffer, uint32_t count)
    {
        if (static_cast<size_t>(m_writeEnd - m_writePos) >= count) {
            if (count > 0)
                std::memcpy(m_writePos, buffer, count);
            m_writePos += count;
        } else {
            WriteSlow(buffer, count);
        }
    }
    // Raises endOfFile unless at least count more bytes can be read.
    void CheckBytesLeft(uint64_t count);

    CArchive& operator<<(uint8_t value) { return Store(value); }
    CArchive& operator<<(bool value) { return Store(static_cast<uint8_t>(value ? 1 : 0)); }
    CArchive& operator<<(int16_t value) { return Store(value); }
    CArchive& operator<<(uint16_t value) { return Store(value); }
    CArchive& operator<<(int32_t value) { return Store(value); }
    CArchive& operator<<(uint32_t value) { return Store(value); }
    CArchive& operator<<(int64_t value) { return Store(value); }
    CArchive& operator<<(uint64_t value) { return Store(value); }
    CArchive& operator<<(float value) { return Store(value); }
    CArchive& operator<<(double value) { return Store(value); }
    // Characters and pointers to anything but CObjects would otherwise convert silently to an
    // integer or a bool of another size.
    CArchive& operator<<(char) = delete;
    CArchive& operator<<(wchar_t) = delete;
    template <class T>
    requires(!std::is_base_of_v<CObject, T>) CArchive& operator<<(const T*) = delete;

    CArchive& operator>>(uint8_t& value) { return Load(value); }
    CArchive& operator>>(bool& value)
    {
        uint8_t byte = 0;
        Load(byte);
        value = byte != 0;
        return *this;
    }
    CArchive& operator>>(int16_t& value) { return Load(value); }
    CArchive& operator>>(uint16_t& value) { return Load(value); }
    CArchive& operator>>(int32_t& value) { return Load(value); }
    CArchive& operator>>(uint32_t& value) { return Load(value); }
    CArchive& operator>>(int64_t& value) { return Load(value); }
    CArchive& operator>>(uint64_t& value) { return Load(value); }
    CArchive& operator>>(float& value) { return Load(value); }
    CArchive& operator>>(double& value) { return Load(value); }

    // The string record (not a line of text).
    void ReadString(CString& text);
    void WriteString(const CString& text);

    // Reads an object reference. With an expected class, an object of another kind raises
    // badClass; null expects any class.
    CObject* ReadObject(const CRuntimeClass* expectedClass);
    void WriteObject(const CObject* object);
    // Gives an object the next number without writing it, so that later references to it are
    // back references. A loading archive must map the same objects in the same order.
    void MapObject(const CObject* object);
    // The schema in the file of the versionable object being read, once; then kNoSchema.
    uint32_t GetObjectSchema();
    // How many loaded objects to make room for at once; the table grows in blocks of its own.
    void SetLoadParams(uint32_t growBy);

    // Storing: every object written or mapped, to its number (stored as the pointer value).
    const CMapPtrToPtr& GetStoreMap() const { return m_storeMap; }
    // Loading: numbers 0 (null) to GetLoadCount() - 1 name classes and objects read or mapped.
    uint32_t GetLoadCount() const { return static_cast<uint32_t>(m_loadArray.size()); }
    // The object of that number; null for 0, for a class and past the end.
    CObject* GetLoadedObject(uint32_t number) const;
    // Loading: whether the object's own record is still being read, so that a back reference
    // from inside that record names an object that is not whole yet.
    bool IsStillReading(const CObject* object) const;

private:
    // No member initialisers: a block is left untouched until its entries are pushed, so a small
    // load never pays for the pages of a whole block.
    struct LoadEntry {
        CObject* object;                    // null for a class
        const CRuntimeClass* runtimeClass;  // null for number 0
        uint32_t schema;                    // a class's schema in the file
    };
    // The numbered classes and objects of a load, in blocks: a large model numbers millions,
    // and a growing vector would copy them all at each doubling and keep twice the room.
    class LoadTable {
    public:
        size_t size() const { return m_size; }
        const LoadEntry& operator[](size_t i) const { return m_blocks[i >> kShift][i & kMask]; }
        void push_back(const LoadEntry& entry)
        {
            if ((m_size >> kShift) == m_blocks.size())
                m_blocks.push_back(std::make_unique_for_overwrite<LoadEntry[]>(kBlock));
            m_blocks[m_size >> kShift][m_size & kMask] = entry;
            ++m_size;
        }
        // Shrinks only: the entries of a failed object go.
        void resize(size_t count)
        {
            if (count < m_size)
                m_size = count;
        }

    private:
        static constexpr size_t kShift = 14;
        static constexpr size_t kBlock = size_t{1} << kShift;
        static constexpr size_t kMask = kBlock - 1;
        std::vector<std::unique_ptr<LoadEntry[]>> m_blocks;
        size_t m_size = 0;
    };

    template <class T>
    CArchive& Store(T value)
    {
        if (static_cast<size_t>(m_writeEnd - m_writePos) >= sizeof(T)) {
            std::memcpy(m_writePos, &value, sizeof(T));
            m_writePos += sizeof(T);
        } else {
            WriteSlow(&value, sizeof(T));
        }
        return *this;
    }
    template <class T>
    CArchive& Load(T& value)
    {
        if (static_cast<size_t>(m_readEnd - m_readPos) >= sizeof(T)) {
            std::memcpy(&value, m_readPos, sizeof(T));
            m_readPos += sizeof(T);
        } else {
            ReadSlow(&value, sizeof(T));
        }
        return *this;
    }

    void ReadSlow(void* buffer, size_t count);
    void WriteSlow(const void* buffer, size_t count);
    void FillBuffer(size_t count);
    size_t BufferedUnits(size_t unitSize, uint64_t maxUnits);
    void WriteBuffer();
    void Detach();
    void CheckLoading() const;
    void CheckStoring() const;
    [[noreturn]] void ThrowException(int cause) const;

    uint64_t ReadStringLength(bool& wide);
    void WriteStringLength(uint64_t length);
    size_t ReadAnsiCharacters(wchar_t* out, uint64_t length);
    size_t ReadUtf16Characters(wchar_t* out, uint64_t length);

    LoadEntry ReadNewClass();
    LoadEntry LoadedClass(uint32_t number) const;
    CObject* LoadedObject(uint32_t number, const CRuntimeClass* expectedClass) const;
    CObject* LoadNewObject(const LoadEntry& classEntry);
    void AppendLoadEntry(const LoadEntry& entry);
    void WriteClass(const CRuntimeClass& runtimeClass);
    void WriteReference(uint32_t number, bool isClass);
    uint32_t NextStoreNumber();

    CFile* m_file;
    uint32_t m_mode;
    size_t m_bufferSize;
    std::unique_ptr<uint8_t[]> m_buffer;
    // Loading uses only the read pointers and storing only the write pointers; the others stay
    // null, so the inline paths fall through to the mode checks.
    uint8_t* m_readPos = nullptr;
    uint8_t* m_readEnd = nullptr;
    uint8_t* m_writePos = nullptr;
    uint8_t* m_writeEnd = nullptr;

    LoadTable m_loadArray;
    uint32_t m_objectSchema = kNoSchema;
    // The objects whose records are being read, outermost first.
    std::vector<const CObject*> m_objectsBeingRead;

    CMapPtrToPtr m_storeMap;
    std::unordered_map<const CRuntimeClass*, uint32_t> m_storedClasses;
    uint32_t m_nextStoreNumber = 1;
};

CArchive& operator<<(CArchive& ar, const CObject* object);
CArchive& operator>>(CArchive& ar, CObject*& object);
CArchive& operator<<(CArchive& ar, const CString& text);
CArchive& operator>>(CArchive& ar, CString& text);
