#pragma once

#include "ObjectArchiver.h"

#include <cstddef>
#include <cstdint>

namespace Model {

namespace Automaton {
class TotalVolume;
}

namespace Persistence {

// Archiver of cell volumes (object type 1). A volume is one "Object" element
// with its sizes and cell sizes as attributes, a "State" child holding the
// material id of every cell in cell order, each followed by a blank, and a
// "Position" child.
class TotalVolumeArchiver : public ObjectArchiver
{
public:
    TotalVolumeArchiver() = default;

    void setWriter(QXmlStreamWriter *writer) override { this->writer = writer; }
    void setReader(QXmlStreamReader *reader) override { this->reader = reader; }
    void setMaterialIdMap(MaterialIdMap *map) override { materialIdMap = map; }
    void setStateText(StateTextDevice *device) override { stateText = device; }

    bool write(const std::shared_ptr<Object> &object) override;
    std::shared_ptr<Object> read() override;
    QString errorString() const override { return lastError; }
    CellCounts cellCounts() const override { return lastCounts; }

    // Lengths and positions: six significant digits, the shorter of fixed and
    // exponent notation, trailing zeros dropped ("1", "0.5", "2.5e-07").
    static QString formatLength(double value);

private:
    void writeState(Automaton::TotalVolume &volume);
    // Reads the text of the State element the reader is on into the cells and
    // leaves the reader on its end element: the text the XML reader gives,
    // and the pieces the state text device lifted out, from the file. False
    // when the input broke off first.
    bool readState(Automaton::TotalVolume &volume);
    void emptyCellsFrom(Automaton::TotalVolume &volume, std::size_t first);
    void skipToEndOfObject();

    QXmlStreamWriter *writer = nullptr;
    QXmlStreamReader *reader = nullptr;
    MaterialIdMap *materialIdMap = nullptr;
    StateTextDevice *stateText = nullptr;
    QString lastError;
    // Set when lifted cell text could not be read back from the file.
    QString readBackError;
    std::size_t stateCells = 0;
    CellCounts lastCounts;
};

} // namespace Persistence
} // namespace Model
