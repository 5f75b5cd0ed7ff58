#pragma once

// The damage a file fuzzer does, with a fixed seed: for text files, cuts at
// element boundaries, elements duplicated or deleted, attribute values and
// texts replaced by huge, negative, NaN, non-numeric, very long or invalid
// UTF-8 ones; for binary files, see BinaryMutator. Each call gives one
// damaged copy of a valid file.

#include <QByteArray>
#include <QString>
#include <QVector>

#include <random>

namespace TestFiles {

class Mutator
{
public:
    Mutator(const QByteArray &valid, std::uint32_t seed) : valid(valid), random(seed)
    {
        for (int i = 0; i < valid.size(); ++i) {
            if (valid[i] == '<')
                tags << i;
            else if (valid[i] == '"' || valid[i] == '>')
                quotes << i;
        }
    }

    // Every cut at the start of an element, in order; then random damage.
    int cuts() const { return tags.size(); }
    QByteArray cutAt(int tag) const { return valid.left(tags[tag]); }

    QByteArray next()
    {
        QByteArray bytes = valid;
        const int kind = int(random() % 3);
        if (kind == 0) { // duplicate or delete one markup span "<...>"
            const int start = tags[int(random() % tags.size())];
            const int end = valid.indexOf('>', start);
            if (end < 0)
                return bytes.left(start);
            const QByteArray span = valid.mid(start, end + 1 - start);
            if (random() % 2)
                bytes.insert(start, span);
            else
                bytes.remove(start, span.size());
        } else { // replace what follows a quote or '>' up to the next quote or '<'
            const int at = quotes[int(random() % quotes.size())] + 1;
            int end = at;
            while (end < bytes.size() && bytes[end] != '"' && bytes[end] != '<')
                ++end;
            bytes.replace(at, end - at, value());
        }
        return bytes;
    }

private:
    QByteArray value()
    {
        static const char *const values[] = {
            "99999999999999999999999", "4294967296", "4294967295", "-1", "-2147483649", "NaN", "nan",
            "inf", "-inf", "1e309", "-0", "0", "abc", "", "1;2", ";;;", "#GGHHII", "\xff\xfe\xc0\x80",
            "\xed\xa0\x80", "1 2 x 3 ",
        };
        const int pick = int(random() % (std::size(values) + 1));
        if (pick == int(std::size(values)))
            return QByteArray(100000, 'x');
        return QByteArray(values[pick]);
    }

    QByteArray valid;
    std::mt19937 random;
    QVector<int> tags;
    QVector<int> quotes;
};

// Damage to a binary file made of units (records, chunks) that start at the
// offsets `starts`: every cut at a unit, then bytes set to random or edge
// values, big-endian 16-bit words (record lengths) moved by a little or
// replaced, record types changed, units duplicated or deleted, and random
// cuts.
class BinaryMutator
{
public:
    BinaryMutator(const QByteArray &valid, QVector<int> starts, std::uint32_t seed)
        : valid(valid), starts(std::move(starts)), random(seed)
    {
    }

    int cuts() const { return starts.size(); }
    QByteArray cutAt(int unit) const { return valid.left(starts[unit]); }

    QByteArray next()
    {
        QByteArray bytes = valid;
        const int at = int(random() % std::uint32_t(bytes.size()));
        const int unit = int(random() % std::uint32_t(starts.size()));
        const int unitEnd = unit + 1 < starts.size() ? starts[unit + 1] : valid.size();
        switch (random() % 7) {
        case 0: // a byte at random
            bytes[at] = char(random());
            break;
        case 1: { // a unit's leading word (a record length) a little off, or an edge value
            static const int words[] = {0, 1, 2, 3, 4, 5, 6, 0x7FFF, 0x8000, 0xFFFF};
            const int old = (std::uint8_t(bytes[starts[unit]]) << 8) | std::uint8_t(bytes[starts[unit] + 1]);
            const int pick = int(random() % (std::size(words) + 4));
            const int word = pick < int(std::size(words)) ? words[pick] : old + pick - int(std::size(words)) - 2;
            bytes[starts[unit]] = char((word >> 8) & 0xFF);
            bytes[starts[unit] + 1] = char(word & 0xFF);
            break;
        }
        case 2: { // a word inside a unit set to an edge value
            static const int words[] = {0, 1, 0x7FFF, 0x8000, 0xFFFF};
            const int w = at & ~1;
            if (w + 1 < bytes.size()) {
                const int word = words[random() % std::size(words)];
                bytes[w] = char(word >> 8);
                bytes[w + 1] = char(word & 0xFF);
            }
            break;
        }
        case 6: // one of the two bytes after a unit's leading word (a record's type) set to a small value
            if (starts[unit] + 3 < bytes.size())
                bytes[starts[unit] + 2 + int(random() % 2)] = char(random() % 64);
            break;
        case 3:
            bytes.insert(starts[unit], valid.mid(starts[unit], unitEnd - starts[unit]));
            break;
        case 4:
            bytes.remove(starts[unit], unitEnd - starts[unit]);
            break;
        default:
            bytes.truncate(at);
            break;
        }
        return bytes;
    }

private:
    QByteArray valid;
    QVector<int> starts;
    std::mt19937 random;
};

// Gives `usable` every cut the mutator offers, then `rounds` random
// damages; returns the first copy it refuses (as base64, with its round),
// or "".
template <class AnyMutator, class Usable>
QString firstRefusedBy(AnyMutator &mutator, Usable usable, int rounds)
{
    for (int round = 0; round < mutator.cuts() + rounds; ++round) {
        const QByteArray bytes = round < mutator.cuts() ? mutator.cutAt(round) : mutator.next();
        if (!usable(bytes))
            return QStringLiteral("round %1: ").arg(round) + QString::fromLatin1(bytes.left(3000).toBase64());
    }
    return QString();
}

// The same for text files damaged by Mutator.
template <class Usable>
QString firstRefused(const QByteArray &valid, std::uint32_t seed, Usable usable, int rounds = 2000)
{
    Mutator mutator(valid, seed);
    return firstRefusedBy(mutator, usable, rounds);
}

} // namespace TestFiles
