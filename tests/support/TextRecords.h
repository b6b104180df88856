#pragma once
// Model-file records of fonts, the text style and texts for tests, in any schema of each class,
// with any references (to records of other writers too, such as the edges of TopologyRecords).
//
//   TextRecords records({.text = 4});
//   auto& font = records.Font(L"Arial", 12);
//   auto& text = records.Text(L"Label");
//   text.font = &font;
//   const Bytes bytes = TextRecords::Archive({&text});  // the text, its font inside
//
// The entity part is written for the schema given to "CEntity" (a null attribute container
// from schema 3 on) and the drawing element part of texts for "CDrawingElement" (no material,
// the default layer). The anchor of a text from schema 5 on is a reference-point record.

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "geometry/Point3d.h"
#include "geometry/Vector3d.h"
#include "platform/mfc/Archive.h"
#include "platform/mfc/String.h"
#include "support/Color.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/ModelFileWriter.h"
#include "tests/support/RecordClasses.h"

struct TextSchemas {
    int32_t entity = 3;
    int32_t drawingElement = 9;
    int32_t font = 1;
    int32_t textStyle = 5;
    int32_t text = 9;
};

class TextRecords {
public:
    using CPoint3d = orbisk::geometry::CPoint3d;
    using CVector3d = orbisk::geometry::CVector3d;
    using CColor = orbisk::utils::CColor;

    class Record : public CObject {
    public:
        Record(TextRecords& owner, const CRuntimeClass& runtimeClass)
            : m_owner(owner), m_runtimeClass(runtimeClass)
        {}
        const CRuntimeClass* GetRuntimeClass() const override { return &m_runtimeClass; }
        void Serialize(CArchive& ar) override;

    protected:
        virtual void WriteBody(CArchive& ar) const = 0;
        TextRecords& m_owner;

    private:
        const CRuntimeClass& m_runtimeClass;
    };

    struct FontRecord : Record {
        using Record::Record;
        void WriteBody(CArchive& ar) const override;
        CString face;
        bool italic = false;
        bool bold = false;
        int32_t pointSize = 0;
        // Schema 1 on.
        bool modelSize = false;
        double modelHeight = 10.0;
    };

    struct TextStyleRecord : Record {
        using Record::Record;
        void WriteBody(CArchive& ar) const override;
        // Schemas other than 3.
        const CObject* font = nullptr;
        // Schema 3: the inline description.
        CString face;
        int32_t height = 0;
        bool bold = false;
        bool italic = false;
        int32_t setting1 = 3;
        int32_t setting2 = 1;
        bool flag3 = false;
        int32_t setting4 = 2;
        bool flag5 = true;
        // Schema 2 on.
        CColor color{0, 0, 0, 255};
        // Schema 5 on.
        CColor secondColor{0, 0, 0, 255};
        const CObject* secondFont = nullptr;
    };

    // The record of an anchor inside a text record, with its own version.
    struct AnchorRecord {
        int32_t kind = 0;
        int32_t version = 4;
        double parameters[3] = {0.0, 0.0, 0.0};
        const CObject* entity = nullptr;
        // Version 1 on.
        const CObject* entity2 = nullptr;
        std::vector<const CObject*> path;
        // Version 4 on.
        std::vector<const CObject*> path2;
    };

    struct TextRecord : Record {
        using Record::Record;
        void WriteBody(CArchive& ar) const override;
        // Schema 4 on.
        const CObject* font = nullptr;
        // Schemas below 5: the entity the text points at and the point on it.
        const CObject* legacyEntity = nullptr;
        CPoint3d legacyPoint;
        double xOffset = 0.5;
        double yOffset = 0.5;
        // Schema 5 on.
        AnchorRecord anchor;
        // Schemas below 6: the first point, and the second point (below 5) or vector (5).
        CPoint3d first;
        CPoint3d second;
        // Schema 6 on.
        CVector3d leaderVector;
        CVector3d placementDirection{0.0, 0.0, 1.0};
        // Schemas 3 to 7.
        double viewScale = 0.0;
        int32_t leaderType = 0;
        int32_t lineWidth = 1;
        bool frontSide = true;
        bool hideWhenTurned = false;
        int32_t arrowType = 0;
        // Schema 2 on.
        bool leaderShown = true;
        CString text;
        // Schema 8 on.
        bool extraFlag = false;
        // Schema 9 on.
        int32_t extension = 0;
    };

    explicit TextRecords(TextSchemas schemas = {});
    ~TextRecords();
    TextRecords(const TextRecords&) = delete;
    TextRecords& operator=(const TextRecords&) = delete;

    const TextSchemas& GetSchemas() const { return m_schemas; }

    FontRecord& Font(const CString& face, int32_t pointSize);
    TextStyleRecord& TextStyle();
    TextRecord& Text(const CString& text);

    // The record itself the first time, a back reference later; null writes the null reference.
    static void WriteReference(CArchive& ar, const CObject* record);
    static Bytes Archive(std::initializer_list<const CObject*> records);
    // The entries of these schemas, with "CReferencePoint" absent (it has no class record).
    ModelFileWriter::VersionMap GetVersionMap() const;

private:
    template <class T>
    T& Add(const char* className, int32_t schema);
    void WriteEntityPart(CArchive& ar) const;
    void WriteDrawingElementPart(CArchive& ar) const;
    static void WriteAnchor(CArchive& ar, const AnchorRecord& anchor);

    TextSchemas m_schemas;
    RecordClassMap m_classes;
    std::vector<std::unique_ptr<Record>> m_records;
};
