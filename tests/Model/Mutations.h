#pragma once

// The damage a file fuzzer does, with a fixed seed: cuts at element
// boundaries, elements duplicated or deleted, attribute values and texts
// replaced by huge, negative, NaN, non-numeric, very long or invalid UTF-8
// ones. Each call gives one damaged copy of a valid file.

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

// Gives `usable` every cut at an element, then `rounds` random damages;
// returns the first copy it refuses (as base64, with its round), or "".
template <class Usable>
QString firstRefused(const QByteArray &valid, std::uint32_t seed, Usable usable, int rounds = 2000)
{
    Mutator mutator(valid, seed);
    for (int round = 0; round < mutator.cuts() + rounds; ++round) {
        const QByteArray bytes = round < mutator.cuts() ? mutator.cutAt(round) : mutator.next();
        if (!usable(bytes))
            return QStringLiteral("round %1: ").arg(round) + QString::fromLatin1(bytes.left(3000).toBase64());
    }
    return QString();
}

} // namespace TestFiles
