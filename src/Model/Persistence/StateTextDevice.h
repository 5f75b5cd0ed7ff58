#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QVector>

#include <cstddef>
#include <functional>

namespace Util {
class IProgress;
}

namespace Model {
namespace Persistence {

// Sits between a document file and the XML reader. It hands the markup on
// unchanged but lifts the character data of every State element out of the
// stream: in its place the XML reader sees a processing instruction
// <?kestrum-cells N KEY?>, and the volume archiver reads text N from the file
// in bounded chunks. KEY is drawn anew for every read, so an instruction of
// that name in the file itself is never taken for one of ours. A volume's cell text (two to eleven bytes per cell) is so
// never held in memory as a whole, whatever its size; a Qt string could not
// hold that of a billion cells anyway.
//
// Markup inside a State element (a comment, a child element, CDATA, an
// entity reference) still goes to the XML reader, and the text on either
// side of it is lifted piece by piece, so every well-formed document reads
// as before. Newlines of lifted text are kept inside the instruction, so the
// reader's line numbers stay those of the file. Files in UTF-16 or UTF-32
// and files with a document type declaration (which may define entities)
// are handed on whole.
//
// The source must allow seeking: lifted text is read back from where it
// lies. The device reports the share of the file read so far to a progress
// listener, both passes over lifted text included.
class StateTextDevice : public QIODevice
{
public:
    static const QString instructionTarget;
    static constexpr qint64 defaultChunkBytes = qint64(4) << 20;

    // `source` must be open for reading and not sequential; it is not owned.
    // Chunks are kept between 16 bytes and 64 MiB.
    explicit StateTextDevice(QIODevice &source, qint64 chunkBytes = defaultChunkBytes);

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

    void setProgress(Util::IProgress *listener) { progress = listener; }

    // Given the data of a kestrum-cells instruction the XML reader met,
    // hands the lifted text it stands for to `consume` in pieces of at most
    // the chunk size, from the file.
    using Consumer = std::function<void(const char *data, std::size_t size)>;
    enum class TextRead { NotOurs, Read, Failed };
    TextRead readText(const QString &instruction, const Consumer &consume);

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    enum class Mode {
        Start,     // the first bytes decide whether the file can be split
        Markup,    // outside any State element
        InState,   // character data directly inside a State element
        Skip,      // inside a comment, instruction, CDATA or tag, up to `terminator`
        PassAll    // hands on the rest of the file unchanged
    };
    struct Text
    {
        qint64 begin;
        qint64 end;
    };

    // Reads more of the source into `window`; false at its end.
    bool fill();
    // Works through the window, appending what the XML reader gets to
    // `output`, until there is some output or the source ends.
    void advance();
    bool decideStart();
    void scanMarkup();
    void scanState();
    void scanSkip();
    // At a '<' at `at`: what follows decides the next mode; false when more
    // bytes are needed to tell.
    bool openMarkup(int at);
    void liftUpTo(int at);
    void pass(int count);
    void reportProgress();

    QIODevice &source;
    const qint64 chunkBytes;
    Util::IProgress *progress = nullptr;
    qint64 fileSize = 0;
    QByteArray window;    // bytes read from the source, not yet worked through
    int windowPos = 0;    // next byte of window to look at
    qint64 windowStart = 0; // file offset of window[0]
    bool sourceAtEnd = false;
    QByteArray output;    // what the XML reader is given next
    int outputPos = 0;
    Mode mode = Mode::Start;
    QByteArray terminator;
    // After a State start tag: the markup up to the end of the tag still
    // belongs to the tag itself.
    bool tagIsState = false;
    bool tagEndsElement = false;
    bool tagIsEnd = false;
    bool tagSelfClosed = false;
    char quote = 0;
    // Depth of child elements inside the current State element.
    int stateDepth = -1; // -1 outside a State element
    qint64 pieceBegin = -1; // file offset where the current lifted piece began
    int pieceNewlines = 0;
    QVector<Text> texts;
    QByteArray key;
    qint64 lifted = 0;
    qint64 liftedRead = 0;
    int lastPermille = -1;
};

} // namespace Persistence
} // namespace Model
