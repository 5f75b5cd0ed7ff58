#include "StateTextDevice.h"

#include "Util/IProgress.h"

#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <cstring>

namespace Model {
namespace Persistence {

namespace {

// The most bytes the start of a markup needs to be told apart ("<![CDATA[",
// "<State" and the byte after it).
constexpr int markupLookahead = 9;

bool isNameEnd(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>';
}

} // namespace

const QString StateTextDevice::instructionTarget = QStringLiteral("kestrum-cells");

StateTextDevice::StateTextDevice(QIODevice &source, qint64 chunkBytes)
    : source(source)
    , chunkBytes(std::min<qint64>(std::max<qint64>(chunkBytes, 16), qint64(64) << 20))
    , fileSize(source.isSequential() ? 0 : source.size())
    , key(QByteArray::number(QRandomGenerator::global()->generate64(), 36))
{
    if (source.isSequential())
        mode = Mode::PassAll;
    windowStart = source.isSequential() ? 0 : source.pos();
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 StateTextDevice::bytesAvailable() const
{
    return QIODevice::bytesAvailable() + (output.size() - outputPos) + (window.size() - windowPos)
        + source.bytesAvailable();
}

qint64 StateTextDevice::readData(char *data, qint64 maxSize)
{
    while (outputPos == output.size()) {
        output.clear();
        outputPos = 0;
        if (windowPos == window.size() && !fill())
            return 0;
        advance();
    }
    const qint64 count = std::min<qint64>(maxSize, output.size() - outputPos);
    std::memcpy(data, output.constData() + outputPos, size_t(count));
    outputPos += int(count);
    return count;
}

bool StateTextDevice::fill()
{
    if (sourceAtEnd)
        return false;
    // What has been worked through is dropped; what is left (a few bytes of
    // an unfinished markup at most) moves to the front.
    if (windowPos > 0) {
        window.remove(0, windowPos);
        windowStart += windowPos;
        windowPos = 0;
    }
    const int kept = window.size();
    window.resize(kept + int(chunkBytes));
    const qint64 got = source.read(window.data() + kept, chunkBytes);
    window.resize(kept + int(std::max<qint64>(got, 0)));
    if (got <= 0)
        sourceAtEnd = true;
    reportProgress();
    return got > 0;
}

void StateTextDevice::advance()
{
    // Each pass works through what the window holds; one that needs more
    // bytes to decide fills the window and goes on.
    while (output.size() == outputPos) {
        const int before = windowPos;
        const Mode was = mode;
        switch (mode) {
        case Mode::Start:
            if (!decideStart()) {
                if (!fill())
                    mode = Mode::PassAll;
                continue;
            }
            break;
        case Mode::Markup: scanMarkup(); break;
        case Mode::InState: scanState(); break;
        case Mode::Skip: scanSkip(); break;
        case Mode::PassAll: pass(window.size() - windowPos); break;
        }
        if (windowPos == before && mode == was && output.size() == outputPos) {
            // Nothing could be decided with the bytes at hand.
            if (!fill()) {
                if (mode == Mode::InState)
                    liftUpTo(window.size());
                pass(window.size() - windowPos);
                return;
            }
        }
        if (windowPos == window.size() && output.size() == outputPos && !fill()) {
            if (mode == Mode::InState)
                liftUpTo(window.size());
            return;
        }
    }
}

bool StateTextDevice::decideStart()
{
    if (window.size() - windowPos < 4 && !sourceAtEnd)
        return false;
    const auto *b = reinterpret_cast<const unsigned char *>(window.constData() + windowPos);
    const int n = window.size() - windowPos;
    bool wide = n >= 2 && ((b[0] == 0xFE && b[1] == 0xFF) || (b[0] == 0xFF && b[1] == 0xFE));
    for (int i = 0; i < std::min(n, 4); ++i)
        wide = wide || b[i] == 0;
    mode = wide ? Mode::PassAll : Mode::Markup;
    return true;
}

void StateTextDevice::scanMarkup()
{
    const char *begin = window.constData() + windowPos;
    const int n = window.size() - windowPos;
    const void *found = std::memchr(begin, '<', size_t(n));
    if (!found) {
        pass(n);
        return;
    }
    const int at = windowPos + int(static_cast<const char *>(found) - begin);
    pass(at - windowPos);
    openMarkup(at);
}

void StateTextDevice::scanState()
{
    const char *begin = window.constData() + windowPos;
    const char *end = window.constData() + window.size();
    const char *lt = static_cast<const char *>(std::memchr(begin, '<', size_t(end - begin)));
    const char *stop = lt ? lt : end;
    const char *amp = static_cast<const char *>(std::memchr(begin, '&', size_t(stop - begin)));
    if (amp)
        stop = amp;
    const int at = windowPos + int(stop - begin);
    liftUpTo(at);
    if (stop == end)
        return;
    if (*stop == '&') {
        // An entity reference goes to the XML reader.
        terminator = QByteArrayLiteral(";");
        mode = Mode::Skip;
        tagIsState = tagIsEnd = tagEndsElement = tagSelfClosed = false;
        return;
    }
    openMarkup(at);
}

bool StateTextDevice::openMarkup(int at)
{
    if (window.size() - at < markupLookahead && !sourceAtEnd)
        return false; // advance() fills the window and comes back
    const char *p = window.constData() + at;
    const int n = window.size() - at;
    const auto startsWith = [&](const char *text) {
        const int length = int(std::strlen(text));
        return n >= length && std::memcmp(p, text, size_t(length)) == 0;
    };
    const bool inState = mode == Mode::InState;
    tagIsState = tagIsEnd = tagEndsElement = tagSelfClosed = false;
    quote = 0;
    if (startsWith("<!--")) {
        terminator = QByteArrayLiteral("-->");
        pass(4);
    } else if (startsWith("<![CDATA[")) {
        terminator = QByteArrayLiteral("]]>");
        pass(9);
    } else if (startsWith("<?")) {
        terminator = QByteArrayLiteral("?>");
        pass(2);
    } else if (startsWith("<!")) {
        // A document type declaration may define entities: the rest of the
        // file goes to the XML reader as it is.
        mode = Mode::PassAll;
        return true;
    } else {
        terminator = QByteArrayLiteral(">");
        tagIsEnd = startsWith("</");
        tagIsState = !inState && !tagIsEnd && n > 6 && std::memcmp(p + 1, "State", 5) == 0 && isNameEnd(p[6]);
        tagEndsElement = true;
        pass(1);
    }
    // Where the scan goes once the markup is over is set when it ends.
    stateDepth = inState ? stateDepth : -1;
    mode = Mode::Skip;
    return true;
}

void StateTextDevice::scanSkip()
{
    const char *begin = window.constData() + windowPos;
    const int n = window.size() - windowPos;
    int end = -1;
    if (tagEndsElement) {
        // A tag ends at the first '>' outside quotes; a '/' just before it
        // closes the element at once.
        for (int i = 0; i < n; ++i) {
            const char c = begin[i];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                end = i + 1;
                break;
            } else if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
                tagSelfClosed = c == '/';
            }
        }
    } else {
        const char *hit = std::search(begin, begin + n, terminator.constBegin(), terminator.constEnd());
        if (hit != begin + n)
            end = int(hit - begin) + terminator.size();
    }
    if (end < 0) {
        // Keep the last bytes, which may start the terminator.
        const int keep = tagEndsElement ? 0 : std::min(n, terminator.size() - 1);
        pass(n - keep);
        return;
    }
    pass(end);

