#pragma once
// Layout of the two geodata files, shared by the reader (clsHostIP) and the builder (tools/).
//
// hostdat.xdb: one 3-byte record per /24 network a.b.c, at offset 3 * (a * 65536 + b * 256 + c):
//   byte 0      country number (0 = none, 1..249 = row of the country table)
//   bytes 1..2  city number, little-endian (0 = none, 1..32767 = record of hostcities.xdb)
// hostcities.xdb: one 83-byte record per city, city n at offset (n - 1) * 83:
//   bytes 0..49   city name, single-byte code page, space-padded
//   bytes 50..74  region or state name, the same way
//   bytes 75..78  latitude, packed number
//   bytes 79..82  longitude, packed number
// A packed number is four bytes, most significant first, seven bits each. The builder stores
// coordinates as (degrees + 90) * 10,000 and (degrees + 180) * 10,000 so that they stay
// non-negative; the reader returns the stored value / 10,000 without taking the offset off.
#include <QtGlobal>
#include <array>

namespace geodata {

inline constexpr char kNetworkFile[] = "hostdat.xdb";
inline constexpr char kCitiesFile[] = "hostcities.xdb";

inline constexpr qint64 kNetworkRecordSize = 3;
inline constexpr qint64 kNetworkCount = 16777216; // every a.b.c
inline constexpr qint64 kNetworkFileSize = kNetworkRecordSize * kNetworkCount;

inline constexpr qint64 kCityRecordSize = 83;
inline constexpr int kCityNameSize = 50;
inline constexpr int kStateSize = 25;
inline constexpr int kLatitudeOffset = 75;
inline constexpr int kLongitudeOffset = 79;
inline constexpr int kMaxCityNumber = 32767; // the top bit of the city number stays clear
inline constexpr int kMaxCountryNumber = 249;

inline constexpr double kCoordinateScale = 10000.0;
inline constexpr double kLatitudeBias = 90.0;
inline constexpr double kLongitudeBias = 180.0;

// Network record number of the /24 network a.b.c.
constexpr quint32 NetworkNumber(quint8 a, quint8 b, quint8 c) {
    return quint32(a) * 65536u + quint32(b) * 256u + quint32(c);
}

// The bytes are taken whole, as the files have always been read; a well-formed file only holds
// bytes below 128 there.
constexpr quint32 DecodePacked(const unsigned char* b) {
    return quint32(b[0]) * 2097152u + quint32(b[1]) * 16384u + quint32(b[2]) * 128u + quint32(b[3]);
}

// value must be below 128^4; higher bits are dropped.
constexpr std::array<unsigned char, 4> EncodePacked(quint32 value) {
    return {static_cast<unsigned char>((value >> 21) & 0x7F),
            static_cast<unsigned char>((value >> 14) & 0x7F),
            static_cast<unsigned char>((value >> 7) & 0x7F),
            static_cast<unsigned char>(value & 0x7F)};
}

} // namespace geodata
