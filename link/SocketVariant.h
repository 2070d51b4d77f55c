#pragma once
// The value the socket object sends and receives: a tagged union of the types its owners may
// pass (a "Variant"). std::monostate is the empty value: a GetData target that holds nothing
// takes the type asked for; SendData refuses it as an unsupported type.
#include <QByteArray>
#include <QString>
#include <optional>
#include <variant>

namespace ov {

// Money as a 64-bit count of ten-thousandths (12.3456 is 123456).
struct Currency {
    qint64 Value = 0;
    friend bool operator==(Currency, Currency) = default;
};

// A date as the platform's dates are held: days since 30 December 1899, the fraction being the
// time of day.
struct Date {
    double Value = 0;
    friend bool operator==(Date, Date) = default;
};

using SocketVariant = std::variant<std::monostate, quint8, qint16, qint32, float, double, Currency,
                                   Date, bool, QString, QByteArray>;

// Type numbers an owner passes as GetData's varType (those of the platform's variant types).
enum VarType : qint32 {
    vbEmpty = 0,
    vbInteger = 2,
    vbLong = 3,
    vbSingle = 4,
    vbDouble = 5,
    vbCurrency = 6,
    vbDate = 7,
    vbString = 8,
    vbBoolean = 11,
    vbByte = 17,
    vbByteArray = 8192 + 17, // array of bytes
};

namespace sck {

// The type number of what value holds; vbEmpty for the empty value.
qint32 VarTypeOf(const SocketVariant& value);

// The bytes SendData queues for value; nullopt for a type it cannot send (the empty value).
// Texts go through the single-byte code page, one byte per character.
std::optional<QByteArray> VariantToBytes(const SocketVariant& value);

// The number of bytes a fixed-size type takes from the buffer; 0 for text and byte arrays;
// -1 for a type number that cannot be received.
int FixedSizeOf(qint32 varType);

// A value of the given type made from bytes: text (one character per byte) and byte arrays
// take all of them, fixed-size types exactly FixedSizeOf(varType) from the front (the caller
// makes sure enough are there). Little-endian, as they were sent.
SocketVariant BytesToVariant(qint32 varType, QByteArrayView bytes);

// The numeric value of value as a loosely typed language sees it: numbers, Booleans (true is
// -1), the empty value (0) and text that reads as a number; nullopt for anything else.
std::optional<double> NumericValue(const SocketVariant& value);

} // namespace sck
} // namespace ov
