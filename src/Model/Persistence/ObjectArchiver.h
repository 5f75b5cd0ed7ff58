#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

class QXmlStreamReader;
class QXmlStreamWriter;

namespace Model {

class Object;

namespace Persistence {

class StateTextDevice;

// Translates the material ids stored in a document into the ids of the
// running catalogue. One map serves one load.
using MaterialIdMap = std::map<std::uint32_t, std::uint32_t>;

// Writes and reads the "Object" element of one kind of scene object. The
// document reader and writer hand it their XML stream and the id map; none
// of them is owned.
class ObjectArchiver
{
public:
    virtual ~ObjectArchiver() = default;

    virtual void setWriter(QXmlStreamWriter *writer) = 0;
    virtual void setReader(QXmlStreamReader *reader) = 0;
    virtual void setMaterialIdMap(MaterialIdMap *map) = 0;
    // Where the document reader put the cell text it lifted out of the XML
    // stream (none when it read the stream whole).
    virtual void setStateText(StateTextDevice *) {}

    // Writes the object at the writer's position. False when the object is
    // not of this archiver's kind or the writer failed.
    virtual bool write(const std::shared_ptr<Object> &object) = 0;

    // Reads the object whose start element the reader is on and leaves the
    // reader on its end element. Empty on failure; errorString() then says why.
    virtual std::shared_ptr<Object> read() = 0;

    // Why the last read() gave nothing, for the user; empty after a success.
    virtual QString errorString() const = 0;

    // What the last read() found in the object's cell list, so that the
    // document reader can tell the user what it repaired: the cells the
    // object has, the entries the list held and how many of those were no
    // material id. All 0 for objects without cells.
    struct CellCounts
    {
        std::size_t cells = 0;
        std::size_t entries = 0;
        std::size_t unreadable = 0;
        // The list broke off (the file ends or its XML breaks inside it);
        // `entries` were read before the break.
        bool brokenOff = false;
        QString breakReason = {};
    };
    virtual CellCounts cellCounts() const { return {}; }
};

} // namespace Persistence
} // namespace Model