    // The markup is over: back to where it was met.
    const bool wasInState = stateDepth >= 0;
    if (!wasInState) {
        mode = Mode::Markup;
        if (tagIsState && !tagSelfClosed) {
            mode = Mode::InState;
            stateDepth = 0;
        }
        return;
    }
    mode = Mode::InState;
    if (tagEndsElement && tagIsEnd) {
        if (stateDepth == 0) {
            mode = Mode::Markup;
            stateDepth = -1;
        } else {
            --stateDepth;
        }
    } else if (tagEndsElement && !tagSelfClosed) {
        ++stateDepth;
    }
}

void StateTextDevice::liftUpTo(int at)
{
    if (at > windowPos) {
        if (pieceBegin < 0) {
            pieceBegin = windowStart + windowPos;
            pieceNewlines = 0;
        }
        const char *p = window.constData() + windowPos;
        const char *end = window.constData() + at;
        while ((p = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p))))) {
            ++pieceNewlines;
            ++p;
        }
        lifted += at - windowPos;
        windowPos = at;
    }
    // The piece ends where markup starts, and at the end of the file.
    if (pieceBegin >= 0 && (at < window.size() || sourceAtEnd)) {
        texts.append({pieceBegin, windowStart + windowPos});
        output += "<?" + instructionTarget.toLatin1() + ' ' + QByteArray::number(texts.size() - 1) + ' ' + key
            + QByteArray(pieceNewlines, '\n') + "?>";
        pieceBegin = -1;
    }
}

void StateTextDevice::pass(int count)
{
    if (count <= 0)
        return;
    output.append(window.constData() + windowPos, count);
    windowPos += count;
}

StateTextDevice::TextRead StateTextDevice::readText(const QString &instruction, const Consumer &consume)
{
    const QStringList words = instruction.simplified().split(QLatin1Char(' '));
    bool isNumber = false;
    const qint64 id = words.value(0).toLongLong(&isNumber);
    if (words.size() != 2 || words[1].toLatin1() != key || !isNumber || id < 0 || id >= texts.size())
        return TextRead::NotOurs;
    const Text text = texts.at(int(id));
    const qint64 resume = windowStart + window.size();
    bool ok = source.seek(text.begin);
    QByteArray buffer;
    for (qint64 at = text.begin; ok && at < text.end;) {
        const qint64 want = std::min(chunkBytes, text.end - at);
        buffer.resize(int(want));
        const qint64 got = source.read(buffer.data(), want);
        if (got <= 0) {
            ok = false;
            break;
        }
        consume(buffer.constData(), std::size_t(got));
        at += got;
        liftedRead += got;
        reportProgress();
    }
    // The scan reads on from where it was.
    return source.seek(resume) && ok ? TextRead::Read : TextRead::Failed;
}

void StateTextDevice::reportProgress()
{
    if (!progress || fileSize <= 0)
        return;
    // Lifted text is read twice, once by the scan and once into the cells;
    // everything else once, counted twice so the two passes weigh the same.
    const qint64 scanned = std::min(fileSize, windowStart + windowPos);
    const qint64 done = std::min(2 * fileSize, 2 * scanned - lifted + liftedRead);
    const int permille = int(done * 1000 / (2 * fileSize));
    if (permille == lastPermille)
        return;
    lastPermille = permille;
    progress->setProgress((unsigned long long)(done), (unsigned long long)(2 * fileSize));
}

} // namespace Persistence
} // namespace Model
