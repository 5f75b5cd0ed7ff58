#pragma once

// Mask files built by tests: GDSII streams written record by record
// (including damaged ones) without any drawing tool, and the header of a PNG
// that declares any size.

#include <QByteArray>
#include <QtEndian>

#include <cmath>
#include <cstdint>
#include <initializer_list>

namespace TestFiles {

class GdsStream
{
public:
    enum : int {
        Header = 0x00, BgnLib = 0x01, LibName = 0x02, Units = 0x03, EndLib = 0x04, BgnStr = 0x05, StrName = 0x06,
        EndStr = 0x07, Boundary = 0x08, SRef = 0x0A, ARef = 0x0B, Layer = 0x0D, DataType = 0x0E, XY = 0x10,
        EndEl = 0x11, SName = 0x12, ColRow = 0x13, STrans = 0x1A, Angle = 0x1C,
    };

    GdsStream &record(int type, int dataType, const QByteArray &body)
    {
        const int length = 4 + body.size();
        bytes.append(char(length >> 8)).append(char(length & 0xFF)).append(char(type)).append(char(dataType));
        bytes.append(body);
        return *this;
    }
    GdsStream &none(int type) { return record(type, 0, QByteArray()); }
    GdsStream &int2(int type, std::initializer_list<int> values)
    {
        QByteArray body;
        for (int v : values)
            body.append(char((v >> 8) & 0xFF)).append(char(v & 0xFF));
        return record(type, 2, body);
    }
    GdsStream &int4(int type, std::initializer_list<std::int64_t> values)
    {
        QByteArray body;
        for (std::int64_t v : values) {
            const auto u = std::uint32_t(v);
            body.append(char(u >> 24)).append(char((u >> 16) & 0xFF)).append(char((u >> 8) & 0xFF)).append(char(u & 0xFF));
        }
        return record(type, 3, body);
    }
    GdsStream &text(int type, QByteArray value)
    {
        if (value.size() % 2)
            value.append('\0');
        return record(type, 6, value);
    }
    // 8-byte reals: sign, excess-64 exponent of 16, 56-bit fraction.
    static QByteArray real8(double value)
    {
        QByteArray out(8, '\0');
        if (value == 0)
            return out;
        int exponent = 64;
        double m = std::abs(value);
        while (m >= 1)
            m /= 16, ++exponent;
        while (m < 1.0 / 16)
            m *= 16, --exponent;
        auto fraction = std::uint64_t(std::ldexp(m, 56));
        out[0] = char((value < 0 ? 0x80 : 0) | exponent);
        for (int k = 7; k >= 1; --k, fraction >>= 8)
            out[k] = char(fraction & 0xFF);
        return out;
    }

    // A library in µm with a database unit of 1 nm.
    GdsStream &begin()
    {
        int2(Header, {600});
        int2(BgnLib, {2026, 1, 1, 0, 0, 0, 2026, 1, 1, 0, 0, 0});
        text(LibName, "lib");
        return record(Units, 5, real8(1e-3) + real8(1e-9));
    }
    GdsStream &structure(const QByteArray &name)
    {
        int2(BgnStr, {2026, 1, 1, 0, 0, 0, 2026, 1, 1, 0, 0, 0});
        return text(StrName, name);
    }
    GdsStream &endStructure() { return none(EndStr); }
    // In database units (nm).
    GdsStream &rectangle(int layer, std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1)
    {
        none(Boundary).int2(Layer, {layer}).int2(DataType, {0});
        int4(XY, {x0, y0, x1, y0, x1, y1, x0, y1, x0, y0});
        return none(EndEl);
    }
    GdsStream &sref(const QByteArray &name, std::int64_t x, std::int64_t y)
    {
        none(SRef).text(SName, name).int4(XY, {x, y});
        return none(EndEl);
    }
    GdsStream &aref(const QByteArray &name, int columns, int rows, std::int64_t x, std::int64_t y, std::int64_t dx,
                    std::int64_t dy)
    {
        none(ARef).text(SName, name).int2(ColRow, {columns, rows});
        int4(XY, {x, y, x + columns * dx, y, x, y + rows * dy});
        return none(EndEl);
    }
    QByteArray end()
    {
        none(EndLib);
        return bytes;
    }

    QByteArray bytes;
};

// A PNG signature and header declaring width x height 8-bit grey pixels,
// then an empty compressed stream as the only pixel data.
inline QByteArray pngDeclaring(std::uint32_t width, std::uint32_t height)
{
    auto chunk = [](const QByteArray &type, const QByteArray &data) {
        const QByteArray body = type + data;
        std::uint32_t crc = 0xFFFFFFFFu;
        for (char c : body) {
            crc ^= std::uint8_t(c);
            for (int k = 0; k < 8; ++k)
                crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        crc = ~crc;
        QByteArray out(4, '\0');
        qToBigEndian(std::uint32_t(data.size()), out.data());
        QByteArray tail(4, '\0');
        qToBigEndian(crc, tail.data());
        return out + body + tail;
    };
    QByteArray header(13, '\0');
    qToBigEndian(width, header.data());
    qToBigEndian(height, header.data() + 4);
    header[8] = 8; // bit depth; colour type 0 (grey), no interlace
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
           chunk("IDAT", QByteArray("\x78\x9c\x03\x00\x00\x00\x00\x01", 8)) + chunk("IEND", QByteArray());
}

} // namespace TestFiles
